#pragma once
// Sets the application font for the life of the object and puts the previous one back.
// DesignFont() is the font the layout sizes are given for: 11 pixels high, with the
// widths of a Helvetica-like face (Nimbus Sans), so those sizes hold exactly.

#include <QApplication>
#include <QFont>

class AppFont final
{
public:
    explicit AppFont(const QFont& font) : m_previous(QApplication::font())
    {
        QApplication::setFont(font);
    }
    ~AppFont() { QApplication::setFont(m_previous); }
    AppFont(const AppFont&) = delete;
    AppFont& operator=(const AppFont&) = delete;

private:
    QFont m_previous;
};

inline QFont DesignFont()
{
    QFont font(QStringLiteral("Nimbus Sans"));
    font.setPixelSize(11);
    return font;
}
