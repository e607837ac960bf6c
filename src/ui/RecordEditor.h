#pragma once

#include <QDialog>
#include <QStringList>

class QAbstractButton;

/// What every record editor shares: a "changed" flag set by the operator's edits; Enter
/// anywhere moves to the Save button and saves; a refused save keeps the window open;
/// closing with unsaved changes asks whether to save them, then closes whatever the
/// answer; and a hook that runs on every close.
class RecordEditor : public QDialog
{
    Q_OBJECT

public:
    explicit RecordEditor(QWidget* parent = nullptr);

    bool isChanged() const { return m_changed; }
    void setChanged(bool changed = true) { m_changed = changed; }
    /// For connecting edits and lookups: sets "changed".
    void markChanged() { m_changed = true; }

    /// Save as the Save button and Enter run it: the checks, the write, and on success the
    /// window closes. A conversion error is told to the operator and keeps the window open.
    /// Returns true when the record was saved.
    bool runSave();

protected:
    /// Checks and writes the record. Returns true when it was written (the window then
    /// closes); false when a check refused it (the window stays open, its messages shown).
    virtual bool save() = 0;
    /// Runs once when the window closes, saved or not.
    virtual void closed() {}

    /// The button Enter moves the focus to before saving.
    void setSaveButton(QAbstractButton* button);
    /// Shows each message as an error, in order.
    static void showErrors(const QStringList& messages);

    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    QAbstractButton* m_saveButton = nullptr;
    bool m_changed = false;
    bool m_closing = false;
};
