#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <memory>

class QIODevice;

/// The three exchange files of a monthly statement: file I (payers), file II (charges),
/// file III (persons). Tab-separated lines in code page 866, two layouts (short, read
/// only; long, read and written) chosen per line by the number of TABs.
namespace Exchange {

enum class FileKind { Payers = 1, Charges = 2, Persons = 3 };
enum class Layout { Short, Long };

/// Reads raw lines (code page 866 bytes) of an exchange file: a line ends at LF, a CR
/// before the LF is dropped, a last line without a line end is still a line, and the byte
/// 0x1A ends the file. Memory stays bounded whatever the file holds (see next()).
class LineReader
{
public:
    /// Bytes of one line that next() keeps.
    static constexpr qsizetype MaxLineBytes = 64 * 1024;

    explicit LineReader(QIODevice* device);

    /// The next line, without its line end. False at the end of the file or after a read
    /// error (then failed() is true and errorString() tells why).
    ///
    /// A line longer than MaxLineBytes (far beyond the 2000 characters a line may hold)
    /// is cut: its first MaxLineBytes bytes are returned and the rest up to the LF is
    /// skipped, so a file without any line end cannot exhaust memory; the fields are
    /// then read from what was kept. A CR is kept inside a line and dropped only right
    /// before the line's end (LF, 0x1A or the end of the file).
    bool next(QByteArray& line);
    bool failed() const { return m_failed; }
    QString errorString() const { return m_error; }

    /// Number of lines in `device` by the same rules, read from its current position.
    /// -1 when the device cannot be read.
    static qint64 countLines(QIODevice* device);

private:
    QIODevice* m_device;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    bool m_atEnd = false;
    bool m_failed = false;
    QString m_error;
};

/// Layout of a line of `kind` that holds `tabCount` TABs as read from disk.
Layout layoutFor(FileKind kind, int tabCount);

/// How a field is encoded in a line.
enum class FieldKind {
    Integer,     ///< 32-bit signed; empty = NULL
    PayerCode,   ///< ENumlsID, 64-bit signed; empty = 0
    Scaled,      ///< whole tenths/hundredths/thousandths (see FieldSpec::fileScale)
    Text,        ///< as is (Relation trimmed); written trimmed, empty as one blank
    DateEdit,    ///< "ddmmyyyy", bad or empty = 01.01.1900
    Date,        ///< "ddmmyyyy", "0"/empty/bad = NULL
    Month,       ///< "mmyyyy" read with the checked decoder
    MonthStrict, ///< "mmyyyy" read with the unchecked decoder (file II, long layout)
    StreetCode,  ///< file I short layout: the street's own code, translated on import
    Skip,        ///< a position the reader walks over
};

struct FieldSpec
{
    QString title;   ///< the field's title, as error rows name it (empty for Skip / no title)
    QString column;  ///< the scratch-table column it fills (empty for Skip)
    QString column2; ///< a second column filled with the same value (short layouts), or empty
    FieldKind kind;
    int fileScale = 0; ///< decimals of a Scaled field in the file: 1 (×10), 2 (×100), 3 (×1000)
    /// Looked up once with the tables, since every line needs them.
    int columnScale = 0;   ///< Schema::decimalScale of `column`
    int columnIndex = -1;  ///< position of `column` in scratchColumns(), or -1
    int column2Index = -1; ///< position of `column2` in scratchColumns(), or -1
    bool trimmed = false;      ///< a text read without its surrounding blanks (Relation)
    bool organisation = false; ///< fills DezID, the organisation a line is about
    bool snils = false;        ///< the SNILS, whose blank mask is written as empty
};

/// Fields of a line of `kind` in `layout`, in order.
const QList<FieldSpec>& fields(FileKind kind, Layout layout);

/// One line parsed into the values of its scratch-table columns, ready to bind:
/// integers as qint64, scaled numbers as qint64 units of the column's own scale in the
/// database (Schema::decimalScale), texts as QString, dates as QDate, NULL as a null
/// QVariant. Every column of the scratch table is present (the layout's missing ones
/// NULL, the short file III layout's TypeRegID and PrFactLiveID = 1).
struct ParsedLine
{
    QHash<QString, QVariant> values;
    /// Titles of the fields that failed to convert, in line order (each gets an error row
    /// "Ошибка формата поля \"<title>\"").
    QStringList failedTitles;
    /// File I short layout: the street's own code still to be translated into its BTI
    /// code (values["StreetID_BTI"] is then NULL); null otherwise.
    QVariant streetCode;
    /// The organisation field of a file I line when it converted (DezID), else null.
    QVariant organisation;
    /// The date field of a file I line (DateEdit) as decoded.
    QVariant fileDate;
};

/// ParsedLine with the values by position in scratchColumns(kind) instead of by name, for
/// reading a file line after line into one reused row.
struct ParsedRow
{
    QList<QVariant> values;
    QStringList failedTitles;
    QVariant streetCode;
    QVariant organisation;
    QVariant fileDate;
};

/// Parses one line (already converted from code page 866) of `kind` in `layout`. A
/// number field holds an optional minus and digits only: a blank, a plus sign or a
/// decimal separator makes it fail. An empty field never fails.
ParsedLine parseLine(FileKind kind, Layout layout, const QString& line);
/// The same into `row`, which may hold the previous line's values.
void parseLine(FileKind kind, Layout layout, QStringView line, ParsedRow& row);

/// Reads the lines of an exchange file of `kind` and parses them (code page 866, the layout
/// told by each line's TABs) on a thread of its own, a few hundred lines ahead of the
/// caller: a long file is parsed while the caller stores what was parsed before. Memory
/// stays bounded whatever the file's size. The device is not owned; nobody else may use it
/// until the reader is destroyed.
class ParsedLineReader
{
public:
    ParsedLineReader(FileKind kind, QIODevice* device);
    /// Stops the thread wherever it is.
    ~ParsedLineReader();
    ParsedLineReader(const ParsedLineReader&) = delete;
    ParsedLineReader& operator=(const ParsedLineReader&) = delete;

    /// The next line, parsed, the caller's until the next call; nullptr at the end of the file or
    /// after a read error (then failed() is true and errorString() tells why). Throws
    /// CommonFnc::IoError when the text cannot be decoded at all (no code page 866).
    ParsedRow* next();
    bool failed() const;
    QString errorString() const;

private:
    class Worker;
    std::unique_ptr<Worker> m_worker;
};

/// Columns of the scratch table of `kind` (TMP_T1, TMP_T2, TMP_T3), in insert order,
/// NumT1/NumT2/NumT3 last.
const QStringList& scratchColumns(FileKind kind);
QString scratchTable(FileKind kind);

/// One long-layout line, without its line end, from a row of values by column name as the
/// database holds them (scaled numbers as integer units of the column's scale, dates as
/// QDate or ISO text). The caller puts into the row what the export writes in place of
/// the stored values (DateEdit = today, Mes = the accounting period, DezID = the current
/// organisation).
QString composeLine(FileKind kind, const QVariantMap& row);
/// The same from the values in the order of fields(kind, Layout::Long), the skipped
/// position holding the number of persons (PplCntReg).
QString composeLine(FileKind kind, const QList<QVariant>& values);

/// Writes `line` in code page 866 followed by CR LF; throws CommonFnc::IoError on failure.
void writeLine(QIODevice& device, const QString& line);

} // namespace Exchange
