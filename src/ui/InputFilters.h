#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QLineEdit;

/// The keystroke filters of the edit boxes and the formatting of number boxes on exit.
namespace CommonFnc {

enum class KeyFilter
{
    RussianLetters, ///< Cyrillic letters, blank, "-" and "."
    AddressText,    ///< Cyrillic letters, digits and the signs of addresses
    Digits,         ///< digits only
    Decimal,        ///< digits and one decimal comma ("." becomes ",")
};

/// Whether a refused key or insertion tells the operator why.
enum class Refusal
{
    Message, ///< the filter's message as an error
    Silent,  ///< dropped without a word, where a stray key is harmless
};

/// Guards `edit` with a filter: a typed character the filter refuses is swallowed and the
/// filter's message shown as an error; text pasted, dropped or put in by an input method
/// passes the same filter, and an insertion with a refused character is taken back whole
/// with the message (control characters in it are dropped silently). Editing keys and
/// shortcuts are never filtered. `changed` (the editor's "modified" flag) is called for
/// every change of the text by the operator (typing, Delete, Backspace, paste, cut, undo,
/// drop), never for keys that change nothing or for text the program sets. The guard
/// lives as long as the box.
void AttachKeyFilter(QLineEdit* edit, KeyFilter filter, std::function<void()> changed = {},
                     Refusal refusal = Refusal::Message);

/// Limits typing in `edit` to `limit` characters. Unlike QLineEdit's maxLength it leaves a
/// longer text put in by the program whole (a value read from the database or a file), so
/// that Save can name the field that is too long instead of the box cutting it silently.
/// Keys typed into a read-only box or a full box are dropped without a message. Attach it
/// after the box's key filter, so that it sees a key first.
void AttachLengthLimit(QLineEdit* edit, int limit);
/// The limit attached to `edit`; -1 when none.
int LengthLimitOf(const QLineEdit* edit);

/// When the focus leaves `edit`, its number is written back in `displayFormat`
/// ("0.00", "0.0", "0.000"); an empty box stays empty and a text that is not a number is
/// left for the editor's checks to report.
void AttachNumberFormat(QLineEdit* edit, const QString& displayFormat);

} // namespace CommonFnc
