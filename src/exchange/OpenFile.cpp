#include "OpenFile.h"

#include "BackgroundRun.h"
#include "Database.h"
#include "Dialogs.h"
#include "ErrorList.h"
#include "GridRoutines.h"
#include "Importer.h"
#include "RunState.h"
#include "SysFolders.h"
#include "WaitCursor.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <array>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString NoValue = u"......."_s;

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

/// Shows a message box without the busy pointer over it, then puts the pointer back.
void showError(const QString& text)
{
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy)
        QApplication::restoreOverrideCursor();
    Dialogs::current().error(text);
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

} // namespace

/// Runs on the import's own thread and hands what the import tells to the window's
/// thread in order: error rows in batches, counts at most every few hundredths of a second
/// and whenever a stage ends, so that a long file neither floods the window with messages
/// nor leaves it unpainted.
class TOpenFile_Form::Progress final : public Exchange::ImportListener
{
public:
    explicit Progress(TOpenFile_Form& form)
        : m_form(&form)
    {
        m_sinceShown.start();
    }

    void linesCounted(qint64 payers, qint64 charges, qint64 persons) override
    {
        BackgroundRun::post(m_form, [payers, charges, persons](TOpenFile_Form& form) {
            form.ColSvedPotreb_Label->setText(QString::number(payers));
            form.ColSvedNach_Label->setText(QString::number(charges));
            form.ColSvedPotrebRelations_Label->setText(QString::number(persons));
            form.OpenFile_ProgressBar->setValue(0);
        });
    }

    void linesRead(Exchange::FileKind kind, qint64 lines) override
    {
        m_lines[size_t(int(kind) - 1)] = lines;
        m_linesChanged = true;
        if (m_errors.size() >= ErrorBatch || m_sinceShown.elapsed() >= ShowEveryMs)
            flush();
    }

    void payerLineRead(const QDate& fileDate, const QVariant& organisation) override
    {
        m_fileDate = fileDate;
        if (!organisation.isNull())
            m_organisation = organisation;
    }

    void errorAdded(int file, qint64 line, const QString& message) override
    {
        m_errors.append({file, line, message});
        if (m_errors.size() >= ErrorBatch)
            flush();
    }

    void stepDone(int step) override
    {
        flush();
        BackgroundRun::post(
            m_form, [step](TOpenFile_Form& form) { form.OpenFile_ProgressBar->setValue(step); });
    }

    void failure(const QString& message) override
    {
        flush();
        BackgroundRun::post(m_form, [message](TOpenFile_Form&) { showError(message); });
    }

    /// Hands over whatever is still pending.
    void flush()
    {
        m_sinceShown.restart();
        if (!m_errors.isEmpty()) {
            BackgroundRun::post(m_form, [errors = std::move(m_errors)](TOpenFile_Form& form) {
                form.Error_SG->addRows(errors, form.ErrorCount_Label);
            });
            m_errors.clear();
        }
        if (m_linesChanged) {
            m_linesChanged = false;
            BackgroundRun::post(m_form, [lines = m_lines, date = m_fileDate,
                                         organisation = m_organisation](TOpenFile_Form& form) {
                if (date.isValid())
                    form.DateFile_Label->setText(date.toString(u"dd.MM.yyyy"_s));
                if (!organisation.isNull()) {
                    form.DezID_Label->setText(organisation.toString());
                    form.m_lastOrganisation = organisation;
                }
                form.Number1_Label->setText(QString::number(lines[0]));
                form.Number2_Label->setText(QString::number(lines[1]));
                form.Number3_Label->setText(QString::number(lines[2]));
            });
        }
    }

private:
    static constexpr qsizetype ErrorBatch = 200;
    static constexpr qint64 ShowEveryMs = 40;

    TOpenFile_Form* m_form;
    QElapsedTimer m_sinceShown;
    QList<ErrorList::Row> m_errors;
    std::array<qint64, 3> m_lines{};
    bool m_linesChanged = false;
    QDate m_fileDate;
    QVariant m_organisation;
};

TOpenFile_Form::TOpenFile_Form(Database& db, RunState& state, QWidget* parent)
    : RunGuardedDialog(parent)
    , m_db(db)
    , m_state(state)
{
    setObjectName(u"OpenFile_Form"_s);
    setWindowTitle(u"Новые файлы для редактирования"_s);
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        makeLabel(this, "Label4", u"Открыть новые файлы для редактирования:"_s, true));

    auto* files = new QGridLayout;
    const auto addFileRow = [&](int row, const char* captionName, const QString& caption,
                                const char* editName, const char* buttonName, const char* markName,
                                const QString& mark, QLineEdit*& edit, QToolButton*& button) {
        files->addWidget(makeLabel(this, captionName, caption), row * 2, 0, 1, 3);
        edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(editName));
        button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(buttonName));
        button->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
        button->setToolTip(u"Список файлов"_s);
        files->addWidget(edit, row * 2 + 1, 0);
        files->addWidget(button, row * 2 + 1, 1);
        files->addWidget(makeLabel(this, markName, mark), row * 2 + 1, 2);
        QLineEdit* target = edit;
        connect(button, &QToolButton::clicked, this, [this, target] { browse(target); });
    };
    addFileRow(0, "Label1", u"Файл со сведениями о плательщике за жилищно-коммунальные услуги:"_s,
               "SvedPotreb_FE", "SvedPotreb_Btn", "Label5", u"файл I"_s, SvedPotreb_FE,
               SvedPotreb_Btn);
    addFileRow(
        1, "Label2",
        u"Файл со сведениями о начисленных плате за жилые помещения, коммунальные и прочие услуги:"_s,
        "SvedNach_FE", "SvedNach_Btn", "Label6", u"файл II"_s, SvedNach_FE, SvedNach_Btn);
    addFileRow(2, "Label3", u"Файл со сведениями о лицах, которые учитываются при расчете:"_s,
               "SvedPotrebRelations_FE", "SvedPotrebRelations_Btn", "Label7", u"файл III"_s,
               SvedPotrebRelations_FE, SvedPotrebRelations_Btn);
    files->setColumnStretch(0, 1);
    layout->addLayout(files);

    OpenFile_BBtn = new QPushButton(u" Загрузить файлы для редактирования"_s, this);
    OpenFile_BBtn->setObjectName(u"OpenFile_BBtn"_s);
    OpenFile_BBtn->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(OpenFile_BBtn);
    buttonRow->addStretch();
    layout->addLayout(buttonRow);

    auto* counts = new QGridLayout;
    counts->addWidget(makeLabel(this, "Label8", u"Количество записей в файлах:"_s, true), 0, 0);
    counts->addWidget(makeLabel(this, "Label13", u"всего"_s), 0, 1);
    counts->addWidget(makeLabel(this, "Label14", u"прочитано"_s), 0, 2);
    counts->addWidget(makeLabel(this, "Label16", u"загружено"_s), 0, 3);
    QPalette green = palette();
    green.setColor(QPalette::WindowText, QColor(0, 128, 0));
    const auto addCountRow = [&](int row, const char* captionName, const QString& caption,
                                 const char* totalName, const char* readName,
                                 const char* loadedName, QLabel*& total, QLabel*& read,
                                 QLabel*& loaded) {
        counts->addWidget(makeLabel(this, captionName, caption), row, 0);
        total = makeLabel(this, totalName, u"0"_s);
        read = makeLabel(this, readName, u"0"_s);
        loaded = makeLabel(this, loadedName, u"0"_s);
        loaded->setPalette(green);
        counts->addWidget(total, row, 1);
        counts->addWidget(read, row, 2);
        counts->addWidget(loaded, row, 3);
    };
    addCountRow(1, "Label9", u"со сведениями о потребителях: "_s, "ColSvedPotreb_Label",
                "Number1_Label", "SaveNumber1_Label", ColSvedPotreb_Label, Number1_Label,
                SaveNumber1_Label);
    addCountRow(2, "Label15", u"со сведениями о начислениях: "_s, "ColSvedNach_Label",
                "Number2_Label", "SaveNumber2_Label", ColSvedNach_Label, Number2_Label,
                SaveNumber2_Label);
    addCountRow(3, "Label10", u"со сведениями о совместно проживающих: "_s,
                "ColSvedPotrebRelations_Label", "Number3_Label", "SaveNumber3_Label",
                ColSvedPotrebRelations_Label, Number3_Label, SaveNumber3_Label);
    counts->setColumnStretch(4, 1);
    layout->addLayout(counts);

    auto* fileInfo = new QGridLayout;
    fileInfo->addWidget(makeLabel(this, "Label17", u"Дата создания файла:"_s), 0, 0);
    DateFile_Label = makeLabel(this, "DateFile_Label", NoValue);
    fileInfo->addWidget(DateFile_Label, 0, 1);
    fileInfo->addWidget(
        makeLabel(this, "Label12",
                  u"Код организации, предоставившей сведения о начислениях, в файле:"_s),
        1, 0);
    DezID_Label = makeLabel(this, "DezID_Label", NoValue);
    fileInfo->addWidget(DezID_Label, 1, 1);
    fileInfo->setColumnStretch(2, 1);
    layout->addLayout(fileInfo);

    auto* errorsHead = new QHBoxLayout;
    errorsHead->addWidget(makeLabel(this, "Label19", u"Ошибки при чтении файлов:"_s));
    errorsHead->addWidget(makeLabel(this, "Label11", u"количество ошибок:"_s));
    ErrorCount_Label = makeLabel(this, "ErrorCount_Label", u"0"_s);
    errorsHead->addWidget(ErrorCount_Label);
    errorsHead->addStretch();
    ExportErrorToExel_BBbn = new QToolButton(this);
    ExportErrorToExel_BBbn->setObjectName(u"ExportErrorToExel_BBbn"_s);
    ExportErrorToExel_BBbn->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    ExportErrorToExel_BBbn->setToolTip(u"Экспорт списка ошибок в Excel"_s);
    ExportErrorToExel_BBbn->setEnabled(false);
    errorsHead->addWidget(ExportErrorToExel_BBbn);
    layout->addLayout(errorsHead);

    Error_SG = new ErrorList(this);
    Error_SG->setObjectName(u"Error_SG"_s);
    connect(Error_SG, &ErrorList::recordActivated, this, [this](int file, qint64 number) {
        // The records are being written while the run goes on.
        if (!isRunning())
            Q_EMIT recordRequested(file, number);
    });
    layout->addWidget(Error_SG, 1);

    OpenFile_ProgressBar = new QProgressBar(this);
    OpenFile_ProgressBar->setObjectName(u"OpenFile_ProgressBar"_s);
    OpenFile_ProgressBar->setRange(0, Exchange::ImportSteps);
    OpenFile_ProgressBar->setValue(0);
    layout->addWidget(OpenFile_ProgressBar);

    resize(760, 560);

    try {
        m_payersFolder = SysFolders::FilesFolder();
        QDir().mkpath(m_payersFolder);
    } catch (const SysFolders::FolderError&) {
        // Without a documents folder the dialogs start wherever the system puts them.
        m_payersFolder.clear();
    }
    m_detailsFolder = m_payersFolder;

    resetResults();
    SvedPotreb_FEChange();
    connect(SvedPotreb_FE, &QLineEdit::textChanged, this, &TOpenFile_Form::SvedPotreb_FEChange);
    connect(OpenFile_BBtn, &QPushButton::clicked, this, &TOpenFile_Form::OpenFile_BBtnClick);
    connect(ExportErrorToExel_BBbn, &QToolButton::clicked, this,
            &TOpenFile_Form::ExportErrorToExel_BBbnClick);
}

TOpenFile_Form::~TOpenFile_Form() = default;

QVariant TOpenFile_Form::lastOrganisation() const
{
    return m_lastOrganisation;
}

void TOpenFile_Form::SvedPotreb_FEChange()
{
    const QFileInfo payers(SvedPotreb_FE->text());
    const bool exists = !SvedPotreb_FE->text().isEmpty() && payers.isFile();
    if (exists)
        m_detailsFolder = payers.absolutePath();
    for (QWidget* w : {static_cast<QWidget*>(SvedNach_FE), static_cast<QWidget*>(SvedNach_Btn),
                       static_cast<QWidget*>(SvedPotrebRelations_FE),
                       static_cast<QWidget*>(SvedPotrebRelations_Btn)})
        w->setEnabled(exists);
}

void TOpenFile_Form::browse(QLineEdit* edit)
{
    const QString folder = edit == SvedPotreb_FE ? m_payersFolder : m_detailsFolder;
    const QString name = Dialogs::current().openFileName(
        u"Список файлов"_s, folder, u"Текстовые файлы (*.txt);;Все файлы (*.*)"_s);
    if (!name.isEmpty())
        edit->setText(name);
}

void TOpenFile_Form::resetResults()
{
    for (QLabel* label :
         {ColSvedPotreb_Label, ColSvedNach_Label, ColSvedPotrebRelations_Label, Number1_Label,
          Number2_Label, Number3_Label, SaveNumber1_Label, SaveNumber2_Label, SaveNumber3_Label})
        label->setText(u"0"_s);
    DateFile_Label->setText(NoValue);
    DezID_Label->setText(NoValue);
    Error_SG->clearRows();
    ErrorCount_Label->setText(u"0"_s);
    ExportErrorToExel_BBbn->setEnabled(false);
}

void TOpenFile_Form::setInputsEnabled(bool enabled)
{
    SvedPotreb_FE->setEnabled(enabled);
    SvedPotreb_Btn->setEnabled(enabled);
    OpenFile_BBtn->setEnabled(enabled);
    if (enabled) {
        SvedPotreb_FEChange();
    } else {
        for (QWidget* w : {static_cast<QWidget*>(SvedNach_FE), static_cast<QWidget*>(SvedNach_Btn),
                           static_cast<QWidget*>(SvedPotrebRelations_FE),
                           static_cast<QWidget*>(SvedPotrebRelations_Btn)})
            w->setEnabled(false);
    }
}

int TOpenFile_Form::filledErrorRows() const
{
    return Error_SG->filledRows();
}

void TOpenFile_Form::OpenFile_BBtnClick()
{
    resetResults();
    const QString payers = SvedPotreb_FE->text().trimmed();
    const QString charges = SvedNach_FE->text().trimmed();
    const QString persons = SvedPotrebRelations_FE->text().trimmed();
    if (payers.isEmpty() || charges.isEmpty() || persons.isEmpty()) {
        Dialogs::current().error(u"Должны быть указаны пути ко всем трем файлам."_s);
        return;
    }
    for (const QString& name : {payers, charges, persons}) {
        // A folder, a device or a pipe is no file to read either.
        if (const QString why = Exchange::Importer::notAFileMessage(name); !why.isEmpty()) {
            Dialogs::current().error(why);
            return;
        }
    }

    setInputsEnabled(false);
    setRunning(true);

    // The import runs on a thread of its own with a connection of its own, while this
    // window keeps painting and taking its messages: a statement of a million lines takes
    // a while.
    Exchange::ImportResult result;
    {
        WaitCursor wait;
        Progress progress(*this);
        QString error;
        const bool ran = BackgroundRun::run(
            m_db,
            [&](Database& db) {
                result = Exchange::Importer(db).run(payers, charges, persons, progress);
                progress.flush();
            },
            &error);
        if (!ran) {
            showError(Exchange::Importer::databaseFailedMessage(error));
            result.outcome = Exchange::ImportResult::Outcome::DatabaseFailed;
        }
    }
    setRunning(false);

    using Outcome = Exchange::ImportResult::Outcome;
    // The main window shows the new statement at once, so that the error rows lead to it.
    if (result.outcome != Outcome::FileNotOpened)
        Q_EMIT statementReplaced(m_lastOrganisation);
    switch (result.outcome) {
    case Outcome::ScratchNotCleared:
    case Outcome::WorkingNotCleared:
        // The working tables may be half emptied: only closing the window is offered.
        return;
    case Outcome::FileNotOpened:
        OpenFile_ProgressBar->setValue(0);
        setInputsEnabled(true);
        return;
    case Outcome::DatabaseFailed:
    case Outcome::ReadFailed:
    case Outcome::Completed:
        break;
    }

    m_state.fileNameT1 = payers;
    m_state.fileNameT2 = charges;
    m_state.fileNameT3 = persons;
    const std::array<QLabel*, 3> loaded{SaveNumber1_Label, SaveNumber2_Label, SaveNumber3_Label};
    for (size_t i = 0; i < loaded.size(); ++i) {
        if (result.loaded[i] >= 0)
            loaded[i]->setText(QString::number(result.loaded[i]));
    }
    if (result.outcome == Outcome::Completed)
        Dialogs::current().notice(u"Обработка файлов завершена."_s);
    OpenFile_ProgressBar->setValue(0);
    setInputsEnabled(true);
    ExportErrorToExel_BBbn->setEnabled(filledErrorRows() > 0);
}

void TOpenFile_Form::ExportErrorToExel_BBbnClick()
{
    if (ErrorCount_Label->text().toInt() == 0)
        return;
    Error_SG->copyToSpreadsheet();
}
