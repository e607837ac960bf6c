#pragma once

#include <QDialog>

class QTimer;

/// The greeting shown while the program starts: it closes itself on the third tick
/// of its timer, about four and a half seconds after it appears.
class TStart_Form : public QDialog
{
    Q_OBJECT

public:
    explicit TStart_Form(int tickMs = 1500, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Timer1Timer();

    QTimer* m_timer;
    int m_ticks = 0;
};
