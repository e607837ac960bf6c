#include "RunGuardedDialog.h"

#include <QCloseEvent>

void RunGuardedDialog::reject()
{
    if (!m_running)
        QDialog::reject();
}

void RunGuardedDialog::closeEvent(QCloseEvent* event)
{
    if (m_running) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
