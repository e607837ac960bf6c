#include "FakeDialogs.h"

FakeDialogs::FakeDialogs()
    : m_previous(Dialogs::install(this))
{
}

FakeDialogs::~FakeDialogs()
{
    Dialogs::install(m_previous);
}

void FakeDialogs::error(const QString& text)
{
    messages.append({Kind::Error, text, {}});
}

void FakeDialogs::warning(const QString& text)
{
    messages.append({Kind::Warning, text, {}});
}

void FakeDialogs::notice(const QString& text)
{
    messages.append({Kind::Notice, text, {}});
}

void FakeDialogs::captionedWarning(const QString& caption, const QString& text)
{
    messages.append({Kind::Warning, text, caption});
}

bool FakeDialogs::question(const QString& text, Button defaultButton)
{
    messages.append({Kind::Question, text, {}});
    questionDefaults.append(defaultButton);
    if (answers.isEmpty()) {
        ++unanswered;
        return defaultButton == Button::Yes;
    }
    return answers.takeFirst();
}

QString FakeDialogs::openFileName(const QString& title, const QString&, const QString&)
{
    messages.append({Kind::OpenFile, title, {}});
    return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
}

QString FakeDialogs::saveFileName(const QString& title, const QString&, const QString&)
{
    messages.append({Kind::SaveFile, title, {}});
    return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
}

QStringList FakeDialogs::texts(Kind kind) const
{
    QStringList result;
    for (const Message& m : messages) {
        if (m.kind == kind)
            result << m.text;
    }
    return result;
}

void FakeDialogs::clear()
{
    messages.clear();
    answers.clear();
    fileNames.clear();
    questionDefaults.clear();
    unanswered = 0;
}
