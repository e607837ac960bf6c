#pragma once

#include "ReportEngine.h"

#include <QPageLayout>
#include <QString>

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

/// A document without a page is neither printed nor written.
QString emptyDocumentMessage();

/// "Не удалось записать файл ..." for a PDF that could not be written.
QString pdfFailedMessage(const QString& path, const QString& reason);

} // namespace Report
