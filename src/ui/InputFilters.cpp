#include "InputFilters.h"

#include "CommonFnc.h"
#include "Dialogs.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTimer>
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
    KeyGuard(QLineEdit* edit, KeyFilter filter, std::function<void()> changed, Refusal refusal)
        : QObject(edit)
        , m_edit(edit)
        , m_filter(filter)
        , m_refusal(refusal)
        , m_changed(std::move(changed))
        , m_before(edit->text())
    {
        edit->installEventFilter(this);
        // Typed keys and pasted text are filtered before they go in. What reaches the box
        // another way (the selection's middle click, an input method, a drop that needs
        // correcting) is checked once it is in, and taken back when the filter refuses it.
        connect(edit, &QLineEdit::textEdited, this, &KeyGuard::edited);
        connect(edit, &QLineEdit::textChanged, this, [this] { m_before = m_edit->text(); });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Only the events the guard handles ask the box anything: a box being destroyed
        // still sends others (its focus going) when it is no longer a line edit.
        const QEvent::Type type = event->type();
        if (watched != m_edit ||
            (type != QEvent::KeyPress && type != QEvent::ContextMenu && type != QEvent::Drop) ||
            m_edit->isReadOnly())
            return false;
        switch (type) {
        case QEvent::KeyPress:
            return keyPress(static_cast<QKeyEvent*>(event));
        case QEvent::ContextMenu:
            showContextMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
        case QEvent::Drop:
            return drop(static_cast<QDropEvent*>(event));
        default:
            return false;
        }
    }

private:
    bool keyPress(QKeyEvent* key)
    {
        if (key->matches(QKeySequence::Paste)) {
            paste();
            return true;
        }
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo)) {
            const bool undo = key->matches(QKeySequence::Undo);
            restore([this, undo] { undo ? m_edit->undo() : m_edit->redo(); });
            return true;
        }
        if (!typesCharacters(key))
            return false;
        const QString text = key->text();
        QString accepted;
        if (!filtered(text, accepted)) {
            refuse();
            return true;
        }
        if (accepted != text) {
            m_edit->insert(accepted);
            return true;
        }
        return false;
    }

    /// The clipboard's text through the filter, in place of the selection: refused whole
    /// with the filter's message, or put in with its points made commas and its control
    /// characters dropped, as one step the operator can undo.
    void paste()
    {
        QString accepted;
        if (!filtered(QGuiApplication::clipboard()->text(), accepted)) {
            refuse();
            return;
        }
        if (!accepted.isEmpty() || m_edit->hasSelectedText())
            m_edit->insert(accepted);
    }

    /// Undo and redo bring back what the box held before, which may be a text the program
    /// put in that the filter would refuse (an imported account with Latin letters).
    template <typename F> void restore(F&& step)
    {
        m_restoring = true;
        step();
        m_restoring = false;
    }

    /// The box's own menu, with Paste, Undo and Redo going the filtered way.
    void showContextMenu(const QPoint& at)
    {
        QMenu* menu = m_edit->createStandardContextMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        const QString pasteText = QLineEdit::tr("&Paste");
        const QString undoText = QLineEdit::tr("&Undo");
        const QString redoText = QLineEdit::tr("&Redo");
        const auto reroute = [this](QAction* action, auto&& slot) {
            disconnect(action, &QAction::triggered, m_edit, nullptr);
            connect(action, &QAction::triggered, this, std::forward<decltype(slot)>(slot));
        };
        const QList<QAction*> actions = menu->actions();
        for (QAction* action : actions) {
            const QString text = action->text();
            if (text.startsWith(pasteText))
                reroute(action, [this] { paste(); });
            else if (text.startsWith(undoText))
                reroute(action, [this] { restore([this] { m_edit->undo(); }); });
            else if (text.startsWith(redoText))
                reroute(action, [this] { restore([this] { m_edit->redo(); }); });
        }
        menu->popup(at);
    }

    /// A drop the filter refuses is turned down before it lands, so that a source that
    /// moves its text keeps it. Text moved within the box itself is the box's own.
    bool drop(QDropEvent* event)
    {
        if (event->source() == m_edit || !event->mimeData()->hasText())
            return false;
        QString accepted;
        if (filtered(event->mimeData()->text(), accepted))
            return false;
        event->ignore();
        tellLater();
        return true;
    }

    /// The message after the event that brought the text in has been handled: a message
    /// box in the middle of a drop or an input method's commit would run inside them.
    void tellLater()
    {
        QTimer::singleShot(0, this, [this] { refuse(); });
    }

    /// The operator changed the text: whatever came in since the last change must pass
    /// the filter, or the change is taken back.
    void edited()
    {
        if (m_restoring) {
            if (m_changed)
                m_changed();
            return;
        }
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
            tellLater();
            return;
        }
        if (accepted != inserted) {
            const QString corrected = now.left(prefix) + accepted + now.right(suffix);
            m_edit->setText(corrected);
            m_edit->setCursorPosition(int(prefix + accepted.size()));
            // Only control characters came in: nothing changed.
            if (corrected == m_before)
                return;
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

    void refuse() const
    {
        if (m_refusal == Refusal::Message)
            Dialogs::current().error(message());
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
    Refusal m_refusal;
    std::function<void()> m_changed;
    /// The box's text before the operator's latest change.
    QString m_before;
    bool m_restoring = false;
};

class NumberExit final : public QObject
{
public:
    NumberExit(QLineEdit* edit, const QString& format)
        : QObject(edit)
        , m_edit(edit)
        , m_format(format)
    {}

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
    {}

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

void AttachKeyFilter(QLineEdit* edit, KeyFilter filter, std::function<void()> changed,
                     Refusal refusal)
{
    if (edit)
        new KeyGuard(edit, filter, std::move(changed), refusal);
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
