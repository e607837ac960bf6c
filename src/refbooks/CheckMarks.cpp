#include "CheckMarks.h"

#include <QPainter>

using namespace Qt::Literals::StringLiterals;

CheckMarkDelegate::CheckMarkDelegate(MarkOf mark, QObject* parent)
    : QStyledItemDelegate(parent)
    , m_mark(std::move(mark))
{}

QPixmap CheckMarkDelegate::markedPicture()
{
    static const QPixmap picture(u":/marks/CHECK_FULLG"_s);
    return picture;
}

QPixmap CheckMarkDelegate::unmarkedPicture()
{
    static const QPixmap picture(u":/marks/CHECK_FREE"_s);
    return picture;
}

void CheckMarkDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const
{
    const QVariant mark = m_mark ? m_mark(index) : index.data();
    bool number = false;
    const int value = mark.toInt(&number);
    // The cell is cleared, selection colour and all, then the picture or text put in it.
    QStyleOptionViewItem cleared = option;
    initStyleOption(&cleared, index);
    cleared.text.clear();
    QStyledItemDelegate::paint(painter, cleared, index);
    if (!number || (value != 0 && value != 1)) {
        painter->save();
        painter->setPen(option.palette.color(
            option.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(option.rect.adjusted(3, 0, -1, 0), Qt::AlignLeft | Qt::AlignVCenter,
                          mark.toString());
        painter->restore();
        return;
    }
    painter->drawPixmap(option.rect.topLeft() + QPoint(3, 1),
                        value == 1 ? markedPicture() : unmarkedPicture());
}

QSize CheckMarkDelegate::sizeHint(const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const
{
    const QSize text = QStyledItemDelegate::sizeHint(option, index);
    const QSize picture = markedPicture().size() + QSize(6, 2);
    return text.expandedTo(picture);
}
