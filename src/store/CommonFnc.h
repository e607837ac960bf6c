#pragma once

#include <QByteArray>
#include <QChar>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVariant>

#include <stdexcept>

class QIODevice;

/// Small stateless routines shared by every window: operator text to database values
/// and back, the fixed-digit fields of the exchange and backup files, the check digits
/// of the payer code and the СНИЛС, keystroke filters and code-page conversion.
///
/// Numbers are read and written with the decimal comma only ("12,5"); dates with the
/// format "dd.mm.yyyy". The empty date of the program is 01.01.1900; dates on or before
/// 01.01.1901 count as missing when written out. A null QVariant stands for Null and is
/// bound as SQL NULL.
namespace CommonFnc {

/// A number or date text that cannot be read. Not caught here: it reaches the window
/// that called, which reports message().
class ConversionError : public std::runtime_error
{
public:
    explicit ConversionError(const QString& message);
    /// Russian text for the operator, naming the text that could not be read.
    QString message() const { return m_message; }

private:
    QString m_message;
};

/// A write to an exchange or backup file failed, or the system lacks code page 866.
class IoError : public std::runtime_error
{
public:
    explicit IoError(const QString& message);
    /// Russian text for the operator, with the system's reason.
    QString message() const { return m_message; }

private:
    QString m_message;
};

/// The empty date of the program, 01.01.1900.
QDate EmptyDate();

// --- Dates ---------------------------------------------------------------------------

/// "mmyyyy" to the first day of that month. Throws ConversionError when a part is not
/// digits or the month does not exist; no other checks.
QDate DecodeMonthYear(const QString& text);
/// "mmyyyy" to the first day of that month, or EmptyDate() for a text of 5 characters
/// or fewer, "000000", a month that does not exist, or a year outside 1901..2100.
/// Throws ConversionError when a part is not digits.
QDate DecodeMonthYearChecked(const QString& text);
/// "ddmmyyyy" to a date; "00000000" gives EmptyDate(). Throws ConversionError when a
/// part is not digits or the date does not exist.
QDate DecodeDayMonthYear(const QString& text);
/// "ddmmyyyy" to a date, or EmptyDate() for a text of 7 characters or fewer, all parts
/// 0, a date that does not exist or a year outside 1901..2100. A part that is not a
/// number counts as 0 (and so gives EmptyDate()). Never throws.
QDate DecodeDayMonthYearChecked(const QString& text);
/// "ddmmyyyy"; "00000000" for a date on or before 01.01.1901 or an invalid date.
QString DateToDdmmyyyy(const QDate& date);
/// "mmyyyy"; "000000" for a date on or before 01.01.1901 or an invalid date.
QString DateToMmyyyy(const QDate& date);
/// Null for a date on or before 01.01.1901 or an invalid date, else the date.
QVariant DateToParam(const QDate& date);
/// The text of a "99.99.9999" date box. Empty, ".  ." or a text that is not a date
/// gives EmptyDate(). Blanks inside the parts are ignored; day and month have one or
/// two digits, the year exactly four.
QDate MaskedTextToDate(const QString& text);
/// As MaskedTextToDate, but an empty box gives Null and a text that is not a date
/// throws ConversionError.
QVariant MaskedTextToDateParam(const QString& text);
/// The same day at 00:00; an invalid value stays invalid.
QDateTime DateOnly(const QDateTime& dateTime);

// --- Numbers -------------------------------------------------------------------------

/// A number text as `width` digits for a fixed-width file field: the separators are
/// dropped and the remaining characters are right-aligned into `width` zeros, so
/// "12,50" with width 7 gives "0001250"; the caller formats the number first, and the
/// file layout implies the decimal point. A text (blanks around removed) longer than
/// width + 1 characters, or with more than `width` characters besides separators, is
/// reported to the operator ("Ошибка кодировки числа.", captioned
/// "Сообщение об ошибке") and gives an EMPTY text, which the caller can tell from any
/// encoded value.
QString EncodeFixedNumber(int width, const QString& text);
/// A file field holding thousandths: "12345" → 12.345, "123" → 0.123, "0000015500" →
/// 15.5. A text of fewer than three digits holds thousandths too ("5" → 0.005). Blanks
/// around are ignored. Throws ConversionError when the text is not a whole number.
double DecodeThreeDecimals(const QString& text);
/// `value` + 0.00001 rounded to `decimals` places, half away from zero. The small
/// addition makes values that sit just below a half through binary representation go
/// up (2.675 → 2.68); its side effect on negative halves (-2.675 → -2.67) is kept
/// because stored sums were computed this way.
double RoundTo(int decimals, double value);
/// `value` in `format`: "0" or "0." followed by one zero per decimal ("0.00"), rounded
/// half away from zero, with the decimal comma ("1234,50", "-0,5"). A value that rounds
/// to zero has no minus sign.
QString FormatFloatLocal(const QString& format, double value);
/// `text` without every decimal comma after the first: "1,2,3" → "1,23".
QString KeepFirstDecimalSeparator(const QString& text);
/// True when at most `intDigits` characters stand before the first decimal comma (all
/// of them when there is none) and at most `fracDigits` non-comma characters after it.
/// An empty text fits. Characters are counted, not checked: "(7.2)" lets "1234567,89"
/// through and refuses "12345678" and "1,234".
bool FitsNumberFormat(const QString& text, int intDigits, int fracDigits);
/// 0 for a blank text, else the number. Throws ConversionError when it is not one.
double TextToFloatOrZero(const QString& text);

/// A number written as text ("2,675", "-1,005", "12") rounded to `decimals` places half
/// away from zero on its own decimal digits, exactly, however many it has: "2,675" →
/// "2,68", "1,0005" with 3 → "1,001". The result has exactly `decimals` digits after a
/// comma and no minus sign when it rounds to zero. Throws ConversionError when the text
/// is not a number ("-" or "+", digits, at most one decimal comma).
QString RoundDecimalText(const QString& text, int decimals);
/// A number box's text as shown after the focus leaves it: extra decimal commas dropped,
/// then the number in `displayFormat` ("0.00", "0.0", "0.000"), rounded exactly by
/// RoundDecimalText. A blank text gives an empty text. Throws ConversionError when the
/// text is not a number.
QString FormatNumberBoxText(const QString& text, const QString& displayFormat);

// --- Parameters ----------------------------------------------------------------------
// Blanks around the text are removed first; a blank text gives Null. A number is
// "-" or "+", digits, and for floats one decimal comma; anything else throws
// ConversionError, as does an integer out of its range.

/// Null or an int.
QVariant TextToIntParam(const QString& text);
/// Null or a qlonglong.
QVariant TextToInt64Param(const QString& text);
/// Null or a double.
QVariant TextToFloatParam(const QString& text);
/// Null or the text without surrounding blanks.
QVariant TextToTextParam(const QString& text);
/// A field value read as text, then as TextToTextParam; Null stays Null.
QVariant VariantToTextParam(const QVariant& value);
/// 0 for Null, else the value as a number (a text value is read as a number). Throws
/// ConversionError when it is not one.
double VariantToFloat(const QVariant& value);
/// 0 for Null, else the value as an int (a fraction is rounded half away from zero).
/// Throws ConversionError when it is not a number or out of range.
int VariantToInt(const QVariant& value);
/// Empty for Null, else the value as a whole number in decimal digits. Throws
/// ConversionError when it is not a number.
QString VariantToIntText(const QVariant& value);
/// `a` when flag is 1, else `b`.
QVariant ChooseValue(int flag, const QVariant& a, const QVariant& b);

// --- Check digits --------------------------------------------------------------------

/// True for a 10-digit payer code whose last digit is its check digit, and for an
/// empty code or "0000000000" (no code given). Codes whose weighted sum leaves a
/// remainder of 0 or 1 are never valid.
bool IsPayerCodeValid(const QString& code);
/// The 11 digits of a "000-000-000 00" text (its characters 4, 8 and 12 dropped), or
/// "99999999999" when it is not 14 characters long once blanks around are removed.
QString SnilsMaskToDigits(const QString& masked);
/// Checks 11 СНИЛС digits (9 or 10 are padded with leading zeros): 0 correct, 1 empty,
/// 2 wrong length, 3 not only digits, 4 not checked (number up to 001-001-998),
/// 5 wrong check number.
int CheckSnils(const QString& digits);
/// The operator's text for a CheckSnils result.
QString SnilsMessage(int code);

// --- Keystroke filters ---------------------------------------------------------------
// Each takes one typed character and returns it (possibly changed), or QChar() to
// swallow it. Control characters (below U+0020) always pass.

/// Space, "-", "." and the letters А..я (not Ё, ё).
QChar FilterRussianLetters(QChar ch);
/// Space, digits, А..я (not Ё, ё) and " ( ) * , - . / I L V X №.
QChar FilterAddressText(QChar ch);
/// Digits 0-9.
QChar FilterDigits(QChar ch);
/// Digits and the decimal comma; "." becomes ",".
QChar FilterDecimal(QChar ch);
/// Shown when FilterRussianLetters or FilterAddressText swallows a key.
QString RussianOnlyMessage();
/// Shown when FilterDigits or FilterDecimal swallows a key.
QString NumbersOnlyMessage();

// --- Grids ---------------------------------------------------------------------------

/// The sort text after a click on the title of `field`, given the current sort text
/// ("NumT1 ASC"): descending first, flipping on repeated clicks on the same field, and
/// descending when the grid was sorted ascending by another field.
QString NextSortText(const QString& currentSort, const QString& field);
/// Spreadsheet cell name: column from 1 in letters (1 → A, 27 → AA, 703 → AAA) followed
/// by the row number; a column below 1 gives no letters.
QString ExcelCellName(int column, int row);

// --- Texts ---------------------------------------------------------------------------

/// Characters `first` to `last` of `text`, counted from 1, both included; empty when
/// first < 1, first > last or last is beyond the end.
QString CopyChars(const QString& text, int first, int last);
/// The part of `text` after the first `separator`, up to but not including the first
/// `stop` (or to the end); empty when `separator` does not occur.
QString TextAfterUntil(const QString& text, const QString& separator, QChar stop);
/// Number of occurrences of `ch` in `text`.
int CountChar(const QString& text, QChar ch);
/// `path` ending in "/" ("" gives "/").
QString WithTrailingBackslash(const QString& path);

// --- Code pages ----------------------------------------------------------------------
// The exchange and backup files are in code page 866. Both routines throw IoError only
// when the system has no conversion for code page 866.

/// `text` in code page 866; a character it cannot hold becomes "?".
QByteArray AnsiToOem(const QString& text);
/// Code page 866 bytes as text.
QString OemToAnsi(const QByteArray& bytes);
/// The same into `text`, reusing its buffer: for reading a file line by line.
void OemToAnsi(const QByteArray& bytes, QString& text);
/// The operator's words for why writing `path` failed, from the system's `reason` (Qt's
/// English text): a full disk, a quota, no rights, a read-only disk; when the system gave
/// no reason ("Unknown error") and the disk has no room left, that is said. Any other
/// reason is given as it stands.
QString WriteFailureReason(const QString& reason, const QString& path);
/// Writes AnsiToOem(text) and CR LF to the open `device` (open it without
/// QIODevice::Text). Throws IoError naming the device's error when the write fails.
void WriteOemLine(QIODevice& device, const QString& text);

} // namespace CommonFnc
