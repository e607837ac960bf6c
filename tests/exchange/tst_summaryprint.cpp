#include "PdfText.h"
#include "ReportPrinter.h"
#include "SummaryStatement.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

/// The summary statement printed for real: through CUPS to its default queue, which
/// .ci/run sets up as a PDF printer writing into the folder ORBELON_PRINT_OUT names.
class TestSummaryPrint : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void printsOnTheDefaultPrinterWithoutADialog();
};

void TestSummaryPrint::printsOnTheDefaultPrinterWithoutADialog()
{
    const QString out = qEnvironmentVariable("ORBELON_PRINT_OUT");
    if (out.isEmpty())
        QSKIP("no CUPS PDF queue was set up (ORBELON_PRINT_OUT is empty): real printing is not "
              "tested");
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (printer.isNull())
        QSKIP("CUPS has no default printer: real printing is not tested");

    Exchange::StatementSummary summary;
    summary.files[0] = {u"P1_117_122026.TXT"_s, 50, Decimal::fromUnits(54808321, 2),
                        Decimal::fromUnits(51721091, 2)};
    summary.files[1] = {u"P2_117_122026.TXT"_s, 550, Decimal::fromUnits(54808321, 2),
                        Decimal::fromUnits(51721091, 2)};
    summary.files[2] = {u"P3_117_122026.TXT"_s, 134, {}, {}};
    Report::Template report = Exchange::summaryStatementTemplate();
    Exchange::fillSummaryStatement(report, summary, u"ООО \"Север\""_s, QDate(2026, 12, 1));
    Report::Prepared prepared = Report::prepare(report);
    // The queue names its files after the job; a name of this run's own finds its page.
    const QString job = u"orbelon-print-test-%1"_s.arg(QCoreApplication::applicationPid());
    prepared.title = job;

    const Report::PrintOutcome outcome = Report::printToDefault(prepared);
    QCOMPARE(outcome.kind, Report::PrintOutcome::Kind::Printed);
    QCOMPARE(outcome.printer, printer.printerName());

    // The spooler writes the file a moment later, and fills it while it writes.
    const QRegularExpression name(u"^job_\\d+-"_s + QRegularExpression::escape(job) + u"\\.pdf$"_s);
    QString printed;
    QDeadlineTimer deadline(60000);
    while (printed.isEmpty() && !deadline.hasExpired()) {
        for (const QString& file : QDir(out).entryList(QDir::Files)) {
            if (!name.match(file).hasMatch())
                continue;
            QFile pdf(QDir(out).filePath(file));
            if (pdf.open(QIODevice::ReadOnly) && pdf.readAll().trimmed().endsWith("%%EOF"))
                printed = pdf.fileName();
        }
        if (printed.isEmpty())
            QTest::qWait(50);
    }
    QVERIFY2(!printed.isEmpty(), qPrintable(u"no page of job "_s + job + u" in "_s + out));
    QCOMPARE(pdfPages(printed), 1);
    const QString text = squeezed(pdfText(printed));
    if (qEnvironmentVariableIsEmpty("ORBELON_KEEP_PRINTED"))
        QFile::remove(printed);
    // The spooler's conversion keeps the Cyrillic text readable but draws digits and Latin
    // letters as pictures, so the figures are read from the PDF the engine writes itself
    // (the same prepared page), and here only that the page went through whole.
    for (const QString& expected : QStringList{
             u"Сводная ведомость передаваемой информации"_s, u"сведения о потребителях услуг"_s,
             u"сведения о начислениях"_s, u"Информацию сдал:"_s, u"Информацию принял:"_s})
        QVERIFY2(text.contains(expected), qPrintable(expected + u"\n---\n"_s + text));
}

QTEST_MAIN(TestSummaryPrint)
#include "tst_summaryprint.moc"
