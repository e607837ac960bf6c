#include "ReportTemplate.h"

namespace Report {

QSizeF a4Page()
{
    return {210.0 / 25.4 * PixelsPerInch, 297.0 / 25.4 * PixelsPerInch};
}

Template::Template(const QString& name)
    : m_name(name)
{}

Band& Template::addBand(BandKind kind, double height)
{
    Band band;
    band.kind = kind;
    band.height = height;
    bands.append(band);
    return bands.last();
}

TextItem& Template::addText(const QString& name, const QRectF& rect, const QString& text,
                            const Font& font, Qt::Alignment alignment)
{
    Q_ASSERT(!bands.isEmpty());
    TextItem item;
    item.name = name;
    item.rect = rect;
    item.text = text;
    item.font = font;
    item.alignment = alignment;
    bands.last().texts.append(item);
    return bands.last().texts.last();
}

LineItem& Template::addLine(const QLineF& line, double width)
{
    Q_ASSERT(!bands.isEmpty());
    bands.last().lines.append(LineItem{line, width});
    return bands.last().lines.last();
}

TextItem* Template::findText(QStringView name)
{
    for (Band& band : bands) {
        for (TextItem& item : band.texts) {
            if (!item.name.isEmpty() &&
                QStringView(item.name).compare(name, Qt::CaseInsensitive) == 0)
                return &item;
        }
    }
    return nullptr;
}

bool Template::setText(QStringView name, const QString& text)
{
    TextItem* item = findText(name);
    if (!item)
        return false;
    item->text = text;
    return true;
}

void Template::bind(const QString& dataSetName, const DataSet* data)
{
    m_data.insert(dataSetName.toUpper(), data);
}

const DataSet* Template::dataSet(QStringView name) const
{
    return m_data.value(name.toString().toUpper(), nullptr);
}

} // namespace Report
