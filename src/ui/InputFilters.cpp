#include "InputFilters.h"

#include "CommonFnc.h"
#include "Dialogs.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QValidator>

using namespace Qt::Literals::StringLiterals;

namespace CommonFnc {

namespace {

class KeyGuard final : public QObject
{
public:
    KeyGuard(QLineEdit* edit, KeyFilter filter, std::function<void()> changed)
        : QObject(edit)
        , m_edit(edit)
        , m_filter(filter)
        , m_changed(std::move(changed))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_edit || event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        // Keys that type nothing (arrows, Home, Delete, shortcuts) are not characters.
        if (text.size() != 1 || key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
            return false;
        const QChar typed = text.front();
        const QChar result = apply(typed);
        if (result.isNull()) {
            Dialogs::current().error(message());
            return true;
        }
        if (m_changed)
            m_changed();
        if (result != typed) {
            m_edit->insert(QString(result));
            return true;
        }
        return false;
    }

private:
    QChar apply(QChar ch) const
    {
        switch (m_filter) {
        case KeyFilter::RussianLetters:
            return FilterRussianLetters(ch);
        case KeyFilter::AddressText:
            return FilterAddressText(ch);
        case KeyFilter::Digits:
            return FilterDigits(ch);
        case KeyFilter::Decimal:
            return FilterDecimal(ch);
        }
        return QChar();
    }

    QString message() const
    {
        switch (m_filter) {
        case KeyFilter::RussianLetters:
        case KeyFilter::AddressText:
            return u"Допускается ввод только русских символов."_s;
        case KeyFilter::Digits:
        case KeyFilter::Decimal:
            return u"Допускается ввод только чисел."_s;
        }
        return {};
    }

    QLineEdit* m_edit;
    KeyFilter m_filter;
    std::function<void()> m_changed;
};

class NumberExit final : public QObject
{
public:
    NumberExit(QLineEdit* edit, const QString& format)
        : QObject(edit)
        , m_edit(edit)
        , m_format(format)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_edit && event->type() == QEvent::FocusOut) {
            try {
                const QString formatted = FormatNumberBoxText(m_edit->text(), m_format);
                if (formatted != m_edit->text())
                    m_edit->setText(formatted);
            } catch (const ConversionError&) {
                // Left as typed: Save checks the box and names the field.
            }
        }
        return false;
    }

private:
    QLineEdit* m_edit;
    QString m_format;
};

/// The typing limit of a box. Unlike QLineEdit's maxLength it leaves a longer text put in
/// by the program whole (a record imported from a file), so that Save can name the field
/// that is too long instead of the box cutting it silently.
class LengthLimit final : public QValidator
{
public:
    LengthLimit(int limit, QObject* parent)
        : QValidator(parent)
        , m_limit(limit)
    {
    }

    int limit() const { return m_limit; }

    State validate(QString& input, int&) const override
    {
        return input.size() > m_limit ? Invalid : Acceptable;
    }

private:
    int m_limit;
};

/// Drops a typed character silently where it cannot go: into a read-only box (its filter
/// would complain about a key that changes nothing) or into a box already at its limit
/// (an over-long text has no valid state for the validator to return to).
class TypingGuard final : public QObject
{
public:
    TypingGuard(QLineEdit* edit, int limit)
        : QObject(edit)
        , m_edit(edit)
        , m_limit(limit)
    {
        edit->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_edit || event->type() != QEvent::KeyPress)
            return false;
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (text.size() != 1 || text.front() < u' ')
            return false;
        return m_edit->isReadOnly() ||
               m_edit->text().size() - m_edit->selectedText().size() >= m_limit;
    }

private:
    QLineEdit* m_edit;
    int m_limit;
};

} // namespace

void AttachKeyFilter(QLineEdit* edit, KeyFilter filter, std::function<void()> changed)
{
    if (edit)
        edit->installEventFilter(new KeyGuard(edit, filter, std::move(changed)));
}

void AttachLengthLimit(QLineEdit* edit, int limit)
{
    if (!edit)
        return;
    edit->setValidator(new LengthLimit(limit, edit));
    new TypingGuard(edit, limit);
}

int LengthLimitOf(const QLineEdit* edit)
{
    const auto* limit = edit ? dynamic_cast<const LengthLimit*>(edit->validator()) : nullptr;
    return limit ? limit->limit() : -1;
}

void AttachNumberFormat(QLineEdit* edit, const QString& displayFormat)
{
    if (edit)
        edit->installEventFilter(new NumberExit(edit, displayFormat));
}

} // namespace CommonFnc
