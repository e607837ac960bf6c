#include "PayerSearch.h"

#include "RecordSet.h"

#include <QStringList>

#include <array>

using namespace Qt::Literals::StringLiterals;

namespace Bulk {

PayerCriteria PayerCriteria::trimmed() const
{
    return {surname.trimmed(), firstName.trimmed(), patronymic.trimmed(), account.trimmed(),
            byName};
}

QString criteriaProblem(const PayerCriteria& criteria)
{
    const PayerCriteria c = criteria.trimmed();
    if (c.byName && c.surname.isEmpty() && c.firstName.isEmpty() && c.patronymic.isEmpty())
        return u"Необходимо заполнить поле \"Фамилия\" или поле \"Имя\" или поле \"Отчество\"."_s;
    if (!c.byName && c.account.isEmpty())
        return u"Необходимо заполнить поле \"Лицевой счет\"."_s;
    return {};
}

int findPayer(const RecordSet& payers, const PayerCriteria& criteria, int from)
{
    if (!criteriaProblem(criteria).isEmpty())
        return -1;
    const PayerCriteria c = criteria.trimmed();
    // Only the filled criteria are compared, each against its own field.
    struct Test
    {
        int field;
        QString prefix;
    };
    std::array<Test, 3> tests;
    int count = 0;
    const auto add = [&](QStringView field, const QString& prefix) {
        if (!prefix.isEmpty())
            tests[count++] = {payers.fieldIndex(field), prefix};
    };
    if (c.byName) {
        add(u"Name1", c.surname);
        add(u"Name2", c.firstName);
        add(u"Name3", c.patronymic);
    } else {
        add(u"Numls", c.account);
    }
    for (int i = 0; i < count; ++i) {
        if (tests[i].field < 0)
            return -1;
    }
    for (int row = qMax(0, from); row < payers.rowCount(); ++row) {
        bool matches = true;
        for (int i = 0; i < count && matches; ++i)
            matches = payers.value(row, tests[i].field)
                          .toString()
                          .startsWith(tests[i].prefix, Qt::CaseInsensitive);
        if (matches)
            return row;
    }
    return -1;
}

} // namespace Bulk
