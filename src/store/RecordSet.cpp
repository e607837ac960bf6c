#include "RecordSet.h"

#include "Database.h"
#include "Schema.h"
#include "SqliteStatement.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QHash>
#include <QLocale>

#include <algorithm>
#include <vector>

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
    m_cells.clear();
    m_rowCount = 0;
    m_order.clear();
    m_fields.clear();
    m_current = -1;
}

bool RecordSet::read()
{
    const qsizetype previousCells = m_cells.size();
    m_cells.clear();
    m_rowCount = 0;
    m_order.clear();
    m_error.clear();
    // A list of a whole statement is read straight through SQLite: the rows of a large
    // statement cost more in the driver's copies than in the query itself.
    SqliteStatement query(*m_db, m_sql);
    if (!query.isValid()) {
        m_error = query.errorText();
        m_current = -1;
        return false;
    }
    for (const QueryParam& p : std::as_const(m_params))
        query.bindValue(p.name, p.value);
    QStringList fields;
    for (int i = 0; i < query.columnCount(); ++i)
        fields << query.columnName(i);
    const bool fieldsChanged = fields != m_fields;
    m_fields = fields;
    const int fieldCount = int(m_fields.size());
    // A re-read usually finds about as many rows as before.
    m_cells.reserve(previousCells);
    // Texts repeat down a column (streets, kinds, months): a text equal to the one above it
    // shares that one's string instead of making its own.
    struct LastText
    {
        QByteArray utf8;
        QVariant value;
    };
    std::vector<LastText> above(static_cast<size_t>(fieldCount));
    while (query.next()) {
        for (int i = 0; i < fieldCount; ++i) {
            if (!query.isText(i)) {
                m_cells.append(query.value(i));
                continue;
            }
            const QByteArrayView utf8 = query.utf8(i);
            LastText& last = above[size_t(i)];
            if (!last.value.isValid() || last.utf8 != utf8) {
                last.utf8 = utf8.toByteArray();
                // Never a null string: an empty text is not NULL.
                last.value = utf8.isEmpty() ? u""_s : QString::fromUtf8(utf8);
            }
            m_cells.append(last.value);
        }
        ++m_rowCount;
    }
    if (!query.errorText().isEmpty()) {
        m_error = query.errorText();
        m_cells.clear();
        m_rowCount = 0;
        m_current = -1;
        return false;
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
    m_current = m_rowCount == 0 ? -1 : 0;
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
    return cell(m_order[row], field);
}

QVariant RecordSet::value(int row, QStringView name) const
{
    return value(row, fieldIndex(name));
}

QVariantMap RecordSet::rowValues(int row) const
{
    QVariantMap values;
    if (row < 0 || row >= rowCount())
        return values;
    for (int f = 0; f < fieldCount(); ++f)
        values.insert(m_fields[f], value(row, f));
    return values;
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
    m_order.resize(m_rowCount);
    for (int i = 0; i < m_order.size(); ++i)
        m_order[i] = i;
    if (m_sortFields.isEmpty())
        return;

    // Each sort field is turned once into typed keys, so that comparing two rows does
    // not convert values: lists of a hundred thousand payers sort in a blink.
    enum Kind : quint8
    {
        Null,
        Integer,
        Real,
        Text
    };
    struct Key
    {
        Kind kind = Null;
        qint64 integer = 0;
        double real = 0;
        int text = -1; ///< index into the field's collation keys
    };
    struct FieldKeys
    {
        std::vector<Key> keys;
        std::vector<QCollatorSortKey> texts;
        int field = 0;
        bool descending = false;
    };

    QCollator collator{QLocale(QLocale::Russian, QLocale::Russia)};
    std::vector<FieldKeys> fields;
    fields.reserve(m_sortFields.size());
    for (const SortField& sf : std::as_const(m_sortFields)) {
        FieldKeys fk;
        fk.field = sf.field;
        fk.descending = sf.descending;
        fk.keys.resize(m_rowCount);
        // Names and addresses repeat a lot; one collation key per distinct text.
        QHash<QString, int> textIndex;
        for (int i = 0; i < m_rowCount; ++i) {
            const QVariant& v = cell(i, sf.field);
            Key& key = fk.keys[i];
            if (isNull(v)) {
                key.kind = Null;
            } else if (v.metaType().id() == QMetaType::Double) {
                key.kind = Real;
                key.real = v.toDouble();
            } else if (isNumber(v)) {
                key.kind = Integer;
                key.integer = v.toLongLong();
            } else {
                key.kind = Text;
                const QString text = v.toString();
                auto it = textIndex.constFind(text);
                if (it == textIndex.constEnd()) {
                    it = textIndex.insert(text, int(fk.texts.size()));
                    fk.texts.push_back(collator.sortKey(text));
                }
                key.text = *it;
            }
        }
        fields.push_back(std::move(fk));
    }

    auto compareKeys = [&](const FieldKeys& fk, int a, int b) -> int {
        const Key& ka = fk.keys[a];
        const Key& kb = fk.keys[b];
        if (ka.kind == Null || kb.kind == Null)
            return ka.kind == kb.kind ? 0 : (ka.kind == Null ? -1 : 1);
        if (ka.kind == Integer && kb.kind == Integer)
            return ka.integer < kb.integer ? -1 : (ka.integer > kb.integer ? 1 : 0);
        if (ka.kind != Text && kb.kind != Text) {
            const double da = ka.kind == Real ? ka.real : double(ka.integer);
            const double db = kb.kind == Real ? kb.real : double(kb.integer);
            return da < db ? -1 : (da > db ? 1 : 0);
        }
        if (ka.kind == Text && kb.kind == Text)
            return ka.text == kb.text ? 0 : fk.texts[ka.text].compare(fk.texts[kb.text]);
        // A number among texts: compared as the text it shows.
        return collator.compare(cell(a, fk.field).toString(), cell(b, fk.field).toString());
    };

    std::stable_sort(m_order.begin(), m_order.end(), [&](int a, int b) {
        for (const FieldKeys& fk : fields) {
            const int c = compareKeys(fk, a, b);
            if (c != 0)
                return fk.descending ? c > 0 : c < 0;
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
        const int index = m_order[row];
        bool match = true;
        for (int i = 0; i < fields.size() && match; ++i)
            match = keyText(cell(index, fields[i])) == wanted[i];
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
