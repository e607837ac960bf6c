#pragma once

#include <QApplication>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

/// Runs `act` on the next modal window of type T once it is shown, for a test that
/// opens it with exec(). A window may let messages run before it opens, so a single
/// zero timer could fire too early; this one looks every few milliseconds and stops
/// after the first window it acts on, or after `timeoutMs`.
template <typename T> void whenModal(std::function<void(T*)> act, int timeoutMs = 10000)
{
    auto* timer = new QTimer;
    auto waited = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act, waited, timeoutMs] {
        *waited += 5;
        if (auto* window = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(window);
        } else if (*waited > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(5);
}
