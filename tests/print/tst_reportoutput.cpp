#include "FakeDialogs.h"
#include "PdfText.h"
#include "Preview.h"
#include "ReportData.h"
#include "ReportPainter.h"
#include "ReportPrinter.h"
#include "SysFolders.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;
using namespace Report;

namespace {

/// A list of `count` numbered payers, 30 px a row, with a page footer: several pages.
struct ListReport
{
    explicit ListReport(int count)
        : data({u"Name"_s})
        , report(u"Список плательщиков"_s)
    {
        for (int i = 1; i <= count; ++i)
            data.addRow({u"Плательщик №%1"_s.arg(i)});
        report.bind(u"Rows"_s, &data);
        report.addBand(BandKind::ReportTitle, 40);
        report.addText(u"Title_Memo"_s, {40, 0, 700, 30}, u"Список плательщиков за услуги"_s);
        report.addBand(BandKind::MasterData, 30).dataSet = u"Rows"_s;
        report.addText(u"Name_Memo"_s, {40, 0, 400, 28}, u"[LINE#]. [Rows.\"Name\"]"_s).frame =
            Side::All;
        report.addBand(BandKind::PageFooter, 20);
        report.addText(u"Page_Memo"_s, {600, 0, 150, 18}, u"страница: [PAGE#]"_s);
    }

    TableData data;
    Template report;
};

} // namespace

class TestReportOutput : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void pdfHoldsEveryPage();
    void pdfFailureIsReported();
    void pdfPagesKeepTheirSize();
    void pdfStreamWritesDocumentsInTurn();
    void withoutPrinterTheDocumentGoesIntoAFile();
    void previewTurnsPagesAndZooms();
    void previewSavesPdf();
    void pagesComeAsTheyAreReady();
    void previewShowsPagesWhilePreparing();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestReportOutput::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestReportOutput::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestReportOutput::pdfHoldsEveryPage()
{
    ListReport list(70);
    const Prepared prepared = prepare(list.report);
    QVERIFY(prepared.pages.size() >= 2);
    const QString path = m_dir->filePath(u"Список.pdf"_s);
    QString error;
    QVERIFY2(writePdf(prepared, path, &error), qPrintable(error));
    QCOMPARE(pdfPages(path), int(prepared.pages.size()));
    const QStringList pages = pdfText(path).split(u'\f', Qt::SkipEmptyParts);
    QCOMPARE(pages.size(), prepared.pages.size());
    QVERIFY(pages.first().contains(u"Список плательщиков за услуги"_s));
    QVERIFY(pages.first().contains(u"1. Плательщик №1"_s));
    QVERIFY(pages.last().contains(u"70. Плательщик №70"_s));
    for (qsizetype p = 0; p < pages.size(); ++p)
        QVERIFY2(pages.at(p).contains(u"страница: %1"_s.arg(p + 1)), qPrintable(pages.at(p)));
}

void TestReportOutput::pdfFailureIsReported()
{
    ListReport list(3);
    const Prepared prepared = prepare(list.report);
    // A folder that does not exist, and a folder standing where the file should go.
    for (const QString& path : {m_dir->filePath(u"нет/файл.pdf"_s), m_dir->path()}) {
        QString error;
        QVERIFY(!writePdf(prepared, path, &error));
        QVERIFY2(error.startsWith(u"Не удалось записать файл\r\n"_s + path + u"\r\n"_s),
                 qPrintable(error));
    }
    // A document without a page is refused, on paper and in a file, and no file is left.
    const QString empty = m_dir->filePath(u"пусто.pdf"_s);
    QString error;
    QVERIFY(!writePdf(Prepared(), empty, &error));
    QVERIFY2(error.contains(emptyDocumentMessage()), qPrintable(error));
    QVERIFY(!QFileInfo::exists(empty));
    const PrintOutcome none = printTo(Prepared(), QPrinterInfo());
    QCOMPARE(none.kind, PrintOutcome::Kind::Failed);
    QCOMPARE(none.message, emptyDocumentMessage());

    // An existing file is replaced only by a complete document.
    const QString existing = m_dir->filePath(u"old.pdf"_s);
    QVERIFY(writePdf(prepared, existing));
    QCOMPARE(pdfPages(existing), 1);
}

void TestReportOutput::pdfPagesKeepTheirSize()
{
    // A landscape list between two portrait forms, in one job.
    Template portrait(u"Форма"_s);
    portrait.addBand(BandKind::ReportTitle, 40);
    portrait.addText(u"Title_Memo"_s, {40, 0, 700, 30}, u"Книжная"_s);
    Template landscape(u"Список"_s);
    landscape.pageSize = a4Page().transposed();
    landscape.addBand(BandKind::ReportTitle, 40);
    landscape.addText(u"Title_Memo"_s, {900, 0, 200, 30}, u"Альбомная"_s);
    CompositeReport job;
    job.add(&portrait);
    job.add(&landscape);
    job.add(&portrait);
    const QString path = m_dir->filePath(u"листы.pdf"_s);
    QVERIFY(writePdf(job.prepare(), path));
    QCOMPARE(pdfPageSizes(path), (QStringList{u"595 x 842"_s, u"842 x 595"_s, u"595 x 842"_s}));
    // The text at the landscape page's right is on the page, not cut off.
    QVERIFY(pdfText(path).split(u'\f').at(1).contains(u"Альбомная"_s));
}

void TestReportOutput::pdfStreamWritesDocumentsInTurn()
{
    ListReport three(3);
    ListReport seventy(70);
    const Prepared first = prepare(three.report);
    const Prepared second = prepare(seventy.report);
    const QString path = m_dir->filePath(u"поток.pdf"_s);
    QVERIFY(writePdf(first, path));
    const QByteArray before = [&] {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();

    // Left unfinished, or with nothing in it, the stream leaves the old file alone.
    {
        PdfStream stream(path, u"Поток"_s);
        QVERIFY(stream.add(second));
    }
    {
        PdfStream stream(path, u"Поток"_s);
        QVERIFY(stream.add(Prepared()));
        QVERIFY(!stream.finish());
        QCOMPARE(stream.error(), emptyDocumentMessage());
    }
    QFile old(path);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), before);
    old.close();

    // Finished, it holds every document's pages in the order they came.
    PdfStream stream(path, u"Поток"_s);
    QVERIFY(stream.add(second));
    QVERIFY(stream.add(first));
    QVERIFY2(stream.finish(), qPrintable(stream.error()));
    QCOMPARE(stream.pages(), second.pages.size() + first.pages.size());
    const QStringList pages = pdfText(path).split(u'\f', Qt::SkipEmptyParts);
    QCOMPARE(pages.size(), stream.pages());
    QVERIFY(pages.at(second.pages.size() - 1).contains(u"70. Плательщик №70"_s));
    QVERIFY(pages.last().contains(u"3. Плательщик №3"_s));

    // A place it cannot write to is told at the first document, and nothing follows.
    PdfStream nowhere(m_dir->filePath(u"нет/поток.pdf"_s), u"Поток"_s);
    QVERIFY(!nowhere.add(first));
    QVERIFY2(nowhere.error().startsWith(u"Не удалось записать файл"_s),
             qPrintable(nowhere.error()));
    QVERIFY(!nowhere.add(first));
    QVERIFY(!nowhere.finish());
}

void TestReportOutput::withoutPrinterTheDocumentGoesIntoAFile()
{
    ListReport list(3);
    const Prepared prepared = prepare(list.report);
    FakeDialogs dialogs;
    const PrintOutcome first = printTo(prepared, QPrinterInfo());
    const PrintOutcome second = printTo(prepared, QPrinterInfo());
    QCOMPARE(first.kind, PrintOutcome::Kind::SavedPdf);
    QCOMPARE(second.kind, PrintOutcome::Kind::SavedPdf);
    // In the program's files folder, named after the document and the time; a second
    // document of the same second does not replace the first.
    QCOMPARE(QFileInfo(first.path).absolutePath() + u'/', SysFolders::FilesFolder());
    QVERIFY2(QFileInfo(first.path).fileName().startsWith(u"Список плательщиков 20"_s),
             qPrintable(first.path));
    QVERIFY(first.path != second.path);
    QCOMPARE(pdfPages(first.path), 1);
    QVERIFY(pdfText(first.path).contains(u"3. Плательщик №3"_s));
    tellOutcome(first);
    QCOMPARE(dialogs.texts(FakeDialogs::Kind::Notice),
             QStringList{u"Принтер не установлен. Документ сохранен в файл:\r\n"_s + first.path});

    // Characters a file name cannot hold are replaced.
    QCOMPARE(documentFileName(u"Акт: 1/2"_s, QDateTime(QDate(2026, 12, 9), QTime(8, 5, 3))),
             u"Акт_ 1_2 2026-12-09 08-05-03.pdf"_s);
    QVERIFY(QDir(SysFolders::FilesFolder()).removeRecursively());
}

void TestReportOutput::previewTurnsPagesAndZooms()
{
    ListReport list(70);
    Prepared prepared = prepare(list.report);
    const int pages = int(prepared.pages.size());
    TPreview_Form preview(std::move(prepared));
    preview.show();
    QVERIFY(QTest::qWaitForWindowExposed(&preview));
    auto* label = preview.findChild<QLabel*>(u"Page_Label"_s);
    QCOMPARE(label->text(), u"Страница 1 из %1"_s.arg(pages));
    QVERIFY(!preview.findChild<QToolButton*>(u"PriorPage_BBtn"_s)->isEnabled());

    // The keys reach the preview whichever control has the focus.
    preview.findChild<QPushButton*>(u"Close_BBtn"_s)->setFocus();
    QTest::keyClick(&preview, Qt::Key_PageDown);
    QCOMPARE(preview.currentPage(), 1);
    QTest::keyClick(&preview, Qt::Key_End);
    QCOMPARE(preview.currentPage(), pages - 1);
    QTest::keyClick(&preview, Qt::Key_PageDown);
    QCOMPARE(preview.currentPage(), pages - 1);
    QVERIFY(!preview.findChild<QToolButton*>(u"NextPage_BBtn"_s)->isEnabled());
    QTest::keyClick(&preview, Qt::Key_PageUp);
    QCOMPARE(preview.currentPage(), pages - 2);
    QTest::keyClick(&preview, Qt::Key_Home);
    QCOMPARE(label->text(), u"Страница 1 из %1"_s.arg(pages));

    auto* zoom = preview.findChild<QLabel*>(u"Zoom_Label"_s);
    QCOMPARE(zoom->text(), u"100 %"_s);
    QTest::keyClick(&preview, Qt::Key_Plus, Qt::ControlModifier);
    QCOMPARE(zoom->text(), u"125 %"_s);
    QTest::keyClick(&preview, Qt::Key_Minus, Qt::ControlModifier);
    QTest::keyClick(&preview, Qt::Key_Minus, Qt::ControlModifier);
    QCOMPARE(zoom->text(), u"75 %"_s);
    // From a zoom at which the whole page shows, so that the scroll bar comes with the fit.
    QTest::keyClick(&preview, Qt::Key_Minus, Qt::ControlModifier);
    QCOMPARE(zoom->text(), u"50 %"_s);
    auto* view = preview.findChild<QWidget*>(u"Page_View"_s);
    const int width50 = view->width();
    preview.findChild<QToolButton*>(u"FitWidth_BBtn"_s)->click();
    QVERIFY(view->width() > width50);
    // The page fits the width: nothing to scroll sideways.
    QCoreApplication::processEvents();
    QCOMPARE(preview.findChild<QScrollArea*>(u"Page_SB"_s)->horizontalScrollBar()->maximum(), 0);

    QTest::keyClick(&preview, Qt::Key_Escape);
    QVERIFY(!preview.isVisible());
}

void TestReportOutput::previewSavesPdf()
{
    ListReport list(70);
    Prepared prepared = prepare(list.report);
    const int pages = int(prepared.pages.size());
    TPreview_Form preview(std::move(prepared));
    FakeDialogs dialogs;
    const QString path = m_dir->filePath(u"список"_s);
    dialogs.fileNames << path << QString();
    preview.findChild<QPushButton*>(u"SavePdf_BBtn"_s)->click();
    // A name without an extension gets ".pdf".
    QCOMPARE(pdfPages(path + u".pdf"_s), pages);
    QCOMPARE(dialogs.texts(FakeDialogs::Kind::Notice),
             QStringList{u"Документ сохранен в файл:\r\n"_s + path + u".pdf"_s});
    // The name the extension was added to exists now: replacing it is asked first.
    dialogs.clear();
    dialogs.fileNames << path;
    dialogs.answers << false;
    preview.findChild<QPushButton*>(u"SavePdf_BBtn"_s)->click();
    QCOMPARE(
        dialogs.texts(FakeDialogs::Kind::Question),
        QStringList{u"Файл с именем:\r\n"_s + path + u".pdf\r\nуже существует. Заменить его?"_s});
    QCOMPARE(dialogs.texts(FakeDialogs::Kind::Notice), QStringList());

    // Cancelling the dialog writes nothing and says nothing.
    dialogs.clear();
    preview.show();
    QVERIFY(QTest::qWaitForWindowExposed(&preview));
    QTest::keyClick(&preview, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages.first().kind, FakeDialogs::Kind::SaveFile);
    QCOMPARE(dialogs.messages.first().text, u"Сохранить как PDF"_s);
}

void TestReportOutput::pagesComeAsTheyAreReady()
{
    ListReport list(200);
    const Prepared whole = prepare(list.report);
    QVERIFY(whole.pages.size() > 3);
    PrepareOptions options;
    QStringList ready;
    options.pageReady = [&](const Page& page) {
        ready << page.find(u"Page_Memo")->text();
    };
    const Prepared again = prepare(list.report, options);
    QCOMPARE(again.pages.size(), whole.pages.size());
    QCOMPARE(ready.size(), whole.pages.size());
    QCOMPARE(ready.first(), u"страница: 1"_s);
    QCOMPARE(ready.last(), u"страница: %1"_s.arg(whole.pages.size()));
    // Asked to stop, it stops where it stands.
    ready.clear();
    options.cancelled = [&] {
        return ready.size() >= 2;
    };
    QCOMPARE(prepare(list.report, options).pages.size(), 3);
}

void TestReportOutput::previewShowsPagesWhilePreparing()
{
    FakeDialogs dialogs;
    ListReport list(200);
    int pagesShown = -1;
    bool readyAtTheEnd = false;
    bool printWhilePreparing = true;
    QString label;
    QString error;
    // The preparation looks at the preview once its first page is out, then goes on.
    const bool shown = TPreview_Form::showPreparing(
        u"Список плательщиков"_s,
        [&](const PrepareOptions& options, QString*) -> std::optional<Prepared> {
            PrepareOptions watched = options;
            watched.pageReady = [&](const Page& page) {
                options.pageReady(page);
                auto* preview = qobject_cast<TPreview_Form*>(QApplication::activeModalWidget());
                if (pagesShown < 0 && preview) {
                    pagesShown = int(preview->report().pages.size());
                    printWhilePreparing =
                        preview->findChild<QPushButton*>(u"Print_BBtn"_s)->isEnabled();
                    label = preview->findChild<QLabel*>(u"Page_Label"_s)->text();
                }
            };
            Prepared prepared = prepare(list.report, watched);
            if (auto* preview = qobject_cast<TPreview_Form*>(QApplication::activeModalWidget())) {
                QTimer::singleShot(0, preview, [preview, &readyAtTheEnd] {
                    readyAtTheEnd =
                        !preview->isPreparing() &&
                        preview->findChild<QPushButton*>(u"Print_BBtn"_s)->isEnabled() &&
                        preview->report().pages.size() > 3;
                    preview->reject();
                });
            }
            return prepared;
        },
        nullptr, &error);
    QVERIFY(shown);
    QVERIFY(readyAtTheEnd);
    QCOMPARE(pagesShown, 1);
    QVERIFY(!printWhilePreparing);
    QCOMPARE(label, u"Страница 1 из 1 (подготовка ...)"_s);

    // Closed early, the preparation stops; a failure is reported to the caller.
    int laid = 0;
    QVERIFY(TPreview_Form::showPreparing(
        u"Список"_s,
        [&](const PrepareOptions& options, QString*) -> std::optional<Prepared> {
            PrepareOptions watched = options;
            watched.pageReady = [&](const Page& page) {
                options.pageReady(page);
                if (++laid == 1)
                    QApplication::activeModalWidget()->close();
            };
            return prepare(list.report, watched);
        },
        nullptr, &error));
    // The page in hand is finished, no more.
    QVERIFY(laid <= 2);
    QVERIFY(!TPreview_Form::showPreparing(
        u"Список"_s,
        [](const PrepareOptions&, QString* failure) -> std::optional<Prepared> {
            *failure = u"нет данных"_s;
            return std::nullopt;
        },
        nullptr, &error));
    QCOMPARE(error, u"нет данных"_s);
}

QTEST_MAIN(TestReportOutput)
#include "tst_reportoutput.moc"
