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

} // namespace ToolSupport
