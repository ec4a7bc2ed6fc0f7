// Entry point of every test executable: a QApplication on the offscreen platform
// and an en-US default locale, so numbers read 1,234,567 whatever the machine says.
// The archive formats and packing are linked in: the module files are not beside a test
// executable.
#include "modules/SupportModules.h"

#include <QApplication>
#include <QLocale>
#include <gtest/gtest.h>

extern "C" const TArchiveModule* TravodexArchiveModule3();
extern "C" const TPackingModule* TravodexPackingModule1();

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QApplication app(argc, argv);
    RegisterArchiveModule(TravodexArchiveModule3());
    RegisterPackingModule(TravodexPackingModule1());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
