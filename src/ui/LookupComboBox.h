#pragma once

#include <QComboBox>
#include <QVariant>

class Database;

/// A drop-down list of a reference book: each item shows a name and carries a key.
/// Its value is the key of the chosen item. A key the book lacks shows no name; the box
/// keeps it as its value until the operator chooses an item, so that saving a record does
/// not lose a code its classifier does not know (unless told to drop such keys).
class LookupComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit LookupComboBox(QWidget* parent = nullptr);

    /// Replaces the items; keeps the current key when it is still listed.
    void setItems(const QList<QPair<QVariant, QString>>& items);
    /// Fills the list from a query whose first column is the key and second the name
    /// shown. Returns false, leaving the list empty, when the query fails.
    bool loadItems(Database& db, const QString& sql);
    /// Key of the chosen item; null when none is chosen.
    QVariant keyValue() const;
    /// Chooses the item with this key (compared as text); shows no item when absent.
    void setKeyValue(const QVariant& key);
    /// Whether a key absent from the list is kept as the value (true by default).
    void setKeepsUnknownKey(bool keep) { m_keepUnknown = keep; }

    void hidePopup() override;

Q_SIGNALS:
    /// The operator closed the drop-down list (with or without a choice). Emitted once the
    /// clicked item is the current one, so keyValue() is the key the operator chose.
    void closedUp();

private:
    QVariant m_unknownKey;
    bool m_keepUnknown = true;
};
