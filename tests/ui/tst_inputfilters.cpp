#include "FakeDialogs.h"
#include "InputFilters.h"
#include "KeyTyping.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestInputFilters : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void typing_data();
    void typing();
    void otherWaysIn_data();
    void otherWaysIn();
    void numberBoxExit_data();
    void numberBoxExit();
};

void TestInputFilters::typing_data()
{
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("rejected");
    QTest::addColumn<QString>("message");

    const QString russian = u"Допускается ввод только русских символов."_s;
    const QString numbers = u"Допускается ввод только чисел."_s;
    QTest::newRow("surname") << int(CommonFnc::KeyFilter::RussianLetters) << u"Иванова-Петрова"_s
                             << u"Иванова-Петрова"_s << 0 << QString();
    QTest::newRow("surname with ё and Latin")
        << int(CommonFnc::KeyFilter::RussianLetters) << u"Сёмин A"_s << u"Смин "_s << 2 << russian;
    QTest::newRow("address with №") << int(CommonFnc::KeyFilter::AddressText) << u"12/3 №4 (XIV)"_s
                                    << u"12/3 №4 (XIV)"_s << 0 << QString();
    QTest::newRow("address with Latin letter")
        << int(CommonFnc::KeyFilter::AddressText) << u"12b"_s << u"12"_s << 1 << russian;
    QTest::newRow("digits") << int(CommonFnc::KeyFilter::Digits) << u"12a3"_s << u"123"_s << 1
                            << numbers;
    QTest::newRow("decimal point becomes comma")
        << int(CommonFnc::KeyFilter::Decimal) << u"54.2"_s << u"54,2"_s << 0 << QString();
    QTest::newRow("decimal rejects letters")
        << int(CommonFnc::KeyFilter::Decimal) << u"1е5"_s << u"15"_s << 1 << numbers;
}

void TestInputFilters::typing()
{
    QFETCH(int, filter);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(int, rejected);
    QFETCH(QString, message);
    FakeDialogs dialogs;
    QLineEdit edit;
    int changed = 0;
    CommonFnc::AttachKeyFilter(&edit, CommonFnc::KeyFilter(filter), [&] { ++changed; });
    typeText(&edit, typed);
    QCOMPARE(edit.text(), shown);
    QCOMPARE(changed, int(typed.size()) - rejected);
    const QStringList errors = dialogs.texts(FakeDialogs::Kind::Error);
    QCOMPARE(errors.size(), rejected);
    for (const QString& e : errors)
        QCOMPARE(e, message);
    // Editing keys pass and still count as changes.
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QCOMPARE(changed, int(typed.size()) - rejected + 1);
}

void TestInputFilters::otherWaysIn_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("refused");

    QTest::newRow("input method, Russian") << u"im"_s << u"на"_s << u"Аннана"_s << false;
    QTest::newRow("input method, Latin") << u"im"_s << u"na"_s << u"Анна"_s << true;
    QTest::newRow("drop, Russian") << u"drop"_s << u"-Мария"_s << u"Анна-Мария"_s << false;
    QTest::newRow("drop, Latin") << u"drop"_s << u"Maria"_s << u"Анна"_s << true;
}

void TestInputFilters::otherWaysIn()
{
    // Text that comes in neither typed nor pasted passes the same filter; the message
    // waits until the event that brought it in is over.
    QFETCH(QString, way);
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QFETCH(bool, refused);
    FakeDialogs dialogs;
    QLineEdit edit;
    edit.setText(u"Анна"_s);
    int changed = 0;
    CommonFnc::AttachKeyFilter(&edit, CommonFnc::KeyFilter::RussianLetters, [&] { ++changed; });
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    edit.setCursorPosition(4);
    if (way == u"im") {
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QApplication::sendEvent(&edit, &commit);
    } else {
        QMimeData data;
        data.setText(text);
        // Past the end of the text: the drop lands after "Анна".
        const QPoint end(edit.width() - 5, edit.height() / 2);
        QDragEnterEvent enter(end, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&edit, &enter);
        QDropEvent drop(QPointF(end), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&edit, &drop);
    }
    QCOMPARE(edit.text(), shown);
    QCOMPARE(changed, refused ? 0 : 1);
    QCOMPARE(dialogs.texts(FakeDialogs::Kind::Error), QStringList());
    QCoreApplication::processEvents();
    QCOMPARE(dialogs.texts(FakeDialogs::Kind::Error),
             refused ? QStringList{u"Допускается ввод только русских символов."_s} : QStringList());
}

void TestInputFilters::numberBoxExit_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("after");
    QTest::newRow("area") << u"0.00"_s << u"54,2"_s << u"54,20"_s;
    QTest::newRow("second comma dropped") << u"0.00"_s << u"1,2,3"_s << u"1,23"_s;
    QTest::newRow("arrears") << u"0.0"_s << u"3"_s << u"3,0"_s;
    QTest::newRow("volume") << u"0.000"_s << u"12,5"_s << u"12,500"_s;
    QTest::newRow("empty stays empty") << u"0.00"_s << QString() << QString();
    QTest::newRow("not a number stays") << u"0.00"_s << u"abc"_s << u"abc"_s;
    // Halves round away from zero on the typed digits; a binary double of 2,675 lies just
    // below the half and would give 2,67.
    QTest::newRow("2,675 half up") << u"0.00"_s << u"2,675"_s << u"2,68"_s;
    QTest::newRow("1,005 half up") << u"0.00"_s << u"1,005"_s << u"1,01"_s;
    QTest::newRow("0,285 half up") << u"0.00"_s << u"0,285"_s << u"0,29"_s;
    QTest::newRow("1,15 to one place") << u"0.0"_s << u"1,15"_s << u"1,2"_s;
    QTest::newRow("1,0005 to three places") << u"0.000"_s << u"1,0005"_s << u"1,001"_s;
    QTest::newRow("just below the half") << u"0.00"_s << u"2,67499999"_s << u"2,67"_s;
    QTest::newRow("carry into the whole part") << u"0.00"_s << u"99,995"_s << u"100,00"_s;
    QTest::newRow("negative half away from zero") << u"0.00"_s << u"-2,675"_s << u"-2,68"_s;
    QTest::newRow("negative rounding to zero") << u"0.00"_s << u"-0,004"_s << u"0,00"_s;
    QTest::newRow("leading zeros and bare comma") << u"0.00"_s << u"007,"_s << u"7,00"_s;
    QTest::newRow("comma first") << u"0.0"_s << u",05"_s << u"0,1"_s;
    QTest::newRow("more digits than a double holds")
        << u"0.00"_s << u"12345678901234567890,125"_s << u"12345678901234567890,13"_s;
}

void TestInputFilters::numberBoxExit()
{
    QFETCH(QString, format);
    QFETCH(QString, typed);
    QFETCH(QString, after);
    QWidget window;
    auto* edit = new QLineEdit(&window);
    auto* next = new QLineEdit(&window);
    CommonFnc::AttachNumberFormat(edit, format);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    edit->setFocus();
    edit->setText(typed);
    next->setFocus();
    QCOMPARE(edit->text(), after);
}

QTEST_MAIN(TestInputFilters)
#include "tst_inputfilters.moc"
