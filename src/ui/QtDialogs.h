#pragma once

#include "Dialogs.h"

/// Message boxes and file dialogs of the program: caption = the program title,
/// icons as the message kind says, Russian buttons.
class QtDialogs final : public Dialogs
{
public:
    explicit QtDialogs(const QString& caption);

    void error(const QString& text) override;
    void warning(const QString& text) override;
    void notice(const QString& text) override;
    void captionedWarning(const QString& caption, const QString& text) override;
    bool question(const QString& text, Button defaultButton) override;
    QString openFileName(const QString& title, const QString& directory,
                         const QString& filter) override;
    QString saveFileName(const QString& title, const QString& proposed,
                         const QString& filter) override;

private:
    QString m_caption;
};
