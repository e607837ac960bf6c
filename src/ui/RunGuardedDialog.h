#pragma once

#include <QDialog>

/// A window that runs long work while letting window messages through: while the work
/// runs, its close box and Esc are refused, so the window is never pulled from under it.
class RunGuardedDialog : public QDialog
{
    Q_OBJECT

public:
    using QDialog::QDialog;

    bool isRunning() const { return m_running; }
    void reject() override;

protected:
    void setRunning(bool running) { m_running = running; }
    void closeEvent(QCloseEvent* event) override;

private:
    bool m_running = false;
};
