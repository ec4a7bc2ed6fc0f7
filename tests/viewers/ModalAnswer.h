#pragma once
// Answers the next modal dialog from inside its own event loop: the test schedules the
// answer, then does what opens the dialog. To answer a dialog that another answer
// leads to, schedule it inside the first answer, before closing the first dialog.

#include <QApplication>
#include <QTimer>
#include <functional>
#include <memory>

namespace testmodal
{

// Calls `answer` with the first active modal widget of type T, polling every 10 ms for up
// to 5 s. `answered`, when given, is set to true once the answer ran.
template <class T> void AnswerNextModal(std::function<void(T*)> answer, bool* answered = nullptr)
{
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, answer, answered, tries] {
        T* modal = qobject_cast<T*>(QApplication::activeModalWidget());
        if (modal == nullptr && ++*tries < 500)
            return;
        timer->stop();
        timer->deleteLater();
        if (modal != nullptr) {
            if (answered)
                *answered = true;
            answer(modal);
        }
    });
    timer->start(10);
}

} // namespace testmodal
