#include "ReportPainter.h"

#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <optional>

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

namespace {

/// Paints documents one after another into a PDF on an open device, each page on paper of
/// its own size.
class PdfPages
{
public:
    PdfPages(QIODevice& device, const QString& title)
        : m_device(device)
        , m_writer(&device)
    {
        m_writer.setTitle(title);
        m_writer.setCreator(u"Орбелон"_s);
    }

    /// False with `reason` when the device refused a page.
    bool add(const Prepared& report, QString& reason)
    {
        for (const Page& page : report.pages) {
            if (!m_started) {
                // The writer's first page takes the layout set before painting begins.
                m_writer.setPageLayout(pageLayout(page.size));
                if (!m_painter.begin(&m_writer)) {
                    reason = m_device.errorString();
                    return false;
                }
                m_started = true;
            } else if (!m_writer.setPageLayout(pageLayout(page.size)) || !m_writer.newPage()) {
                // A page of another size or orientation than the one before gets its own paper.
                reason = m_device.errorString();
                return false;
            }
            paintPage(m_painter, page, m_writer.resolution() / PixelsPerInch);
        }
        return true;
    }

    /// Ends the document; false with `reason` when the last bytes could not be written.
    bool finish(QString& reason)
    {
        if (m_started && !m_painter.end()) {
            reason = m_device.errorString();
            return false;
        }
        return true;
    }

private:
    QIODevice& m_device;
    QPdfWriter m_writer;
    QPainter m_painter;
    bool m_started = false;
};

} // namespace

bool writePdf(const Prepared& report, QIODevice& device, QString* error)
{
    if (report.pages.isEmpty()) {
        if (error)
            *error = emptyDocumentMessage();
        return false;
    }
    PdfPages pdf(device, report.title);
    QString reason;
    if (!pdf.add(report, reason) || !pdf.finish(reason)) {
        if (error)
            *error = reason;
        return false;
    }
    return true;
}

bool writePdf(const Prepared& report, const QString& path, QString* error)
{
    PdfStream stream(path, report.title);
    if (report.pages.isEmpty() || !stream.add(report) || !stream.finish()) {
        if (error)
            *error = report.pages.isEmpty() ? emptyDocumentMessage() : stream.error();
        return false;
    }
    return true;
}

struct PdfStream::Writer
{
    explicit Writer(const QString& path, const QString& title)
        : file(path)
    {
        if (file.open(QIODevice::WriteOnly))
            pages.emplace(file, title);
    }

    QSaveFile file;
    std::optional<PdfPages> pages;
};

PdfStream::PdfStream(const QString& path, const QString& title)
    : m_path(path)
    , m_title(title)
{}

PdfStream::~PdfStream()
{
    // An unfinished document never takes the file's place.
    if (m_writer) {
        m_writer->pages.reset();
        m_writer->file.cancelWriting();
    }
}

bool PdfStream::fail(const QString& reason)
{
    m_failed = true;
    m_error = pdfFailedMessage(m_path, reason.isEmpty() ? m_writer->file.errorString() : reason);
    m_writer->pages.reset();
    m_writer->file.cancelWriting();
    return false;
}

bool PdfStream::add(const Prepared& report)
{
    if (m_failed)
        return false;
    if (!m_writer) {
        m_writer = std::make_unique<Writer>(m_path, m_title);
        if (!m_writer->pages)
            return fail(m_writer->file.errorString());
    }
    QString reason;
    if (!m_writer->pages->add(report, reason))
        return fail(reason);
    m_pages += report.pages.size();
    return true;
}

bool PdfStream::finish()
{
    if (m_failed)
        return false;
    if (m_pages == 0) {
        m_error = emptyDocumentMessage();
        return false;
    }
    QString reason;
    if (!m_writer->pages->finish(reason))
        return fail(reason);
    m_writer->pages.reset();
    // The last bytes may meet a full disk only here.
    if (!m_writer->file.flush() || !m_writer->file.commit())
        return fail(m_writer->file.errorString());
    m_writer.reset();
    return true;
}

} // namespace Report
