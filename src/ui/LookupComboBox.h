#pragma once

#include <QComboBox>
#include <QVariant>

/// A drop-down list of a reference book: each item shows a name and carries a key.
/// Its value is the key of the chosen item; a key the book lacks leaves the box empty.
class LookupComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit LookupComboBox(QWidget* parent = nullptr);

    /// Replaces the items; keeps the current key when it is still listed.
    void setItems(const QList<QPair<QVariant, QString>>& items);
    /// Key of the chosen item; null when none is chosen.
    QVariant keyValue() const;
    /// Chooses the item with this key (compared as text); empties the box when absent.
    void setKeyValue(const QVariant& key);

    void hidePopup() override;

Q_SIGNALS:
    /// The operator closed the drop-down list (with or without a choice).
    void closedUp();
};
