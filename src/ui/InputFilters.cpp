#include "InputFilters.h"

#include "CommonFnc.h"
#include "Dialogs.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QValidator>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace CommonFnc {

namespace {

bool isControlCharacter(QChar ch)
{
    return ch.category() == QChar::Other_Control;
}

/// Whether a key press types characters. Shortcuts (Ctrl+V, Ctrl+Z ...) and editing keys
/// (Delete, Backspace, Tab, Esc, Enter, the arrows) do not, whatever text they carry: X11
/// gives Delete the text 0x7f and Ctrl+V the text 0x16.
bool typesCharacters(const QKeyEvent* key)
{
    const QString text = key->text();
    return !text.isEmpty() &&
           !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) &&
           std::none_of(text.cbegin(), text.cend(), isControlCharacter);
}

class KeyGuard final : public QObject
{
public:
    KeyGuard(QLineEdit* edit, KeyFilter filter, std::function<void()> changed)
        : QObject(edit)
        , m_edit(edit)
        , m_filter(filter)
        , m_changed(std::move(changed))
        , m_before(edit->text())
    {
        edit->installEventFilter(this);
        // Typed keys are filtered as they arrive; text that reaches the box another way
        // (paste, drag and drop, the selection's middle click, an input method) is checked
        // once it is in, and taken back when the filter refuses it.
        connect(edit, &QLineEdit::textEdited, this, &KeyGuard::edited);
        connect(edit, &QLineEdit::textChanged, this, [this] { m_before = m_edit->text(); });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_edit || event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!typesCharacters(key))
            return false;
        const QString text = key->text();
        QString accepted;
        if (!filtered(text, accepted)) {
            Dialogs::current().error(message());
            return true;
        }
        if (accepted != text) {
            m_edit->insert(accepted);
            return true;
        }
        return false;
    }

private:
    /// The operator changed the text: whatever came in since the last change must pass
    /// the filter, or the change is taken back.
    void edited()
    {
        const QString now = m_edit->text();
        qsizetype prefix = 0;
        const qsizetype shorter = std::min(now.size(), m_before.size());
        while (prefix < shorter && now[prefix] == m_before[prefix])
            ++prefix;
        qsizetype suffix = 0;
        while (suffix < shorter - prefix &&
               now[now.size() - 1 - suffix] == m_before[m_before.size() - 1 - suffix])
            ++suffix;
        const QString inserted = now.mid(prefix, now.size() - prefix - suffix);
        QString accepted;
        if (!filtered(inserted, accepted)) {
            // The whole insertion goes: half a pasted text is worse than none.
            const QString before = m_before;
            m_edit->setText(before);
            m_edit->setCursorPosition(int(prefix));
            Dialogs::current().error(message());
            return;
        }
        if (accepted != inserted) {
            const QString corrected = now.left(prefix) + accepted + now.right(suffix);
            if (corrected == m_before)
                return;
            m_edit->setText(corrected);
            m_edit->setCursorPosition(int(prefix + accepted.size()));
        }
        if (m_changed)
            m_changed();
    }

    /// `text` through the filter into `accepted`; false when the filter refuses a
    /// character. Control characters (the line end of a copied spreadsheet cell) are
    /// dropped rather than refused: nobody means to put them into a box.
    bool filtered(const QString& text, QString& accepted) const
    {
        accepted.clear();
        accepted.reserve(text.size());
        for (const QChar ch : text) {
            if (isControlCharacter(ch))
                continue;
            const QChar result = apply(ch);
            if (result.isNull())
                return false;
            accepted += result;
        }
        return true;
    }

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
            return RussianOnlyMessage();
        case KeyFilter::Digits:
        case KeyFilter::Decimal:
            return NumbersOnlyMessage();
        }
        return {};
    }

    QLineEdit* m_edit;
    KeyFilter m_filter;
    std::function<void()> m_changed;
    /// The box's text before the operator's latest change.
    QString m_before;
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
        if (!typesCharacters(static_cast<QKeyEvent*>(event)))
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
        new KeyGuard(edit, filter, std::move(changed));
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
