#pragma once

#include <QApplication>
#include <QWidget>
#include <QKeyEvent>
#include <QString>

/// Types text into a widget as key presses carrying each character. QTest::keyClicks
/// maps characters to Latin key codes and cannot type Cyrillic.
inline void typeText(QWidget* widget, const QString& text)
{
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &release);
    }
}
