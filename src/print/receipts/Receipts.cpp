#include "Receipts.h"

#include "Database.h"
#include "Decimal.h"
#include "Format.h"
#include "Query.h"
#include "ReportFormat.h"
#include "Schema.h"

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace Receipts {

namespace {

QString trimmedText(const QVariant& value)
{
    return value.isNull() ? QString() : value.toString().trimmed();
}

/// "54,200" as a number reads: "54,2"; "1,000" gives "1".
QString withoutTrailingZeros(const QString& text)
{
    if (!text.contains(u','))
        return text;
    QString result = text;
    while (result.endsWith(u'0'))
        result.chop(1);
    if (result.endsWith(u','))
        result.chop(1);
    return result;
}

Report::Font arial(double pointSize, bool bold = false)
{
    Report::Font font;
    font.pointSize = pointSize;
    font.bold = bold;
    return font;
}

// The charges table: column edges across the page's inner width, in report pixels.
constexpr double Columns[] = {0, 24, 320, 374, 430, 488, 568, 638, 718};
constexpr double Width = 718;
constexpr double RowHeight = 17;

} // namespace

QString payerSql()
{
    return uR"(SELECT t1.*, ss.StreetName
FROM SvedPotreb_T1 t1
LEFT OUTER JOIN Sprav_Streets ss ON ss.StreetID_BTI = t1.StreetID_BTI AND ss.StreetID_BTI <> 0
WHERE t1.T1_ID = :T1_ID)"_s;
}

QString chargesSql()
{
    // One line per charge, its service named once per code whatever variants the
    // catalogue holds.
    return uR"(SELECT t2.ServiceID, t2.Volume, t2.Tariff, t2.SummaService, t2.SummaServiceWOBenefit,
       (t2.SummaService - t2.SummaServiceWOBenefit) AS SummaBenefit,
       ss.ServiceName, sd.Dimension
FROM SvedNach_T2 t2
LEFT OUTER JOIN (SELECT ServiceID, MIN(ServiceName) AS ServiceName, MIN(DimensionID) AS DimensionID
                 FROM Sprav_Services GROUP BY ServiceID) ss ON ss.ServiceID = t2.ServiceID
LEFT OUTER JOIN Sprav_Dimension sd ON sd.DimensionID = ss.DimensionID
WHERE t2.T1_ID = :T1_ID
ORDER BY t2.ServiceID, t2.NumT2, t2.T2_ID)"_s;
}

QList<Street> streets(Database& db, QString* error)
{
    Query query(db, uR"(SELECT DISTINCT t1.StreetID_BTI, ss.StreetName
FROM SvedPotreb_T1 t1
LEFT OUTER JOIN Sprav_Streets ss ON ss.StreetID_BTI = t1.StreetID_BTI AND ss.StreetID_BTI <> 0
WHERE t1.StreetID_BTI IS NOT NULL
ORDER BY ss.StreetName, t1.StreetID_BTI)"_s);
    QList<Street> result;
    if (!query.exec()) {
        if (error)
            *error = query.errorText();
        return result;
    }
    while (query.next()) {
        const qint64 id = query.value(0).toLongLong();
        // A code the street book lacks still lists, by its number.
        const QString name =
            query.value(1).isNull() ? u"(код улицы %1)"_s.arg(id) : query.value(1).toString();
        result.append({id, name});
    }
    return result;
}

QString houseText(const QString& house, const QString& korp, const QString& stroen)
{
    QStringList parts;
    if (!house.trimmed().isEmpty())
        parts << u"дом "_s + house.trimmed();
    if (!korp.trimmed().isEmpty())
        parts << u"корпус "_s + korp.trimmed();
    if (!stroen.trimmed().isEmpty())
        parts << u"строение "_s + stroen.trimmed();
    return parts.join(u", "_s);
}

QList<House> houses(Database& db, qint64 street, QString* error)
{
    Query query(
        db, uR"(SELECT DISTINCT IFNULL(HouseNum, '') AS HouseNum, IFNULL(KorpNum, '') AS KorpNum,
       IFNULL(StroenNum, '') AS StroenNum
FROM SvedPotreb_T1
WHERE StreetID_BTI = :StreetID_BTI
ORDER BY 1, 2, 3)"_s);
    query.bind(u":StreetID_BTI"_s, street);
    QList<House> result;
    if (!query.exec()) {
        if (error)
            *error = query.errorText();
        return result;
    }
    while (query.next()) {
        House house{
            query.value(0).toString(), query.value(1).toString(), query.value(2).toString(), {}};
        house.display = houseText(house.house, house.korp, house.stroen);
        result.append(house);
    }
    return result;
}

double flatNumber(const QString& flatNum)
{
    const QString text = flatNum.trimmed();
    qsizetype end = 0;
    while (end < text.size() && text.at(end).isDigit() && text.at(end).unicode() < 128)
        ++end;
    if (end == 0)
        return 0;
    if (end + 1 < text.size() && text.at(end) == u'.' && text.at(end + 1).isDigit()) {
        ++end;
        while (end < text.size() && text.at(end).isDigit() && text.at(end).unicode() < 128)
            ++end;
    }
    return text.left(end).toDouble();
}

QList<Flat> flats(Database& db, qint64 street, const House& house, QString* error)
{
    Query query(db, uR"(SELECT IFNULL(TRIM(t1.FlatNum), '') AS FlatNum, t1.T1_ID, t1.Numls
FROM SvedPotreb_T1 t1
WHERE t1.StreetID_BTI = :StreetID_BTI
AND IFNULL(t1.HouseNum, '') = :HouseNum
AND IFNULL(t1.KorpNum, '') = :KorpNum
AND IFNULL(t1.StroenNum, '') = :StroenNum
ORDER BY t1.T1_ID)"_s);
    query.bind(u":StreetID_BTI"_s, street)
        .bind(u":HouseNum"_s, house.house)
        .bind(u":KorpNum"_s, house.korp)
        .bind(u":StroenNum"_s, house.stroen);
    QList<Flat> result;
    if (!query.exec()) {
        if (error)
            *error = query.errorText();
        return result;
    }
    while (query.next()) {
        Flat flat;
        flat.flatNum = query.value(0).toString();
        flat.t1Id = query.value(1).toLongLong();
        flat.display = flat.flatNum + u"     л.с. №"_s + trimmedText(query.value(2));
        flat.number = flatNumber(flat.flatNum);
        result.append(flat);
    }
    std::stable_sort(result.begin(), result.end(),
                     [](const Flat& a, const Flat& b) { return a.number < b.number; });
    return result;
}

QString reversedRangeMessage()
{
    return u"Ошибочный диапазон печати."_s;
}

std::optional<QList<qint64>> flatRange(const QList<Flat>& flats, int from, int to)
{
    if (from < 0 || to < 0 || from >= flats.size() || to >= flats.size())
        return QList<qint64>();
    if (flats.at(to).number < flats.at(from).number)
        return std::nullopt;
    QList<qint64> payers;
    for (qsizetype i = from; i < flats.size(); ++i) {
        payers << flats.at(i).t1Id;
        if (flats.at(i).t1Id == flats.at(to).t1Id)
            break;
    }
    return payers;
}

QString noOrganisationMessage()
{
    return u"Не указана организация."_s;
}

QString shortName(const QVariant& surname, const QVariant& firstName, const QVariant& patronymic)
{
    QString result = trimmedText(surname);
    const QString first = trimmedText(firstName);
    const QString third = trimmedText(patronymic);
    if (!first.isEmpty())
        result += u' ' + first.left(1) + u". "_s;
    if (!third.isEmpty()) {
        if (first.isEmpty())
            result += u' ';
        result += third.left(1) + u'.';
    }
    return result.trimmed();
}

Organisation organisation(Database& db, const QVariant& dezId)
{
    Organisation result;
    if (dezId.isNull())
        return result;
    Query query(db,
                u"SELECT DezName, BName1, BName2, BName3 FROM Sprav_Dez WHERE DezID = :DezID"_s);
    query.bind(u":DezID"_s, dezId);
    if (query.exec() && query.next()) {
        result.name = query.value(0).toString();
        result.accountant = shortName(query.value(1), query.value(2), query.value(3));
    }
    return result;
}

QString addressText(const QVariantMap& payer)
{
    QString address = trimmedText(payer.value(u"StreetName"_s));
    const auto add = [&](const char16_t* prefix, const char* field) {
        const QString value = trimmedText(payer.value(QString::fromLatin1(field)));
        if (!value.isEmpty())
            address += QString::fromUtf16(prefix) + value;
    };
    add(u", д. ", "HouseNum");
    add(u", корп.", "KorpNum");
    add(u", стр.", "StroenNum");
    add(u", кв.", "FlatNum");
    return address;
}

QString debtsText(const QVariant& colMesDebts)
{
    const Decimal months = Decimal::fromVariant(colMesDebts, Schema::decimalScale(u"ColMesDebts"));
    if (months.isNull() || months.units() <= 0)
        return u"задолженность отсутствует"_s;
    return withoutTrailingZeros(months.toString());
}

Report::Template receiptTemplate(const QString& dataSet)
{
    Report::Template report(u"Печать извещения"_s);
    // The second receipt of a pair goes under the first on the same sheet.
    report.continuesPreviousPage = true;
    report.margins = QMarginsF(38, 30, 38, 30);

    report.addBand(Report::BandKind::ReportTitle, 128);
    const auto memo = [&](const QString& name, const QRectF& rect, const Report::Font& font,
                          Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter) {
        report.addText(name, rect, {}, font, alignment).fit = Report::Fit::Shrink;
    };
    memo(u"Dez_Memo"_s, {0, 0, Width, 18}, arial(9));
    memo(u"Mes_Memo"_s, {0, 20, Width, 22}, arial(12, true), Qt::AlignCenter);
    memo(u"FIO_Memo"_s, {0, 46, Width, 18}, arial(10, true));
    memo(u"Address_Memo"_s, {0, 64, Width, 18}, arial(9));
    memo(u"Numls_Memo"_s, {0, 84, Width / 2, 18}, arial(9));
    memo(u"ENumlsID_Memo"_s, {Width / 2, 84, Width / 2, 18}, arial(9));
    memo(u"SquareTotal_Memo"_s, {0, 104, 240, 18}, arial(9));
    memo(u"SquareLive_Memo"_s, {240, 104, 240, 18}, arial(9));
    memo(u"PplCntReg_Memo"_s, {480, 104, Width - 480, 18}, arial(9));

    const auto cell = [](int column) {
        return QRectF(Columns[column], 0, Columns[column + 1] - Columns[column], RowHeight);
    };
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    const Qt::Alignment centre = Qt::AlignCenter;
    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;

    report.addBand(Report::BandKind::ColumnHeader, 32);
    const QString headings[] = {u"№"_s,
                                u"Услуга"_s,
                                u"Ед. изм."_s,
                                u"Кол-во"_s,
                                u"Тариф"_s,
                                u"Начислено по тарифу"_s,
                                u"Сумма льготы"_s,
                                u"Сумма к оплате"_s};
    for (int column = 0; column < 8; ++column) {
        QRectF rect = cell(column);
        rect.setHeight(32);
        Report::TextItem& heading = report.addText(u"Header%1_Memo"_s.arg(column + 1), rect,
                                                   headings[column], arial(8, true), centre);
        heading.frame = Report::Side::All;
    }

    Report::Band& lines = report.addBand(Report::BandKind::MasterData, RowHeight);
    lines.dataSet = dataSet;
    const auto field = [&](const char* name) -> QString {
        return u"["_s + dataSet + u".\""_s + QLatin1StringView(name) + u"\"]"_s;
    };
    const struct
    {
        const char* name;
        QString text;
        Qt::Alignment alignment;
        QString format;
    } columns[] = {
        {"Line_Memo", u"[LINE#]"_s, centre, {}},
        {"ServiceName_Memo", field("ServiceName"), left, {}},
        {"Dimension_Memo", field("Dimension"), centre, {}},
        {"Volume_Memo", field("Volume"), right, {}},
        {"Tariff_Memo", field("Tariff"), right, u"0.00"_s},
        {"SummaService_Memo", field("SummaService"), right, u"0.00"_s},
        {"SummaBenefit_Memo", field("SummaBenefit"), right, u"0.00"_s},
        {"SummaServiceWOBenefit_Memo", field("SummaServiceWOBenefit"), right, u"0.00"_s},
    };
    for (int column = 0; column < 8; ++column) {
        Report::TextItem& item =
            report.addText(QString::fromLatin1(columns[column].name), cell(column),
                           columns[column].text, arial(8), columns[column].alignment);
        item.frame = Report::Side::All;
        item.fit = Report::Fit::Shrink;
        item.format = columns[column].format;
    }
    // The volume as the statement holds it, without the zeros of its last decimals.
    report.findText(u"Volume_Memo")->hook = [](const QString& text, const Report::ItemContext&) {
        return withoutTrailingZeros(text);
    };

    report.addBand(Report::BandKind::ReportSummary, 116);
    QRectF total(Columns[0], 0, Columns[5], RowHeight);
    Report::TextItem& caption = report.addText(u"Total_Memo"_s, total, u"ИТОГО:"_s, arial(8, true),
                                               Qt::AlignRight | Qt::AlignVCenter);
    caption.frame = Report::Side::All;
    const char* sums[] = {"SummaService", "SummaBenefit", "SummaServiceWOBenefit"};
    for (int i = 0; i < 3; ++i) {
        Report::TextItem& sum =
            report.addText(u"Total%1_Memo"_s.arg(i + 1), cell(5 + i),
                           u"[SUM("_s + dataSet + u".\""_s + QLatin1StringView(sums[i]) + u"\")]"_s,
                           arial(8, true), right);
        sum.frame = Report::Side::All;
        sum.fit = Report::Fit::Shrink;
        sum.format = u"0.00"_s;
    }
    memo(u"Debts_Memo"_s, {0, 26, Width, 18}, arial(9));
    report.addText(u"Accountant_Memo"_s, {0, 54, 90, 18}, u"Бухгалтер"_s, arial(9), left);
    report.addLine({92, 70, 292, 70}, 0.75);
    memo(u"BName_Memo"_s, {296, 54, 320, 18}, arial(9));
    report.addText(u"PrintDateCaption_Memo"_s, {0, 80, 90, 18}, u"дата печати:"_s, arial(9), left);
    report.addText(u"PrintDate_Memo"_s, {92, 80, 200, 18}, u"[DATE]"_s, arial(9), left).format =
        u"d mmmm yyyy"_s;
    // Where the sheet is cut between the two receipts.
    report.addLine({0, 108, Width, 108}, 0.5);
    return report;
}

struct ReceiptJobs::Slot
{
    explicit Slot(const QString& dataSet)
        : report(receiptTemplate(dataSet))
        , dataSet(dataSet)
    {}
    Report::Template report;
    QString dataSet;
    RecordSet payer;
    RecordSet charges;
    std::unique_ptr<Report::RecordSetData> data;
};

ReceiptJobs::ReceiptJobs(Database& db, const Organisation& organisation, const QDate& period,
                         std::function<bool(const Report::Prepared&)> send,
                         const Report::PrepareOptions& options)
    : m_db(db)
    , m_organisation(organisation)
    , m_period(period)
    , m_send(std::move(send))
    , m_options(options)
{
    m_slots[0] = std::make_unique<Slot>(u"Kvitok1_frDBDataSet"_s);
    m_slots[1] = std::make_unique<Slot>(u"Kvitok2_frDBDataSet"_s);
}

ReceiptJobs::~ReceiptJobs() = default;

bool ReceiptJobs::fill(Slot& slot, qint64 t1Id)
{
    const QueryParams params{{u":T1_ID"_s, t1Id}};
    if (!slot.payer.open(m_db, payerSql(), params) ||
        !slot.charges.open(m_db, chargesSql(), params)) {
        QString reason = slot.payer.errorString();
        if (reason.isEmpty())
            reason = slot.charges.errorString();
        m_error = u"Ошибка чтения данных.\r\n"_s + reason;
        return false;
    }
    slot.data = std::make_unique<Report::RecordSetData>(slot.charges);
    slot.data->setScale(u"SummaBenefit", Schema::decimalScale(u"SummaService"));
    slot.report.bind(slot.dataSet, slot.data.get());

    const QVariantMap payer = slot.payer.rowValues(0);
    Report::Template& r = slot.report;
    r.setText(u"Dez_Memo", u"Организация: "_s + m_organisation.name);
    r.setText(u"Mes_Memo",
              u"Расчет платежей за "_s + Report::formatDate(m_period, u"mmmm yyyy г."_s));
    QStringList name;
    for (const char* part : {"Name1", "Name2", "Name3"}) {
        const QString text = trimmedText(payer.value(QString::fromLatin1(part)));
        if (!text.isEmpty())
            name << text;
    }
    r.setText(u"FIO_Memo", name.join(u' '));
    r.setText(u"Address_Memo", addressText(payer));
    r.setText(u"Numls_Memo", u"Номер лицевого счета: "_s + trimmedText(payer.value(u"Numls"_s)));
    QString code;
    if (const QVariant value = payer.value(u"ENumlsID"_s); !value.isNull())
        code = Format::payerCode(value);
    r.setText(u"ENumlsID_Memo", u"Код плательщика: "_s + code);
    const auto square = [&](const char* fieldName) -> QString {
        const QString field = QString::fromLatin1(fieldName);
        return Report::formatValue(payer.value(field), Schema::decimalScale(field), u"0.00"_s);
    };
    r.setText(u"SquareTotal_Memo", u"Общая площадь: "_s + square("SquareTotal"));
    r.setText(u"SquareLive_Memo", u"Жилая площадь: "_s + square("SquareLive"));
    r.setText(u"PplCntReg_Memo",
              u"Количество человек: "_s + trimmedText(payer.value(u"PplCntReg"_s)));
    r.setText(u"Debts_Memo",
              u"Количество месяцев задолженности: "_s + debtsText(payer.value(u"ColMesDebts"_s)));
    r.setText(u"BName_Memo", u"/ "_s + m_organisation.accountant);
    return true;
}

bool ReceiptJobs::add(qint64 t1Id)
{
    Slot& slot = *m_slots[m_waiting ? 1 : 0];
    if (!fill(slot, t1Id))
        return false;
    ++m_filled;
    if (!m_waiting) {
        m_waiting = true;
        return true;
    }
    m_waiting = false;
    Report::CompositeReport sheet;
    sheet.add(&m_slots[0]->report);
    sheet.add(&m_slots[1]->report);
    if (!m_send(sheet.prepare(m_options))) {
        m_error = u"Извещения не отправлены на печать."_s;
        return false;
    }
    return true;
}

std::optional<Report::Prepared> ReceiptJobs::takeWaiting()
{
    if (!m_waiting)
        return std::nullopt;
    m_waiting = false;
    Report::CompositeReport single;
    single.add(&m_slots[0]->report);
    return single.prepare(m_options);
}

} // namespace Receipts
