#pragma once

#include "Exporter.h"
#include "ReportTemplate.h"

#include <QDate>
#include <QString>

namespace Exchange {

/// The summary statement that goes with the three files (SvodnVed_frReport): one A4
/// page with the period, the organisation and, per file, its name, record count and
/// check sums, the signatures and the date of printing. Its memos are empty.
Report::Template summaryStatementTemplate();

/// Fills the memos of the summary statement from the figures of the export.
void fillSummaryStatement(Report::Template& report, const StatementSummary& summary,
                          const QString& organisationName, const QDate& period);

/// "за Декабрь 2026 года": the period line of the statement.
QString summaryPeriodText(const QDate& period);

} // namespace Exchange
