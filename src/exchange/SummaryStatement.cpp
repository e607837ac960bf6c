#include "SummaryStatement.h"

#include "ReportFormat.h"

using namespace Qt::Literals::StringLiterals;

namespace Exchange {

namespace {

Report::Font arial(double pointSize, bool bold = false)
{
    Report::Font font;
    font.pointSize = pointSize;
    font.bold = bold;
    return font;
}

// The table's geometry, in report pixels from the page's corner.
constexpr double TableLeft = 32;
constexpr double TableRight = 724;
constexpr double TableTop = 316;
constexpr double HeaderBottom = 360;
constexpr double RowHeight = 44;
constexpr double Columns[] = {TableLeft, 248, 340, 452, 564, TableRight};

} // namespace

QString summaryPeriodText(const QDate& period)
{
    return u"за "_s + Report::formatDate(period, u"mmmm yyyy года"_s);
}

Report::Template summaryStatementTemplate()
{
    Report::Template report(u"Сводная ведомость"_s);
    // The positions are the form's own, measured from the sheet's corner.
    report.margins = QMarginsF(0, 0, 0, 0);

    report.addBand(Report::BandKind::ReportTitle, 760);
    report.addText(u"Memo1"_s, {32, 164, 692, 26}, u"Сводная ведомость передаваемой информации"_s,
                   arial(14, true), Qt::AlignHCenter | Qt::AlignTop);
    report.addText(u"Period_Memo"_s, {32, 196, 692, 17}, {}, arial(11),
                   Qt::AlignHCenter | Qt::AlignTop);
    report.addText(u"Memo5"_s, {304, 212, 140, 16}, u"(отчетный период)"_s, arial(8),
                   Qt::AlignHCenter | Qt::AlignTop);
    report.addText(u"Dez_Memo"_s, {32, 264, 692, 40}, {}, arial(12),
                   Qt::AlignHCenter | Qt::AlignTop);

    // The table: a frame, the heading rule, a rule under every file's row, column rules.
    for (double y : {TableTop, HeaderBottom, HeaderBottom + RowHeight, HeaderBottom + 2 * RowHeight,
                     HeaderBottom + 3 * RowHeight})
        report.addLine({TableLeft, y, TableRight, y});
    for (double x : Columns)
        report.addLine({x, TableTop, x, HeaderBottom + 3 * RowHeight});

    const QString headings[] = {u"Наименование файла"_s, u"Количество записей"_s,
                                u"Контрольная сумма I (руб.)"_s, u"Контрольная сумма II (руб.)"_s,
                                u"Содержание информации"_s};
    for (int column = 0; column < 5; ++column) {
        Report::TextItem& heading =
            report.addText(u"Header%1_Memo"_s.arg(column + 1),
                           {Columns[column] + 4, TableTop + 2,
                            Columns[column + 1] - Columns[column] - 8, HeaderBottom - TableTop - 4},
                           headings[column], arial(9, true), Qt::AlignCenter);
        heading.fit = Report::Fit::Wrap;
    }

    const QString contents[] = {u"сведения о потребителях услуг"_s, u"сведения о начислениях"_s,
                                u"сведения о составе семьи"_s};
    for (int file = 0; file < 3; ++file) {
        const double top = HeaderBottom + file * RowHeight + 4;
        const double height = RowHeight - 8;
        const QString prefix = u"F%1_"_s.arg(file + 1);
        const auto cell = [&](int column, const QString& name, const QString& text,
                              Qt::Alignment alignment) {
            Report::TextItem& item = report.addText(
                name, {Columns[column] + 2, top, Columns[column + 1] - Columns[column] - 4, height},
                text, arial(10), alignment | Qt::AlignVCenter);
            // A long file name keeps its one line and shrinks instead of breaking.
            if (column == 0)
                item.fit = Report::Fit::Shrink;
            return &item;
        };
        cell(0, prefix + u"Name_Memo"_s, {}, Qt::AlignLeft);
        cell(1, prefix + u"Col_Memo"_s, {}, Qt::AlignHCenter);
        cell(2, prefix + u"Sum1_Memo"_s, {}, Qt::AlignRight)->fit = Report::Fit::Shrink;
        cell(3, prefix + u"Sum2_Memo"_s, {}, Qt::AlignRight)->fit = Report::Fit::Shrink;
        cell(4, u"F%1_Content_Memo"_s.arg(file + 1), contents[file], Qt::AlignLeft);
    }

    // Signatures: who handed the information over and who took it.
    const auto signature = [&](double x, const QString& who, const QString& name) {
        report.addText(name, {x, 580, 240, 20}, who, arial(10, true));
        report.addLine({x, 648, x + 240, 648});
        report.addText(name + u"Sign"_s, {x, 650, 240, 16}, u"(подпись, дата)"_s, arial(8),
                       Qt::AlignHCenter);
        report.addText(name + u"Seal"_s, {x, 704, 60, 18}, u"М.П."_s, arial(10));
    };
    signature(60, u"Информацию сдал:"_s, u"Given_Memo"_s);
    signature(424, u"Информацию принял:"_s, u"Taken_Memo"_s);

    Report::Band& footer = report.addBand(Report::BandKind::PageFooter, 24);
    footer.top = 796;
    report
        .addText(u"PrintDateCaption_Memo"_s, {424, 0, 180, 18}, u"Дата печати сводной ведомости:"_s,
                 arial(8))
        .fit = Report::Fit::Shrink;
    report.addText(u"PrintDate_Memo"_s, {604, 0, 120, 18}, u"[DATE]"_s, arial(8)).format =
        u"dd.mm.yyyy"_s;
    return report;
}

void fillSummaryStatement(Report::Template& report, const StatementSummary& summary,
                          const QString& organisationName, const QDate& period)
{
    report.setText(u"Period_Memo", summaryPeriodText(period));
    report.setText(u"Dez_Memo", u"Организация: "_s + organisationName);
    for (size_t i = 0; i < summary.files.size(); ++i) {
        const FileSummary& file = summary.files[i];
        const QString prefix = u"F%1_"_s.arg(i + 1);
        const auto memo = [&](const char* name) {
            return QString(prefix + QLatin1StringView(name));
        };
        report.setText(memo("Name_Memo"), file.name);
        report.setText(memo("Col_Memo"), QString::number(file.records));
        // File III carries no sums: its two cells stay empty.
        const bool sums = i < 2;
        report.setText(memo("Sum1_Memo"), sums ? formatCheckSum(file.sum1) : QString());
        report.setText(memo("Sum2_Memo"), sums ? formatCheckSum(file.sum2) : QString());
    }
}

} // namespace Exchange
