#pragma once

#include <QPixmap>
#include <QStyledItemDelegate>

#include <functional>

/// Draws a mark column as the two check pictures of the program's resources: a marked
/// row (1) and an unmarked one (0); any other value is drawn as its text.
class CheckMarkDelegate final : public QStyledItemDelegate
{
public:
    /// `mark` tells the value of a cell: the delegate draws what the window keeps,
    /// whatever the model holds.
    using MarkOf = std::function<QVariant(const QModelIndex& index)>;
    explicit CheckMarkDelegate(MarkOf mark, QObject* parent = nullptr);

    static QPixmap markedPicture();
    static QPixmap unmarkedPicture();

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    MarkOf m_mark;
};
