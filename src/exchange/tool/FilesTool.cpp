#include "FilesTool.h"

#include "CommonFnc.h"
#include "Database.h"
#include "Exporter.h"
#include "Format.h"
#include "Importer.h"
#include "Paperwork.h"
#include "Recalculation.h"
#include "ReportPainter.h"
#include "Schema.h"
#include "SummaryStatement.h"
#include "UserData.h"
#include "WorkingCopy.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QTextStream>
#include <QVariant>

#include <array>
#include <functional>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString ProgramName = u"orbelon-files"_s;
// The working database's place below the working folder, as the program looks for it.
const QString DefaultDatabase = u"Base/Dude.b"_s;

enum class Command
{
    Check,
    Convert,
    Summary,
    Receipts,
    Acts,
    Recalc,
    UserDataSave,
    UserDataRestore
};

struct Options
{
    Command command = Command::Check;
    std::array<QString, 3> files;
    QString outDir;
    QString database;
    /// summary --pdf: the summary statement's PDF; receipts: the receipts' PDF.
    QString pdf;
    /// receipts --house: the one house to print.
    std::optional<Paperwork::HouseChoice> house;
    QVariant organisation;
    QDate period;
};

bool isHelp(const QString& argument)
{
    return argument == u"--help"_s || argument == u"-h"_s;
}

/// The command line up to a "--" asks for the usage.
bool asksForHelp(const QStringList& arguments)
{
    for (const QString& argument : arguments) {
        if (argument == u"--"_s)
            return false;
        if (isHelp(argument))
            return true;
    }
    return false;
}

/// An organisation code: decimal digits that fit the files' 32-bit field.
std::optional<int> organisationCode(const QString& text)
{
    if (text.isEmpty() || text.size() > 10)
        return std::nullopt;
    for (const QChar ch : text) {
        if (ch < u'0' || ch > u'9')
            return std::nullopt;
    }
    bool ok = false;
    const int code = text.toInt(&ok);
    return ok ? std::optional<int>(code) : std::nullopt;
}

/// "MMYYYY" as the first day of that month; nothing for any other text or a month the
/// files cannot carry.
std::optional<QDate> periodMonth(const QString& text)
{
    if (text.size() != 6)
        return std::nullopt;
    try {
        const QDate month = CommonFnc::DecodeMonthYearChecked(text);
        if (!month.isValid() || month <= CommonFnc::EmptyDate())
            return std::nullopt;
        return month;
    } catch (const CommonFnc::ConversionError&) {
        return std::nullopt;
    }
}

/// Reads the organisation code and the period where given; false, with `error`
/// telling which, when one is not a value the files can carry.
bool readStamp(const QString& org, const QString& period, Options& options, QString& error)
{
    if (!org.isEmpty()) {
        const std::optional<int> code = organisationCode(org);
        if (!code) {
            error = u"неверный код организации \""_s + org + u"\": нужно целое число без знака."_s;
            return false;
        }
        options.organisation = *code;
    }
    if (!period.isEmpty()) {
        const std::optional<QDate> month = periodMonth(period);
        if (!month) {
            error =
                u"неверный отчетный период \""_s + period + u"\": нужно ММГГГГ, например 122026."_s;
            return false;
        }
        options.period = *month;
    }
    return true;
}

/// Reads the command line; on a fault returns nothing with `error` telling it.
std::optional<Options> parseArguments(const QStringList& arguments, QString& error)
{
    Options options;
    const QString& name = arguments.first();
    if (name == u"check"_s) {
        options.command = Command::Check;
    } else if (name == u"convert"_s) {
        options.command = Command::Convert;
    } else if (name == u"summary"_s) {
        options.command = Command::Summary;
    } else if (name == u"receipts"_s) {
        options.command = Command::Receipts;
    } else if (name == u"acts"_s) {
        options.command = Command::Acts;
    } else if (name == u"recalc"_s) {
        options.command = Command::Recalc;
    } else if (name == u"userdata"_s) {
        const QString what = arguments.value(1);
        if (what != u"save"_s && what != u"restore"_s) {
            error = u"команде userdata нужно действие: save или restore."_s;
            return std::nullopt;
        }
        options.command = what == u"save"_s ? Command::UserDataSave : Command::UserDataRestore;
    } else {
        error = u"неизвестная команда \""_s + name + u"\"."_s;
        return std::nullopt;
    }

    QStringList allowed = {u"--db"_s};
    if (options.command == Command::Convert)
        allowed << u"--org"_s << u"--period"_s;
    if (options.command == Command::Summary)
        allowed << u"--pdf"_s << u"--org"_s << u"--period"_s;
    if (options.command == Command::Receipts)
        allowed << u"--house"_s << u"--org"_s << u"--period"_s;
    if (options.command == Command::Acts || options.command == Command::Recalc)
        allowed << u"--org"_s << u"--period"_s;
    QHash<QString, QString> values;
    QStringList positional;
    bool optionsEnded = false;
    const bool userData =
        options.command == Command::UserDataSave || options.command == Command::UserDataRestore;
    for (qsizetype i = userData ? 2 : 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (optionsEnded || !argument.startsWith(u'-') || argument == u"-"_s) {
            positional << argument;
            continue;
        }
        if (argument == u"--"_s) {
            optionsEnded = true;
            continue;
        }
        QString key = argument;
        QString value;
        const qsizetype equals = argument.indexOf(u'=');
        const bool inlineValue = argument.startsWith(u"--"_s) && equals > 2;
        if (inlineValue) {
            key = argument.left(equals);
            value = argument.mid(equals + 1);
        }
        if (!allowed.contains(key)) {
            error = u"неизвестный параметр \""_s + argument + u"\" команды "_s + name + u"."_s;
            return std::nullopt;
        }
        if (!inlineValue) {
            if (i + 1 >= arguments.size()) {
                error = u"после "_s + key + u" нужно значение."_s;
                return std::nullopt;
            }
            value = arguments.at(++i);
        }
        if (values.contains(key)) {
            error = u"параметр "_s + key + u" указан дважды."_s;
            return std::nullopt;
        }
        if (value.isEmpty()) {
            error = u"пустое значение параметра "_s + key + u"."_s;
            return std::nullopt;
        }
        values.insert(key, value);
    }

    if (userData) {
        if (positional.size() != 1) {
            error = u"команде userdata "_s + arguments.value(1) +
                    u" нужен один файл данных пользователя."_s;
            return std::nullopt;
        }
        options.files[0] = positional.first();
        options.database = values.value(u"--db"_s);
        return options;
    }
    const QString org = values.value(u"--org"_s);
    const QString period = values.value(u"--period"_s);
    if (options.command == Command::Convert || options.command == Command::Recalc) {
        if (positional.size() != 4) {
            error = u"команде "_s + name + u" нужны три файла и папка для новых файлов."_s;
            return std::nullopt;
        }
        options.outDir = positional.takeLast();
        if (org.isEmpty() || period.isEmpty()) {
            error = u"команде "_s + name +
                    u" нужны код организации (--org) и отчетный период (--period)."_s;
            return std::nullopt;
        }
        if (!readStamp(org, period, options, error))
            return std::nullopt;
    } else if (options.command == Command::Receipts || options.command == Command::Acts) {
        if (positional.size() != 4) {
            error = options.command == Command::Receipts
                        ? u"команде receipts нужны три файла и файл PDF для извещений."_s
                        : u"команде acts нужны три файла и папка для актов и списков."_s;
            return std::nullopt;
        }
        if (options.command == Command::Receipts)
            options.pdf = positional.takeLast();
        else
            options.outDir = positional.takeLast();
        if (const QString house = values.value(u"--house"_s); !house.isEmpty()) {
            options.house = Paperwork::houseChoice(house);
            if (!options.house) {
                error = u"неверный дом \""_s + house +
                        u"\": нужно КОД_УЛИЦЫ_БТИ/ДОМ[/КОРПУС[/СТРОЕНИЕ]], например 8500069/3."_s;
                return std::nullopt;
            }
        }
        if (!readStamp(org, period, options, error))
            return std::nullopt;
    } else if (positional.size() != 3) {
        error = u"команде "_s + name + u" нужны три файла: I, II и III."_s;
        return std::nullopt;
    } else if (options.command == Command::Summary) {
        options.pdf = values.value(u"--pdf"_s);
        if ((!org.isEmpty() || !period.isEmpty()) && options.pdf.isEmpty()) {
            error =
                u"--org и --period команды summary задают организацию и период сводной ведомости в PDF (--pdf)."_s;
            return std::nullopt;
        }
        if (!readStamp(org, period, options, error))
            return std::nullopt;
    }
    for (size_t i = 0; i < options.files.size(); ++i)
        options.files[i] = positional.at(qsizetype(i));
    options.database = values.value(u"--db"_s);
    return options;
}

/// One error row per line on `out`: file, line (both empty for 0) and message, TABs
/// between. Counts the rows of the import and of the checks apart.
class ErrorRows final : public Exchange::ImportListener, public Exchange::ExportListener
{
public:
    ErrorRows(QTextStream& out, bool print, std::function<void(const QString&)> note)
        : m_out(out)
        , m_print(print)
        , m_note(std::move(note))
    {}

    void add(int file, qint64 line, const QString& message)
    {
        if (!m_print)
            return;
        // A row stays one line of three cells whatever a message holds.
        QString text = message;
        text.replace(u'\t', u' ').replace(u'\r', u' ').replace(u'\n', u' ');
        m_out << (file == 0 ? QString() : QString::number(file)) << '\t'
              << (line == 0 ? QString() : QString::number(line)) << '\t' << text << '\n';
    }

    void checkRow(int file, qint64 number, const QString& message)
    {
        ++m_checkRows;
        add(file, number, message);
    }

    qint64 importRows() const { return m_importRows; }
    qint64 checkRows() const { return m_checkRows; }
    qint64 total() const { return m_importRows + m_checkRows; }

    // Exchange::ImportListener
    void linesCounted(qint64, qint64, qint64) override {}
    void linesRead(Exchange::FileKind, qint64) override {}
    void payerLineRead(const QDate&, const QVariant&) override {}
    void errorAdded(int file, qint64 line, const QString& message) override
    {
        ++m_importRows;
        add(file, line, message);
    }
    void stepDone(int) override {}
    void failure(const QString& message) override { m_note(message); }

    // Exchange::ExportListener
    void checkFinding(int file, qint64 number, const QString& message) override
    {
        checkRow(file, number, message);
    }

private:
    QTextStream& m_out;
    bool m_print;
    std::function<void(const QString&)> m_note;
    qint64 m_importRows = 0;
    qint64 m_checkRows = 0;
};

/// Tells on the error stream how far the recalculation is, every few seconds.
class RecalculationProgress final : public Bulk::RecalculationListener
{
public:
    explicit RecalculationProgress(std::function<void(const QString&)> note)
        : m_note(std::move(note))
    {
        m_sinceTold.start();
    }

    void phaseStarted(Phase phase, qint64 total) override
    {
        m_what = phase == Phase::Charges ? u"Пересчет начислений: "_s
                                         : u"Пересчет итогов плательщиков: "_s;
        m_total = total;
    }
    void recordDone(qint64 done) override
    {
        if (m_sinceTold.elapsed() < Paperwork::ProgressEveryMs)
            return;
        m_sinceTold.restart();
        m_note(m_what + QString::number(done) + u" из "_s + QString::number(m_total));
    }

private:
    std::function<void(const QString&)> m_note;
    QElapsedTimer m_sinceTold;
    QString m_what;
    qint64 m_total = 0;
};

QString countText(qint64 count)
{
    return count < 0 ? u"?"_s : QString::number(count);
}

} // namespace

FilesTool::FilesTool(QTextStream& out, QTextStream& err)
    : m_out(out)
    , m_err(err)
{}

QString FilesTool::usage()
{
    return uR"(Использование:
  orbelon-files check ФАЙЛ_I ФАЙЛ_II ФАЙЛ_III [--db БАЗА]
  orbelon-files convert ФАЙЛ_I ФАЙЛ_II ФАЙЛ_III ПАПКА --org КОД --period ММГГГГ [--db БАЗА]
  orbelon-files summary ФАЙЛ_I ФАЙЛ_II ФАЙЛ_III [--pdf ФАЙЛ.pdf [--org КОД] [--period ММГГГГ]] [--db БАЗА]
  orbelon-files receipts ФАЙЛ_I ФАЙЛ_II ФАЙЛ_III ФАЙЛ.pdf [--house УЛИЦА_БТИ/ДОМ[/КОРПУС[/СТРОЕНИЕ]]]
                [--org КОД] [--period ММГГГГ] [--db БАЗА]
  orbelon-files acts ФАЙЛ_I ФАЙЛ_II ФАЙЛ_III ПАПКА [--org КОД] [--period ММГГГГ] [--db БАЗА]
  orbelon-files recalc ФАЙЛ_I ФАЙЛ_II ФАЙЛ_III ПАПКА --org КОД --period ММГГГГ [--db БАЗА]
  orbelon-files userdata save ФАЙЛ [--db БАЗА]
  orbelon-files userdata restore ФАЙЛ [--db БАЗА]
  orbelon-files --help

Команды:
  check    загружает три файла обмена в копию рабочей базы, проверяет их, как при
           загрузке и перед сохранением файлов, и выводит каждую ошибку строкой
           "файл<TAB>строка<TAB>сообщение": сначала ошибки загрузки, затем проверок.
  convert  то же, затем записывает файлы в полном формате в ПАПКУ (создается, если ее
           нет) под именами P1_КОД_ММГГГГ.TXT, P2_КОД_ММГГГГ.TXT, P3_КОД_ММГГГГ.TXT:
           в каждой строке организация КОД, отчетный период ММГГГГ и сегодняшняя дата.
           Файлы записываются и при найденных ошибках.
  summary  выводит для каждого файла строку сводной ведомости: имя файла, количество
           записей, контрольная сумма I, контрольная сумма II (через TAB). С --pdf
           записывает и саму сводную ведомость в ФАЙЛ.pdf, если проверки не нашли
           ошибок; организация и период берутся из файла I, если не указаны.
  receipts извещения всех домов (с --house - одного дома) в один ФАЙЛ.pdf: улицы по
           названию, дома по номерам, квартиры по порядку номеров, по два извещения на
           листе; каждый дом начинается с нового листа. Организация и период берутся
           из файла I, если не указаны.
  acts     четыре акта сводных данных и два списка плательщиков, как в окнах "Сводные
           данные" и "Печать списка лиц", - шесть файлов PDF в ПАПКЕ (создается, если ее
           нет), имена начинаются с номера и говорят, что в файле. Организация и период
           берутся из файла I, если не указаны.
  recalc   загружает файлы, пересчитывает начисления по ставкам/тарифам справочника
           рабочей базы за период ММГГГГ, как окно "Пересчет", затем проверяет и
           записывает файлы, как convert. Если на какие-то услуги нет ставок/тарифов за
           период, они перечисляются, а пересчет и файлы не делаются (код 1).
  userdata save     записывает в ФАЙЛ данные пользователя из рабочей базы: организации,
                    обслуживаемые улицы и услуги, тарифы, коды БТИ домов. Файл
                    записывается целиком или не записывается вовсе.
  userdata restore  восстанавливает данные пользователя из ФАЙЛА в рабочую базу, как окно
                    "Восстановление данных пользователя": тарифы заменяются, организации
                    дополняются и обновляются, отметки улиц и услуг добавляются, дома
                    добавляются. Все или ничего: при сбое база остается прежней.

Параметры:
  --db БАЗА  рабочая база; по умолчанию Base/Dude.b в текущей папке. Команды check,
             convert, summary, receipts, acts и recalc базу не изменяют: файлы
             загружаются в ее временную копию. Команда userdata restore изменяет саму
             базу.

Итоги загрузки, ход долгой работы и сообщения выводятся в поток ошибок (stderr).
Код завершения: 0 - ошибок нет, 1 - найдены ошибки (userdata restore: пропущены
строки файла), 2 - команда не выполнена.
)"_s;
}

void FilesTool::note(const QString& text)
{
    QString line = text;
    line.replace(u"\r\n"_s, u"\n"_s);
    m_err << line << '\n';
}

namespace {

/// Writes the summary statement of the loaded files into options.pdf; false, with the
/// reason told through `note`, when it cannot.
bool writeSummaryPdf(Database& db, const Exchange::StatementSummary& summary,
                     const Options& options, const std::function<void(const QString&)>& note)
{
    // Unless told otherwise, the statement is the organisation's and the month's that
    // file I carries, when all its payers carry the same.
    const std::optional<Paperwork::Stamp> stamp = Paperwork::statementStamp(
        db, options.organisation, options.period, u"сводной ведомости"_s, note);
    if (!stamp)
        return false;
    Report::Template report = Exchange::summaryStatementTemplate();
    Exchange::fillSummaryStatement(report, summary, stamp->organisationName, stamp->period);
    QString error;
    if (!Report::writePdf(Report::prepare(report), options.pdf, &error)) {
        note(error);
        return false;
    }
    note(u"Сводная ведомость записана в файл "_s + QFileInfo(options.pdf).absoluteFilePath());
    return true;
}

} // namespace

int FilesTool::runUserData(bool save, const QString& file, const QString& databasePath)
{
    // An absent database is not made anew: there would be nothing to save, and a restore
    // into it would be lost.
    if (!QFileInfo(databasePath).isFile()) {
        note(u"Не найдена рабочая база данных "_s + databasePath);
        return Failed;
    }
    Database db;
    if (!db.open(databasePath)) {
        note(u"Невозможно открыть базу данных "_s + databasePath + u": "_s + db.errorString());
        return Failed;
    }
    const QStringList missing = db.missingTables(Schema::requiredTables());
    if (!missing.isEmpty()) {
        note(u"Невозможно работать с базой данных "_s + databasePath + u": в ней нет таблиц: "_s +
             missing.join(u", "_s));
        return Failed;
    }
    if (QString problem; !db.checkIntegrity(&problem)) {
        note(u"База данных "_s + databasePath + u" повреждена ("_s + problem + u")."_s);
        return Failed;
    }
    if (save) {
        const UserData::SaveResult result = UserData::save(db, file);
        note(result.message);
        if (result.outcome != UserData::SaveResult::Outcome::Saved)
            return Failed;
        note(u"Записано строк: "_s + QString::number(result.lines));
        return Clean;
    }
    const UserData::RestoreResult result = UserData::restore(db, file);
    note(result.message);
    if (result.outcome != UserData::RestoreResult::Outcome::Restored)
        return Failed;
    return result.skipped > 0 ? Findings : Clean;
}

int FilesTool::run(const QStringList& arguments, const QString& workingDir)
{
    if (arguments.isEmpty()) {
        m_err << usage();
        return Failed;
    }
    if (asksForHelp(arguments)) {
        m_out << usage();
        return Clean;
    }
    QString usageError;
    const std::optional<Options> parsed = parseArguments(arguments, usageError);
    if (!parsed) {
        note(ProgramName + u": "_s + usageError + u"\nСправка: orbelon-files --help"_s);
        return Failed;
    }
    const Options& options = *parsed;
    if (options.command == Command::UserDataSave || options.command == Command::UserDataRestore)
        return runUserData(options.command == Command::UserDataSave, options.files[0],
                           options.database.isEmpty() ? QDir(workingDir).filePath(DefaultDatabase)
                                                      : options.database);

    // Nothing is copied or loaded while a file is missing.
    for (const QString& file : options.files) {
        if (const QString why = Exchange::Importer::notAFileMessage(file); !why.isEmpty()) {
            note(why);
            return Failed;
        }
    }

    const QString databasePath =
        options.database.isEmpty() ? QDir(workingDir).filePath(DefaultDatabase) : options.database;
    // The copy outlives the connection to it: the connection is closed before the
    // temporary folder goes.
    WorkingCopy copy;
    if (copy.make(databasePath) != WorkingCopy::Outcome::Made) {
        note(copy.errorString());
        return Failed;
    }
    Database db;
    if (!db.open(copy.filePath())) {
        note(u"Невозможно прочитать базу данных "_s + databasePath + u": "_s + db.errorString());
        return Failed;
    }
    const QStringList missing = db.missingTables(Schema::requiredTables());
    if (!missing.isEmpty()) {
        note(u"Невозможно работать с базой данных "_s + databasePath + u": в ней нет таблиц: "_s +
             missing.join(u", "_s));
        return Failed;
    }

    ErrorRows rows(m_out, options.command != Command::Summary,
                   [this](const QString& text) { note(text); });
    const Exchange::ImportResult imported =
        Exchange::Importer(db).run(options.files[0], options.files[1], options.files[2], rows);
    if (imported.outcome != Exchange::ImportResult::Outcome::Completed)
        return Failed;

    static const QString fileTitles[] = {u"файл I  "_s, u"файл II "_s, u"файл III"_s};
    for (size_t i = 0; i < options.files.size(); ++i) {
        note(fileTitles[i] + u" "_s + QFileInfo(options.files[i]).fileName() + u": всего строк "_s +
             countText(imported.lines[i]) + u", прочитано "_s + countText(imported.read[i]) +
             u", загружено "_s + countText(imported.loaded[i]));
    }

    if (options.command == Command::Recalc) {
        // As the window does: nothing is recalculated while a service lacks its tariff.
        QString error;
        const QStringList missing = Bulk::missingTariffs(db, options.period, &error);
        if (!error.isEmpty()) {
            note(u"Ошибка чтения данных.\r\n"_s + error);
            return Failed;
        }
        if (!missing.isEmpty()) {
            note(Bulk::missingTariffsMessage());
            for (const QString& service : missing)
                note(u"  "_s + service);
            note(u"Пересчет не произведен, файлы не сформированы."_s);
            return Findings;
        }
        RecalculationProgress progress([this](const QString& text) { note(text); });
        const Bulk::RecalculationResult result = Bulk::recalculate(db, options.period, progress);
        switch (result.outcome) {
        case Bulk::RecalculationResult::Outcome::NoCharges:
            note(result.message);
            break;
        case Bulk::RecalculationResult::Outcome::Failed:
            note(result.message);
            return Failed;
        case Bulk::RecalculationResult::Outcome::Done:
            note(u"Перерасчет произведен: начислений "_s + QString::number(result.charges) +
                 u", плательщиков "_s + QString::number(result.payers) + u'.');
            break;
        }
    }

    Exchange::Exporter exporter(db);
    const Exchange::RecordCounts counts = exporter.countRecords();
    // The export refuses such a statement before its checks; it is the first finding.
    if (counts.anyEmpty())
        rows.checkRow(0, 0, Exchange::emptyTableMessage());
    const Exchange::CheckResult checked = exporter.checkBeforeExport(rows);
    if (!checked.error.isEmpty()) {
        note(checked.error);
        return Failed;
    }

    note(u"Ошибок: "_s + QString::number(rows.total()) + u" (при загрузке "_s +
         QString::number(rows.importRows()) + u", при проверке перед сохранением "_s +
         QString::number(rows.checkRows()) + u")"_s);
    const int outcome = rows.total() == 0 ? Clean : Findings;

    switch (options.command) {
    case Command::Check:
        return outcome;

    case Command::UserDataSave:
    case Command::UserDataRestore:
        return Failed; // answered before the files are loaded

    case Command::Receipts:
    case Command::Acts: {
        const auto tell = [this](const QString& text) {
            note(text);
        };
        const std::optional<Paperwork::Stamp> stamp = Paperwork::statementStamp(
            db, options.organisation, options.period,
            options.command == Command::Receipts ? u"извещений"_s : u"актов и списков"_s, tell);
        if (!stamp)
            return Failed;
        const bool written =
            options.command == Command::Receipts
                ? Paperwork::writeReceipts(db, *stamp, options.house, options.pdf, tell)
                : Paperwork::writeActs(db, *stamp, options.outDir, tell);
        return written ? outcome : Failed;
    }

    case Command::Recalc:
    case Command::Convert: {
        if (counts.anyEmpty()) {
            note(u"Файлы не сформированы."_s);
            return Failed;
        }
        const QString folder = QDir(options.outDir).absolutePath();
        if (!QDir().mkpath(folder)) {
            note(u"Не удалось создать папку "_s + folder);
            return Failed;
        }
        const Exchange::ExchangeFileNames names = Exchange::standardFileNames(
            CommonFnc::WithTrailingBackslash(folder), options.organisation, options.period);
        Exchange::ExportStamp stamp;
        stamp.organisation = options.organisation;
        stamp.period = options.period;
        stamp.today = QDate::currentDate();
        const Exchange::WriteResult written = exporter.write(names, stamp, rows);
        if (written.outcome != Exchange::WriteResult::Outcome::Written) {
            note(written.message);
            return Failed;
        }
        note(Exchange::filesWrittenMessage());
        for (const QString& name : {names.payers, names.charges, names.persons})
            note(u"  "_s + name);
        if (outcome != Clean)
            note(Exchange::summaryLockedMessage());
        return outcome;
    }

    case Command::Summary: {
        const Exchange::StatementSummary summary =
            exporter.summary({options.files[0], options.files[1], options.files[2]});
        if (!summary.error.isEmpty()) {
            note(summary.error);
            return Failed;
        }
        // A statement the checks passed is written first: a run that fails prints no figures.
        if (outcome == Clean && !options.pdf.isEmpty() &&
            !writeSummaryPdf(db, summary, options, [this](const QString& text) { note(text); }))
            return Failed;
        for (size_t i = 0; i < summary.files.size(); ++i) {
            const Exchange::FileSummary& file = summary.files[i];
            // File III carries no sums; its two cells stay empty, as on the statement.
            const bool sums = i < 2;
            m_out << file.name << '\t' << file.records << '\t'
                  << (sums ? Exchange::formatCheckSum(file.sum1) : QString()) << '\t'
                  << (sums ? Exchange::formatCheckSum(file.sum2) : QString()) << '\n';
        }
        if (outcome != Clean)
            note(Exchange::summaryLockedMessage());
        return outcome;
    }
    }
    return Failed;
}
