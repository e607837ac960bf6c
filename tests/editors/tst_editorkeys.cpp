// The record editors under the keys an operator presses: editing keys, shortcuts and the
// clipboard, sent as X11 delivers them (Delete carries the text 0x7f, Ctrl+V 0x16).

#include "CommonFnc.h"
#include "Decimal.h"
#include "FakeDialogs.h"
#include "KeyTyping.h"
#include "RecordEditor.h"
#include "RunState.h"
#include "T1.h"
#include "T2.h"
#include "T3.h"
#include "TestDatabase.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// One payer with a second person and one charge, all valid, imported for March 2025: a
// save moves the payer into the accounting period, which is how a test sees that one ran.
const char16_t* const Fixture[] = {
    uR"(INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, Mes, ENumlsID, Numls, Name1, Name2, Name3,
        DezVladID, MO, StreetID_BTI, HouseNum, FlatNum, TypeOwnID, TypeOccupancyID, PplCntReg,
        SquareTotal, SquareLive, TypeLockID, TypeStoveID, ColMesDebts)
        VALUES (1, 1, '2025-03-01', 1234567899, 'AB-12', 'Петров', 'Иван', 'Петрович',
                117, 2, 6422456, '19', '12а', 3, 1, 2, 5420, 3810, 0, 1, 0))",
    uR"(INSERT INTO SvedNach_T2 (T1_ID, T2_ID, NumT2, ServiceID, PostID, Volume, Tariff,
        SummaService, SummaServiceWOBenefit, SummaServiceReg, SummaServiceWOBenefitReg, TypeNachID)
        VALUES (1, 1, 1, 5, 0, 6500, 5918, 38467, 38467, 38467, 38467, 2))",
    uR"(INSERT INTO SvedPotrebRelations_T3 (T1_ID, T3_ID, NumT3, NumberPeople, Name1, Name2,
        Name3, BirthDate, Sex, Relation, RelationOwnID, SquareShare, TypeRegID, DateRegStart,
        PrFactLiveID)
        VALUES (1, 1, 1, 1, 'Петров', 'Иван', 'Петрович', NULL, 'М', 'Сам', 1, 0, 1, NULL, 1),
               (1, 2, 2, 2, 'Петрова', 'Мария', NULL, '1970-03-09', 'Ж', 'Жена', 2, 0, 1,
                '1990-02-01', 1))",
};

const QString RussianOnly = u"Допускается ввод только русских символов."_s;
const QString NumbersOnly = u"Допускается ввод только чисел."_s;

/// A box of an editor and how to read back what a save of it wrote.
struct Box
{
    const char* editor;
    const char* name;
    QString text;     ///< what the box shows when the editor opens
    QString readBack; ///< a query of what the record holds
    QString unsaved;  ///< its result while nothing was saved
    /// Its result after a save with the box showing `text`; empty when the record cannot
    /// be saved with that text (the checks refuse it).
    QString (*saved)(const QString& text);
};

QString payerSaved(const QString& text)
{
    return text + u"|2026-12-01"_s;
}

QString volumeSaved(const QString& text)
{
    const auto volume = Decimal::parse(text, 3);
    return volume ? QString::number(volume->units()) : QString();
}

QString codeSaved(const QString& text)
{
    return CommonFnc::IsPayerCodeValid(text) ? QString::number(text.toLongLong()) + u"|2026-12-01"_s
                                             : QString();
}

QString notSaveable(const QString&)
{
    return {};
}

const Box Surname{"T1",
                  "Name1_E",
                  u"Петров"_s,
                  u"SELECT ifnull(Name1, '') || '|' || Mes FROM SvedPotreb_T1"_s,
                  u"Петров|2025-03-01"_s,
                  payerSaved};
// Imported with Latin letters, which the box's filter refuses from the keyboard.
const Box Account{"T1", "Numls_E", u"AB-12"_s,
                  u"SELECT ifnull(Numls, '') || '|' || Mes FROM SvedPotreb_T1"_s,
                  u"AB-12|2025-03-01"_s, payerSaved};
const Box Flat{"T1",
               "FlatNum_E",
               u"12а"_s,
               u"SELECT ifnull(FlatNum, '') || '|' || Mes FROM SvedPotreb_T1"_s,
               u"12а|2025-03-01"_s,
               payerSaved};
// A code saves only with a right check digit, and is stored as its number.
const Box Code{"T1",
               "ENumlsID_E",
               u"1234567899"_s,
               u"SELECT ENumlsID || '|' || Mes FROM SvedPotreb_T1"_s,
               u"1234567899|2025-03-01"_s,
               codeSaved};
const Box Area{"T1",
               "SquareTotal_E",
               u"54,20"_s,
               u"SELECT SquareTotal || '|' || Mes FROM SvedPotreb_T1"_s,
               u"5420|2025-03-01"_s,
               notSaveable};
const Box Volume{"T2",      "Volume_E", u"6,500"_s, u"SELECT Volume FROM SvedNach_T2"_s,
                 u"6500"_s, volumeSaved};
const Box BirthDate{"T3",
                    "BirthDate_ME",
                    u"09.03.1970"_s,
                    u"SELECT BirthDate || '|' || ifnull(SNILS, '') FROM SvedPotrebRelations_T3 "
                    "WHERE T3_ID = 2"_s,
                    u"1970-03-09|"_s,
                    notSaveable};
const Box Snils{"T3",       "SNILS_ME", u"000-000-000 00"_s, BirthDate.readBack, BirthDate.unsaved,
                notSaveable};

/// Sends a key as X11 does, with the text X11 gives it.
void press(QWidget* widget, int key, Qt::KeyboardModifiers modifiers, const QString& text)
{
    QKeyEvent down(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(widget, &down);
    QKeyEvent up(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(widget, &up);
}

} // namespace

Q_DECLARE_METATYPE(const Box*)

class TestEditorKeys : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void keys_data();
    void keys();

private:
    void open(const char* editor);
    /// Plays one step of a row's script on the box that has the focus.
    void play(QLineEdit* box, const QString& step);

    std::unique_ptr<FakeDialogs> m_dialogs;
    std::unique_ptr<TestDatabase> m_t;
    RunState m_state;
    std::unique_ptr<RecordEditor> m_form;
};

void TestEditorKeys::init()
{
    m_dialogs = std::make_unique<FakeDialogs>();
    m_t = std::make_unique<TestDatabase>();
    QVERIFY2(m_t->isValid(), qPrintable(m_t->error()));
    for (const char16_t* sql : Fixture)
        QVERIFY(m_t->exec(QString::fromUtf16(sql)));
    m_state = RunState();
    m_state.accountingPeriod = QDate(2026, 12, 1);
}

void TestEditorKeys::cleanup()
{
    m_form.reset();
    m_t.reset();
    m_dialogs.reset();
}

void TestEditorKeys::open(const char* editor)
{
    const QVariantMap payer = m_t->row(u"SELECT * FROM SvedPotreb_T1 WHERE T1_ID = 1"_s);
    const QByteArray name(editor);
    if (name == "T1") {
        auto form = std::make_unique<TT1_Form>(m_t->db(), m_state, EditorMode::Edit);
        form->setPayer(payer);
        m_form = std::move(form);
    } else if (name == "T2") {
        auto form = std::make_unique<TT2_Form>(m_t->db(), m_state, EditorMode::Edit, payer);
        form->setCharge(m_t->row(u"SELECT * FROM SvedNach_T2 WHERE T1_ID = 1 AND T2_ID = 1"_s));
        m_form = std::move(form);
    } else {
        auto form = std::make_unique<TT3_Form>(m_t->db(), m_state, EditorMode::Edit, payer);
        form->setPerson(m_t->row(u"SELECT * FROM SvedPotrebRelations_T3 WHERE T3_ID = 2"_s));
        m_form = std::move(form);
    }
    m_form->show();
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
}

void TestEditorKeys::play(QLineEdit* box, const QString& step)
{
    QWidget* focus = QApplication::focusWidget();
    const QString argument = step.section(u':', 1);
    if (step.startsWith(u"del@"_s) || step.startsWith(u"bs@"_s)) {
        box->setCursorPosition(step.section(u'@', 1).toInt());
        if (step.startsWith(u"del"_s))
            press(focus, Qt::Key_Delete, {}, u"\x7f"_s);
        else
            press(focus, Qt::Key_Backspace, {}, u"\b"_s);
    } else if (step == u"tab") {
        press(focus, Qt::Key_Tab, {}, u"\t"_s);
    } else if (step == u"esc") {
        press(focus, Qt::Key_Escape, {}, u"\x1b"_s);
    } else if (step.startsWith(u"at:"_s)) {
        box->setCursorPosition(argument.toInt());
    } else if (step.startsWith(u"menu:"_s)) {
        // The box's own menu, as a right click opens it.
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), box->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(box, &click);
        auto* menu = box->findChild<QMenu*>();
        QVERIFY(menu);
        const QString wanted = QLineEdit::tr(argument == u"paste" ? "&Paste" : "&Undo");
        const QList<QAction*> actions = menu->actions();
        const auto item = std::find_if(actions.cbegin(), actions.cend(), [&](QAction* a) {
            return a->text().startsWith(wanted);
        });
        QVERIFY(item != actions.cend());
        (*item)->trigger();
        menu->close();
        delete menu;
    } else if (step.startsWith(u"clip:"_s)) {
        QGuiApplication::clipboard()->setText(argument);
    } else if (step == u"end") {
        press(focus, Qt::Key_End, {}, QString());
    } else if (step == u"all") {
        press(focus, Qt::Key_A, Qt::ControlModifier, u"\x01"_s);
    } else if (step == u"cut") {
        press(focus, Qt::Key_X, Qt::ControlModifier, u"\x18"_s);
    } else if (step == u"undo") {
        press(focus, Qt::Key_Z, Qt::ControlModifier, u"\x1a"_s);
    } else if (step.startsWith(u"paste:"_s)) {
        QGuiApplication::clipboard()->setText(argument);
        press(focus, Qt::Key_V, Qt::ControlModifier, u"\x16"_s);
    } else if (step.startsWith(u"type:"_s)) {
        typeText(focus, argument);
    } else {
        QFAIL(qPrintable(u"unknown step "_s + step));
    }
}

void TestEditorKeys::keys_data()
{
    QTest::addColumn<const Box*>("box");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<QStringList>("messages");

    // Delete at every place of each kind of filtered box: it deletes the character after
    // the caret, and at the end deletes nothing and changes nothing.
    for (const Box* box : {&Surname, &Flat, &Code, &Volume}) {
        for (int at = 0; at <= box->text.size(); ++at) {
            QString after = box->text;
            after.remove(at, 1);
            QTest::addRow("%s Delete at %d", box->name, at)
                << box << QStringList{u"del@%1"_s.arg(at)} << after << (at < box->text.size())
                << QStringList();
        }
    }

    const auto row = [](const char* name, const Box& box, const QStringList& steps,
                        const QString& text, bool changed, const QStringList& messages = {}) {
        QTest::newRow(name) << &box << steps << text << changed << messages;
    };
    // Keys that change nothing leave the record untouched, whatever box has the focus.
    for (const Box* box : {&Surname, &Code, &Area, &Volume, &BirthDate, &Snils}) {
        QTest::addRow("%s Tab", box->name)
            << box << QStringList{u"tab"_s} << box->text << false << QStringList();
        QTest::addRow("%s Esc", box->name)
            << box << QStringList{u"esc"_s} << box->text << false << QStringList();
    }
    row("Backspace at the start", Surname, {u"bs@0"_s}, u"Петров"_s, false);
    row("Backspace at the end", Surname, {u"bs@6"_s}, u"Петро"_s, true);
    row("Esc after an edit asks", Surname, {u"bs@6"_s, u"esc"_s}, u"Петро"_s, true);
    row("undo after an edit", Surname, {u"bs@6"_s, u"undo"_s}, u"Петров"_s, true);
    row("cut all", Surname, {u"all"_s, u"cut"_s}, QString(), true);
    row("cut then undo", Flat, {u"all"_s, u"cut"_s, u"undo"_s}, u"12а"_s, true);
    row("typed Latin letter", Surname, {u"end"_s, u"type:s"_s}, u"Петров"_s, false, {RussianOnly});
    row("paste of Russian letters", Surname, {u"all"_s, u"paste:Сидоров"_s}, u"Сидоров"_s, true);
    row("paste with a Latin letter", Surname, {u"end"_s, u"paste:Smith1"_s}, u"Петров"_s, false,
        {RussianOnly});
    row("paste over a selection refused", Surname, {u"all"_s, u"paste:Сидоров1"_s}, u"Петров"_s,
        false, {RussianOnly});
    row("paste of a copied cell", Surname, {u"end"_s, u"paste:а\n"_s}, u"Петрова"_s, true);
    row("paste into an address", Flat, {u"end"_s, u"paste:/1"_s}, u"12а/1"_s, true);
    row("paste of a Latin address", Flat, {u"end"_s, u"paste:b"_s}, u"12а"_s, false, {RussianOnly});
    row("paste of a code with leading zero", Code, {u"all"_s, u"paste:0123456788"_s},
        u"0123456788"_s, true);
    row("paste of a code with a blank", Code, {u"all"_s, u"paste:12 34"_s}, u"1234567899"_s, false,
        {NumbersOnly});
    row("paste of a point number", Volume, {u"all"_s, u"paste:7.25"_s}, u"7,25"_s, true);
    row("paste of a bare line end", Surname, {u"at:3"_s, u"paste:\n"_s}, u"Петров"_s, false);
    row("paste up to the limit with a line end", Flat, {u"end"_s, u"paste:1234567\r\n"_s},
        u"12а1234567"_s, true);
    row("undo after a corrected paste", Volume, {u"all"_s, u"paste:7.25"_s, u"undo"_s},
        u"6,500"_s, true);
    row("cut then undo of an imported value", Account, {u"all"_s, u"cut"_s, u"undo"_s},
        u"AB-12"_s, true);
    row("menu paste refused", Surname, {u"clip:Smith"_s, u"menu:paste"_s}, u"Петров"_s, false,
        {RussianOnly});
    row("menu paste", Surname, {u"all"_s, u"clip:Сидоров"_s, u"menu:paste"_s}, u"Сидоров"_s,
        true);
    row("menu undo of an imported value", Account, {u"all"_s, u"cut"_s, u"menu:undo"_s},
        u"AB-12"_s, true);
    row("paste of an exponent", Volume, {u"all"_s, u"paste:1e5"_s}, u"6,500"_s, false,
        {NumbersOnly});
}

void TestEditorKeys::keys()
{
    QFETCH(const Box*, box);
    QFETCH(QStringList, steps);
    QFETCH(QString, text);
    QFETCH(bool, changed);
    QFETCH(QStringList, messages);

    open(box->editor);
    auto* edit = m_form->findChild<QLineEdit*>(QString::fromLatin1(box->name));
    QVERIFY(edit);
    QCOMPARE(edit->displayText(), box->text);
    edit->setFocus(Qt::TabFocusReason);
    QCOMPARE(QApplication::focusWidget(), edit);
    // A close question is answered Yes, by Esc or by the close below.
    m_dialogs->answers = {true};
    for (const QString& step : steps)
        play(edit, step);

    QCOMPARE(edit->displayText(), text);
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Error), messages);
    if (m_form->isVisible()) {
        QCOMPARE(m_form->isChanged(), changed);
        m_form->close();
    }
    QVERIFY(!m_form->isVisible());
    // Only a changed record is asked about; Yes saves what the box shows.
    QCOMPARE(m_dialogs->texts(FakeDialogs::Kind::Question).size(), changed ? 1 : 0);
    const QString saved = changed ? box->saved(text) : QString();
    QCOMPARE(m_t->scalar(box->readBack).toString(), saved.isEmpty() ? box->unsaved : saved);
}

QTEST_MAIN(TestEditorKeys)
#include "tst_editorkeys.moc"
