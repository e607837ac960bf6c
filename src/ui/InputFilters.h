#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QLineEdit;

/// The keystroke filters of the edit boxes and the formatting of number boxes on exit.
namespace CommonFnc {

enum class KeyFilter {
    RussianLetters, ///< Cyrillic letters, blank, "-" and "."
    AddressText,    ///< Cyrillic letters, digits and the signs of addresses
    Digits,         ///< digits only
    Decimal,        ///< digits and one decimal comma ("." becomes ",")
};

/// Guards `edit` with a filter: a rejected key is swallowed and the filter's message shown
/// as an error; an accepted key calls `changed` (the editor's "modified" flag). The guard
/// lives as long as the box.
void AttachKeyFilter(QLineEdit* edit, KeyFilter filter, std::function<void()> changed = {});

/// When the focus leaves `edit`, its number is written back in `displayFormat`
/// ("0.00", "0.0", "0.000"); an empty box stays empty and a text that is not a number is
/// left for the editor's checks to report.
void AttachNumberFormat(QLineEdit* edit, const QString& displayFormat);

} // namespace CommonFnc
