#include "ReportPrinter.h"

#include "Dialogs.h"
#include "ReportPainter.h"
#include "SysFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>

using namespace Qt::Literals::StringLiterals;

namespace Report {

namespace {

PrintOutcome failed(const QString& printer, const QString& message)
{
    PrintOutcome outcome;
    outcome.kind = PrintOutcome::Kind::Failed;
    outcome.printer = printer;
    outcome.message = message;
    return outcome;
}

PrintOutcome saveInFilesFolder(const Prepared& report)
{
    QString folder;
    try {
        folder = SysFolders::FilesFolder();
    } catch (const SysFolders::FolderError& error) {
        return failed({},
                      u"Принтер не установлен, а документ негде сохранить: "_s + error.message());
    }
    if (!QDir().mkpath(folder))
        return failed(
            {}, u"Принтер не установлен, а папку для документа создать не удалось:\r\n"_s + folder);
    const QDateTime now = QDateTime::currentDateTime();
    QString path = folder + documentFileName(report.title, now);
    // Two documents in one second keep both.
    for (int copy = 2; QFileInfo::exists(path); ++copy) {
        QString name = documentFileName(report.title, now);
        name.insert(name.size() - 4, u" (%1)"_s.arg(copy));
        path = folder + name;
    }
    QString error;
    if (!writePdf(report, path, &error))
        return failed({}, error);
    PrintOutcome outcome;
    outcome.kind = PrintOutcome::Kind::SavedPdf;
    outcome.path = path;
    return outcome;
}

} // namespace

QString documentFileName(const QString& title, const QDateTime& when)
{
    QString name = title.trimmed().isEmpty() ? u"Документ"_s : title.trimmed();
    for (QChar& ch : name) {
        if (ch < u' ' || QStringView(u"/\\:*?\"<>|").contains(ch))
            ch = u'_';
    }
    return name + u' ' + when.toString(u"yyyy-MM-dd HH-mm-ss"_s) + u".pdf"_s;
}

PrintOutcome printTo(const Prepared& report, const QPrinterInfo& info)
{
    // No blank sheet and no empty file stand for a document.
    if (report.pages.isEmpty())
        return failed(info.printerName(), emptyDocumentMessage());
    if (info.isNull())
        return saveInFilesFolder(report);
    const QString name = info.printerName();
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setDocName(report.title);
    printer.setCopyCount(1);
    printer.setFullPage(true);
    printer.setPageLayout(
        pageLayout(report.pages.isEmpty() ? a4Page() : report.pages.first().size));
    const QString cannot = u"Не удалось напечатать документ на принтере \""_s + name + u"\"."_s;
    QPainter painter;
    if (!painter.begin(&printer))
        return failed(name, cannot);
    const double scale = printer.resolution() / PixelsPerInch;
    for (qsizetype i = 0; i < report.pages.size(); ++i) {
        if (i > 0 &&
            (!printer.setPageLayout(pageLayout(report.pages.at(i).size)) || !printer.newPage())) {
            printer.abort();
            painter.end();
            return failed(name, cannot);
        }
        paintPage(painter, report.pages.at(i), scale);
    }
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        return failed(name, cannot);
    PrintOutcome outcome;
    outcome.kind = PrintOutcome::Kind::Printed;
    outcome.printer = name;
    return outcome;
}

PrintOutcome printToDefault(const Prepared& report)
{
    return printTo(report, QPrinterInfo::defaultPrinter());
}

PrintSpool::PrintSpool(const QString& title, const QPrinterInfo& printer)
    : m_printer(printer)
{
    m_kept.title = title;
    m_last.kind = PrintOutcome::Kind::Printed;
    m_last.printer = printer.printerName();
}

bool PrintSpool::send(const Prepared& job)
{
    ++m_jobs;
    if (!toPrinter()) {
        m_kept.pages += job.pages;
        return true;
    }
    m_last = printTo(job, m_printer);
    return m_last.kind == PrintOutcome::Kind::Printed;
}

PrintOutcome PrintSpool::finish()
{
    if (!toPrinter() && !m_kept.pages.isEmpty()) {
        m_last = printTo(m_kept, m_printer);
        m_kept.pages.clear();
    }
    return m_last;
}

void tellOutcome(const PrintOutcome& outcome)
{
    switch (outcome.kind) {
    case PrintOutcome::Kind::Printed:
        return;
    case PrintOutcome::Kind::SavedPdf:
        Dialogs::current().notice(u"Принтер не установлен. Документ сохранен в файл:\r\n"_s +
                                  outcome.path);
        return;
    case PrintOutcome::Kind::Failed:
        Dialogs::current().error(outcome.message);
        return;
    }
}

} // namespace Report
