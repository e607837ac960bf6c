#include "Preview.h"

#include "Dialogs.h"
#include "ReportPainter.h"
#include "ReportPrinter.h"
#include "SysFolders.h"
#include "WaitCursor.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <array>

using namespace Qt::Literals::StringLiterals;

namespace Report {

/// One page on a grey desk, at the preview's zoom.
class PageView final : public QWidget
{
public:
    explicit PageView(QWidget* parent)
        : QWidget(parent)
    {
        setAutoFillBackground(true);
        QPalette desk = palette();
        desk.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
        setPalette(desk);
    }

    void show(const Page* page, double zoom)
    {
        m_page = page;
        m_zoom = zoom;
        const QSizeF size = page ? page->size * scale() : QSizeF(0, 0);
        setFixedSize(int(size.width()) + 2 * Desk, int(size.height()) + 2 * Desk);
        update();
    }

    static constexpr int Desk = 12;

    /// Screen pixels per report pixel: the zoom on the screen's own resolution, so that
    /// 100 % is the page's real size.
    double scale() const { return m_zoom * logicalDpiX() / PixelsPerInch; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (!m_page)
            return;
        QPainter painter(this);
        const QRectF sheet(QPointF(Desk, Desk), m_page->size * scale());
        painter.fillRect(sheet.translated(3, 3), QColor(0x50, 0x50, 0x50));
        painter.fillRect(sheet, Qt::white);
        painter.translate(sheet.topLeft());
        paintPage(painter, *m_page, scale());
    }

private:
    const Page* m_page = nullptr;
    double m_zoom = 1;
};

} // namespace Report

namespace {

constexpr std::array<double, 9> ZoomSteps = {0.25, 0.5, 0.75, 1.0, 1.25, 1.5, 2.0, 3.0, 4.0};

QToolButton* toolButton(QWidget* parent, const char* name, QStyle::StandardPixmap icon,
                        const QString& hint)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(parent->style()->standardIcon(icon));
    button->setToolTip(hint);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QToolButton* textToolButton(QWidget* parent, const char* name, const QString& text,
                            const QString& hint)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(text);
    button->setToolTip(hint);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    QFont font = button->font();
    font.setBold(true);
    button->setFont(font);
    button->setMinimumWidth(28);
    return button;
}

} // namespace

TPreview_Form::TPreview_Form(Report::Prepared report, QWidget* parent)
    : QDialog(parent)
    , m_report(std::move(report))
{
    setObjectName(u"Preview_Form"_s);
    setWindowTitle(u"Предварительный просмотр: "_s + m_report.title);
    setModal(true);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);

    ZoomOut_BBtn = textToolButton(this, "ZoomOut_BBtn", u"−"_s, u"Уменьшить (Ctrl+-)"_s);
    Zoom_Label = new QLabel(this);
    Zoom_Label->setObjectName(u"Zoom_Label"_s);
    Zoom_Label->setAlignment(Qt::AlignCenter);
    Zoom_Label->setMinimumWidth(Zoom_Label->fontMetrics().horizontalAdvance(u"400 %"_s) + 8);
    ZoomIn_BBtn = textToolButton(this, "ZoomIn_BBtn", u"+"_s, u"Увеличить (Ctrl++)"_s);
    FitWidth_BBtn = textToolButton(this, "FitWidth_BBtn", u"По ширине"_s, u"По ширине страницы"_s);
    FitWidth_BBtn->setFont(font());
    FirstPage_BBtn = toolButton(this, "FirstPage_BBtn", QStyle::SP_MediaSkipBackward,
                                u"Первая страница (Home)"_s);
    PriorPage_BBtn = toolButton(this, "PriorPage_BBtn", QStyle::SP_MediaSeekBackward,
                                u"Предыдущая страница (PgUp)"_s);
    Page_Label = new QLabel(this);
    Page_Label->setObjectName(u"Page_Label"_s);
    Page_Label->setAlignment(Qt::AlignCenter);
    NextPage_BBtn = toolButton(this, "NextPage_BBtn", QStyle::SP_MediaSeekForward,
                               u"Следующая страница (PgDn)"_s);
    LastPage_BBtn = toolButton(this, "LastPage_BBtn", QStyle::SP_MediaSkipForward,
                               u"Последняя страница (End)"_s);
    Print_BBtn = new QPushButton(style()->standardIcon(QStyle::SP_FileDialogContentsView),
                                 u" Печать"_s, this);
    Print_BBtn->setObjectName(u"Print_BBtn"_s);
    Print_BBtn->setToolTip(u"Печать на принтере по умолчанию (Ctrl+P)"_s);
    SavePdf_BBtn = new QPushButton(style()->standardIcon(QStyle::SP_DialogSaveButton),
                                   u" Сохранить в PDF"_s, this);
    SavePdf_BBtn->setObjectName(u"SavePdf_BBtn"_s);
    SavePdf_BBtn->setToolTip(u"Сохранить документ в файл PDF (Ctrl+S)"_s);
    Close_BBtn =
        new QPushButton(style()->standardIcon(QStyle::SP_DialogCloseButton), u" Закрыть"_s, this);
    Close_BBtn->setObjectName(u"Close_BBtn"_s);
    Close_BBtn->setToolTip(u"Закрыть (Esc)"_s);
    for (QPushButton* button : {Print_BBtn, SavePdf_BBtn, Close_BBtn})
        button->setAutoDefault(false);

    auto* tools = new QHBoxLayout;
    tools->addWidget(ZoomOut_BBtn);
    tools->addWidget(Zoom_Label);
    tools->addWidget(ZoomIn_BBtn);
    tools->addWidget(FitWidth_BBtn);
    tools->addSpacing(16);
    tools->addWidget(FirstPage_BBtn);
    tools->addWidget(PriorPage_BBtn);
    tools->addWidget(Page_Label);
    tools->addWidget(NextPage_BBtn);
    tools->addWidget(LastPage_BBtn);
    tools->addStretch();
    tools->addWidget(Print_BBtn);
    tools->addWidget(SavePdf_BBtn);
    tools->addWidget(Close_BBtn);

    Page_SB = new QScrollArea(this);
    Page_SB->setObjectName(u"Page_SB"_s);
    Page_SB->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Page_SB->setBackgroundRole(QPalette::Dark);
    Page_View = new Report::PageView(Page_SB);
    Page_View->setObjectName(u"Page_View"_s);
    Page_SB->setWidget(Page_View);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(Page_SB, 1);

    connect(ZoomIn_BBtn, &QToolButton::clicked, this, &TPreview_Form::zoomIn);
    connect(ZoomOut_BBtn, &QToolButton::clicked, this, &TPreview_Form::zoomOut);
    connect(FitWidth_BBtn, &QToolButton::clicked, this, &TPreview_Form::fitWidth);
    connect(FirstPage_BBtn, &QToolButton::clicked, this, [this] { showPage(0); });
    connect(PriorPage_BBtn, &QToolButton::clicked, this, [this] { showPage(m_page - 1); });
    connect(NextPage_BBtn, &QToolButton::clicked, this, [this] { showPage(m_page + 1); });
    connect(LastPage_BBtn, &QToolButton::clicked, this,
            [this] { showPage(int(m_report.pages.size()) - 1); });
    connect(Print_BBtn, &QPushButton::clicked, this, &TPreview_Form::Print_BBtnClick);
    connect(SavePdf_BBtn, &QPushButton::clicked, this, &TPreview_Form::SavePdf_BBtnClick);
    connect(Close_BBtn, &QPushButton::clicked, this, &QDialog::reject);

    // The scroll area would take PgUp/PgDn for scrolling; in a preview they turn pages.
    const auto shortcut = [this](const QKeySequence& keys, auto slot) {
        auto* sc = new QShortcut(keys, this);
        sc->setContext(Qt::WindowShortcut);
        connect(sc, &QShortcut::activated, this, slot);
    };
    shortcut(QKeySequence(Qt::Key_PageUp), [this] { showPage(m_page - 1); });
    shortcut(QKeySequence(Qt::Key_PageDown), [this] { showPage(m_page + 1); });
    shortcut(QKeySequence(Qt::Key_Home), [this] { showPage(0); });
    shortcut(QKeySequence(Qt::Key_End), [this] { showPage(int(m_report.pages.size()) - 1); });
    shortcut(QKeySequence::Print, [this] { Print_BBtnClick(); });
    shortcut(QKeySequence::Save, [this] { SavePdf_BBtnClick(); });
    shortcut(QKeySequence::ZoomIn, [this] { zoomIn(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Equal), [this] { zoomIn(); });
    shortcut(QKeySequence::ZoomOut, [this] { zoomOut(); });

    // A whole A4 width at 100 % where the screen allows it, and a laptop screen's height;
    // the window maximises for more.
    QSize size(int(Report::a4Page().width()) + 2 * Report::PageView::Desk + 48, 640);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect room = screen->availableGeometry();
        size = size.boundedTo(QSize(room.width() - 40, room.height() - 60));
    }
    resize(size);
    showPage(0);
}

TPreview_Form::~TPreview_Form() = default;

void TPreview_Form::showPage(int page)
{
    const int last = int(m_report.pages.size()) - 1;
    m_page = qBound(0, page, qMax(0, last));
    Page_View->show(m_report.pages.isEmpty() ? nullptr : &m_report.pages.at(m_page), m_zoom);
    Page_SB->verticalScrollBar()->setValue(0);
    updateControls();
}

void TPreview_Form::setZoom(double zoom)
{
    m_zoom = qBound(ZoomSteps.front(), zoom, ZoomSteps.back());
    Page_View->show(m_report.pages.isEmpty() ? nullptr : &m_report.pages.at(m_page), m_zoom);
    updateControls();
}

void TPreview_Form::zoomIn()
{
    for (double step : ZoomSteps) {
        if (step > m_zoom + 0.001) {
            setZoom(step);
            return;
        }
    }
}

void TPreview_Form::zoomOut()
{
    for (auto step = ZoomSteps.rbegin(); step != ZoomSteps.rend(); ++step) {
        if (*step < m_zoom - 0.001) {
            setZoom(*step);
            return;
        }
    }
}

void TPreview_Form::fitWidth()
{
    const double width = m_report.pages.isEmpty() ? Report::a4Page().width()
                                                  : m_report.pages.at(m_page).size.width();
    // A whole page at that width is taller than the view, so the vertical scroll bar
    // takes its share of the width too.
    const int room = Page_SB->contentsRect().width() -
                     Page_SB->verticalScrollBar()->sizeHint().width() - 2 * Report::PageView::Desk -
                     2;
    setZoom(room / (width * Page_View->logicalDpiX() / Report::PixelsPerInch));
}

void TPreview_Form::appendPage(const Report::Page& page)
{
    m_report.pages.append(page);
    if (m_report.pages.size() == 1) {
        showPage(0);
        return;
    }
    // The list of pages may have moved: the view is given the page it shows again.
    Page_View->show(&m_report.pages.at(m_page), m_zoom);
    updateControls();
}

bool TPreview_Form::showPreparing(const QString& title, const Preparation& prepare, QWidget* parent,
                                  QString* error)
{
    Report::Prepared empty;
    empty.title = title;
    TPreview_Form form(std::move(empty), parent);
    form.m_preparing = true;
    form.updateControls();
    bool prepared = true;
    QTimer::singleShot(0, &form, [&] {
        // The empty preview is painted before the data are read.
        QCoreApplication::processEvents();
        QElapsedTimer sinceMessages;
        sinceMessages.start();
        Report::PrepareOptions options;
        options.pageReady = [&](const Report::Page& page) {
            form.appendPage(page);
            // The first page shows at once; afterwards the window stays alive without the
            // repainting costing the preparation its speed.
            if (form.m_report.pages.size() == 1 || sinceMessages.elapsed() >= 50) {
                QCoreApplication::processEvents();
                sinceMessages.restart();
            }
        };
        options.cancelled = [&form] {
            return !form.isVisible();
        };
        QApplication::setOverrideCursor(Qt::BusyCursor);
        std::optional<Report::Prepared> report = prepare(options, error);
        QApplication::restoreOverrideCursor();
        form.m_preparing = false;
        if (!form.isVisible())
            return;
        if (!report) {
            prepared = false;
            form.reject();
            return;
        }
        form.m_report.title = report->title;
        form.updateControls();
    });
    form.exec();
    return prepared;
}

void TPreview_Form::updateControls()
{
    const int count = int(m_report.pages.size());
    QString pages = u"Страница %1 из %2"_s.arg(count == 0 ? 0 : m_page + 1).arg(count);
    if (m_preparing)
        pages += u" (подготовка ...)"_s;
    Page_Label->setText(pages);
    Zoom_Label->setText(u"%1 %"_s.arg(qRound(m_zoom * 100)));
    FirstPage_BBtn->setEnabled(m_page > 0);
    PriorPage_BBtn->setEnabled(m_page > 0);
    NextPage_BBtn->setEnabled(m_page < count - 1);
    LastPage_BBtn->setEnabled(m_page < count - 1);
    ZoomIn_BBtn->setEnabled(m_zoom < ZoomSteps.back() - 0.001);
    ZoomOut_BBtn->setEnabled(m_zoom > ZoomSteps.front() + 0.001);
    Print_BBtn->setEnabled(count > 0 && !m_preparing);
    SavePdf_BBtn->setEnabled(count > 0 && !m_preparing);
}

void TPreview_Form::Print_BBtnClick()
{
    if (m_report.pages.isEmpty() || m_preparing)
        return;
    Report::PrintOutcome outcome;
    {
        WaitCursor wait;
        outcome = Report::printToDefault(m_report);
    }
    Report::tellOutcome(outcome);
}

void TPreview_Form::SavePdf_BBtnClick()
{
    if (m_report.pages.isEmpty() || m_preparing)
        return;
    QString proposed;
    try {
        proposed = SysFolders::FilesFolder() +
                   Report::documentFileName(m_report.title, QDateTime::currentDateTime());
    } catch (const SysFolders::FolderError&) {
        proposed = Report::documentFileName(m_report.title, QDateTime::currentDateTime());
    }
    QString path = Dialogs::current().saveFileName(u"Сохранить как PDF"_s, proposed,
                                                   u"Документы PDF (*.pdf);;Все файлы (*.*)"_s);
    if (path.isEmpty())
        return;
    // The dialog asked about the name it was given; a name it gets here is asked about here.
    if (QFileInfo(path).suffix().isEmpty()) {
        path += u".pdf"_s;
        if (QFileInfo::exists(path) &&
            !Dialogs::current().question(u"Файл с именем:\r\n"_s + path +
                                         u"\r\nуже существует. Заменить его?"_s))
            return;
    }
    QString error;
    bool written = false;
    {
        WaitCursor wait;
        written = Report::writePdf(m_report, path, &error);
    }
    if (!written) {
        Dialogs::current().error(error);
        return;
    }
    Dialogs::current().notice(u"Документ сохранен в файл:\r\n"_s + path);
}
