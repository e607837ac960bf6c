#include "ReportEngine.h"

#include "Decimal.h"
#include "ReportData.h"
#include "ReportFormat.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QRegularExpression>
#include <QSet>
#include <QVarLengthArray>

#include <cmath>
#include <memory>
#include <unordered_map>

using namespace Qt::Literals::StringLiterals;

namespace Report {

namespace {

/// Arial where it is installed, else its metric twin, so that every line breaks where
/// the forms were drawn for.
QString installedFamily(const QString& family)
{
    static const bool hasArial = QFontDatabase::hasFamily(u"Arial"_s);
    static const bool hasLiberation = QFontDatabase::hasFamily(u"Liberation Sans"_s);
    if (family.compare(u"Arial"_s, Qt::CaseInsensitive) == 0 && !hasArial && hasLiberation)
        return u"Liberation Sans"_s;
    return family;
}

} // namespace

QFont qtFont(const Font& font, double pointSize)
{
    QFont qt(installedFamily(font.family));
    qt.setPointSizeF(pointSize);
    qt.setBold(font.bold);
    qt.setItalic(font.italic);
    qt.setUnderline(font.underline);
    qt.setHintingPreference(QFont::PreferNoHinting);
    return qt;
}

const PlacedText* Page::find(QStringView name) const
{
    for (const PlacedText& text : texts) {
        if (QStringView(text.name).compare(name, Qt::CaseInsensitive) == 0)
            return &text;
    }
    return nullptr;
}

QList<const PlacedText*> Page::findAll(QStringView name) const
{
    QList<const PlacedText*> found;
    for (const PlacedText& text : texts) {
        if (QStringView(text.name).compare(name, Qt::CaseInsensitive) == 0)
            found.append(&text);
    }
    return found;
}

QString Page::plainText() const
{
    QStringList all;
    for (const PlacedText& text : texts)
        all.append(text.text());
    return all.join(u'\n');
}

namespace {

constexpr double Epsilon = 0.01;

// --- Measuring ----------------------------------------------------------------------

/// Text is measured at a fine resolution, where rounding to device pixels no longer
/// moves a line break, and converted to report pixels.
constexpr double MeasureDpi = 1200;

class Measure
{
public:
    explicit Measure(const Font& font, double pointSize)
        : m_metrics(qtFont(font, pointSize), device())
        , m_lineHeight(m_metrics.height() * ToReport)
    {}

    /// Widths are remembered: a long list measures the same figures and names again and
    /// again, and shaping a text costs far more than finding it.
    double width(const QString& text) const
    {
        if (const auto known = m_widths.constFind(text); known != m_widths.constEnd())
            return *known;
        if (m_widths.size() >= MaxRemembered)
            m_widths.clear();
        const double width = m_metrics.horizontalAdvance(text) * ToReport;
        m_widths.insert(text, width);
        return width;
    }
    double lineHeight() const { return m_lineHeight; }

    /// The measure of a font at a size, made once per thread.
    static const Measure& of(const Font& font, double pointSize)
    {
        // Asked for every text of every row: the key is made without formatting anything.
        thread_local QHash<Key, std::shared_ptr<Measure>> measures;
        const Key key{font.family, qRound64(pointSize * 1000),
                      int(font.bold) | int(font.italic) << 1 | int(font.underline) << 2};
        std::shared_ptr<Measure>& measure = measures[key];
        if (!measure)
            measure = std::make_shared<Measure>(font, pointSize);
        return *measure;
    }

private:
    struct Key
    {
        QString family;
        qint64 milliPoints = 0;
        int style = 0;

        friend bool operator==(const Key& a, const Key& b)
        {
            return a.milliPoints == b.milliPoints && a.style == b.style && a.family == b.family;
        }
        friend size_t qHash(const Key& key, size_t seed = 0)
        {
            return qHashMulti(seed, key.family, key.milliPoints, key.style);
        }
    };

    static constexpr double ToReport = PixelsPerInch / MeasureDpi;

    static const QImage* device()
    {
        static const QImage image = [] {
            QImage img(1, 1, QImage::Format_ARGB32);
            const int dotsPerMeter = int(std::lround(MeasureDpi / 0.0254));
            img.setDotsPerMeterX(dotsPerMeter);
            img.setDotsPerMeterY(dotsPerMeter);
            return img;
        }();
        return &image;
    }

    static constexpr qsizetype MaxRemembered = 200000;

    QFontMetricsF m_metrics;
    double m_lineHeight;
    mutable QHash<QString, double> m_widths;
};

/// Greedy word wrap; a word wider than the line is broken between characters.
QStringList wrapLines(const QString& text, const Measure& measure, double width)
{
    // Nearly every text of a report fits its item as it stands.
    if (!text.contains(u'\n') && measure.width(text) <= width + Epsilon)
        return QStringList{text};
    QStringList lines;
    for (const QString& paragraph : text.split(u'\n')) {
        const QStringList words = paragraph.split(u' ');
        QString line;
        for (const QString& word : words) {
            const QString candidate = line.isEmpty() ? word : line + u' ' + word;
            if (measure.width(candidate) <= width + Epsilon || candidate.isEmpty()) {
                line = candidate;
                continue;
            }
            if (!line.isEmpty())
                lines.append(line);
            line.clear();
            QString rest = word;
            while (measure.width(rest) > width + Epsilon && rest.size() > 1) {
                qsizetype fit = 1;
                while (fit < rest.size() && measure.width(rest.left(fit + 1)) <= width + Epsilon)
                    ++fit;
                lines.append(rest.left(fit));
                rest = rest.mid(fit);
            }
            line = rest;
        }
        lines.append(line);
    }
    return lines;
}

struct Laid
{
    QStringList lines;
    double pointSize = 0;
    double lineHeight = 0;
    double height = 0; ///< what the lines need, padding included
};

/// The text as lines are made of it: CR LF and lone CR end a line as LF does, and line
/// ends after the last text take no room.
QString normalisedText(const QString& text)
{
    if (!text.contains(u'\r') && !text.endsWith(u'\n'))
        return text;
    QString out = text;
    out.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
    while (out.endsWith(u'\n'))
        out.chop(1);
    return out;
}

Laid layText(const QString& composed, const TextItem& item)
{
    const QString text = normalisedText(composed);
    const double width = qMax(0.0, item.rect.width() - 2 * TextPaddingX);
    const double room = qMax(0.0, item.rect.height() - 2 * TextPaddingY);
    Laid laid;
    for (double size = item.font.pointSize;; size -= 0.5) {
        const double pointSize = qMax(size, MinPointSize);
        const Measure& measure = Measure::of(item.font, pointSize);
        laid.pointSize = pointSize;
        laid.lineHeight = measure.lineHeight();
        if (item.fit == Fit::Shrink) {
            QString line = text;
            line.replace(u'\n', u' ');
            laid.lines = QStringList{line};
            laid.height = laid.lineHeight + 2 * TextPaddingY;
            if (measure.width(line) <= width + Epsilon)
                return laid;
            // Still too wide at the smallest size: break it rather than cut it off.
            if (pointSize <= MinPointSize) {
                laid.lines = wrapLines(line, measure, width);
                laid.height = laid.lines.size() * laid.lineHeight + 2 * TextPaddingY;
                return laid;
            }
            continue;
        }
        laid.lines = wrapLines(text, measure, width);
        laid.height = laid.lines.size() * laid.lineHeight + 2 * TextPaddingY;
        // One line always shows, however low the item: it is the template's choice.
        const bool fits =
            laid.lines.size() <= 1 || laid.lines.size() * laid.lineHeight <= room + Epsilon;
        // At the smallest size what does not fit makes the item taller (see layBand):
        // text is never lost off the item's edge.
        if (fits || item.canGrow || pointSize <= MinPointSize)
            return laid;
    }
}

// --- Values -----------------------------------------------------------------------

struct Value
{
    QVariant value;
    int scale = 0;
};

struct FieldRef
{
    const DataSet* data = nullptr;
    int field = -1;
};

/// Rows a sum runs over: a range of one data set's rows.
struct Scope
{
    const DataSet* data = nullptr;
    int first = 0;
    int last = 0; ///< one past
};

struct Parsed;
struct CompiledText;
FieldRef fieldRef(const struct Context& context, const Parsed& expression);

/// The fields the job's expressions name, found once per template.
using FieldCache = QHash<QPair<const Template*, const Parsed*>, FieldRef>;

/// The current row of each data set a band reads: a master's and its detail's at most,
/// so a short list beats a hash made for every row of a long report.
class CurrentRows
{
public:
    int value(const DataSet* data, int otherwise) const
    {
        for (const auto& [set, row] : m_rows) {
            if (set == data)
                return row;
        }
        return otherwise;
    }
    void insert(const DataSet* data, int row)
    {
        for (auto& entry : m_rows) {
            if (entry.first == data) {
                entry.second = row;
                return;
            }
        }
        m_rows.append({data, row});
    }

private:
    QVarLengthArray<std::pair<const DataSet*, int>, 4> m_rows;
};

struct Context
{
    FieldRef resolve(const Parsed& expression) const;

    FieldCache* fields = nullptr;
    QHash<const QString*, CompiledText>* texts = nullptr;
    const Template* report = nullptr;
    CurrentRows rows;
    const DataSet* bandData = nullptr;
    int line = 0;
    int page = 0;
    QDate today;
    Scope scope;
};

const QRegularExpression& fieldPattern()
{
    static const QRegularExpression pattern(
        uR"re(^\s*([^\s."\[\]]+)\s*\.\s*"?([^"\[\]]+?)"?\s*$)re"_s);
    return pattern;
}

const QRegularExpression& sumPattern()
{
    static const QRegularExpression pattern(uR"re(^\s*SUM\s*\(\s*\[?(.*?)\]?\s*\)\s*$)re"_s,
                                            QRegularExpression::CaseInsensitiveOption);
    return pattern;
}

/// An expression read once: what it asks for, and for a field the names it gives.
struct Parsed
{
    enum class Kind
    {
        Unknown,
        Line,
        Page,
        Date,
        Sum,
        Field
    };
    Kind kind = Kind::Unknown;
    QString dataSet;
    QString field;
};

Parsed parseField(const QString& expression, Parsed::Kind kind)
{
    const QRegularExpressionMatch match = fieldPattern().match(expression);
    if (!match.hasMatch())
        return {};
    return {kind, match.captured(1), match.captured(2).trimmed()};
}

/// The inside of one pair of brackets as it reads; a template repeats its few
/// expressions on every row, so each is parsed once.
const Parsed& parsed(const QString& expression)
{
    // Node-based, so that what is handed out stays where it is as more are added.
    thread_local std::unordered_map<QString, Parsed> known;
    if (const auto found = known.find(expression); found != known.end())
        return found->second;
    Parsed result;
    const QString upper = expression.trimmed().toUpper();
    if (upper == u"LINE#"_s)
        result.kind = Parsed::Kind::Line;
    else if (upper == u"PAGE#"_s)
        result.kind = Parsed::Kind::Page;
    else if (upper == u"DATE"_s)
        result.kind = Parsed::Kind::Date;
    else if (const QRegularExpressionMatch sum = sumPattern().match(expression); sum.hasMatch())
        result = parseField(sum.captured(1), Parsed::Kind::Sum);
    else
        result = parseField(expression, Parsed::Kind::Field);
    return known.emplace(expression, result).first->second;
}

FieldRef fieldRef(const Context& context, const Parsed& expression)
{
    if (expression.dataSet.isEmpty())
        return {};
    const DataSet* data = context.report->dataSet(expression.dataSet);
    if (!data)
        return {};
    return {data, data->fieldIndex(expression.field)};
}

FieldRef Context::resolve(const Parsed& expression) const
{
    if (!fields)
        return fieldRef(*this, expression);
    const QPair<const Template*, const Parsed*> key{report, &expression};
    if (const auto found = fields->constFind(key); found != fields->constEnd())
        return *found;
    return *fields->insert(key, fieldRef(*this, expression));
}

Value sumOf(const FieldRef& ref, const Context& context)
{
    int first = 0;
    int last = ref.data->rowCount();
    // A group's sum of a detail field takes the detail rows of the group's master rows.
    QSet<QString> masterKeys;
    int linkField = -1;
    if (context.scope.data == ref.data) {
        first = context.scope.first;
        last = context.scope.last;
    } else if (context.scope.data) {
        for (const Band& band : context.report->bands) {
            if (band.kind != BandKind::DetailData ||
                context.report->dataSet(band.dataSet) != ref.data)
                continue;
            const int masterField = context.scope.data->fieldIndex(band.masterField);
            linkField = ref.data->fieldIndex(band.detailField);
            if (masterField < 0 || linkField < 0) {
                linkField = -1;
                break;
            }
            for (int row = context.scope.first; row < context.scope.last; ++row)
                masterKeys.insert(context.scope.data->value(row, masterField).toString());
            break;
        }
    }
    const int scale = ref.data->scale(ref.field);
    qint64 whole = 0;
    double fraction = 0;
    bool inexact = false;
    for (int row = first; row < last; ++row) {
        if (linkField >= 0 && !masterKeys.contains(ref.data->value(row, linkField).toString()))
            continue;
        const QVariant value = ref.data->value(row, ref.field);
        if (value.isNull())
            continue;
        if (value.typeId() == QMetaType::Double && scale > 0) {
            // A computed column of an exact field: its value is still units.
            whole += qRound64(value.toDouble());
        } else if (value.typeId() == QMetaType::Double) {
            inexact = true;
            fraction += value.toDouble();
        } else {
            whole += value.toLongLong();
        }
    }
    if (inexact)
        return {QVariant(double(whole) + fraction), 0};
    return {QVariant(whole), scale};
}

/// Evaluates the inside of one pair of brackets; nothing when it is not an expression.
std::optional<QString> evaluate(const Parsed& what, const TextItem& item, const Context& context)
{
    switch (what.kind) {
    case Parsed::Kind::Unknown:
        return std::nullopt;
    case Parsed::Kind::Line:
        return QString::number(context.line);
    case Parsed::Kind::Page:
        return QString::number(context.page);
    case Parsed::Kind::Date: {
        const QString format =
            formatKind(item.format) == FormatKind::Date ? item.format : u"dd.mm.yyyy"_s;
        return formatDate(context.today, format);
    }
    case Parsed::Kind::Sum:
    case Parsed::Kind::Field:
        break;
    }
    const FieldRef ref = context.resolve(what);
    if (!ref.data || ref.field < 0)
        return std::nullopt;
    if (what.kind == Parsed::Kind::Sum) {
        const Value value = sumOf(ref, context);
        return formatValue(value.value, value.scale, item.format);
    }
    const int row = context.rows.value(ref.data, 0);
    if (row < 0 || row >= ref.data->rowCount())
        return QString();
    return formatValue(ref.data->value(row, ref.field), ref.data->scale(ref.field), item.format);
}

/// A text of the template cut once into what it says literally and what it asks for.
struct CompiledText
{
    struct Piece
    {
        QString literal;
        /// What the brackets ask for, and the brackets as written for when it is not an
        /// expression after all.
        const Parsed* expression = nullptr;
        QString written;
    };
    QList<Piece> pieces;
};

/// Brackets nest, so "[SUM([Q."F"])]" is one expression.
CompiledText compile(const QString& text)
{
    CompiledText compiled;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype open = text.indexOf(u'[', i);
        if (open < 0) {
            compiled.pieces.append({text.mid(i), nullptr, {}});
            break;
        }
        int depth = 0;
        qsizetype close = -1;
        for (qsizetype j = open; j < text.size(); ++j) {
            if (text.at(j) == u'[')
                ++depth;
            else if (text.at(j) == u']' && --depth == 0) {
                close = j;
                break;
            }
        }
        if (close < 0) {
            compiled.pieces.append({text.mid(i), nullptr, {}});
            break;
        }
        compiled.pieces.append({text.mid(i, open - i),
                                &parsed(text.mid(open + 1, close - open - 1)),
                                text.mid(open, close - open + 1)});
        i = close + 1;
    }
    return compiled;
}

/// The text with every bracketed expression replaced by its value.
QString compose(const QString& text, const TextItem& item, const Context& context)
{
    // A template's few texts are composed again for every row: each is cut up once per
    // job (the template's strings stay where they are while it is prepared).
    CompiledText local;
    const CompiledText* compiled = nullptr;
    if (context.texts) {
        auto found = context.texts->constFind(&text);
        if (found == context.texts->constEnd())
            found = context.texts->insert(&text, compile(text));
        compiled = &*found;
    } else {
        local = compile(text);
        compiled = &local;
    }
    const QList<CompiledText::Piece>& pieces = compiled->pieces;
    if (pieces.isEmpty())
        return {};
    const auto valueOf = [&](const CompiledText::Piece& piece) {
        std::optional<QString> value = evaluate(*piece.expression, item, context);
        return value ? std::move(*value) : piece.written;
    };
    // The common cases build nothing: a plain caption, a lone field.
    if (pieces.size() == 1) {
        const CompiledText::Piece& piece = pieces.first();
        if (!piece.expression)
            return piece.literal;
        if (piece.literal.isEmpty())
            return valueOf(piece);
    }
    QString out;
    for (const CompiledText::Piece& piece : pieces) {
        out += piece.literal;
        if (piece.expression)
            out += valueOf(piece);
    }
    return out;
}

// --- Bands ------------------------------------------------------------------------

struct LaidBand
{
    double height = 0;
    QList<PlacedText> texts;
    QList<PlacedLine> lines;
};

LaidBand layBand(const Band& band, const Context& context)
{
    LaidBand laid;
    struct Item
    {
        const TextItem* item;
        Laid text;
    };
    QList<Item> items;
    items.reserve(band.texts.size());
    double growth = 0;
    for (const TextItem& item : band.texts) {
        QString text = compose(item.text, item, context);
        if (item.hook)
            text = item.hook(
                text, ItemContext{context.bandData, context.rows.value(context.bandData, -1)});
        Laid text_laid = layText(text, item);
        // A text that grows, and one that even at the smallest size needs more lines
        // than the item holds, make the band taller.
        if (item.canGrow ||
            (text_laid.lines.size() > 1 && text_laid.height > item.rect.height() + Epsilon))
            growth = qMax(growth, text_laid.height - item.rect.height());
        items.append({&item, std::move(text_laid)});
    }
    laid.height = band.height + growth;
    laid.texts.reserve(items.size());
    for (Item& entry : items) {
        const TextItem& item = *entry.item;
        QRectF rect = item.rect;
        if (rect.bottom() >= band.height - 0.5)
            rect.setHeight(rect.height() + growth);
        if (item.canGrow || entry.text.lines.size() > 1)
            rect.setHeight(qMax(rect.height(), entry.text.height));
        PlacedText placed;
        placed.name = item.name;
        placed.band = band.kind;
        placed.rect = rect;
        placed.lines = std::move(entry.text.lines);
        placed.font = item.font;
        placed.font.pointSize = entry.text.pointSize;
        placed.lineHeight = entry.text.lineHeight;
        placed.alignment = item.alignment;
        placed.frame = item.frame;
        laid.texts.append(std::move(placed));
    }
    for (const LineItem& item : band.lines) {
        QLineF line = item.line;
        // Lines that reach the band's foot (a table's column rules) follow it down.
        if (line.y1() >= band.height - 0.5)
            line.setP1({line.x1(), line.y1() + growth});
        if (line.y2() >= band.height - 0.5)
            line.setP2({line.x2(), line.y2() + growth});
        laid.lines.append({band.kind, line, item.width});
    }
    return laid;
}

// --- The job ----------------------------------------------------------------------

class Job
{
public:
    explicit Job(const PrepareOptions& options)
        : m_options(options)
    {}

    void run(const Template& report)
    {
        // The sheet before is finished with its own footer, unless this one goes on it;
        // a sheet keeps the footer and the foot of the template that began it.
        if (m_page && !report.continuesPreviousPage)
            closePage();
        m_report = &report;
        m_pageHeader = find(BandKind::PageHeader);
        m_columnHeader = find(BandKind::ColumnHeader);
        m_inData = false;
        if (!m_page)
            openPage();

        Context context = baseContext();
        for (const Band& band : report.bands) {
            if (band.kind == BandKind::ReportTitle)
                place(band, context);
        }
        runData(context);
        m_inData = false;
        if (stopped())
            return;
        context = baseContext();
        const Band* master = find(BandKind::MasterData);
        if (master) {
            const DataSet* data = report.dataSet(master->dataSet);
            if (data && data->rowCount() > 0)
                context.rows.insert(data, data->rowCount() - 1);
        }
        for (const Band& band : report.bands) {
            if (band.kind == BandKind::ReportSummary)
                place(band, context);
        }
    }

    /// Whoever asked for the report no longer waits for it.
    bool stopped()
    {
        if (!m_stopped && m_options.cancelled && m_options.cancelled())
            m_stopped = true;
        return m_stopped;
    }

    Prepared finish()
    {
        if (m_page)
            closePage();
        return m_out;
    }

private:
    const Band* find(BandKind kind) const
    {
        for (const Band& band : m_report->bands) {
            if (band.kind == kind)
                return &band;
        }
        return nullptr;
    }

    Context baseContext() const
    {
        Context context;
        context.fields = &m_fields;
        context.texts = &m_texts;
        context.report = m_report;
        context.today = m_options.today;
        context.page = int(m_out.pages.size());
        return context;
    }

    double limitOf(const Template& report) const
    {
        for (const Band& band : report.bands) {
            if (band.kind != BandKind::PageFooter)
                continue;
            return band.top ? *band.top
                            : report.pageSize.height() - report.margins.bottom() - band.height;
        }
        return report.pageSize.height() - report.margins.bottom();
    }

    void openPage()
    {
        m_out.pages.append(Page{m_report->pageSize, {}, {}});
        m_page = &m_out.pages.last();
        // A long report's pages hold about as much as the one before: growing each page's
        // lists item by item would copy every text several times over.
        m_page->texts.reserve(m_textsPerPage);
        m_page->lines.reserve(m_linesPerPage);
        m_sheetReport = m_report;
        m_sheetFooter = find(BandKind::PageFooter);
        m_y = m_report->margins.top();
        m_limit = limitOf(*m_report);
        m_pageHasBody = false;
        Context context = baseContext();
        if (m_pageHeader)
            put(layBand(*m_pageHeader, context));
        if (m_inData && m_columnHeader)
            put(layBand(*m_columnHeader, context));
    }

    void closePage()
    {
        if (m_sheetFooter) {
            Context context = baseContext();
            context.report = m_sheetReport;
            LaidBand footer = layBand(*m_sheetFooter, context);
            m_y = m_sheetFooter->top ? *m_sheetFooter->top : m_limit;
            put(std::move(footer), m_sheetReport->margins.left());
        }
        m_textsPerPage = m_page->texts.size();
        m_linesPerPage = m_page->lines.size();
        if (m_options.pageReady)
            m_options.pageReady(*m_page);
        m_page = nullptr;
    }

    void put(LaidBand&& band) { put(std::move(band), m_report->margins.left()); }

    /// Items are laid out within their band; the band stands at the page's left margin.
    void put(LaidBand&& band, double left)
    {
        for (PlacedText& text : band.texts) {
            text.rect.translate(left, m_y);
            m_page->texts.append(std::move(text));
        }
        for (PlacedLine& line : band.lines) {
            line.line.translate(left, m_y);
            m_page->lines.append(line);
        }
        m_y += band.height;
    }

    /// Starts a new page when bands of this height, placed together, would not fit
    /// below what the page holds.
    void keepTogether(double height)
    {
        if (m_y + height > m_limit + Epsilon && m_pageHasBody) {
            closePage();
            openPage();
        }
    }

    /// Places a band below what the page holds, on a new page when it does not fit;
    /// a band is never split. A band taller than a page goes on a page of its own.
    void place(const Band& band, Context& context)
    {
        context.page = int(m_out.pages.size());
        LaidBand laid = layBand(band, context);
        if (m_y + laid.height > m_limit + Epsilon && m_pageHasBody) {
            closePage();
            openPage();
            context.page = int(m_out.pages.size());
            laid = layBand(band, context);
        }
        put(std::move(laid));
        m_pageHasBody = true;
    }

    void runData(Context& context)
    {
        const Band* master = find(BandKind::MasterData);
        if (!master)
            return;
        const DataSet* data = m_report->dataSet(master->dataSet);
        if (!data)
            return;
        QList<const Band*> headers;
        QList<const Band*> footers;
        QList<const Band*> details;
        for (const Band& band : m_report->bands) {
            if (band.kind == BandKind::GroupHeader)
                headers.append(&band);
            else if (band.kind == BandKind::GroupFooter)
                footers.append(&band);
            else if (band.kind == BandKind::DetailData)
                details.append(&band);
        }
        const qsizetype levels = headers.size();
        // The footer of level g: the outer header pairs with the last footer.
        const auto footerOf = [&](qsizetype level) -> const Band* {
            const qsizetype index = footers.size() - 1 - level;
            return index >= 0 && index < footers.size() ? footers.at(index) : nullptr;
        };

        const int rows = data->rowCount();
        if (rows == 0)
            return;
        if (m_columnHeader) {
            context.bandData = data;
            context.rows.insert(data, 0);
            context.line = 1;
            // The heading stays with the first row.
            keepTogether(layBand(*m_columnHeader, context).height +
                         layBand(*master, context).height);
            place(*m_columnHeader, context);
        }
        // From here on every new page repeats the column header.
        m_inData = true;
        QList<QString> keys(levels);
        QList<int> starts(levels, 0);
        const auto closeGroups = [&](qsizetype from, int end) {
            for (qsizetype level = levels - 1; level >= from; --level) {
                const Band* footer = footerOf(level);
                if (!footer)
                    continue;
                Context sums = baseContext();
                sums.bandData = data;
                sums.rows.insert(data, end - 1);
                sums.scope = {data, starts.at(level), end};
                place(*footer, sums);
            }
        };
        for (int row = 0; row < rows; ++row) {
            if (stopped())
                return;
            Context rowContext = baseContext();
            rowContext.bandData = data;
            rowContext.rows.insert(data, row);
            qsizetype changed = levels;
            for (qsizetype level = 0; level < levels; ++level) {
                TextItem probe;
                const QString key = compose(headers.at(level)->groupExpression, probe, rowContext);
                if (row == 0 || key != keys.at(level)) {
                    changed = qMin(changed, level);
                }
                keys[level] = key;
            }
            if (row > 0 && changed < levels)
                closeGroups(changed, row);
            rowContext.line = row + 1;
            // A group's headers stay with its first row: none is left alone at a foot.
            if (changed < levels) {
                double height = layBand(*master, rowContext).height;
                for (qsizetype level = changed; level < levels; ++level)
                    height += layBand(*headers.at(level), rowContext).height;
                keepTogether(height);
            }
            for (qsizetype level = changed; level < levels; ++level) {
                starts[level] = row;
                place(*headers.at(level), rowContext);
            }
            place(*master, rowContext);
            for (const Band* detail : details)
                runDetail(*detail, data, row);
        }
        closeGroups(0, rows);
    }

    void runDetail(const Band& detail, const DataSet* masterData, int masterRow)
    {
        const DataSet* data = m_report->dataSet(detail.dataSet);
        if (!data)
            return;
        const int masterField = masterData->fieldIndex(detail.masterField);
        const int detailField = data->fieldIndex(detail.detailField);
        QList<int> all;
        const QList<int>* rows = &all;
        if (masterField >= 0 && detailField >= 0) {
            // The detail rows by their link, read once: a list of a hundred thousand payers
            // must not scan every person for each of them.
            auto index = m_detailRows.find(&detail);
            if (index == m_detailRows.end()) {
                index = m_detailRows.insert(&detail, {});
                for (int row = 0; row < data->rowCount(); ++row)
                    (*index)[data->value(row, detailField).toString()].append(row);
            }
            const auto found =
                index->constFind(masterData->value(masterRow, masterField).toString());
            if (found == index->constEnd())
                return;
            rows = &*found;
        } else {
            for (int row = 0; row < data->rowCount(); ++row)
                all.append(row);
        }
        int line = 0;
        for (const int row : *rows) {
            Context context = baseContext();
            context.rows.insert(masterData, masterRow);
            context.rows.insert(data, row);
            context.bandData = data;
            context.line = ++line;
            place(detail, context);
        }
    }

    PrepareOptions m_options;
    mutable FieldCache m_fields;
    mutable QHash<const QString*, CompiledText> m_texts;
    bool m_stopped = false;
    /// Per detail band, its data set's rows by the value of the link field.
    QHash<const Band*, QHash<QString, QList<int>>> m_detailRows;
    Prepared m_out;
    const Template* m_report = nullptr;
    const Band* m_pageHeader = nullptr;
    const Band* m_columnHeader = nullptr;
    /// The template that began the current sheet, and its footer.
    const Template* m_sheetReport = nullptr;
    const Band* m_sheetFooter = nullptr;
    Page* m_page = nullptr;
    qsizetype m_textsPerPage = 0;
    qsizetype m_linesPerPage = 0;
    double m_y = 0;
    double m_limit = 0;
    bool m_pageHasBody = false;
    bool m_inData = false;
};

} // namespace

Prepared prepare(const Template& report, const PrepareOptions& options)
{
    Job job(options);
    job.run(report);
    Prepared prepared = job.finish();
    prepared.title = report.name();
    return prepared;
}

Prepared CompositeReport::prepare(const PrepareOptions& options) const
{
    Job job(options);
    for (const Template* report : m_reports) {
        if (job.stopped())
            break;
        job.run(*report);
    }
    Prepared prepared = job.finish();
    if (!m_reports.isEmpty())
        prepared.title = m_reports.first()->name();
    return prepared;
}

} // namespace Report
