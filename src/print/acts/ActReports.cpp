#include "ActReports.h"

#include "Database.h"
#include "Query.h"
#include "RecordSet.h"
#include "ReportData.h"
#include "ReportFormat.h"
#include "Schema.h"

using namespace Qt::Literals::StringLiterals;

namespace Acts {

namespace {

constexpr double Width = 718; ///< the page's inner width, report pixels
const QString Money = u"# ##0.00"_s;

Report::Font arial(double pointSize, bool bold = false)
{
    Report::Font font;
    font.pointSize = pointSize;
    font.bold = bold;
    return font;
}

/// The data set name of a report's rows, as its expressions write it.
QString dataSetOf(Kind kind)
{
    switch (kind) {
    case Kind::Services:
        return u"Services_ADOQ"_s;
    case Kind::HousesServices:
        return u"HousesServices_ADOQ"_s;
    case Kind::HousesFlatsServices:
        return u"HousesFlatsServices_ADOQ"_s;
    case Kind::EnteredData:
        return u"File_ADOQ"_s;
    case Kind::Payers:
        return u"SpisokPotreb_ADOQ"_s;
    case Kind::PayersWithPersons:
        return u"SpisokPotrebS_ADOQ"_s;
    }
    return {};
}

QString field(const QString& dataSet, const char* name)
{
    return u"["_s + dataSet + u".\""_s + QLatin1StringView(name) + u"\"]"_s;
}

QString sum(const QString& dataSet, const char* name)
{
    return u"[SUM("_s + dataSet + u".\""_s + QLatin1StringView(name) + u"\")]"_s;
}

/// Title, organisation, month and date of printing; the title on one or two lines.
void addTitle(Report::Template& report, const QStringList& titleLines, const QString& dateCaption)
{
    const double titleHeight = 22.0 * titleLines.size();
    report.addBand(Report::BandKind::ReportTitle, titleHeight + 72);
    for (int i = 0; i < titleLines.size(); ++i) {
        report
            .addText(i == 0 ? u"Title_Memo"_s : u"Title%1_Memo"_s.arg(i + 1),
                     {0, 22.0 * i, Width, 22}, titleLines.at(i), arial(13, true), Qt::AlignCenter)
            .fit = Report::Fit::Shrink;
    }
    const auto memo = [&](const QString& name, double top) {
        report
            .addText(name, {0, titleHeight + top, Width, 18}, {}, arial(10),
                     Qt::AlignLeft | Qt::AlignVCenter)
            .fit = Report::Fit::Shrink;
    };
    memo(u"Dez_Memo"_s, 8);
    memo(u"Mes_Memo"_s, 26);
    // The date follows its caption closely.
    const double captionWidth = dateCaption.size() > 12 ? 124 : 84;
    report.addText(u"PrintDateCaption_Memo"_s, {0, titleHeight + 44, captionWidth, 18}, dateCaption,
                   arial(9), Qt::AlignLeft | Qt::AlignVCenter);
    report
        .addText(u"PrintDate_Memo"_s, {captionWidth, titleHeight + 44, 240, 18}, u"[DATE]"_s,
                 arial(9), Qt::AlignLeft | Qt::AlignVCenter)
        .format = u"d mmmm yyyy"_s;
}

void addPageFooter(Report::Template& report)
{
    report.addBand(Report::BandKind::PageFooter, 20);
    report.addText(u"PageCaption_Memo"_s, {Width - 160, 2, 90, 16}, u"страница:"_s, arial(8),
                   Qt::AlignRight | Qt::AlignVCenter);
    report.addText(u"Page_Memo"_s, {Width - 66, 2, 66, 16}, u"[PAGE#]"_s, arial(8),
                   Qt::AlignLeft | Qt::AlignVCenter);
}

Report::TextItem& cell(Report::Template& report, const QString& name, double left, double width,
                       double height, const QString& text, const Report::Font& font,
                       Qt::Alignment alignment, const QString& format = {})
{
    Report::TextItem& item = report.addText(name, {left, 0, width, height}, text, font, alignment);
    item.frame = Report::Side::All;
    item.fit = Report::Fit::Shrink;
    item.format = format;
    return item;
}

Report::Template servicesTemplate(Kind kind)
{
    Report::Template report(title(kind));
    const QString set = dataSetOf(kind);
    addTitle(report, {title(kind)}, u"дата печати:"_s);

    // Code, name, count, the two sums.
    const double columns[] = {0, 70, 408, 478, 598, Width};
    const auto width = [&](int column) {
        return columns[column + 1] - columns[column];
    };
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;

    report.addBand(Report::BandKind::ColumnHeader, 32);
    const QString headings[] = {u"Код услуги"_s, u"Наименование услуги"_s, u"Количество"_s,
                                u"Сумма по услуге"_s, u"Сумма за вычетом льготы"_s};
    for (int column = 0; column < 5; ++column) {
        cell(report, u"Header%1_Memo"_s.arg(column + 1), columns[column], width(column), 32,
             headings[column], arial(8.5, true), Qt::AlignCenter)
            .fit = Report::Fit::Wrap;
    }

    const bool grouped = kind != Kind::Services;
    if (grouped) {
        Report::Band& header = report.addBand(Report::BandKind::GroupHeader, 22);
        header.groupExpression = field(set, "Address");
        report
            .addText(u"Address_Memo"_s, {0, 2, Width, 20}, field(set, "Address"), arial(9, true),
                     left)
            .fit = Report::Fit::Shrink;
    }

    Report::Band& data = report.addBand(Report::BandKind::MasterData, 18);
    data.dataSet = set;
    cell(report, u"ServiceID_Memo"_s, columns[0], width(0), 18, field(set, "ServiceID"), arial(9),
         Qt::AlignCenter);
    cell(report, u"ServiceName_Memo"_s, columns[1], width(1), 18, field(set, "ServiceName"),
         arial(9), left);
    cell(report, u"CountServices_Memo"_s, columns[2], width(2), 18, field(set, "CountServices"),
         arial(9), right);
    cell(report, u"SummaService_Memo"_s, columns[3], width(3), 18, field(set, "SummaService"),
         arial(9), right, Money);
    cell(report, u"SummaServiceWOBenefit_Memo"_s, columns[4], width(4), 18,
         field(set, "SummaServiceWOBenefit"), arial(9), right, Money);

    if (grouped) {
        report.addBand(Report::BandKind::GroupFooter, 22);
        cell(report, u"GroupTotal_Memo"_s, 0, columns[3], 18,
             kind == Kind::HousesServices ? u"Итого по дому:"_s : u"Итого по квартире:"_s,
             arial(9, true), right);
        cell(report, u"GroupSummaService_Memo"_s, columns[3], width(3), 18,
             sum(set, "SummaService"), arial(9, true), right, Money);
        cell(report, u"GroupSummaServiceWOBenefit_Memo"_s, columns[4], width(4), 18,
             sum(set, "SummaServiceWOBenefit"), arial(9, true), right, Money);
    }

    report.addBand(Report::BandKind::ReportSummary, 50);
    const auto total = [&](double top, const QString& caption, const QString& name,
                           const char* fieldName, int column) {
        report.addText(name + u"Caption"_s, {0, top, columns[column] - 6, 18}, caption,
                       arial(9, true), right);
        Report::TextItem& value = report.addText(name, {columns[column], top, width(column), 18},
                                                 sum(set, fieldName), arial(9, true), right);
        value.format = Money;
        value.fit = Report::Fit::Shrink;
    };
    total(8, u"Общая сумма по услугам:"_s, u"TotalSummaService_Memo"_s, "SummaService", 3);
    total(28, u"Общая сумма по услугам за вычетом льготы:"_s, u"TotalSummaServiceWOBenefit_Memo"_s,
          "SummaServiceWOBenefit", 4);
    addPageFooter(report);
    return report;
}

Report::Template enteredDataTemplate()
{
    Report::Template report(title(Kind::EnteredData));
    report.addBand(Report::BandKind::ReportTitle, 420);
    report.addText(u"Title_Memo"_s, {0, 0, Width, 22}, title(Kind::EnteredData), arial(13, true),
                   Qt::AlignCenter);
    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    const auto memo = [&](const QString& name, double top) {
        report.addText(name, {0, top, Width, 18}, {}, arial(10), left).fit = Report::Fit::Shrink;
    };
    memo(u"Dez_Memo"_s, 32);
    memo(u"BName_Memo"_s, 50);
    memo(u"Mes_Memo"_s, 68);
    // A caption and its figure on each line, the figures in one column at the right.
    const auto line = [&](double top, const QString& caption, const QString& name) {
        Report::TextItem& label =
            report.addText(name + u"Caption"_s, {0, top, 560, 32}, caption, arial(10), left);
        label.fit = Report::Fit::Wrap;
        report.addText(name, {560, top, Width - 560, 32}, {}, arial(10, true), right).fit =
            Report::Fit::Shrink;
    };
    line(104, u"Количество улиц:"_s, u"Streets_Memo"_s);
    line(136, u"Количество домов:"_s, u"Houses_Memo"_s);
    line(168, u"Количество квартир:"_s, u"Flats_Memo"_s);
    line(200, u"Количество лицевых счетов:"_s, u"NumLS_Memo"_s);
    line(244, u"Общая сумма по услугам:"_s, u"SummaService_Memo"_s);
    line(276, u"Общая сумма по услугам за вычетом льготы:"_s, u"SummaServiceWOBenefit_Memo"_s);
    line(308, u"Общая сумма по услугам, приходящаяся на постоянно зарегистрированных:"_s,
         u"SummaServiceReg_Memo"_s);
    line(
        340,
        u"Общая сумма по услугам за вычетом льготы, приходящаяся на постоянно зарегистрированных:"_s,
        u"SummaServiceWOBenefitReg_Memo"_s);
    report.addText(u"PrintDateCaption_Memo"_s, {0, 390, 84, 18}, u"дата печати:"_s, arial(9), left);
    report.addText(u"PrintDate_Memo"_s, {84, 390, 240, 18}, u"[DATE]"_s, arial(9), left).format =
        u"d mmmm yyyy"_s;
    addPageFooter(report);
    return report;
}

Report::Template payersTemplate(Kind kind)
{
    const bool persons = kind == Kind::PayersWithPersons;
    Report::Template report(title(kind));
    const QString set = dataSetOf(kind);
    addTitle(report,
             persons ? QStringList{u"Список лиц, которые учитываются при расчете платы"_s,
                                   u"за жилищно-коммунальные и прочие услуги "_s}
                     : QStringList{title(kind)},
             u"дата печати списка:"_s);

    // Number, code over account, name over address, the two sums.
    const double columns[] = {0, 34, 144, 478, 598, Width};
    const auto width = [&](int column) {
        return columns[column + 1] - columns[column];
    };
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;

    report.addBand(Report::BandKind::ColumnHeader, 36);
    const auto heading = [&](const QString& name, int column, double top, double height,
                             const QString& text) {
        Report::TextItem& item = report.addText(name, {columns[column], top, width(column), height},
                                                text, arial(9, true), Qt::AlignCenter);
        item.frame = Report::Side::All;
        item.fit = Report::Fit::Wrap;
    };
    heading(u"Header1_Memo"_s, 0, 0, 36, u"№"_s);
    heading(u"Header2_Memo"_s, 1, 0, 18, u"Код плательщика"_s);
    heading(u"Header3_Memo"_s, 1, 18, 18, u"Лицевой счет"_s);
    heading(u"Header4_Memo"_s, 2, 0, 18, u"Фамилия, Имя, Отчество  "_s);
    heading(u"Header5_Memo"_s, 2, 18, 18, u"Адрес"_s);
    heading(u"Header6_Memo"_s, 3, 0, 36, u"Сумма по услугам"_s);
    heading(u"Header7_Memo"_s, 4, 0, 36, u"Сумма за вычетом льготы"_s);

    // The payer's block; with the persons, their heading closes it even when none follow.
    Report::Band& data = report.addBand(Report::BandKind::MasterData, persons ? 54 : 36);
    data.dataSet = set;
    const auto value = [&](const QString& name, int column, double top, double height,
                           const QString& text, Qt::Alignment alignment,
                           const QString& format = {}) {
        Report::TextItem& item = report.addText(name, {columns[column], top, width(column), height},
                                                text, arial(9), alignment);
        item.fit = Report::Fit::Shrink;
        item.format = format;
    };
    // A rule above every payer's block.
    report.addLine({0, 0, Width, 0}, 0.5);
    value(u"Line_Memo"_s, 0, 0, 18, u"[LINE#]"_s, Qt::AlignCenter);
    value(u"ENumlsID_Memo"_s, 1, 0, 18, field(set, "ENumlsID"), left);
    value(u"Numls_Memo"_s, 1, 18, 18, field(set, "Numls"), left);
    value(u"Name_Memo"_s, 2, 0, 18, field(set, "Name"), left);
    value(u"Address_Memo"_s, 2, 18, 18, field(set, "Address"), left);
    value(u"SummaFull_Memo"_s, 3, 0, 18, field(set, "SummaFull"), right, Money);
    value(u"SummaWOBenefit_Memo"_s, 4, 0, 18, field(set, "SummaWOBenefit"), right, Money);
    if (persons) {
        report.addText(u"Persons_Memo"_s, {columns[1], 36, 400, 18},
                       u"Проживают по данному адресу:"_s, arial(9, true), left);
        Report::Band& detail = report.addBand(Report::BandKind::DetailData, 16);
        detail.dataSet = u"SpisokPotrebSDet_ADOQ"_s;
        detail.masterField = u"T1_ID"_s;
        detail.detailField = u"T1_ID"_s;
        report
            .addText(u"PersonName_Memo"_s, {columns[2], 0, width(2), 16},
                     field(u"SpisokPotrebSDet_ADOQ"_s, "Name"), arial(9), left)
            .fit = Report::Fit::Shrink;
        report
            .addText(u"Relation_Memo"_s, {columns[3], 0, Width - columns[3], 16},
                     field(u"SpisokPotrebSDet_ADOQ"_s, "Relation"), arial(9), left)
            .fit = Report::Fit::Shrink;
    }

    report.addBand(Report::BandKind::ReportSummary, 50);
    const auto total = [&](double top, const QString& caption, const QString& name,
                           const char* fieldName, int column) {
        report.addText(name + u"Caption"_s, {0, top, columns[column] - 6, 18}, caption,
                       arial(9, true), right);
        Report::TextItem& item = report.addText(name, {columns[column], top, width(column), 18},
                                                sum(set, fieldName), arial(9, true), right);
        item.format = Money;
        item.fit = Report::Fit::Shrink;
    };
    total(8, u"Общая сумма:"_s, u"TotalSummaFull_Memo"_s, "SummaFull", 3);
    total(28, u"Общая сумма за вычетом льготы:"_s, u"TotalSummaWOBenefit_Memo"_s, "SummaWOBenefit",
          4);
    addPageFooter(report);
    return report;
}

QString countText(qint64 count)
{
    return QString::number(count);
}

} // namespace

QString noOrganisationMessage()
{
    return u"Не указана организация."_s;
}

QString title(Kind kind)
{
    switch (kind) {
    case Kind::Services:
        return u"Сводные данные по услугам"_s;
    case Kind::HousesServices:
        return u"Сводные данные по услугам с разбивкой по домам"_s;
    case Kind::HousesFlatsServices:
        return u"Сводные данные по услугам с разбивкой по домам и квартирам"_s;
    case Kind::EnteredData:
        return u"Сводные данные по введенной информации"_s;
    case Kind::Payers:
        return u"Список плательщиков за жилищно-коммунальные и прочие услуги"_s;
    case Kind::PayersWithPersons:
        return u"Список лиц, которые учитываются при расчете платы за жилищно-коммунальные и "
               "прочие услуги"_s;
    }
    return {};
}

QString houseAddressSql()
{
    // A number of blanks only is no number: the files pad their fields with blanks.
    return uR"((ss.StreetName || ' ' ||
IIF(TRIM(sp.HouseNum) <> '', 'д. ' || TRIM(sp.HouseNum) || ', ', '') ||
IIF(TRIM(sp.KorpNum) <> '', 'корп. ' || TRIM(sp.KorpNum) || ', ', '') ||
IIF(TRIM(sp.StroenNum) <> '', 'стр. ' || TRIM(sp.StroenNum) || ', ', '')))"_s;
}

QString flatAddressSql()
{
    return u"("_s + houseAddressSql() + u" || 'кв. ' || IFNULL(TRIM(sp.FlatNum), ''))"_s;
}

QString servicesSql(Kind kind)
{
    // A service has one catalogue row per variant: its name is taken once per code.
    const QString names = uR"(LEFT OUTER JOIN (SELECT ServiceID, MIN(ServiceName) AS ServiceName
                 FROM Sprav_Services GROUP BY ServiceID) sv ON sv.ServiceID = t2.ServiceID)"_s;
    const QString columns = uR"(t2.ServiceID, COUNT(*) AS CountServices, sv.ServiceName,
       SUM(t2.SummaService) AS SummaService, SUM(t2.SummaServiceWOBenefit) AS SummaServiceWOBenefit)"_s;
    if (kind == Kind::Services) {
        return u"SELECT "_s + columns + u"\nFROM SvedNach_T2 t2\n"_s + names +
               u"\nGROUP BY t2.ServiceID\nORDER BY t2.ServiceID"_s;
    }
    const QString address = kind == Kind::HousesServices ? houseAddressSql() : flatAddressSql();
    // Addresses in text order without regard to letter case; the payers of streets the
    // book lacks have none and come first, as one group. Each payer's address is made and
    // ranked once, so that a million charges group by a number instead of by a text.
    return uR"(WITH addresses AS MATERIALIZED (
    SELECT sp.T1_ID, )"_s +
           address + uR"( AS Address
    FROM SvedPotreb_T1 sp
    LEFT OUTER JOIN Sprav_Streets ss ON ss.StreetID_BTI = sp.StreetID_BTI AND ss.StreetID_BTI <> 0),
ranked AS MATERIALIZED (
    SELECT Address, ROW_NUMBER() OVER (ORDER BY FOLD(Address), Address) AS Rank
    FROM (SELECT DISTINCT Address FROM addresses)),
payers AS MATERIALIZED (
    SELECT a.T1_ID, r.Rank, a.Address FROM addresses a JOIN ranked r ON r.Address IS a.Address)
SELECT p.Address, )"_s +
           columns + uR"(
FROM SvedNach_T2 t2
JOIN payers p ON p.T1_ID = t2.T1_ID
)"_s + names +
           u"\nGROUP BY p.Rank, t2.ServiceID\nORDER BY p.Rank, t2.ServiceID"_s;
}

QString payersSql(bool withKey)
{
    return u"SELECT * FROM (\nSELECT DISTINCT "_s + (withKey ? u"sp.T1_ID, "_s : QString()) +
           uR"(sp.ENumlsID, sp.Numls,
(IFNULL(sp.Name1, '') || ' ' || IFNULL(sp.Name2, '') || ' ' || IFNULL(sp.Name3, '')) AS Name,
)"_s + flatAddressSql() +
           uR"( AS Address,
sp.SummaFull, sp.SummaWOBenefit
FROM SvedPotreb_T1 sp
LEFT OUTER JOIN Sprav_Streets ss ON ss.StreetID_BTI = sp.StreetID_BTI AND ss.StreetID_BTI <> 0
) ttt
ORDER BY FOLD(Address), Address)"_s;
}

QString personsSql()
{
    return uR"(SELECT t3.T1_ID,
(IFNULL(t3.Name1, '') || ' ' || IFNULL(t3.Name2, '') || ' ' || IFNULL(t3.Name3, '')) AS Name,
t3.Relation
FROM SvedPotrebRelations_T3 t3
ORDER BY t3.T1_ID, t3.Name1, t3.Name2, t3.Name3)"_s;
}

std::optional<EnteredData> enteredData(Database& db, const QVariant& dezId, QString* error)
{
    EnteredData data;
    // A number left empty and one never given are the same house: the editors and the
    // files write either.
    Query counts(db, uR"(SELECT
(SELECT COUNT(*) FROM (SELECT DISTINCT Numls, ENumlsID FROM SvedPotreb_T1)) AS NumLS,
(SELECT COUNT(*) FROM (SELECT DISTINCT StreetID_BTI FROM SvedPotreb_T1)) AS Streets,
(SELECT COUNT(*) FROM (SELECT DISTINCT StreetID_BTI, IFNULL(HouseNum, ''), IFNULL(KorpNum, ''),
                       IFNULL(StroenNum, '') FROM SvedPotreb_T1)) AS Houses,
(SELECT COUNT(*) FROM (SELECT DISTINCT StreetID_BTI, IFNULL(HouseNum, ''), IFNULL(KorpNum, ''),
                       IFNULL(StroenNum, ''), IFNULL(FlatNum, '') FROM SvedPotreb_T1)) AS Flats)"_s);
    if (!counts.exec() || !counts.next()) {
        *error = counts.errorText();
        return std::nullopt;
    }
    data.numLs = counts.value(0).toLongLong();
    data.streets = counts.value(1).toLongLong();
    data.houses = counts.value(2).toLongLong();
    data.flats = counts.value(3).toLongLong();

    Query sums(db, uR"(SELECT
IFNULL(SUM(IFNULL(sn.SummaService, 0)), 0), IFNULL(SUM(IFNULL(sn.SummaServiceWOBenefit, 0)), 0),
IFNULL(SUM(IFNULL(sn.SummaServiceReg, 0)), 0), IFNULL(SUM(IFNULL(sn.SummaServiceWOBenefitReg, 0)), 0)
FROM SvedNach_T2 sn)"_s);
    if (!sums.exec() || !sums.next()) {
        *error = sums.errorText();
        return std::nullopt;
    }
    const int money = Schema::decimalScale(u"SummaService");
    for (int i = 0; i < 4; ++i)
        data.sums[size_t(i)] = Decimal::fromUnits(sums.value(i).toLongLong(), money);

    Query accountant(
        db, uR"(SELECT IFNULL(RTRIM(BName1), '') || ' ' || IFNULL(RTRIM(BName2), '') || ' ' ||
       IFNULL(RTRIM(BName3), '') FROM Sprav_Dez WHERE DezID = :DezID)"_s);
    accountant.bind(u":DezID"_s, dezId);
    if (!accountant.exec()) {
        *error = accountant.errorText();
        return std::nullopt;
    }
    if (accountant.next())
        data.accountant = accountant.value(0).toString();
    return data;
}

Report::Template reportTemplate(Kind kind)
{
    switch (kind) {
    case Kind::Services:
    case Kind::HousesServices:
    case Kind::HousesFlatsServices:
        return servicesTemplate(kind);
    case Kind::EnteredData:
        return enteredDataTemplate();
    case Kind::Payers:
    case Kind::PayersWithPersons:
        return payersTemplate(kind);
    }
    return Report::Template();
}

std::optional<Report::Prepared> prepareReport(Database& db, Kind kind, const Heading& heading,
                                              QString* error, const Report::PrepareOptions& options)
{
    Report::Template report = reportTemplate(kind);
    report.setText(u"Dez_Memo", u"Организация: "_s + heading.organisationName);
    report.setText(u"Mes_Memo",
                   u"Месяц: "_s + Report::formatDate(heading.period, u"mmmm yyyy г."_s));

    if (kind == Kind::EnteredData) {
        const std::optional<EnteredData> data = enteredData(db, heading.dezId, error);
        if (!data)
            return std::nullopt;
        report.setText(u"BName_Memo", u"Бухгалтер: "_s + data->accountant);
        report.setText(u"Streets_Memo", countText(data->streets));
        report.setText(u"Houses_Memo", countText(data->houses));
        report.setText(u"Flats_Memo", countText(data->flats));
        report.setText(u"NumLS_Memo", countText(data->numLs));
        const char16_t* names[] = {u"SummaService_Memo", u"SummaServiceWOBenefit_Memo",
                                   u"SummaServiceReg_Memo", u"SummaServiceWOBenefitReg_Memo"};
        for (int i = 0; i < 4; ++i) {
            const Decimal& value = data->sums[size_t(i)];
            report.setText(
                QStringView(names[i]),
                Report::formatValue(value.toVariant(), value.scale(), u"### ### ##0.00"_s));
        }
        return Report::prepare(report, options);
    }

    RecordSet rows;
    const QString sql = kind == Kind::Payers              ? payersSql(false)
                        : kind == Kind::PayersWithPersons ? payersSql(true)
                                                          : servicesSql(kind);
    if (!rows.open(db, sql)) {
        *error = rows.errorString();
        return std::nullopt;
    }
    const Report::RecordSetData data(rows);
    report.bind(dataSetOf(kind), &data);
    RecordSet persons;
    const Report::RecordSetData personData(persons);
    if (kind == Kind::PayersWithPersons) {
        if (!persons.open(db, personsSql())) {
            *error = persons.errorString();
            return std::nullopt;
        }
        report.bind(u"SpisokPotrebSDet_ADOQ"_s, &personData);
    }
    return Report::prepare(report, options);
}

} // namespace Acts
