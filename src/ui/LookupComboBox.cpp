#include "LookupComboBox.h"

#include "Query.h"

#include <QAbstractItemView>

LookupComboBox::LookupComboBox(QWidget* parent)
    : QComboBox(parent)
{
    setEditable(false);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(this, &QComboBox::activated, this, [this] { m_unknownKey = QVariant(); });
}

void LookupComboBox::setItems(const QList<QPair<QVariant, QString>>& items)
{
    const QVariant key = keyValue();
    clear();
    for (const auto& item : items)
        addItem(item.second, item.first);
    setKeyValue(key);
}

QVariant LookupComboBox::keyValue() const
{
    return currentIndex() < 0 ? m_unknownKey : currentData();
}

void LookupComboBox::setKeyValue(const QVariant& key)
{
    int found = -1;
    if (key.isValid() && !key.isNull()) {
        const QString wanted = key.toString();
        for (int i = 0; i < count(); ++i) {
            if (itemData(i).toString() == wanted) {
                found = i;
                break;
            }
        }
    }
    m_unknownKey = found < 0 && m_keepUnknown && key.isValid() && !key.isNull() ? key : QVariant();
    setCurrentIndex(found);
}

void LookupComboBox::hidePopup()
{
    // Qt also hides the popup when the window closes; only a list that was open
    // counts as the operator closing it.
    const bool wasOpen = view() && view()->isVisible();
    QComboBox::hidePopup();
    // A click or Enter on an item hides the list before the box takes the item: the
    // signal waits until the choice has landed, or it would carry the previous key.
    if (wasOpen)
        QMetaObject::invokeMethod(this, &LookupComboBox::closedUp, Qt::QueuedConnection);
}

bool LookupComboBox::loadItems(Database& db, const QString& sql)
{
    QList<QPair<QVariant, QString>> items;
    Query query(db, sql);
    const bool ok = query.exec();
    while (ok && query.next())
        items.append({query.value(0), query.value(1).toString()});
    setItems(items);
    return ok;
}
