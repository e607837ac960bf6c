#include "RecordEditor.h"

#include "CommonFnc.h"
#include "Dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

RecordEditor::RecordEditor(QWidget* parent)
    : QDialog(parent)
{
    setModal(true);
}

void RecordEditor::setSaveButton(QAbstractButton* button)
{
    m_saveButton = button;
    if (m_saveButton)
        connect(m_saveButton, &QAbstractButton::clicked, this, [this] { runSave(); });
}

void RecordEditor::showErrors(const QStringList& messages)
{
    for (const QString& message : messages)
        Dialogs::current().error(message);
}

bool RecordEditor::runSave()
{
    QCoreApplication::processEvents();
    bool saved = false;
    try {
        saved = save();
    } catch (const CommonFnc::ConversionError& e) {
        Dialogs::current().error(e.message());
        return false;
    }
    if (saved) {
        m_changed = false;
        accept();
    }
    return saved;
}

void RecordEditor::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Leaving the box first lets it format its number, as moving the focus does.
        if (m_saveButton)
            m_saveButton->setFocus(Qt::OtherFocusReason);
        runSave();
        return;
    }
    QDialog::keyPressEvent(event);
}

void RecordEditor::showEvent(QShowEvent* event)
{
    // Buttons must not take Enter for themselves: Enter saves wherever the focus is.
    const auto buttons = findChildren<QPushButton*>();
    for (QPushButton* button : buttons) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    QDialog::showEvent(event);
}

void RecordEditor::done(int result)
{
    if (m_closing)
        return;
    m_closing = true;
    if (result != QDialog::Accepted && m_changed) {
        if (Dialogs::current().question(u"Возможно некоторые данные были изменены.\r\n"
                                        "Сохранить все внесенные изменения?"_s)) {
            // The window closes even when the checks refuse the record.
            try {
                save();
            } catch (const CommonFnc::ConversionError& e) {
                Dialogs::current().error(e.message());
            }
        }
        m_changed = false;
    }
    QDialog::done(result);
    closed();
    m_closing = false;
}
