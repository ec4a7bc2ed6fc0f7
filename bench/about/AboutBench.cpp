// CPU load of the about box's fire at its 2 ms interval, and the cost of one step.
#include "about/FireEngine.h"
#include "about/firewnd.h"
#include "about/uAbout.h"
#include "support/Bench.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace
{

void StepCost()
{
    TFireEngine fire;
    fire.SetFlammability(390);
    fire.MaxHeat = 230;
    fire.Chaos = 200;
    fire.SetMaxBurn(80);
    fire.SetEdgeRatio(0.99f, 340);
    fire.Rebuild(340, 47, 767, 511, 255);
    constexpr int Steps = 2000;
    const double seconds = bench::BestSeconds(3, [&] {
        for (int i = 0; i < Steps; ++i) {
            fire.Burn();
            fire.Blit();
        }
    });
    bench::Figure(QStringLiteral("fire step + blit, 340 x 47"), seconds / Steps * 1e6,
                  QStringLiteral("us"));
}

void BurningBox()
{
    TfAbout box;
    box.show();
    QEventLoop settle;
    QTimer::singleShot(300, &settle, &QEventLoop::quit);
    settle.exec();

    constexpr int Milliseconds = 4000;
    const quint32 seedBefore = box.Fire->Engine().Seed();
    const double cpuBefore = bench::CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    // Count the steps through the ticks the timer delivers.
    int ticks = 0;
    QObject::connect(box.Fire->findChild<QTimer*>(), &QTimer::timeout, [&] { ++ticks; });
    QEventLoop loop;
    QTimer::singleShot(Milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
    const double cpu = bench::CpuSeconds() - cpuBefore;
    const double elapsed = wall.nsecsElapsed() / 1e9;
    box.close();
    bench::Figure(QStringLiteral("about box burning: CPU per wall second"), 100.0 * cpu / elapsed,
                  QStringLiteral("% of one core"));
    bench::Figure(QStringLiteral("about box burning: steps per second"), ticks / elapsed,
                  QStringLiteral("steps/s"));
    if (box.Fire->Engine().Seed() == seedBefore)
        bench::Figure(QStringLiteral("about box burning: the fire did not run"), 0, QString());
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    StepCost();
    BurningBox();
    return 0;
}
