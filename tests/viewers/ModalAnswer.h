#pragma once
// Answers the next modal dialog from inside its own event loop: the test schedules the
// answer, then does what opens the dialog. To answer a dialog that another answer
// leads to, schedule it inside the first answer, before closing the first dialog.

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace testmodal
{

// Calls `answer` with the first active modal widget of type T, polling every 10 ms for up
// to 5 s. `answered`, when given, is set to true once the answer ran. A dialog the answer
// left open is rejected a second later and the test fails, instead of hanging. With
// `until`, the polling also ends when that object goes (an answer for a dialog that
// must not come, which would otherwise answer a later test's dialog).
template <class T>
void AnswerNextModal(std::function<void(T*)> answer, bool* answered = nullptr,
                     QObject* until = nullptr)
{
    auto* timer = new QTimer(until);
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, answer, answered, tries] {
        T* modal = qobject_cast<T*>(QApplication::activeModalWidget());
        if (modal == nullptr && ++*tries < 500)
            return;
        timer->stop();
        timer->deleteLater();
        if (modal == nullptr)
            return;
        if (answered)
            *answered = true;
        QPointer<QDialog> dialog = qobject_cast<QDialog*>(modal);
        // A dialog shown again by a later step is a new showing: only this one counts.
        auto finished = std::make_shared<bool>(false);
        QMetaObject::Connection connection;
        if (dialog)
            connection =
                QObject::connect(dialog, &QDialog::finished, [finished] { *finished = true; });
        answer(modal);
        QTimer::singleShot(1000, [dialog, finished, connection] {
            QObject::disconnect(connection);
            if (dialog && dialog->isVisible() && !*finished &&
                QApplication::activeModalWidget() == dialog) {
                ADD_FAILURE() << "the answer left the dialog open";
                dialog->reject();
            }
        });
    });
    timer->start(10);
}

// Answers a file dialog as a user would, typing `path` into its name field (empty:
// cancel); `proposed` receives the name the field offered.
inline void AnswerFileDialog(const QString& path, QString* proposed = nullptr)
{
    AnswerNextModal<QFileDialog>([path, proposed](QFileDialog* dialog) {
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (proposed && name)
            *proposed = name->text();
        if (path.isEmpty() || name == nullptr) {
            EXPECT_TRUE(path.isEmpty()) << "the file dialog has no name field";
            dialog->reject();
            return;
        }
        // A typed name replaces whatever the file list had selected.
        for (auto* view : dialog->findChildren<QAbstractItemView*>())
            if (view->selectionModel())
                view->selectionModel()->clearSelection();
        name->setText(path);
        static_cast<QDialog*>(dialog)->accept();
    });
}

// How a user answers a question box: one of its buttons, Escape, or closing the box.
enum class TAnswer { Yes, No, Escape, CloseBox };

// Answers the next question box (QMessageBox) as `answer` says. `shown`, when given,
// receives its text and informative text, one per line. `before` runs inside the
// box's own loop before the answer, to schedule the answer of what follows it.
inline void AnswerQuestion(TAnswer answer, QString* shown = nullptr,
                           std::function<void()> before = {})
{
    AnswerNextModal<QMessageBox>([answer, shown, before](QMessageBox* box) {
        if (shown)
            *shown = box->text() + u'\n' + box->informativeText();
        if (before)
            before();
        switch (answer) {
        case TAnswer::Yes:
        case TAnswer::No: {
            QAbstractButton* button =
                box->button(answer == TAnswer::Yes ? QMessageBox::Yes : QMessageBox::No);
            EXPECT_NE(button, nullptr) << "the question has no such button";
            button ? button->click() : box->reject();
            break;
        }
        case TAnswer::Escape: {
            QWidget* focus = box->focusWidget();
            QTest::keyClick(focus ? focus : box, Qt::Key_Escape);
            break;
        }
        case TAnswer::CloseBox:
            box->close();
            break;
        }
    });
}

} // namespace testmodal
