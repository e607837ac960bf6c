#include "QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace {

QWidget* dialogParent()
{
    QWidget* parent = QApplication::activeModalWidget();
    return parent ? parent : QApplication::activeWindow();
}

/// Makes a short message as wide as its caption, which the window manager would
/// otherwise cut to "Начисления за жилищ…ные и прочие услуги".
void widenForCaption(QMessageBox& box)
{
    QFont title = box.font();
    title.setBold(true);
    // The title bar's buttons and margins take about this much beside the text.
    const int width = QFontMetrics(title).horizontalAdvance(box.windowTitle()) + 140;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
}

void showMessage(const QString& caption, QMessageBox::Icon icon, const QString& text)
{
    QMessageBox box(icon, caption, text, QMessageBox::Ok, dialogParent());
    box.button(QMessageBox::Ok)->setText(u"OK"_s);
    widenForCaption(box);
    box.exec();
}

} // namespace

QtDialogs::QtDialogs(const QString& caption)
    : m_caption(caption)
{
}

void QtDialogs::error(const QString& text)
{
    showMessage(m_caption, QMessageBox::Critical, text);
}

void QtDialogs::warning(const QString& text)
{
    showMessage(m_caption, QMessageBox::Warning, text);
}

void QtDialogs::notice(const QString& text)
{
    showMessage(m_caption, QMessageBox::Warning, text);
}

void QtDialogs::captionedWarning(const QString& caption, const QString& text)
{
    showMessage(caption, QMessageBox::Warning, text);
}

bool QtDialogs::question(const QString& text, Button defaultButton)
{
    QMessageBox box(QMessageBox::Warning, m_caption, text, QMessageBox::Yes | QMessageBox::No,
                    dialogParent());
    box.button(QMessageBox::Yes)->setText(u"Да"_s);
    box.button(QMessageBox::No)->setText(u"Нет"_s);
    box.setDefaultButton(defaultButton == Button::Yes ? QMessageBox::Yes : QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    widenForCaption(box);
    return box.exec() == QMessageBox::Yes;
}

QString QtDialogs::openFileName(const QString& title, const QString& directory,
                                const QString& filter)
{
    return QFileDialog::getOpenFileName(dialogParent(), title, directory, filter);
}

QString QtDialogs::saveFileName(const QString& title, const QString& proposed,
                                const QString& filter)
{
    // The callers ask about replacing a file in their own words.
    return QFileDialog::getSaveFileName(dialogParent(), title, proposed, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}
