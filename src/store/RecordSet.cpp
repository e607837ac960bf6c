#include "RecordSet.h"

#include "Database.h"
#include "Query.h"
#include "Schema.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QLocale>
#include <QSqlRecord>

#include <algorithm>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace {

bool isNumber(const QVariant& v)
{
    switch (v.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

bool isNull(const QVariant& v)
{
    return !v.isValid() || v.isNull();
}

QString keyText(const QVariant& v)
{
    return isNull(v) ? QString() : v.toString();
}

} // namespace

bool RecordSet::open(Database& db, const QString& sql, const QueryParams& params)
{
    m_db = &db;
    m_sql = sql;
    m_params = params;
    m_current = -1;
    return read();
}

bool RecordSet::reopen(const QueryParams& params)
{
    if (!m_db)
        return false;
    m_params = params;
    m_current = -1;
    return read();
}

bool RecordSet::refresh()
{
    if (!m_db)
        return false;
    const int oldRow = m_current;
    const QVariantList oldKey = keyAt(m_current);
    if (!read())
        return false;
    if (oldKey.isEmpty() || !moveTo(oldKey))
        setCurrentRow(qMin(oldRow, rowCount() - 1));
    return true;
}

void RecordSet::close()
{
    m_db = nullptr;
    m_data.clear();
    m_order.clear();
    m_fields.clear();
    m_current = -1;
}

bool RecordSet::read()
{
    m_data.clear();
    m_order.clear();
    m_error.clear();
    Query query(*m_db, m_sql);
    for (const QueryParam& p : std::as_const(m_params))
        query.bind(p.name, p.value);
    if (!query.exec()) {
        m_error = query.errorText();
        m_current = -1;
        return false;
    }
    const QSqlRecord record = query.raw().record();
    QStringList fields;
    for (int i = 0; i < record.count(); ++i)
        fields << record.fieldName(i);
    const bool fieldsChanged = fields != m_fields;
    m_fields = fields;
    while (query.next()) {
        QVector<QVariant> row(m_fields.size());
        for (int i = 0; i < row.size(); ++i)
            row[i] = query.value(i);
        m_data.push_back(std::move(row));
    }
    if (fieldsChanged) {
        // The sort text names fields; re-resolve it against the new field list.
        const QString sort = m_sortText;
        m_sortText.clear();
        m_sortFields.clear();
        if (!setSort(sort))
            m_sortText.clear();
    }
    applySort();
    m_current = m_data.isEmpty() ? -1 : 0;
    return true;
}

int RecordSet::fieldIndex(QStringView name) const
{
    for (int i = 0; i < m_fields.size(); ++i) {
        if (QStringView(m_fields[i]).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QVariant RecordSet::value(int row, int field) const
{
    if (row < 0 || row >= rowCount() || field < 0 || field >= fieldCount())
        return {};
    return m_data[m_order[row]][field];
}

QVariant RecordSet::value(int row, QStringView name) const
{
    return value(row, fieldIndex(name));
}

Decimal RecordSet::decimal(int row, QStringView name) const
{
    return Decimal::fromVariant(value(row, name), Schema::decimalScale(name));
}

bool RecordSet::setSort(const QString& sortText)
{
    QList<SortField> fields;
    const QStringList items = sortText.split(u',', Qt::SkipEmptyParts);
    for (const QString& item : items) {
        const QStringList words = item.simplified().split(u' ');
        if (words.isEmpty() || words.size() > 2 || words.first().isEmpty())
            return false;
        const int field = fieldIndex(words.first());
        if (field < 0 && !m_fields.isEmpty())
            return false;
        bool descending = false;
        if (words.size() == 2) {
            if (words[1].compare(u"DESC"_s, Qt::CaseInsensitive) == 0)
                descending = true;
            else if (words[1].compare(u"ASC"_s, Qt::CaseInsensitive) != 0)
                return false;
        }
        fields.append({field, descending});
    }
    const QVariantList currentKey = keyAt(m_current);
    m_sortText = sortText;
    m_sortFields = fields;
    // Before the first read the field list is unknown; read() resolves the text then.
    if (m_fields.isEmpty())
        return true;
    applySort();
    if (!currentKey.isEmpty())
        moveTo(currentKey);
    return true;
}

void RecordSet::applySort()
{
    m_order.resize(m_data.size());
    for (int i = 0; i < m_order.size(); ++i)
        m_order[i] = i;
    if (m_sortFields.isEmpty())
        return;

    // Text fields compare by Russian collation; precomputed keys keep large lists fast.
    QCollator collator{QLocale(QLocale::Russian, QLocale::Russia)};
    QHash<int, QVector<std::optional<QCollatorSortKey>>> textKeys;
    for (const SortField& sf : std::as_const(m_sortFields)) {
        if (textKeys.contains(sf.field))
            continue;
        QVector<std::optional<QCollatorSortKey>> keys(m_data.size());
        bool anyText = false;
        for (int i = 0; i < m_data.size(); ++i) {
            const QVariant& v = m_data[i][sf.field];
            if (!isNull(v) && !isNumber(v)) {
                keys[i] = collator.sortKey(v.toString());
                anyText = true;
            }
        }
        if (anyText)
            textKeys.insert(sf.field, std::move(keys));
    }

    auto compareField = [&](int a, int b, int field) -> int {
        const QVariant& va = m_data[a][field];
        const QVariant& vb = m_data[b][field];
        const bool na = isNull(va);
        const bool nb = isNull(vb);
        if (na || nb)
            return na == nb ? 0 : (na ? -1 : 1);
        if (isNumber(va) && isNumber(vb)) {
            if (va.metaType().id() == QMetaType::Double || vb.metaType().id() == QMetaType::Double) {
                const double da = va.toDouble();
                const double db = vb.toDouble();
                return da < db ? -1 : (da > db ? 1 : 0);
            }
            const qlonglong la = va.toLongLong();
            const qlonglong lb = vb.toLongLong();
            return la < lb ? -1 : (la > lb ? 1 : 0);
        }
        const auto keys = textKeys.constFind(field);
        if (keys != textKeys.constEnd() && (*keys)[a] && (*keys)[b])
            return (*keys)[a]->compare(*(*keys)[b]);
        return collator.compare(va.toString(), vb.toString());
    };

    std::stable_sort(m_order.begin(), m_order.end(), [&](int a, int b) {
        for (const SortField& sf : std::as_const(m_sortFields)) {
            const int c = compareField(a, b, sf.field);
            if (c != 0)
                return sf.descending ? c > 0 : c < 0;
        }
        return false;
    });
}

QVariantList RecordSet::keyAt(int row) const
{
    if (row < 0 || row >= rowCount() || m_keyFields.isEmpty())
        return {};
    QVariantList key;
    for (const QString& field : m_keyFields)
        key << value(row, field);
    return key;
}

int RecordSet::locate(const QVariantList& key) const
{
    if (key.size() != m_keyFields.size() || key.isEmpty())
        return -1;
    QList<int> fields;
    QStringList wanted;
    for (int i = 0; i < key.size(); ++i) {
        const int field = fieldIndex(m_keyFields[i]);
        if (field < 0)
            return -1;
        fields << field;
        wanted << keyText(key[i]);
    }
    for (int row = 0; row < rowCount(); ++row) {
        const QVector<QVariant>& data = m_data[m_order[row]];
        bool match = true;
        for (int i = 0; i < fields.size() && match; ++i)
            match = keyText(data[fields[i]]) == wanted[i];
        if (match)
            return row;
    }
    return -1;
}

void RecordSet::setCurrentRow(int row)
{
    if (m_order.isEmpty())
        m_current = -1;
    else
        m_current = qBound(0, row, rowCount() - 1);
}

bool RecordSet::moveTo(const QVariantList& key)
{
    const int row = locate(key);
    if (row < 0)
        return false;
    m_current = row;
    return true;
}
