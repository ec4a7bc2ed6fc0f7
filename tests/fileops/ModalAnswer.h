#pragma once
// Answers a modal dialog from inside its exec(): polls until a modal widget is active,
// then runs `action` on it. A dialog still open two seconds after the action is closed
// with result -1 and the test fails, so a wrong answer cannot hang the test run.

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

inline void AnswerNextModal(std::function<void(QDialog*)> action)
{
    auto timer = std::make_shared<QTimer>();
    auto tries = std::make_shared<int>(0);
    timer->setInterval(10);
    QObject::connect(timer.get(), &QTimer::timeout, [timer, tries, action] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) {
            if (++*tries > 500) {
                timer->stop();
                ADD_FAILURE() << "no modal dialog appeared";
            }
            return;
        }
        timer->stop();
        QPointer<QDialog> guard(dialog);
        // The shared dialogs are shown again by later commands: only this showing counts.
        auto finished = std::make_shared<bool>(false);
        const auto connection =
            QObject::connect(dialog, &QDialog::finished, [finished] { *finished = true; });
        action(dialog);
        QTimer::singleShot(2000, [guard, finished, connection] {
            QObject::disconnect(connection);
            if (guard && guard->isVisible() && !*finished) {
                ADD_FAILURE() << "the dialog stayed open";
                guard->done(-1);
            }
        });
    });
    timer->start();
}

// Presses a key where a user's key press would go: the dialog's focused control.
inline void PressKey(QDialog* dialog, Qt::Key key)
{
    QWidget* target = dialog->focusWidget() ? dialog->focusWidget() : dialog;
    QTest::keyClick(target, key);
}
