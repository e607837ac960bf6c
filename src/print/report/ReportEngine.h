#pragma once

#include "ReportTemplate.h"

#include <QDate>
#include <QFont>
#include <QList>
#include <QStringList>

#include <functional>

/// The banded report engine: a template and its data are prepared into pages of
/// positioned texts and lines. Preparing paints nothing, so a test can inspect the
/// layout; ReportPainter.h puts prepared pages on paper, on screen or into a PDF.
/// Preparing measures text and so needs a QGuiApplication (offscreen will do).
namespace Report {

/// A text as it lands on a page: its lines already broken and its font already shrunk
/// where the template asks for it, so every device prints the same lines.
struct PlacedText
{
    QString name;
    BandKind band = BandKind::ReportTitle;
    QRectF rect; ///< on the page, report pixels
    QStringList lines;
    Font font;
    double lineHeight = 0;
    Qt::Alignment alignment;
    Frame frame;

    QString text() const { return lines.join(u'\n'); }
};

struct PlacedLine
{
    BandKind band = BandKind::ReportTitle;
    QLineF line;
    double width = 1;
};

struct Page
{
    QSizeF size;
    QList<PlacedText> texts;
    QList<PlacedLine> lines;

    /// The first text of that name, without regard to case; null when there is none.
    const PlacedText* find(QStringView name) const;
    /// Every text of that name, in the order placed (a data band's column).
    QList<const PlacedText*> findAll(QStringView name) const;
    /// All texts of the page in the order placed, one per line of the result.
    QString plainText() const;
};

struct Prepared
{
    QList<Page> pages;
    /// The document's name: the print job's title and the PDF's.
    QString title;
};

struct PrepareOptions
{
    /// What [DATE] prints.
    QDate today = QDate::currentDate();
    /// Given every page as soon as it is complete, so that a preview can show the first
    /// pages of a long report while the rest are laid out. May let window messages run.
    std::function<void(const Page& page)> pageReady;
    /// Asked between rows; true ends the preparation where it stands (the preview closed).
    std::function<bool()> cancelled;
};

/// One template as a job of its own.
Prepared prepare(const Template& report, const PrepareOptions& options = {});

/// A list of templates prepared and printed as one job.
class CompositeReport
{
public:
    void add(const Template* report) { m_reports.append(report); }
    void clear() { m_reports.clear(); }
    bool isEmpty() const { return m_reports.isEmpty(); }
    int count() const { return int(m_reports.size()); }

    Prepared prepare(const PrepareOptions& options = {}) const;

private:
    QList<const Template*> m_reports;
};

/// Inner space of a text item between its edges and its text, report pixels.
constexpr double TextPaddingX = 2;
constexpr double TextPaddingY = 1;
/// The smallest a shrinking text goes.
constexpr double MinPointSize = 4;

/// The Qt font of a report font at a point size, hinting off so that text measures the
/// same on every device.
QFont qtFont(const Font& font, double pointSize);

} // namespace Report
