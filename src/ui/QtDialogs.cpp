#include "QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace {

QWidget* dialogParent()
{
    QWidget* parent = QApplication::activeModalWidget();
    return parent ? parent : QApplication::activeWindow();
}

void showMessage(const QString& caption, QMessageBox::Icon icon, const QString& text)
{
    QMessageBox box(icon, caption, text, QMessageBox::Ok, dialogParent());
    box.button(QMessageBox::Ok)->setText(u"OK"_s);
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
