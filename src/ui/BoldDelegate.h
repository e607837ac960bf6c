#pragma once

#include <QStyledItemDelegate>

/// Shows a grid column in bold: the code the operator finds a row by.
class BoldDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->font.setBold(true);
    }
};
