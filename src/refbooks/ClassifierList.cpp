#include "ClassifierList.h"

#include "DataGrid.h"
#include "Dialogs.h"
#include "RecordSetModel.h"

#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

ClassifierList::ClassifierList(Database& db, const Layout& layout, QWidget* parent)
    : QDialog(parent)
    , m_rows(
          new RecordSetModel({{layout.codeField, u"Код"_s, Format::Display::Plain, Qt::AlignCenter},
                              {layout.nameField, u"Наименование"_s}},
                             this))
    , m_grid(new DataGrid(this))
{
    setObjectName(QString::fromLatin1(layout.windowName));
    setWindowTitle(layout.caption);
    setModal(true);
    m_rows->setObjectName(QString::fromLatin1(layout.queryName));
    m_grid->setObjectName(QString::fromLatin1(layout.gridName));

    m_rows->recordSet().setKeyFields({layout.codeField});
    if (!m_rows->open(db, layout.sql))
        Dialogs::current().error(u"Ошибка чтения данных.\r\n"_s +
                                 m_rows->recordSet().errorString());
    m_grid->setRecordModel(m_rows);
    // Unless it sorts by a title, the list stays in the book's own order of codes.
    if (!layout.sortsByTitle)
        m_grid->setTitleSort(DataGrid::TitleSort::None);
    m_grid->horizontalHeader()->setStretchLastSection(true);

    auto* box = new QVBoxLayout(this);
    box->addWidget(new QLabel(layout.heading, this));
    box->addWidget(m_grid);

    // Every row in sight (up to a screenful) and the longest name whole.
    int nameWidth = 240;
    for (int r = 0; r < m_rows->rowCount(); ++r) {
        const QString name = m_rows->index(r, 1).data().toString();
        nameWidth = qMax(nameWidth, m_grid->fontMetrics().horizontalAdvance(name) + 16);
    }
    const int rows = qBound(5, m_rows->rowCount(), 15);
    m_grid->setMinimumSize(
        2 * m_grid->frameWidth() + m_grid->columnWidth(0) + qMin(nameWidth, 800) +
            m_grid->verticalScrollBar()->sizeHint().width(),
        2 * m_grid->frameWidth() + m_grid->horizontalHeader()->sizeHint().height() +
            rows * m_grid->verticalHeader()->defaultSectionSize());
    // And the caption whole in the title bar, beside its buttons.
    setFixedSize(
        sizeHint().expandedTo(QSize(fontMetrics().horizontalAdvance(windowTitle()) + 160, 0)));
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
}
