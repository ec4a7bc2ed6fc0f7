#include "about/firewnd.h"

#include <QEvent>
#include <QPainter>
#include <QTimer>

void TpalColor::SetRed(int value)
{
    m_red = value;
    Changed();
}

void TpalColor::SetGreen(int value)
{
    m_green = value;
    Changed();
}

void TpalColor::SetBlue(int value)
{
    m_blue = value;
    Changed();
}

void TpalColor::Changed()
{
    if (m_owner != nullptr && !TFire::Constructing())
        m_owner->Rebuild();
}

TFire::TFire(QWidget* parent) : QWidget(parent)
{
    s_constructing = true;
    resize(100, 100);
    m_timer = new QTimer(this);
    m_timer->setInterval(50);
    connect(m_timer, &QTimer::timeout, this, &TFire::TimerTick);
    m_timer->start();
    s_constructing = false;
    // A parent given to the constructor arrives before this class can see the change.
    if (parentWidget() != nullptr)
        Rebuild();
}

TFire::~TFire()
{
    m_timer->stop();
}

void TFire::SetMask(const QImage& picture)
{
    m_mask = picture;
    m_engine.UpdateMask(m_mask, m_transparentColor);
    update();
}

void TFire::SetTransparentColor(QRgb colour)
{
    m_transparentColor = colour;
    m_engine.UpdateMask(m_mask, m_transparentColor);
    update();
}

void TFire::SetBurning(bool value)
{
    m_burning = value;
    if (value)
        m_timer->start();
    else
        m_timer->stop();
}

void TFire::SetMaxBurn(int value)
{
    if (m_engine.SetMaxBurn(value))
        Rebuild();
}

int TFire::Interval() const
{
    return m_timer->interval();
}

void TFire::SetInterval(int milliseconds)
{
    if (milliseconds > 0)
        m_timer->setInterval(milliseconds);
}

void TFire::SetEdgeRatio(float value)
{
    m_engine.SetEdgeRatio(value, width());
}

void TFire::SetFirePalette(const TpalColor& colours)
{
    const int red = colours.Red(), green = colours.Green(), blue = colours.Blue();
    m_palette.SetRed(red);
    m_palette.SetGreen(green);
    m_palette.SetBlue(blue);
}

void TFire::SetBounds(int x, int y, int width, int height)
{
    setGeometry(x, y, width, height);
    if (parentWidget() != nullptr && size() != QSize(m_engine.Width(), m_engine.Height()))
        Rebuild();
}

void TFire::Rebuild()
{
    // A fire whose images cannot be created paints nothing until a later rebuild works.
    m_engine.Rebuild(width(), height(), m_palette.Red(), m_palette.Green(), m_palette.Blue());
    update();
}

void TFire::TimerTick()
{
    if (Constructing() || !m_burning)
        return;
    if (!m_engine.Burn()) {
        m_burning = false; // the timer keeps running; its ticks do nothing now
        return;
    }
    update(); // painting masks the new heat into the display image
}

void TFire::Blit()
{
    if (parentWidget() != nullptr)
        m_engine.Blit();
}

bool TFire::TimerActive() const
{
    return m_timer->isActive();
}

void TFire::paintEvent(QPaintEvent*)
{
    if (parentWidget() == nullptr || !m_engine.HasBuffers())
        return;
    m_engine.Blit();
    m_engine.Render(m_frame);
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, m_frame);
}

void TFire::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (parentWidget() != nullptr && size() != QSize(m_engine.Width(), m_engine.Height()))
        Rebuild();
}

void TFire::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ParentChange && parentWidget() != nullptr)
        Rebuild();
}
