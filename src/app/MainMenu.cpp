// The main window's menu and its file commands.

#include "Main.h"

#include "Acts.h"
#include "Dialogs.h"
#include "Kvitok.h"
#include "LookupComboBox.h"
#include "OpenFile.h"
#include "Pereschet.h"
#include "RecordSetModel.h"
#include "SaveFile.h"
#include "Search.h"
#include "SpravDez.h"
#include "SpravHousesBTI.h"
#include "SpravMO.h"
#include "SpravRelation.h"
#include "SpravServices.h"
#include "SpravStreet.h"
#include "SpravTypeOccupancy.h"
#include "SpravTypeOwn.h"
#include "TariffBank.h"
#include "UserDataWindows.h"
#include "WorkingData.h"
#include "Zamena.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

using namespace Qt::Literals::StringLiterals;

namespace {

QAction* addItem(QMenu* menu, const QString& name, const QString& caption)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    return action;
}

QMenu* addSubmenu(QMenuBar* bar, const QString& name, const QString& caption)
{
    QMenu* menu = bar->addMenu(caption);
    menu->setObjectName(name);
    return menu;
}

} // namespace

void TMain_Form::buildMenu()
{
    QMenuBar* bar = menuBar();

    QMenu* file = addSubmenu(bar, u"N1"_s, u"Файл"_s);
    New_File = addItem(file, u"New_File"_s, u" Новый ..."_s);
    Open_File = addItem(file, u"Open_File"_s, u" Загрузить ..."_s);
    Save_File = addItem(file, u"Save_File"_s, u" Сохранить ..."_s);
    file->addSeparator();
    Exit_Programm = addItem(file, u"Exit_Programm"_s, u" Закончить работу"_s);

    QMenu* edit = addSubmenu(bar, u"N13"_s, u"Редактирование"_s);
    QAction* search = addItem(edit, u"Search"_s, u" Поиск ..."_s);
    search->setShortcut(QKeySequence::Find);
    edit->addSeparator();
    QAction* replace = addItem(edit, u"Replace"_s, u"   Замена / Добавление / Удаление ..."_s);
    QAction* pereschet = addItem(edit, u"Pereschet"_s, u"   Пересчет ..."_s);

    QMenu* books = addSubmenu(bar, u"N10"_s, u"Справочные данные"_s);
    QAction* spravMO = addItem(books, u"Sprav_MO"_s, u" Справочник муниципальных округов"_s);
    QAction* spravStreet = addItem(books, u"Sprav_Street"_s, u" Справочник улиц"_s);
    QAction* spravHouses = addItem(books, u"Sprav_HousesBTI"_s,
                                   u" Справочник соответствия адреса - данным в кодировке БТИ"_s);
    books->addSeparator();
    QAction* spravDez = addItem(books, u"Sprav_Dez"_s, u" Справочник организаций"_s);
    books->addSeparator();
    QAction* spravTypeOwn = addItem(books, u"Sprav_TypeOwn"_s, u" Справочник форм собственности"_s);
    QAction* spravTypeOccupancy =
        addItem(books, u"Sprav_TypeOccupancy"_s, u" Справочник типов заселения"_s);
    QAction* spravRelation = addItem(books, u"Sprav_Relation"_s,
                                     u" Справочник степени родства по отношению к плательщику"_s);
    books->addSeparator();
    QAction* spravServices = addItem(books, u"Sprav_Services"_s, u" Справочник услуг"_s);
    QAction* spravTariff = addItem(books, u"Sprav_Tariff"_s, u" Ставки/Тарифы  на услуги"_s);

    QMenu* reports = addSubmenu(bar, u"N21"_s, u"Отчеты "_s);
    QAction* printLists =
        addItem(reports, u"PrintItogLudi"_s, u" Печать списка лиц, представленных в файле ..."_s);
    QAction* printKvitok = addItem(reports, u"PrintKvitok"_s, u" Печать извещений ..."_s);
    reports->addSeparator();
    QAction* acts = addItem(reports, u"Acts"_s, u"   Сводные данные ..."_s);

    QMenu* userData = addSubmenu(bar, u"N4"_s, u"Данные пользователя"_s);
    QAction* userDataSave =
        addItem(userData, u"UserDataSave"_s, u" Сохранение данных пользователя"_s);
    QAction* userDataRestore =
        addItem(userData, u"UserDataRestore"_s, u" Восстановление данных пользователя"_s);

    QMenu* help = addSubmenu(bar, u"N2"_s, u"Помощь"_s);
    About = addItem(help, u"About"_s, u"О программе ..."_s);

    connect(New_File, &QAction::triggered, this, &TMain_Form::New_FileClick);
    connect(Open_File, &QAction::triggered, this, &TMain_Form::Open_FileClick);
    connect(Save_File, &QAction::triggered, this, &TMain_Form::Save_FileClick);
    connect(Exit_Programm, &QAction::triggered, this, &QWidget::close);
    connect(About, &QAction::triggered, this, &TMain_Form::AboutClick);

    // The reference books: each a modal window on the run's connection.
    const auto opens = [this]<typename Window>(QAction* action, Window*) {
        connect(action, &QAction::triggered, this, [this] {
            Window window(m_db, this);
            window.exec();
        });
    };
    opens(spravMO, static_cast<TSpravMO_Form*>(nullptr));
    opens(spravTypeOwn, static_cast<TSpravTypeOwn_Form*>(nullptr));
    opens(spravTypeOccupancy, static_cast<TSpravTypeOccupancy_Form*>(nullptr));
    opens(spravRelation, static_cast<TSpravRelation_Form*>(nullptr));
    opens(spravServices, static_cast<TSpravServices_Form*>(nullptr));
    opens(spravTariff, static_cast<TTariffBank_Form*>(nullptr));
    opens(spravHouses, static_cast<TSpravHousesBTI_Form*>(nullptr));
    connect(spravDez, &QAction::triggered, this, &TMain_Form::Sprav_DezClick);
    connect(spravStreet, &QAction::triggered, this, &TMain_Form::Sprav_StreetClick);
    connect(pereschet, &QAction::triggered, this, &TMain_Form::PereschetClick);
    connect(replace, &QAction::triggered, this, &TMain_Form::ReplaceClick);
    connect(search, &QAction::triggered, this, &TMain_Form::SearchClick);
    // The acts and lists are of the organisation the box shows, as the box names it.
    const auto heading = [this] {
        return Acts::Heading{Dez_RxDBLC->currentText(), m_state.dezId, m_state.accountingPeriod};
    };
    connect(acts, &QAction::triggered, this, [this, heading] {
        TActs_Form window(m_db, heading(), this);
        window.exec();
    });
    connect(printLists, &QAction::triggered, this, [this, heading] {
        TPrintSpisok_Form window(m_db, heading(), this);
        window.exec();
    });
    connect(userDataSave, &QAction::triggered, this, [this] {
        TUserDataSave_Form window(m_db, this);
        window.exec();
    });
    connect(userDataRestore, &QAction::triggered, this, [this] {
        {
            TUserDataRestore_Form window(m_db, this);
            window.exec();
        }
        // Organisations may have come in or changed: the box lists them again.
        Dez_RxDBLC->setItems(WorkingData::organisations(m_db));
        m_state.dezId = Dez_RxDBLC->keyValue();
    });
    connect(printKvitok, &QAction::triggered, this, [this] {
        TKvitok_Form receipts(m_db, m_state.dezId, m_state.accountingPeriod, this);
        receipts.exec();
    });
}

void TMain_Form::SearchClick()
{
    // One search window at a time: the command brings an open one to the front.
    if (!m_searchForm) {
        m_searchForm = new TSearch_Form(m_state, T1_DBG, this);
        m_searchForm->show();
    }
    m_searchForm->raise();
    m_searchForm->activateWindow();
}

void TMain_Form::ReplaceClick()
{
    RememberListPositions();
    {
        TZamena_Form replacement(m_db, m_state.accountingPeriod, this);
        replacement.exec();
    }
    // Payers and charges may have changed, been added or deleted: the lists are read again.
    ReloadLists();
}

void TMain_Form::PereschetClick()
{
    RememberListPositions();
    {
        TPereschet_Form recalculation(m_db, m_state.accountingPeriod, this);
        recalculation.exec();
    }
    // Every charge and payer may have new sums: the lists are read again at their rows.
    ReloadLists();
}

void TMain_Form::Sprav_StreetClick()
{
    {
        TSpravStreet_Form book(m_db, this);
        book.exec();
    }
    // The payer list shows street names: it is read again at the rows it was on.
    RememberListPositions();
    ReloadLists();
}

void TMain_Form::Sprav_DezClick()
{
    {
        TSpravDez_Form book(m_db, this);
        book.exec();
    }
    // Additions and changes show in the organisation box, which keeps its choice while
    // the organisation is still in the book.
    Dez_RxDBLC->setItems(WorkingData::organisations(m_db));
    m_state.dezId = Dez_RxDBLC->keyValue();
}

void TMain_Form::New_FileClick()
{
    if (T1_ADOQ->rowCount() > 0 &&
        !Dialogs::current().question(u"Вся несохраненная информация будет утеряна.\r\n\r\n"
                                     "Начать создание нового файла?"_s))
        return;
    if (!ClearWorkingTables())
        return;
    ReloadLists();
    RememberListPositions();
    m_state.clearFileNames();
    m_state.resetPayerDefaults();
}

void TMain_Form::Open_FileClick()
{
    if (T1_ADOQ->rowCount() > 0 &&
        !Dialogs::current().question(u"Вся несохраненная информация будет утеряна.\r\n\r\n"
                                     "Начать редактирование нового файла?"_s))
        return;
    // The import empties the working tables itself once its three files are chosen and
    // open: a cancelled dialog or a missing file must not cost the operator the month.
    RememberListPositions();
    bool replaced = false;
    {
        TOpenFile_Form import(m_db, m_state, this);
        connect(&import, &TOpenFile_Form::statementReplaced, this,
                [this, &replaced](const QVariant& organisation) {
                    replaced = true;
                    showLoadedStatement(organisation);
                });
        connect(&import, &TOpenFile_Form::recordRequested, this, &TMain_Form::openRecord);
        import.exec();
    }
    if (!replaced) {
        ReloadLists();
        RememberListPositions();
    }
}

void TMain_Form::showLoadedStatement(const QVariant& organisation)
{
    // The statement's organisation is the one its payer file names last.
    if (!organisation.isNull()) {
        Dez_RxDBLC->setKeyValue(organisation);
        m_state.dezId = Dez_RxDBLC->keyValue();
    }
    ReloadLists();
    RememberListPositions();
}

void TMain_Form::Save_FileClick()
{
    if (Dez_RxDBLC->keyValue().isNull()) {
        Dialogs::current().error(u"Не указана организация."_s);
        return;
    }
    TSaveFile_Form exportWindow(m_db, m_state, Dez_RxDBLC->keyValue(), Dez_RxDBLC->currentText(),
                                this);
    connect(&exportWindow, &TSaveFile_Form::recordRequested, this, &TMain_Form::openRecord);
    exportWindow.exec();
}
