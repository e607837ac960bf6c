#include "MarkedLists.h"

#include "CheckMarks.h"
#include "DataGrid.h"
#include "Dialogs.h"
#include "GridRoutines.h"
#include "RecordSetModel.h"
#include "WaitCursor.h"

#include <QKeyEvent>
#include <QLabel>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

namespace MarkedLists {

void showMarks(DataGrid* grid, const QSet<int>* marked)
{
    grid->setItemDelegateForColumn(0, new CheckMarkDelegate(
                                          [marked](const QModelIndex& index) -> QVariant {
                                              const QVariantList key =
                                                  index.data(RecordSetModel::KeyRole).toList();
                                              if (key.isEmpty())
                                                  return {};
                                              return marked->contains(key.first().toInt()) ? 1 : 0;
                                          },
                                          grid));
}

bool isMarkKey(const QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    return key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier;
}

bool flipCurrentMark(const RecordSet& rows, QStringView idField, QSet<int>& marked)
{
    const int row = rows.currentRow();
    if (rows.rowCount() == 0 || row < 0)
        return false;
    const int id = rows.value(row, idField).toInt();
    if (!marked.remove(id))
        marked.insert(id);
    return true;
}

void moveMarked(const RecordSet& rows, const QSet<int>& marked, QStringView idField,
                QStringView nameField,
                const std::function<RefBooks::BookWrite(int id, const QString& name)>& move)
{
    WaitCursor wait;
    for (int row = 0; row < rows.rowCount(); ++row) {
        const int id = rows.value(row, idField).toInt();
        if (!marked.contains(id))
            continue;
        const RefBooks::BookWrite moved = move(id, rows.value(row, nameField).toString());
        if (!moved.ok) {
            QApplication::restoreOverrideCursor();
            Dialogs::current().error(moved.message);
            QApplication::setOverrideCursor(Qt::WaitCursor);
        }
    }
}

std::optional<bool> moveCurrentBack(const RecordSet& rows, QStringView idField,
                                    const QString& question,
                                    const std::function<RefBooks::BookWrite(int id)>& moveBack)
{
    const int row = rows.currentRow();
    if (rows.rowCount() == 0 || row < 0 || !Dialogs::current().question(question))
        return std::nullopt;
    const RefBooks::BookWrite moved = moveBack(rows.value(row, idField).toInt());
    if (!moved.ok)
        Dialogs::current().error(moved.message);
    return moved.ok;
}

void readFailed(const RecordSetModel* model)
{
    Dialogs::current().error(u"Ошибка чтения данных.\r\n"_s + model->recordSet().errorString());
}

QLabel* boldLabel(QWidget* parent, const QString& text)
{
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QToolButton* moveButton(QWidget* parent, const char* name, QStyle::StandardPixmap icon)
{
    QToolButton* button =
        CommonFnc::MakeListButton(parent, QString::fromLatin1(name), icon, u"Перенести данные"_s);
    button->setIconSize(QSize(24, 24));
    return button;
}

} // namespace MarkedLists
