#pragma once

#include "ReportEngine.h"

#include <QDateTime>
#include <QPrinterInfo>
#include <QString>

namespace Report {

struct PrintOutcome
{
    enum class Kind
    {
        Printed,  ///< sent to the printer
        SavedPdf, ///< no printer installed: written into a PDF file
        Failed,
    };
    Kind kind = Kind::Failed;
    QString printer; ///< the printer's name (Printed, Failed on a printer)
    QString path;    ///< the PDF written (SavedPdf)
    QString message; ///< what failed (Failed)
};

/// Prints the pages to the default printer, one copy, without a dialog. Where no printer
/// is installed the document goes into a PDF in the program's files folder instead,
/// named after what it is and when it was made.
PrintOutcome printToDefault(const Prepared& report);
/// The same on a given printer; a null printer means none is installed.
PrintOutcome printTo(const Prepared& report, const QPrinterInfo& printer);

/// A run of print jobs (receipts two to a sheet, one job a sheet): each job goes to the
/// printer as it comes; where no printer is installed the jobs' pages are kept and written
/// at the end into one PDF, all sheets in order, so that a house's receipts are one file.
class PrintSpool
{
public:
    /// `title` names the PDF; `printer` null means none is installed.
    explicit PrintSpool(const QString& title,
                        const QPrinterInfo& printer = QPrinterInfo::defaultPrinter());

    bool toPrinter() const { return !m_printer.isNull(); }
    /// Prints the job or keeps its pages; false (with lastOutcome()) when the printer
    /// refused it.
    bool send(const Prepared& job);
    /// Jobs sent so far.
    int jobs() const { return m_jobs; }
    /// Ends the run: without a printer the kept pages go into the PDF (nothing when no job
    /// came). The outcome to tell the operator: the PDF's, the printer's last failure, or
    /// Printed.
    PrintOutcome finish();
    const PrintOutcome& lastOutcome() const { return m_last; }

private:
    QPrinterInfo m_printer;
    Prepared m_kept;
    PrintOutcome m_last;
    int m_jobs = 0;
};

/// Tells the operator how printing went: nothing for a document that went to the
/// printer, where the PDF is, or what failed.
void tellOutcome(const PrintOutcome& outcome);

/// "<title> 2026-12-10 09-51-20.pdf": what the document is and when it was made, with
/// the characters a file name cannot hold replaced.
QString documentFileName(const QString& title, const QDateTime& when);

} // namespace Report
