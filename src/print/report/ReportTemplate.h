#pragma once

#include <QFlags>
#include <QHash>
#include <QLineF>
#include <QList>
#include <QMarginsF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringView>

#include <functional>
#include <optional>

namespace Report {

class DataSet;

/// Report geometry is in report pixels, 96 to the inch, as the layouts of the forms
/// are written; the painter scales them to the device.
constexpr double PixelsPerInch = 96.0;
/// A4 portrait, 210 x 297 mm.
QSizeF a4Page();

struct Font
{
    /// Printed with a metric-compatible free face where Arial itself is not installed,
    /// so the layouts keep their widths.
    QString family = QStringLiteral("Arial");
    double pointSize = 10;
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

/// What a text that does not fit its item does.
enum class Fit
{
    /// Breaks between words onto further lines; when the lines are still too tall the
    /// item grows (canGrow) or the font shrinks until they fit.
    Wrap,
    /// Stays on one line; the font shrinks until the line fits the width.
    Shrink,
};

enum class Side
{
    None = 0,
    Left = 1,
    Top = 2,
    Right = 4,
    Bottom = 8,
    All = 15
};
Q_DECLARE_FLAGS(Frame, Side)

/// The values an item's hook sees: the composed text and the row it was composed from.
struct ItemContext
{
    const DataSet* data = nullptr; ///< the band's data set, if any
    int row = -1;
};

/// A text object. Its text is fixed text with expressions in square brackets:
///   [Set."Field"]   a field of the current row of the data set bound as Set
///   [LINE#]         the row's number within its band (restarting for every master row
///                   in a detail band)
///   [PAGE#]         the sheet's number in the job
///   [DATE]          the day of printing
///   [SUM(Set."Field")]  the sum of the field over the rows of the band's scope: a group
///                   footer sums its group, any other band all rows of the data set
/// Every expression's value is printed in the item's format (see ReportFormat.h). An
/// expression the engine does not know is printed as written, so that a template's
/// fault shows.
struct TextItem
{
    QString name;
    QRectF rect; ///< within the band
    QString text;
    Font font;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop;
    Frame frame;
    Fit fit = Fit::Wrap;
    bool canGrow = false;
    QString format;
    /// Stands for an object's script: takes the composed text, returns the printed one
    /// ("задолженность отсутствует" where a value is 0).
    std::function<QString(const QString& text, const ItemContext& context)> hook;
};

struct LineItem
{
    QLineF line; ///< within the band
    double width = 1;
};

enum class BandKind
{
    ReportTitle,   ///< once, at the top of the first page
    PageHeader,    ///< at the top of every page
    ColumnHeader,  ///< under the page header of every page that carries data rows
    GroupHeader,   ///< before the first row of every group
    MasterData,    ///< once per row of its data set
    DetailData,    ///< after each master row, once per detail row linked to it
    GroupFooter,   ///< after the last row of every group
    ReportSummary, ///< after the last row
    PageFooter,    ///< at the foot of every page
};

struct Band
{
    BandKind kind = BandKind::ReportTitle;
    double height = 0;
    QList<TextItem> texts;
    QList<LineItem> lines;
    /// Master and detail data: the name the data set is bound under.
    QString dataSet;
    /// Group header: the expression ("[Set."Field"]") whose change starts a new group.
    /// The rows come sorted by it; the group footer that follows the data band closes
    /// the group of the header with the same nesting (first header, last footer).
    QString groupExpression;
    /// Detail data: the detail rows of a master row are those whose detailField equals
    /// the master row's masterField (compared as text).
    QString masterField;
    QString detailField;
    /// Page footer: its top on the page instead of the page's foot.
    std::optional<double> top;
};

/// One report: a page and its bands, with the data sets bound to the names the bands
/// and expressions use. A template that continues the previous page is placed in a
/// composite job on the same sheet below the template before it, when it fits there.
class Template
{
public:
    explicit Template(const QString& name = {});

    QString name() const { return m_name; }

    QSizeF pageSize = a4Page();
    QMarginsF margins{38, 38, 38, 38};
    bool continuesPreviousPage = false;
    QList<Band> bands;

    Band& addBand(BandKind kind, double height);
    /// A text item of the last band added.
    TextItem& addText(const QString& name, const QRectF& rect, const QString& text,
                      const Font& font = {},
                      Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop);
    LineItem& addLine(const QLineF& line, double width = 1);

    /// A text object by name, without regard to case; null when there is none.
    TextItem* findText(QStringView name);
    /// Sets the text of a named object; false when the template has none of that name.
    bool setText(QStringView name, const QString& text);

    void bind(const QString& dataSetName, const DataSet* data);
    const DataSet* dataSet(QStringView name) const;

private:
    QString m_name;
    QHash<QString, const DataSet*> m_data; ///< by upper-case name
};

} // namespace Report

Q_DECLARE_OPERATORS_FOR_FLAGS(Report::Frame)
