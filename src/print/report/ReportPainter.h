#pragma once

#include "ReportEngine.h"

#include <QPageLayout>
#include <QString>

#include <memory>

class QIODevice;
class QPainter;

namespace Report {

/// Paints a prepared page with its top left corner at the painter's origin. `scale` is
/// device pixels per report pixel (the device's resolution / 96 on paper, the zoom on
/// screen). Fonts are sized for the device, so the text is as large as laid out.
void paintPage(QPainter& painter, const Page& page, double scale);

/// The paper of a prepared page: its size (A4 and the like by name), portrait or
/// landscape as the page is, no margins: the page lays out its own.
QPageLayout pageLayout(const QSizeF& pageSize);

/// Writes the pages into a PDF file, replacing the file only when the whole document is
/// written. False with `error` (the operator's message) when it cannot.
bool writePdf(const Prepared& report, const QString& path, QString* error = nullptr);
/// The same into an open device.
bool writePdf(const Prepared& report, QIODevice& device, QString* error = nullptr);

/// A PDF file written page by page as documents come, for runs too long to hold all their
/// pages at once (the receipts of a whole statement). The file is replaced only by a
/// finished document; until then, and after any failure, it is left as it was.
class PdfStream
{
public:
    /// `title` names the document inside the PDF.
    PdfStream(const QString& path, const QString& title);
    ~PdfStream();
    PdfStream(const PdfStream&) = delete;
    PdfStream& operator=(const PdfStream&) = delete;

    /// Adds the pages of `report`; false (with error()) when they could not be written,
    /// after which nothing more is written.
    bool add(const Prepared& report);
    /// Pages written so far.
    qsizetype pages() const { return m_pages; }
    /// Ends the document and puts the file in place; false with error() when it could not,
    /// or when no page came (emptyDocumentMessage()).
    bool finish();
    /// The operator's message for what failed.
    QString error() const { return m_error; }

private:
    struct Writer;
    bool fail(const QString& reason);

    QString m_path;
    QString m_title;
    std::unique_ptr<Writer> m_writer;
    qsizetype m_pages = 0;
    bool m_failed = false;
    QString m_error;
};

/// A document without a page is neither printed nor written.
QString emptyDocumentMessage();

/// "Не удалось записать файл ..." for a PDF that could not be written.
QString pdfFailedMessage(const QString& path, const QString& reason);

} // namespace Report
