#include "ReportPainter.h"

#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

using namespace Qt::Literals::StringLiterals;

namespace Report {

namespace {

void paintText(QPainter& painter, const PlacedText& text, double scale)
{
    const QRectF rect(text.rect.x() * scale, text.rect.y() * scale, text.rect.width() * scale,
                      text.rect.height() * scale);
    if (text.frame != Frame(Side::None)) {
        painter.setPen(QPen(Qt::black, qMax(1.0, scale)));
        if (text.frame & Side::Left)
            painter.drawLine(rect.topLeft(), rect.bottomLeft());
        if (text.frame & Side::Top)
            painter.drawLine(rect.topLeft(), rect.topRight());
        if (text.frame & Side::Right)
            painter.drawLine(rect.topRight(), rect.bottomRight());
        if (text.frame & Side::Bottom)
            painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    }
    if (text.lines.isEmpty() || (text.lines.size() == 1 && text.lines.first().isEmpty()))
        return;

    // A point size for this device that gives the laid-out size in report pixels.
    const int dpi = painter.device() ? painter.device()->logicalDpiY() : int(PixelsPerInch);
    const QFont font = qtFont(text.font, text.font.pointSize * PixelsPerInch * scale / dpi);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QFontMetricsF metrics(font, painter.device());

    const double padX = TextPaddingX * scale;
    const double padY = TextPaddingY * scale;
    const double lineHeight = text.lineHeight * scale;
    const double block = lineHeight * text.lines.size();
    double top = rect.top() + padY;
    if (text.alignment & Qt::AlignVCenter)
        top = rect.top() + (rect.height() - block) / 2;
    else if (text.alignment & Qt::AlignBottom)
        top = rect.bottom() - padY - block;

    painter.save();
    painter.setClipRect(rect.adjusted(-scale, -scale, scale, scale));
    const double inner = rect.width() - 2 * padX;
    for (qsizetype i = 0; i < text.lines.size(); ++i) {
        const QString& line = text.lines.at(i);
        const double width = metrics.horizontalAdvance(line);
        double x = rect.left() + padX;
        if (text.alignment & Qt::AlignRight)
            x = rect.left() + padX + inner - width;
        else if (text.alignment & Qt::AlignHCenter)
            x = rect.left() + padX + (inner - width) / 2;
        const double baseline = top + i * lineHeight + metrics.ascent();
        painter.drawText(QPointF(x, baseline), line);
    }
    painter.restore();
}

} // namespace

void paintPage(QPainter& painter, const Page& page, double scale)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    for (const PlacedLine& line : page.lines) {
        painter.setPen(QPen(Qt::black, qMax(1.0, line.width * scale)));
        painter.drawLine(QLineF(line.line.p1() * scale, line.line.p2() * scale));
    }
    for (const PlacedText& text : page.texts)
        paintText(painter, text, scale);
    painter.restore();
}

QPageLayout pageLayout(const QSizeF& pageSize)
{
    const bool landscape = pageSize.width() > pageSize.height();
    const QSizeF portrait = landscape ? pageSize.transposed() : pageSize;
    const QPageSize paper(portrait * 72.0 / PixelsPerInch, QPageSize::Point, QString(),
                          QPageSize::FuzzyMatch);
    return QPageLayout(paper, landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0));
}

QString pdfFailedMessage(const QString& path, const QString& reason)
{
    return u"Не удалось записать файл\r\n"_s + path + u"\r\n"_s + reason;
}

QString emptyDocumentMessage()
{
    return u"В документе нет ни одной страницы: печатать нечего."_s;
}

bool writePdf(const Prepared& report, QIODevice& device, QString* error)
{
    if (report.pages.isEmpty()) {
        if (error)
            *error = emptyDocumentMessage();
        return false;
    }
    QPdfWriter writer(&device);
    writer.setTitle(report.title);
    writer.setCreator(u"Орбелон"_s);
    writer.setPageLayout(pageLayout(report.pages.isEmpty() ? a4Page() : report.pages.first().size));
    QPainter painter;
    if (!painter.begin(&writer)) {
        if (error)
            *error = device.errorString();
        return false;
    }
    const double scale = writer.resolution() / PixelsPerInch;
    for (qsizetype i = 0; i < report.pages.size(); ++i) {
        // A page of another size or orientation than the one before gets its own paper.
        if (i > 0 &&
            (!writer.setPageLayout(pageLayout(report.pages.at(i).size)) || !writer.newPage())) {
            painter.end();
            if (error)
                *error = device.errorString();
            return false;
        }
        paintPage(painter, report.pages.at(i), scale);
    }
    if (!painter.end()) {
        if (error)
            *error = device.errorString();
        return false;
    }
    return true;
}

bool writePdf(const Prepared& report, const QString& path, QString* error)
{
    QSaveFile file(path);
    QString reason;
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = pdfFailedMessage(path, file.errorString());
        return false;
    }
    if (!writePdf(report, file, &reason)) {
        file.cancelWriting();
        if (error)
            *error = pdfFailedMessage(path, reason.isEmpty() ? file.errorString() : reason);
        return false;
    }
    // The last bytes may meet a full disk only here.
    if (!file.flush() || !file.commit()) {
        if (error)
            *error = pdfFailedMessage(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace Report
