#include "UserDataWindows.h"

#include "Dialogs.h"
#include "SysFolders.h"
#include "UserData.h"
#include "WaitCursor.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString Filter = u"Файлы пользователя (*.udt);;Все файлы (*.*)"_s;

QString contents(const QString& first)
{
    return first + u"\r\n  - введенных сведений по организациям - владельцам жилого фонда, \r\n"
                   "  - используемого при работе справочника улиц, \r\n"
                   "  - данных об используемых пользователем услугах, \r\n"
                   "  - введенных пользователем тарифов на услуги\r\n"
                   "  - кодов БТИ обслуживаемых домов"_s;
}

/// The folder the file dialogs open in; not created.
QString userDataFolder()
{
    try {
        return SysFolders::UserDataFolder();
    } catch (const SysFolders::FolderError&) {
        return {};
    }
}

QPushButton* layOut(QDialog* window, QLabel*& label, const QString& text, const char* name,
                    const QString& caption)
{
    auto* layout = new QVBoxLayout(window);
    label = new QLabel(QString(text).replace(u"\r\n"_s, u"\n"_s), window);
    label->setObjectName(u"Label1"_s);
    layout->addWidget(label);
    auto* button = new QPushButton(caption, window);
    button->setObjectName(QString::fromLatin1(name));
    button->setDefault(true);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(button);
    row->addStretch();
    layout->addSpacing(8);
    layout->addLayout(row);
    window->setFixedSize(window->sizeHint());
    return button;
}

} // namespace

TUserDataSave_Form::TUserDataSave_Form(Database& db, QWidget* parent)
    : QDialog(parent)
    , m_db(db)
{
    setObjectName(u"UserDataSave_Form"_s);
    setWindowTitle(u"Сохранение данных пользователя"_s);
    setModal(true);
    UserDataSave_BBtn = layOut(this, Label1, contents(u"Сохранение:"_s), "UserDataSave_BBtn",
                               u" Сохранить данные пользователя"_s);
    connect(UserDataSave_BBtn, &QPushButton::clicked, this,
            &TUserDataSave_Form::UserDataSave_BBtnClick);
}

void TUserDataSave_Form::UserDataSave_BBtnClick()
{
    const QString proposed = userDataFolder() + UserData::proposedFileName(QDate::currentDate());
    QString path =
        Dialogs::current().saveFileName(u"Сохранение данных пользователя"_s, proposed, Filter);
    if (path.isEmpty())
        return;
    // The dialog's default extension: a name typed without one gets ".txt".
    if (!QFileInfo(path).fileName().contains(u'.'))
        path += u".txt"_s;
    if (QFileInfo::exists(path)) {
        if (!Dialogs::current().question(u"Файл с именем:\r\n"_s + path +
                                         u"\r\nуже существует. Заменить его?"_s))
            return;
    } else if (!Dialogs::current().question(u"Файл с именем:\r\n"_s + path +
                                            u"\r\nне существует. Создать его?"_s)) {
        return;
    }
    UserData::SaveResult result;
    {
        UserDataSave_BBtn->setEnabled(false);
        const WaitCursor wait;
        QElapsedTimer sinceMessages;
        sinceMessages.start();
        result = UserData::save(m_db, path, [&sinceMessages] {
            // The window stays painted without a repaint per record.
            if (sinceMessages.elapsed() >= 40) {
                QCoreApplication::processEvents();
                sinceMessages.restart();
            }
        });
        UserDataSave_BBtn->setEnabled(true);
    }
    switch (result.outcome) {
    case UserData::SaveResult::Outcome::Saved:
        Dialogs::current().notice(result.message);
        accept();
        return;
    case UserData::SaveResult::Outcome::Refused:
        Dialogs::current().captionedWarning(u"Сообщение об ошибке"_s, result.message);
        return;
    case UserData::SaveResult::Outcome::Failed:
        Dialogs::current().error(result.message);
        return;
    }
}

TUserDataRestore_Form::TUserDataRestore_Form(Database& db, QWidget* parent)
    : QDialog(parent)
    , m_db(db)
{
    setObjectName(u"UserDataRestore_Form"_s);
    setWindowTitle(u"Восстановление данных пользователя"_s);
    setModal(true);
    UserDataRestore_BBtn = layOut(this, Label1, contents(u"Восстановление:"_s),
                                  "UserDataRestore_BBtn", u" Восстановить данные пользователя"_s);
    connect(UserDataRestore_BBtn, &QPushButton::clicked, this,
            &TUserDataRestore_Form::UserDataRestore_BBtnClick);
}

void TUserDataRestore_Form::UserDataRestore_BBtnClick()
{
    const QString path = Dialogs::current().openFileName(u"Восстановление данных пользователя"_s,
                                                         userDataFolder(), Filter);
    if (path.isEmpty())
        return;
    UserData::RestoreResult result;
    {
        UserDataRestore_BBtn->setEnabled(false);
        const WaitCursor wait;
        result = UserData::restore(m_db, path);
        UserDataRestore_BBtn->setEnabled(true);
    }
    switch (result.outcome) {
    case UserData::RestoreResult::Outcome::Restored:
        Dialogs::current().notice(result.message);
        accept();
        return;
    case UserData::RestoreResult::Outcome::CannotRead:
        Dialogs::current().error(result.message);
        return;
    case UserData::RestoreResult::Outcome::Failed:
        Dialogs::current().warning(result.message);
        return;
    }
}
