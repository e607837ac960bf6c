#pragma once

#include <QString>

/// The one way the program talks to the operator through message boxes and file
/// dialogs. The program installs the Qt implementation at start; tests install a
/// scripted fake. No other code shows a message box or a file dialog.
class Dialogs
{
public:
    enum class Button { Yes, No };

    virtual ~Dialogs();

    /// A refusal or failure (error icon).
    virtual void error(const QString& text) = 0;
    /// A warning (warning icon).
    virtual void warning(const QString& text) = 0;
    /// A notice that an operation is done (warning icon, as the operators know it).
    virtual void notice(const QString& text) = 0;
    /// A warning under a caption of its own instead of the program title.
    virtual void captionedWarning(const QString& caption, const QString& text) = 0;
    /// A Yes/No question (warning icon) with the given default button; true for Yes.
    virtual bool question(const QString& text, Button defaultButton = Button::Yes) = 0;
    /// A file to read; empty when the operator cancels.
    virtual QString openFileName(const QString& title, const QString& directory,
                                 const QString& filter) = 0;
    /// A file to write, `proposed` preselected; empty when the operator cancels.
    virtual QString saveFileName(const QString& title, const QString& proposed,
                                 const QString& filter) = 0;

    /// The installed implementation. Before one is installed, messages go to the
    /// standard error stream and questions are answered with their default.
    static Dialogs& current();
    /// Installs `dialogs` (not owned; nullptr restores the fallback). Returns the previous one.
    static Dialogs* install(Dialogs* dialogs);
};
