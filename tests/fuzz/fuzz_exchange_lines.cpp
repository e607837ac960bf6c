// libFuzzer target: the exchange file line reader, the choice of layout and the line
// parser, checked against two oracles.
//
// 1. The reader against a plain reference split of the same bytes (LF ends a line, a CR
//    right before the line end is dropped, 0x1A ends the file, a line is cut at
//    MaxLineBytes), whatever pieces the device hands out and wherever a read fails.
// 2. Every line read is parsed, composed as the export composes it, written, read back
//    and parsed again in the long layout: the second parse must take no format error and
//    give the values of the first, up to what composing is meant to change (texts
//    trimmed, an empty text written as one blank, NULL numbers written as 0, dates on or
//    before 01.01.1901 written as missing). Fields whose value the scratch table would
//    refuse (its CHECK range or length, read from db/schema.sql) are left out: such a
//    value never reaches the export.
//
// Input: a 4-byte header, then the file's bytes.
//   byte 0  bits 0-1 kind of file (0 payers, 1 charges, 2 or 3 persons)
//           bit 2    hand the bytes out in pieces of byte 1 + 1 bytes
//           bit 3    give the composer dates as ISO text, as the database holds them
//           bit 4    the device fails once bytes 2-3 (little endian, modulo the length)
//                    bytes were read
//           bit 5    fill the line at that same offset up to about MaxLineBytes bytes
//   byte 1  piece size; its low bits also choose the length of that line, its top 3 bits
//           the byte it is filled with
//   byte 2-3 an offset into the file
//
// An oracle failure prints what differed and traps, so libFuzzer keeps the input.

#include "CommonFnc.h"
#include "ExchangeFormat.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QHash>
#include <QIODevice>
#include <QRegularExpression>
#include <QSet>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>

using namespace Qt::Literals::StringLiterals;
using Exchange::FieldKind;
using Exchange::FieldSpec;
using Exchange::FileKind;
using Exchange::Layout;
using Exchange::LineReader;

namespace {

[[noreturn]] void fail(const QString& what)
{
    std::fprintf(stderr, "ORACLE FAILED: %s\n", what.toLocal8Bit().constData());
    std::fflush(stderr);
    __builtin_trap();
}

// The message is built only when the check fails: most checks run for every line.
#define CHECK(ok, what)                                                                            \
    do {                                                                                           \
        if (!(ok))                                                                                 \
            fail(what);                                                                            \
    } while (false)

QString show(const QVariant& v)
{
    if (v.isNull())
        return u"NULL"_s;
    return u"%1(%2)"_s.arg(QString::fromLatin1(v.typeName()), v.toString());
}

QString showBytes(const QByteArray& bytes)
{
    const QByteArray head = bytes.left(200);
    return QString::fromLatin1(head.toHex(' ')) + (bytes.size() > 200 ? u" ..."_s : QString());
}

// --- The device --------------------------------------------------------------------

/// A sequential device over `data` that hands out at most `piece` bytes a read and, when
/// `failAt` is set, fails every read once that many bytes were handed out.
class PieceDevice : public QIODevice
{
public:
    PieceDevice(const QByteArray& data, qint64 piece, std::optional<qint64> failAt)
        : m_data(data)
        , m_piece(piece)
        , m_failAt(failAt)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        qint64 end = m_data.size();
        if (m_failAt) {
            if (m_pos >= *m_failAt) {
                setErrorString(u"injected read failure"_s);
                return -1;
            }
            end = qMin(end, *m_failAt);
        }
        const qint64 n = qMin(qMin(maxSize, m_piece), end - m_pos);
        if (n > 0)
            std::memcpy(data, m_data.constData() + m_pos, size_t(n));
        m_pos += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_data;
    qint64 m_piece;
    std::optional<qint64> m_failAt;
    qint64 m_pos = 0;
};

// --- Reference reader --------------------------------------------------------------

QByteArray asLine(QByteArray piece)
{
    if (piece.size() > LineReader::MaxLineBytes)
        return piece.left(LineReader::MaxLineBytes);
    if (piece.endsWith('\r'))
        piece.chop(1);
    return piece;
}

/// The lines of `bytes`; when `complete` is false the bytes are only what could be read
/// before a failure, and a last line without its LF is not a line yet.
QList<QByteArray> referenceLines(QByteArray bytes, bool complete)
{
    const qsizetype eof = bytes.indexOf('\x1A');
    if (eof >= 0) {
        bytes.truncate(eof);
        complete = true;
    }
    QList<QByteArray> pieces = bytes.split('\n');
    // The piece after the last LF: a last line without a line end, empty when the bytes
    // end with LF (or hold nothing).
    const QByteArray tail = pieces.takeLast();
    QList<QByteArray> lines;
    for (const QByteArray& piece : std::as_const(pieces))
        lines.append(asLine(piece));
    if (complete && !tail.isEmpty())
        lines.append(asLine(tail));
    return lines;
}

// --- Column ranges of the scratch tables -----------------------------------------------

struct Range
{
    qint64 min;
    qint64 max;
};

/// The INTEGER CHECK ranges and the TEXT CHECK lengths of TMP_T1..TMP_T3, by kind and
/// column.
QHash<QString, Range> g_ranges[3];
QHash<QString, qsizetype> g_lengths[3];

void readRanges()
{
    QFile file(QStringLiteral(ORBELON_DB_SOURCE_DIR "/schema.sql"));
    CHECK(file.open(QIODevice::ReadOnly), u"cannot read db/schema.sql"_s);
    const QString schema = QString::fromUtf8(file.readAll());
    static const QRegularExpression column(
        uR"(^\s*(\w+)\s+INTEGER CHECK \((?:abs\(\w+\) < (\d+)|\w+ BETWEEN (-?\d+) AND (-?\d+))\))"_s,
        QRegularExpression::MultilineOption);
    static const QRegularExpression text(uR"(^\s*(\w+)\s+TEXT CHECK \(length\(\w+\) <= (\d+)\))"_s,
                                         QRegularExpression::MultilineOption);
    for (int k = 0; k < 3; ++k) {
        const QString head = u"CREATE TABLE TMP_T%1 ("_s.arg(k + 1);
        const qsizetype from = schema.indexOf(head);
        CHECK(from >= 0, u"db/schema.sql has no "_s + head);
        const qsizetype to = schema.indexOf(u") STRICT;"_s, from);
        const QString table = schema.mid(from, to - from);
        auto it = column.globalMatch(table);
        while (it.hasNext()) {
            const QRegularExpressionMatch m = it.next();
            Range r{};
            if (!m.captured(2).isEmpty()) {
                const qint64 bound = m.captured(2).toLongLong();
                r = {-(bound - 1), bound - 1};
            } else {
                r = {m.captured(3).toLongLong(), m.captured(4).toLongLong()};
            }
            g_ranges[k].insert(m.captured(1), r);
        }
        auto texts = text.globalMatch(table);
        while (texts.hasNext()) {
            const QRegularExpressionMatch m = texts.next();
            g_lengths[k].insert(m.captured(1), m.captured(2).toLongLong());
        }
        // Every number field must have its range, or the oracle would silently judge
        // lines the database refuses.
        for (const Layout layout : {Layout::Short, Layout::Long}) {
            for (const FieldSpec& field : Exchange::fields(FileKind(k + 1), layout)) {
                const bool number = field.kind == FieldKind::Integer ||
                                    field.kind == FieldKind::Scaled ||
                                    field.kind == FieldKind::PayerCode;
                CHECK(!number || g_ranges[k].contains(field.column),
                      u"no CHECK range in db/schema.sql for "_s + field.column);
                CHECK(field.kind != FieldKind::Text || g_lengths[k].contains(field.column),
                      u"no CHECK length in db/schema.sql for "_s + field.column);
            }
        }
    }
}

bool inRange(FileKind kind, const QString& column, const QVariant& value)
{
    if (value.isNull())
        return true;
    if (value.typeId() == QMetaType::QString) {
        const auto length = g_lengths[int(kind) - 1].constFind(column);
        return length == g_lengths[int(kind) - 1].cend() || value.toString().size() <= *length;
    }
    const auto it = g_ranges[int(kind) - 1].constFind(column);
    if (it == g_ranges[int(kind) - 1].cend())
        return true;
    const qint64 v = value.toLongLong();
    return v >= it->min && v <= it->max;
}

// --- The round trip ------------------------------------------------------------------

bool isMissingDate(const QDate& date)
{
    return !date.isValid() || date <= QDate(1901, 1, 1);
}

/// What the export stamps on every line in place of a month the row lacks.
const QDate StampedMonth(2026, 12, 1);

/// The value a field of the first parse must come back as from the second.
QVariant expected(const FieldSpec& field, const QVariant& v)
{
    switch (field.kind) {
    case FieldKind::Integer:
    case FieldKind::StreetCode:
    case FieldKind::PayerCode:
    case FieldKind::Scaled:
        return v.isNull() ? qint64(0) : v.toLongLong();
    case FieldKind::Text: {
        QString text = v.toString().trimmed();
        if (field.column == u"SNILS"_s && text == u"000-000-000 00"_s)
            text.clear();
        if (text.isEmpty())
            text = u" "_s;
        return field.column == u"Relation"_s ? text.trimmed() : text;
    }
    case FieldKind::DateEdit:
        return isMissingDate(v.toDate()) ? CommonFnc::EmptyDate() : v.toDate();
    case FieldKind::Date:
        return isMissingDate(v.toDate()) ? QVariant() : QVariant(v.toDate());
    case FieldKind::Month:
    case FieldKind::MonthStrict:
        return isMissingDate(v.toDate()) ? StampedMonth : v.toDate();
    case FieldKind::Skip:
        break;
    }
    return {};
}

bool same(const FieldSpec& field, const QVariant& want, const QVariant& got)
{
    if (want.isNull() || got.isNull())
        return want.isNull() == got.isNull();
    switch (field.kind) {
    case FieldKind::Text:
        return got.typeId() == QMetaType::QString && want.toString() == got.toString();
    case FieldKind::DateEdit:
    case FieldKind::Date:
    case FieldKind::Month:
    case FieldKind::MonthStrict:
        return got.typeId() == QMetaType::QDate && want.toDate() == got.toDate();
    default:
        return got.typeId() == QMetaType::LongLong && want.toLongLong() == got.toLongLong();
    }
}

/// A parsed line as the export's row: the parsed values, the month stamped where it is
/// missing, dates as QDate or (asText) as the database's ISO text.
QVariantMap rowOf(const Exchange::ParsedLine& parsed, bool asText)
{
    QVariantMap row;
    for (auto it = parsed.values.cbegin(); it != parsed.values.cend(); ++it) {
        QVariant v = it.value();
        if (it.key() == u"Mes"_s && isMissingDate(v.toDate()))
            v = StampedMonth;
        if (asText && v.typeId() == QMetaType::QDate)
            v = v.toDate().toString(Qt::ISODate);
        row.insert(it.key(), v);
    }
    return row;
}

void roundTrip(FileKind kind, const QByteArray& raw, bool asText)
{
    const Layout layout = Exchange::layoutFor(kind, int(raw.count('\t')));
    const QString text = CommonFnc::OemToAnsi(raw);
    CHECK(text.size() == raw.size(), u"code page 866 is one character a byte"_s);
    const Exchange::ParsedLine first = Exchange::parseLine(kind, layout, text);

    const QStringList& columns = Exchange::scratchColumns(kind);
    CHECK(first.values.size() == columns.size(), u"first parse: columns"_s);
    for (const QString& column : columns)
        CHECK(first.values.contains(column), u"first parse lacks "_s + column);

    // Fields the scratch table would refuse; the rest of the line is still judged.
    QSet<QString> refused;
    for (const FieldSpec& field : Exchange::fields(kind, Layout::Long)) {
        if (field.kind != FieldKind::Skip &&
            !inRange(kind, field.column, first.values.value(field.column)))
            refused.insert(field.column);
    }

    const QString composed = Exchange::composeLine(kind, rowOf(first, asText));
    CHECK(Exchange::layoutFor(kind, int(composed.count(u'\t'))) == Layout::Long,
          u"a composed line is not read in the long layout: "_s + composed);

    // A line the database would not take may compose longer than the reader keeps.
    if (CommonFnc::AnsiToOem(composed).size() > LineReader::MaxLineBytes) {
        CHECK(!refused.isEmpty(), u"a composed line is longer than a line may be"_s);
        return;
    }

    // Written and read back as a file.
    QBuffer out;
    out.open(QIODevice::ReadWrite);
    Exchange::writeLine(out, composed);
    out.seek(0);
    LineReader reader(&out);
    QByteArray back;
    CHECK(reader.next(back), u"the composed line does not read back"_s);
    QByteArray extra;
    CHECK(!reader.next(extra) && !reader.failed(),
          u"the composed line reads back as more than one line: "_s + composed);
    const QString backText = CommonFnc::OemToAnsi(back);
    CHECK(backText == composed, u"the composed line changes on disk: "_s + composed);

    const Exchange::ParsedLine second = Exchange::parseLine(kind, Layout::Long, backText);
    for (const QString& title : second.failedTitles) {
        bool excused = false;
        for (const FieldSpec& field : Exchange::fields(kind, Layout::Long))
            excused = excused || (field.title == title && refused.contains(field.column));
        CHECK(excused,
              u"the composed line fails to parse, field \""_s + title + u"\": "_s + composed);
    }
    for (const FieldSpec& field : Exchange::fields(kind, Layout::Long)) {
        if (field.kind == FieldKind::Skip || refused.contains(field.column))
            continue;
        const QVariant want = expected(field, first.values.value(field.column));
        const QVariant got = second.values.value(field.column);
        if (!same(field, want, got))
            fail(u"field %1: first %2, expected %3, read back %4; line: %5"_s.arg(
                field.column, show(first.values.value(field.column)), show(want), show(got),
                composed));
    }
    if (kind == FileKind::Payers) {
        CHECK(second.fileDate == second.values.value(u"DateEdit"_s), u"file date"_s);
        CHECK(second.organisation == second.values.value(u"DezID"_s) ||
                  refused.contains(u"DezID"_s),
              u"organisation"_s);
    }
    // Composing what was read back gives the same line again.
    if (refused.isEmpty()) {
        const QString again = Exchange::composeLine(kind, rowOf(second, asText));
        CHECK(again == composed, u"composing is not stable:\n"_s + composed + u"\n"_s + again);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    readRanges();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    uint8_t header[4] = {};
    std::memcpy(header, data, qMin(size, sizeof header));
    const size_t skip = qMin(size, sizeof header);
    QByteArray bytes(reinterpret_cast<const char*>(data) + skip, qsizetype(size - skip));

    const int kindBits = header[0] & 3;
    const FileKind kind = kindBits == 0   ? FileKind::Payers
                          : kindBits == 1 ? FileKind::Charges
                                          : FileKind::Persons;
    const bool inPieces = header[0] & 4;
    const bool asText = header[0] & 8;
    const bool failing = header[0] & 16;
    const bool longRun = header[0] & 32;
    const qint64 piece = inPieces ? header[1] + 1 : std::numeric_limits<qint64>::max();
    const qint64 offset = header[2] | header[3] << 8;

    if (longRun) {
        // The line at the offset is filled up to MaxLineBytes - 2 .. MaxLineBytes + 2 bytes,
        // where the reader starts to cut.
        static const char fillers[] = {'x', '0', '\t', ' ', '\r', '\0', char(0xE0), ';'};
        const qsizetype at = offset % (bytes.size() + 1);
        const qsizetype start = at == 0 ? 0 : bytes.lastIndexOf('\n', at - 1) + 1;
        qsizetype end = bytes.indexOf('\n', at);
        if (end < 0)
            end = bytes.size();
        const qsizetype length = LineReader::MaxLineBytes - 2 + header[1] % 5;
        if (end - start < length)
            bytes.insert(at, QByteArray(length - (end - start), fillers[header[1] >> 5]));
    }
    std::optional<qint64> failAt;
    if (failing && !bytes.isEmpty())
        failAt = offset % bytes.size();

    // The reader against the reference.
    PieceDevice device(bytes, piece, failAt);
    LineReader reader(&device);
    const QList<QByteArray> want =
        referenceLines(failAt ? bytes.left(*failAt) : bytes, !failAt.has_value());
    const bool failureSeen = failAt && !bytes.left(*failAt).contains('\x1A');
    QByteArray line;
    qsizetype n = 0;
    while (reader.next(line)) {
        CHECK(n < want.size(),
              u"the reader gives more lines than the bytes hold (%1)"_s.arg(n + 1));
        CHECK(line == want[n], u"line %1 differs:\n read      %2\n reference %3"_s.arg(n + 1).arg(
                                   showBytes(line), showBytes(want[n])));
        roundTrip(kind, line, asText);
        ++n;
    }
    CHECK(reader.failed() == failureSeen,
          u"the reader's failure: %1, expected %2"_s.arg(reader.failed()).arg(failureSeen));
    CHECK(!reader.failed() || !reader.errorString().isEmpty(), u"a failure without a reason"_s);
    CHECK(n == want.size(),
          u"the reader gives %1 lines, the reference %2"_s.arg(n).arg(want.size()));
    // Once done, it stays done.
    CHECK(!reader.next(line) && line.isEmpty(), u"the reader reads past its end"_s);

    if (!failAt) {
        QBuffer whole;
        whole.setData(bytes);
        whole.open(QIODevice::ReadOnly);
        CHECK(LineReader::countLines(&whole) == want.size(), u"countLines differs"_s);
    }
    return 0;
}
