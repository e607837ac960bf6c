#include "ToolSupport.h"

#include "CommonFnc.h"
#include "Database.h"
#include "DbBuilder.h"

#include <algorithm>

namespace ToolSupport {

bool openFreshDatabase(const QString& file, Database& db, QString* error)
{
    if (!DbBuilder::build(DbBuilder::defaultSourceDir(), file, error))
        return false;
    if (!db.open(file)) {
        *error = db.errorString();
        return false;
    }
    return true;
}

QDate periodFromText(const QString& text)
{
    if (text.size() != 6)
        return {};
    try {
        const QDate period = CommonFnc::DecodeMonthYearChecked(text);
        return period == CommonFnc::EmptyDate() ? QDate() : period;
    } catch (const CommonFnc::ConversionError&) {
        return {};
    }
}

qint64 median(QList<qint64> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

qint64 least(const QList<qint64>& values)
{
    return values.isEmpty() ? 0 : *std::min_element(values.begin(), values.end());
}

QString ratios(const QList<qint64>& program, const QList<qint64>& reference)
{
    const auto ratio = [](qint64 a, qint64 b) {
        return QString::number(b > 0 ? double(a) / double(b) : 0.0, 'f', 2);
    };
    return ratio(median(program), median(reference)) + QStringLiteral("x median, ") +
           ratio(least(program), least(reference)) + QStringLiteral("x least");
}

} // namespace ToolSupport
