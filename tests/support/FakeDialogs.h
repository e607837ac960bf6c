#pragma once

#include "Dialogs.h"

#include <QList>
#include <QStringList>

/// Scripted dialogs for tests: records every message and answers questions and file
/// dialogs from queues. Installs itself for its lifetime.
class FakeDialogs final : public Dialogs
{
public:
    enum class Kind { Error, Warning, Notice, Question, OpenFile, SaveFile };
    struct Message
    {
        Kind kind;
        QString text;
        QString caption; ///< empty for the program title
    };

    FakeDialogs();
    ~FakeDialogs() override;

    void error(const QString& text) override;
    void warning(const QString& text) override;
    void notice(const QString& text) override;
    void captionedWarning(const QString& caption, const QString& text) override;
    /// Takes the next queued answer; with none queued, counts the question as
    /// unanswered and gives its default.
    bool question(const QString& text, Button defaultButton) override;
    QString openFileName(const QString& title, const QString& directory,
                         const QString& filter) override;
    QString saveFileName(const QString& title, const QString& proposed,
                         const QString& filter) override;

    /// Texts of the recorded messages of one kind, in order.
    QStringList texts(Kind kind) const;
    void clear();

    QList<Message> messages;
    QList<bool> answers;        ///< queued answers to questions: true = Yes
    QStringList fileNames;      ///< queued file-dialog results ("" = cancel)
    QList<Button> questionDefaults; ///< the default button of each question asked
    int unanswered = 0;

private:
    Dialogs* m_previous;
};
