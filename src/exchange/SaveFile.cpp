#include "SaveFile.h"

#include "BackgroundRun.h"
#include "Database.h"
#include "Dialogs.h"
#include "ErrorList.h"
#include "Exporter.h"
#include "GridRoutines.h"
#include "Preview.h"
#include "RunState.h"
#include "SummaryStatement.h"
#include "SysFolders.h"
#include "WaitCursor.h"

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace {

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, bool bold = false)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    if (bold) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    return label;
}

/// Window messages run at most this often while lines are written: often enough for a
/// moving progress bar, rarely enough not to slow a large statement down.
constexpr qint64 RepaintEveryMs = 40;

} // namespace

/// Runs on the thread of the checks or the export and hands what they tell to the window's
/// thread in order: findings in batches, the bar at most every few hundredths of a second.
class TSaveFile_Form::Progress final : public Exchange::ExportListener
{
public:
    explicit Progress(TSaveFile_Form& form)
        : m_form(&form)
    {
        m_sinceRepaint.start();
    }

    void checkFinding(int file, qint64 number, const QString& message) override
    {
        m_findings.append({file, number, message});
        if (m_findings.size() >= FindingBatch || m_sinceRepaint.elapsed() >= RepaintEveryMs)
            flush();
    }

    void checkDone(int, qint64) override { flush(); }

    void writingStarted(qint64 total) override
    {
        flush();
        BackgroundRun::post(m_form, [total](TSaveFile_Form& form) {
            form.SaveFile_ProgressBar->setRange(
                0, int(qMin<qint64>(total, std::numeric_limits<int>::max())));
            form.SaveFile_ProgressBar->setValue(0);
        });
    }

    void recordWritten(qint64 written) override
    {
        m_written = written;
        if (m_sinceRepaint.elapsed() >= RepaintEveryMs)
            flush();
    }

    /// Hands over whatever is still pending.
    void flush()
    {
        m_sinceRepaint.restart();
        if (!m_findings.isEmpty()) {
            BackgroundRun::post(m_form, [findings = std::move(m_findings)](TSaveFile_Form& form) {
                form.Error_SG->addRows(findings, form.ErrorCount_Label);
            });
            m_findings.clear();
        }
        if (m_written >= 0) {
            BackgroundRun::post(m_form, [written = m_written](TSaveFile_Form& form) {
                // Charges and persons without a payer are not written, so the count may
                // stay below the bar's end; it never passes it.
                if (written <= form.SaveFile_ProgressBar->maximum())
                    form.SaveFile_ProgressBar->setValue(int(written));
            });
            m_written = -1;
        }
    }

private:
    static constexpr qsizetype FindingBatch = 200;

    TSaveFile_Form* m_form;
    QElapsedTimer m_sinceRepaint;
    QList<ErrorList::Row> m_findings;
    qint64 m_written = -1;
};

TSaveFile_Form::TSaveFile_Form(Database& db, RunState& state, const QVariant& organisation,
                               const QString& organisationName, QWidget* parent)
    : RunGuardedDialog(parent)
    , m_db(db)
    , m_state(state)
    , m_organisation(organisation)
    , m_organisationName(organisationName)
{
    setObjectName(u"SaveFile_Form"_s);
    setWindowTitle(u"Сохранение редактируемой информации"_s);
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        makeLabel(this, "Label4", u"Сохранить редактируемую информацию в файлы:"_s, true));

    auto* files = new QGridLayout;
    const auto addFileRow = [&](int row, const char* captionName, const QString& caption,
                                const char* editName, const char* markName, const QString& mark) {
        files->addWidget(makeLabel(this, captionName, caption), row * 2, 0, 1, 3);
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(editName));
        // Names are chosen in the dialog (file I) or follow from it (files II and III).
        edit->setReadOnly(true);
        files->addWidget(edit, row * 2 + 1, 0);
        files->addWidget(makeLabel(this, markName, mark), row * 2 + 1, 2);
        return edit;
    };
    SvedPotreb_FE = addFileRow(
        0, "Label1", u"Файл со сведениями о плательщике за жилищно-коммунальные услуги:"_s,
        "SvedPotreb_FE", "Label5", u"файл I"_s);
    SvedPotreb_Btn = new QToolButton(this);
    SvedPotreb_Btn->setObjectName(u"SvedPotreb_Btn"_s);
    SvedPotreb_Btn->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    SvedPotreb_Btn->setToolTip(u"Список файлов"_s);
    files->addWidget(SvedPotreb_Btn, 1, 1);
    SvedNach_FE = addFileRow(
        1, "Label2",
        u"Файл со сведениями о начисленных плате за жилые помещения, коммунальные и прочие услуги:"_s,
        "SvedNach_FE", "Label6", u"файл II"_s);
    SvedPotrebRelations_FE =
        addFileRow(2, "Label3", u"Файл со сведениями о лицах, которые учитываются при расчете:"_s,
                   "SvedPotrebRelations_FE", "Label7", u"файл III"_s);
    SvedNach_FE->setEnabled(false);
    SvedPotrebRelations_FE->setEnabled(false);
    files->setColumnStretch(0, 1);
    layout->addLayout(files);

    SaveFile_BBtn = new QPushButton(u" Сохранить редактируемую информацию в файл"_s, this);
    SaveFile_BBtn->setObjectName(u"SaveFile_BBtn"_s);
    SaveFile_BBtn->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    PrintSvodnVed_BBtn = new QPushButton(u" Печать сводной ведомости"_s, this);
    PrintSvodnVed_BBtn->setObjectName(u"PrintSvodnVed_BBtn"_s);
    PrintSvodnVed_BBtn->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    // Only an export whose checks all passed may be handed in with its summary statement.
    PrintSvodnVed_BBtn->setEnabled(false);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(SaveFile_BBtn);
    buttonRow->addStretch();
    buttonRow->addWidget(PrintSvodnVed_BBtn);
    layout->addLayout(buttonRow);

    auto* counts = new QGridLayout;
    counts->addWidget(makeLabel(this, "Label8", u"Количество записей в файлах:"_s, true), 0, 0, 1,
                      2);
    const auto addCountRow = [&](int row, const char* captionName, const QString& caption,
                                 const char* countName) {
        counts->addWidget(makeLabel(this, captionName, caption), row, 0);
        QLabel* count = makeLabel(this, countName, u"0"_s);
        counts->addWidget(count, row, 1);
        return count;
    };
    ColSvedPotreb_Label =
        addCountRow(1, "Label9", u"со сведениями о потребителях: "_s, "ColSvedPotreb_Label");
    ColSvedNach_Label =
        addCountRow(2, "Label15", u"со сведениями о начислениях: "_s, "ColSvedNach_Label");
    ColSvedPotrebRelations_Label = addCountRow(
        3, "Label10", u"со сведениями о совместно проживающих: "_s, "ColSvedPotrebRelations_Label");
    counts->setColumnStretch(2, 1);
    layout->addLayout(counts);

    auto* errorsHead = new QHBoxLayout;
    errorsHead->addWidget(makeLabel(this, "Label19", u"Ошибки при создании файлов:"_s));
    errorsHead->addWidget(makeLabel(this, "Label11", u"количество ошибок:"_s));
    ErrorCount_Label = makeLabel(this, "ErrorCount_Label", u"0"_s);
    errorsHead->addWidget(ErrorCount_Label);
    errorsHead->addStretch();
    ExportErrorToExel_BBbn = new QToolButton(this);
    ExportErrorToExel_BBbn->setObjectName(u"ExportErrorToExel_BBbn"_s);
    ExportErrorToExel_BBbn->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    ExportErrorToExel_BBbn->setToolTip(u"Экспорт списка ошибок в Excel"_s);
    errorsHead->addWidget(ExportErrorToExel_BBbn);
    layout->addLayout(errorsHead);

    Warning_Panel = new QFrame(this);
    Warning_Panel->setObjectName(u"Warning_Panel"_s);
    static_cast<QFrame*>(Warning_Panel)->setFrameShape(QFrame::StyledPanel);
    auto* warningLayout = new QHBoxLayout(Warning_Panel);
    auto* warningPicture = new QLabel(Warning_Panel);
    warningPicture->setPixmap(
        style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    warningLayout->addWidget(warningPicture);
    warningLayout->addWidget(
        makeLabel(Warning_Panel, "Warning_Label", u"Данные проверяются ..."_s, true));
    warningLayout->addStretch();
    Warning_Panel->hide();
    layout->addWidget(Warning_Panel);

    Error_SG = new ErrorList(this);
    Error_SG->setObjectName(u"Error_SG"_s);
    connect(Error_SG, &ErrorList::recordActivated, this, [this](int file, qint64 number) {
        // The records are being written while the run goes on.
        if (!isRunning())
            Q_EMIT recordRequested(file, number);
    });
    layout->addWidget(Error_SG, 1);

    SaveFile_ProgressBar = new QProgressBar(this);
    SaveFile_ProgressBar->setObjectName(u"SaveFile_ProgressBar"_s);
    SaveFile_ProgressBar->setRange(0, 100);
    SaveFile_ProgressBar->setValue(0);
    layout->addWidget(SaveFile_ProgressBar);

    resize(760, 560);

    resetResults();
    proposeNames();
    connect(SvedPotreb_FE, &QLineEdit::textChanged, this, &TSaveFile_Form::SvedPotreb_FEChange);
    connect(SvedPotreb_Btn, &QToolButton::clicked, this, &TSaveFile_Form::SvedPotreb_BtnClick);
    connect(SaveFile_BBtn, &QPushButton::clicked, this, &TSaveFile_Form::SaveFile_BBtnClick);
    connect(ExportErrorToExel_BBbn, &QToolButton::clicked, this,
            &TSaveFile_Form::ExportErrorToExel_BBbnClick);
    connect(PrintSvodnVed_BBtn, &QPushButton::clicked, this,
            &TSaveFile_Form::PrintSvodnVed_BBtnClick);
}

TSaveFile_Form::~TSaveFile_Form() = default;

void TSaveFile_Form::proposeNames()
{
    QString folder;
    try {
        folder = Exchange::proposedFolder(m_state.fileNameT1);
    } catch (const SysFolders::FolderError&) {
        // Without a documents folder the names stay bare; writing then tells what fails.
        folder.clear();
    }
    const Exchange::ExchangeFileNames names =
        Exchange::standardFileNames(folder, m_organisation, m_state.accountingPeriod);
    m_derivingNames = true;
    SvedPotreb_FE->setText(names.payers);
    SvedNach_FE->setText(names.charges);
    SvedPotrebRelations_FE->setText(names.persons);
    m_derivingNames = false;
}

void TSaveFile_Form::SvedPotreb_FEChange()
{
    if (m_derivingNames)
        return;
    const auto names = Exchange::derivedFileNames(SvedPotreb_FE->text());
    if (!names)
        return;
    m_derivingNames = true;
    SvedPotreb_FE->setText(names->payers);
    SvedNach_FE->setText(names->charges);
    SvedPotrebRelations_FE->setText(names->persons);
    m_derivingNames = false;
}

void TSaveFile_Form::SvedPotreb_BtnClick()
{
    QString name = Dialogs::current().saveFileName(u"Список файлов"_s, SvedPotreb_FE->text(),
                                                   u"Текстовые файлы (*.txt);;Все файлы (*.*)"_s);
    if (name.isEmpty())
        return;
    // The dialog's default extension: a name typed without one gets ".txt".
    if (!QFileInfo(name).fileName().contains(u'.'))
        name += u".txt"_s;
    SvedPotreb_FE->setText(name);
}

void TSaveFile_Form::resetResults()
{
    for (QLabel* label : {ColSvedPotreb_Label, ColSvedNach_Label, ColSvedPotrebRelations_Label})
        label->setText(u"0"_s);
    m_summaryAllowed = false;
    PrintSvodnVed_BBtn->setEnabled(false);
    Error_SG->clearRows();
    ErrorCount_Label->setText(u"0"_s);
}

void TSaveFile_Form::setInputsEnabled(bool enabled)
{
    SvedPotreb_FE->setEnabled(enabled);
    SvedPotreb_Btn->setEnabled(enabled);
    SaveFile_BBtn->setEnabled(enabled);
    PrintSvodnVed_BBtn->setEnabled(enabled && m_summaryAllowed);
}

int TSaveFile_Form::filledErrorRows() const
{
    return Error_SG->filledRows();
}

void TSaveFile_Form::SaveFile_BBtnClick()
{
    ExportErrorToExel_BBbn->setEnabled(false);
    // The run lets window messages through; the inputs stay off so that no second run,
    // print or copy starts inside it.
    setRunning(true);
    setInputsEnabled(false);
    writeExchangeFiles();
    setInputsEnabled(true);
    setRunning(false);
    ExportErrorToExel_BBbn->setEnabled(ErrorCount_Label->text().toInt() != 0);
}

bool TSaveFile_Form::checkBeforeExport()
{
    Warning_Panel->show();
    Exchange::CheckResult result;
    {
        WaitCursor wait;
        Progress progress(*this);
        QString error;
        const bool ran = BackgroundRun::run(
            m_db,
            [&](Database& db) {
                result = Exchange::Exporter(db).checkBeforeExport(progress);
                progress.flush();
            },
            &error);
        if (!ran) {
            result.passed = false;
            result.error = Exchange::databaseReadFailedMessage(error);
        }
    }
    Warning_Panel->hide();
    if (!result.error.isEmpty())
        Dialogs::current().error(result.error);
    return result.passed;
}

void TSaveFile_Form::writeExchangeFiles()
{
    resetResults();
    Exchange::Exporter exporter(m_db);
    const Exchange::RecordCounts counts = exporter.countRecords();
    ColSvedPotreb_Label->setText(QString::number(counts.payers));
    ColSvedNach_Label->setText(QString::number(counts.charges));
    ColSvedPotrebRelations_Label->setText(QString::number(counts.persons));
    if (counts.anyEmpty()) {
        Dialogs::current().error(Exchange::emptyTableMessage());
        return;
    }

    // The findings never stop the writing; they only lock the summary statement. That is
    // decided before the questions below, so declining keeps the print button enabled.
    const bool passed = checkBeforeExport();
    m_summaryAllowed = passed;

    const Exchange::ExchangeFileNames names{
        Exchange::withDefaultExtension(SvedPotreb_FE->text()),
        Exchange::withDefaultExtension(SvedNach_FE->text()),
        Exchange::withDefaultExtension(SvedPotrebRelations_FE->text())};
    // The statement names the files as they are written, ".TXT" and all, also when the
    // operator keeps the files already there.
    m_summaryNames = names;
    for (const QString& name : {names.payers, names.charges, names.persons}) {
        if (QFileInfo::exists(name) &&
            !Dialogs::current().question(Exchange::overwriteQuestion(name)))
            return;
    }

    Exchange::ExportStamp stamp;
    stamp.organisation = m_organisation;
    stamp.period = m_state.accountingPeriod;
    stamp.today = QDate::currentDate();
    Exchange::WriteResult result;
    {
        WaitCursor wait;
        Progress progress(*this);
        QString error;
        const bool ran = BackgroundRun::run(
            m_db,
            [&](Database& db) {
                result = Exchange::Exporter(db).write(names, stamp, progress);
                progress.flush();
            },
            &error);
        if (!ran) {
            result.outcome = Exchange::WriteResult::Outcome::Failed;
            result.message = Exchange::databaseReadFailedMessage(error);
        }
    }
    if (result.created()) {
        m_state.fileNameT1 = SvedPotreb_FE->text();
        m_state.fileNameT2 = SvedNach_FE->text();
        m_state.fileNameT3 = SvedPotrebRelations_FE->text();
    }
    if (result.outcome != Exchange::WriteResult::Outcome::Written) {
        SaveFile_ProgressBar->setValue(0);
        Dialogs::current().error(result.message);
        return;
    }
    Dialogs::current().notice(Exchange::filesWrittenMessage());
    SaveFile_ProgressBar->setValue(0);
    if (!passed)
        Dialogs::current().error(Exchange::summaryLockedMessage());
}

void TSaveFile_Form::PrintSvodnVed_BBtnClick()
{
    if (!m_summaryAllowed)
        return;
    Exchange::StatementSummary summary;
    {
        WaitCursor wait;
        summary = Exchange::Exporter(m_db).summary(m_summaryNames);
    }
    if (!summary.error.isEmpty()) {
        Dialogs::current().error(summary.error);
        return;
    }
    Report::Template report = Exchange::summaryStatementTemplate();
    Exchange::fillSummaryStatement(report, summary, m_organisationName, m_state.accountingPeriod);
    TPreview_Form preview(Report::prepare(report), this);
    preview.exec();
}

void TSaveFile_Form::ExportErrorToExel_BBbnClick()
{
    if (ErrorCount_Label->text().toInt() == 0)
        return;
    Error_SG->copyToSpreadsheet();
}
