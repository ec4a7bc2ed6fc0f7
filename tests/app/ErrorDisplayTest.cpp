// The default error display shows a name's bytes that are not UTF-8 as U+FFFD.
#include "app/TApplication.h"
#include "fileops/ModalAnswer.h"
#include "platform/FileNames.h"

#include <QMessageBox>

TEST(ErrorDisplay, ANameThatIsNotUtf8ShowsItsByteAsTheReplacementCharacter)
{
    auto shown = std::make_shared<QString>(); // kept by the answer, whatever comes
    AnswerNextModal([shown](QDialog* d) {
        *shown = static_cast<QMessageBox*>(d)->text();
        d->done(QMessageBox::Ok);
    });
    TApplication::ShowException("Cannot open " + platform::DecodeFileName("caf\xe9.txt"));
    EXPECT_EQ(*shown, QString("Cannot open caf") + QChar(0xFFFD) + ".txt");
}
