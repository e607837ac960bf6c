#include "Dialogs.h"

#include <cstdio>

namespace {

class StderrDialogs final : public Dialogs
{
public:
    void error(const QString& text) override { print("error", text); }
    void warning(const QString& text) override { print("warning", text); }
    void notice(const QString& text) override { print("notice", text); }
    void captionedWarning(const QString&, const QString& text) override { print("warning", text); }
    bool question(const QString& text, Button defaultButton) override
    {
        print("question", text);
        return defaultButton == Button::Yes;
    }
    QString openFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&, const QString&) override { return {}; }

private:
    static void print(const char* kind, const QString& text)
    {
        std::fprintf(stderr, "%s: %s\n", kind, text.toLocal8Bit().constData());
    }
};

StderrDialogs fallback;
Dialogs* installed = nullptr;

} // namespace

Dialogs::~Dialogs() = default;

Dialogs& Dialogs::current()
{
    return installed ? *installed : fallback;
}

Dialogs* Dialogs::install(Dialogs* dialogs)
{
    Dialogs* previous = installed;
    installed = dialogs;
    return previous;
}
