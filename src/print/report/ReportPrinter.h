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

/// Tells the operator how printing went: nothing for a document that went to the
/// printer, where the PDF is, or what failed.
void tellOutcome(const PrintOutcome& outcome);

/// "<title> 2026-12-10 09-51-20.pdf": what the document is and when it was made, with
/// the characters a file name cannot hold replaced.
QString documentFileName(const QString& title, const QDateTime& when);

} // namespace Report
