#include "UserData.h"

#include "CommonFnc.h"
#include "Database.h"
#include "Decimal.h"
#include "Format.h"
#include "Query.h"
#include "Schema.h"

#include <QFile>
#include <QSaveFile>
#include <QSqlError>

#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace UserData {

namespace {

const QString NumberError = u"Ошибка кодировки числа."_s;

/// A whole number as 7 digits with leading zeros; null as seven zeros. Null when it does
/// not fit.
std::optional<QString> integer(const QVariant& value)
{
    if (value.isNull())
        return u"0000000"_s;
    // A negative number keeps its sign within the seven places, so that what a restore
    // can read a save can write back.
    const qlonglong number = value.toLongLong();
    const bool negative = number < 0;
    const QString digits = QString::number(qAbs(number)).rightJustified(negative ? 6 : 7, u'0');
    const QString text = negative ? u"-"_s + digits : digits;
    if (text.size() > 7)
        return std::nullopt;
    return text;
}

/// Trimmed, cut to `width` and padded with blanks; null as blanks.
QString text(const QVariant& value, int width)
{
    const QString trimmed = value.isNull() ? QString() : value.toString().trimmed();
    return trimmed.left(width).leftJustified(width, u' ');
}

/// The amount in thousandths as ten digits with leading zeros. Null when it does not fit.
std::optional<QString> amount(const QVariant& value, int scale)
{
    const Decimal number = Decimal::fromVariant(value, scale);
    QString digits = (number.isNull() ? Decimal::fromUnits(0, 3) : number).toString(3).remove(u',');
    // The sign stands first, before the zeros, as a number reads and a restore reads back.
    const bool negative = digits.startsWith(u'-');
    if (negative)
        digits.remove(0, 1);
    digits = digits.rightJustified(negative ? 9 : 10, u'0');
    if (negative)
        digits.prepend(u'-');
    if (digits.size() > 10)
        return std::nullopt;
    return digits;
}

QString date(const QVariant& value)
{
    return CommonFnc::DateToDdmmyyyy(Format::dateFromVariant(value));
}

/// A field of a line read back: positions `first` to `last`, counted from 1; empty when
/// the line does not reach its end.
QString field(const QString& line, int first, int last)
{
    return CommonFnc::CopyChars(line, first, last);
}

/// A text field of a line read back, trimmed: what of it the line holds. A line whose
/// trailing blanks an editor took off keeps its last text.
QString textField(const QString& line, int first, int last)
{
    const QString text = line.mid(first - 1, last - first + 1).trimmed();
    return text.isNull() ? u""_s : text;
}

std::optional<qlonglong> wholeNumber(const QString& text)
{
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

/// A date field: "00000000" is none; anything that is not a date does not convert.
std::optional<QVariant> dateField(const QString& text)
{
    try {
        return CommonFnc::DateToParam(CommonFnc::DecodeDayMonthYear(text));
    } catch (const CommonFnc::ConversionError&) {
        return std::nullopt;
    }
}

} // namespace

QString proposedFileName(const QDate& today)
{
    return u"userdata_"_s + today.toString(u"ddMMyyyy"_s) + u".udt"_s;
}

QStringList lines(Database& db, QString* error, const std::function<void()>& tick)
{
    QStringList out;
    const auto fail = [&](const QString& message) {
        *error = message;
        return QStringList();
    };
    const auto run = [&](Query& query) {
        return query.exec();
    };

    Query dez(db, u"SELECT * FROM Sprav_Dez"_s);
    if (!run(dez))
        return fail(dez.errorText());
    while (dez.next()) {
        if (tick)
            tick();
        const std::optional<QString> code = integer(dez.value(u"DezID"_s));
        if (!code)
            return fail(NumberError + u"\r\nКод организации: "_s +
                        dez.value(u"DezID"_s).toString());
        out << u"Dez----"_s + *code + text(dez.value(u"DezName"_s), 240) +
                   text(dez.value(u"BName1"_s), 50) + text(dez.value(u"BName2"_s), 50) +
                   text(dez.value(u"BName3"_s), 50);
    }
    const auto codes = [&](const QString& sql, const QString& tag, const QString& what) {
        Query query(db, sql);
        if (!run(query)) {
            *error = query.errorText();
            return false;
        }
        while (query.next()) {
            if (tick)
                tick();
            const std::optional<QString> code = integer(query.value(0));
            if (!code) {
                *error = NumberError + u"\r\n"_s + what + query.value(0).toString();
                return false;
            }
            out << tag + *code;
        }
        return true;
    };
    if (!codes(u"SELECT StreetID \n  FROM Sprav_Streets\nWHERE Opt = 1"_s, u"Street-"_s,
               u"Код улицы: "_s) ||
        !codes(u"SELECT ServiceID\n  FROM Sprav_Services\nWHERE Opt = 1"_s, u"Serv---"_s,
               u"Код услуги: "_s))
        return {};

    Query tariffs(db, u"SELECT *\n  FROM TariffBank\n"_s);
    if (!run(tariffs))
        return fail(tariffs.errorText());
    const int tariffScale = Schema::decimalScale(u"SummaT");
    while (tariffs.next()) {
        if (tick)
            tick();
        const QVariant variant = tariffs.value(u"ServiceTotalID"_s);
        const std::optional<QString> code = integer(variant);
        const std::optional<QString> sum = amount(tariffs.value(u"SummaT"_s), tariffScale);
        if (!code || !sum)
            return fail(NumberError + u"\r\nТариф варианта услуги "_s + variant.toString());
        out << u"Tariff-"_s + *code + *sum + date(tariffs.value(u"DateStart"_s)) +
                   date(tariffs.value(u"DateEnd"_s));
    }

    Query houses(db, u"SELECT * \n FROM Sprav_HousesBTI"_s);
    if (!run(houses))
        return fail(houses.errorText());
    while (houses.next()) {
        if (tick)
            tick();
        QString line = u"HoBTI--"_s;
        for (const char* name : {"StreetID", "StreetID_BTI", "HouseID_BTI"}) {
            const QVariant value = houses.value(QString::fromLatin1(name));
            const std::optional<QString> code = integer(value);
            if (!code)
                return fail(NumberError + u"\r\nКод дома БТИ: "_s +
                            houses.value(u"HouseID_BTI"_s).toString());
            line += *code;
        }
        line += text(houses.value(u"HouseNum"_s), 10) + text(houses.value(u"KorpNum"_s), 10) +
                text(houses.value(u"StroenNum"_s), 10);
        out << line;
    }
    return out;
}

SaveResult save(Database& db, const QString& path, const std::function<void()>& tick)
{
    SaveResult result;
    QString error;
    const QStringList all = lines(db, &error, tick);
    if (!error.isEmpty()) {
        result.outcome = error.startsWith(NumberError) ? SaveResult::Outcome::Refused
                                                       : SaveResult::Outcome::Failed;
        result.message = result.outcome == SaveResult::Outcome::Refused
                             ? error
                             : u"Ошибка чтения данных.\r\n"_s + error;
        return result;
    }
    // Written beside the chosen name and put in its place only when whole.
    QSaveFile file(path);
    const QString cannot = u"Ошибка создания файла, содержащего данные пользователя."_s;
    if (!file.open(QIODevice::WriteOnly)) {
        result.message = cannot;
        return result;
    }
    try {
        for (const QString& line : all)
            CommonFnc::WriteOemLine(file, line);
    } catch (const CommonFnc::IoError&) {
        file.cancelWriting();
        result.message = cannot;
        return result;
    }
    if (!file.commit()) {
        result.message = cannot;
        return result;
    }
    result.outcome = SaveResult::Outcome::Saved;
    result.message = u"Файл сформирован."_s;
    result.lines = all.size();
    return result;
}

RestoreResult restore(Database& db, const QString& path)
{
    RestoreResult result;
    const QString unreadable = u"Ошибка чтения файла, содержащего данные пользователя."_s;
    // The whole file is read before anything changes: a file that breaks off midway
    // changes nothing.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.outcome = RestoreResult::Outcome::CannotRead;
        result.message = unreadable;
        return result;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        result.outcome = RestoreResult::Outcome::CannotRead;
        result.message = unreadable;
        return result;
    }
    file.close();
    QString content;
    try {
        content = CommonFnc::OemToAnsi(bytes);
    } catch (const CommonFnc::IoError&) {
        result.outcome = RestoreResult::Outcome::CannotRead;
        result.message = unreadable;
        return result;
    }

    const QString failedText = u"Ошибка восстановления данных пользователя."_s;
    const auto failed = [&](const QString& detail) {
        RestoreResult r;
        r.outcome = RestoreResult::Outcome::Failed;
        r.message = failedText + (detail.isEmpty() ? QString() : u"\r\n"_s + detail);
        return r;
    };
    Transaction transaction(db);
    if (!transaction.isActive())
        return failed(db.errorString());
    Query clear(db, u"DELETE FROM TariffBank"_s);
    if (!clear.exec())
        return failed(clear.errorText());

    Query findDez(db, u"SELECT DezID FROM Sprav_Dez\nWHERE DezID = :DezID\n"_s);
    Query insertDez(
        db, u"INSERT INTO Sprav_Dez (DezID, DezName, BName1,  BName2, BName3)\n"
            "     VALUES (:DezID, TRIM(:Name), TRIM(:BName1), TRIM(:BName2), TRIM(:BName3))"_s);
    Query updateDez(db, u"UPDATE Sprav_Dez SET DezID = :DezID_1, DezName = TRIM(:Name), "
                        "BName1 = TRIM(:BName1), BName2 = TRIM(:BName2), BName3 = TRIM(:BName3)\n"
                        "WHERE DezID = :DezID_2"_s);
    Query markStreet(db, u"UPDATE Sprav_Streets SET Opt = 1\nWHERE StreetID = :StreetID\n"_s);
    Query markService(db, u"UPDATE Sprav_Services SET Opt = 1\nWHERE ServiceID = :ServiceID"_s);
    Query insertTariff(db, u"INSERT INTO TariffBank (ServiceTotalID, SummaT, DateStart, DateEnd)\n"
                           "   VALUES (:ServiceTotalID, :SummaT, :DateStart, :DateEnd)"_s);
    Query insertHouse(db, u"INSERT INTO Sprav_HousesBTI (StreetID, StreetID_BTI, HouseID_BTI, "
                          "HouseNum, KorpNum, StroenNum)\n   VALUES (:StreetID, :StreetID_BTI, "
                          ":HouseID_BTI, :HouseNum, :KorpNum, :StroenNum)"_s);
    const int tariffScale = Schema::decimalScale(u"SummaT");

    // A statement the database refuses skips its line; any other failure ends the restore
    // and takes back what it did.
    enum class Ran
    {
        Done,
        Refused,
        Failed
    };
    QString failure;
    const auto execute = [&](Query& query) {
        if (query.exec())
            return Ran::Done;
        if (query.valuesRefused())
            return Ran::Refused;
        failure = query.errorText();
        return Ran::Failed;
    };

    for (QString line : content.split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        const QString tag = line.left(7);
        Ran ran = Ran::Refused;
        if (line.size() < 7) {
            ran = Ran::Refused;
        } else if (tag == u"Dez----") {
            if (const std::optional<qlonglong> code = wholeNumber(field(line, 8, 14))) {
                const QString name = textField(line, 15, 254);
                const QString b1 = textField(line, 255, 304);
                const QString b2 = textField(line, 305, 354);
                const QString b3 = textField(line, 355, 404);
                findDez.bind(u":DezID"_s, *code);
                ran = execute(findDez);
                if (ran == Ran::Done) {
                    const bool exists = findDez.next();
                    findDez.finish();
                    Query& write = exists ? updateDez : insertDez;
                    if (exists)
                        write.bind(u":DezID_1"_s, *code).bind(u":DezID_2"_s, *code);
                    else
                        write.bind(u":DezID"_s, *code);
                    // A blank field is an empty text, not a missing one.
                    write.bind(u":Name"_s, name)
                        .bind(u":BName1"_s, b1)
                        .bind(u":BName2"_s, b2)
                        .bind(u":BName3"_s, b3);
                    ran = execute(write);
                }
            }
        } else if (tag == u"Street-") {
            if (const std::optional<qlonglong> code = wholeNumber(field(line, 8, 14))) {
                markStreet.bind(u":StreetID"_s, *code);
                ran = execute(markStreet);
            }
        } else if (tag == u"Serv---") {
            if (const std::optional<qlonglong> code = wholeNumber(field(line, 8, 14))) {
                markService.bind(u":ServiceID"_s, *code);
                ran = execute(markService);
            }
        } else if (tag == u"Tariff-") {
            const std::optional<qlonglong> code = wholeNumber(field(line, 8, 14));
            const QString digits = field(line, 15, 24);
            const std::optional<qlonglong> thousandths =
                digits.size() == 10 ? wholeNumber(digits) : std::nullopt;
            const std::optional<QVariant> start = dateField(field(line, 25, 32));
            const std::optional<QVariant> end = dateField(field(line, 33, 40));
            if (code && thousandths && start && end) {
                insertTariff.bind(u":ServiceTotalID"_s, *code)
                    .bind(u":SummaT"_s, Decimal::fromUnits(*thousandths, 3).rescaled(tariffScale))
                    .bind(u":DateStart"_s, *start)
                    .bind(u":DateEnd"_s, *end);
                ran = execute(insertTariff);
            }
        } else if (tag == u"HoBTI--") {
            const std::optional<qlonglong> street = wholeNumber(field(line, 8, 14));
            const std::optional<qlonglong> streetBti = wholeNumber(field(line, 15, 21));
            const std::optional<qlonglong> house = wholeNumber(field(line, 22, 28));
            if (street && streetBti && house) {
                const auto number = [&](int first, int last) {
                    return textField(line, first, last);
                };
                insertHouse.bind(u":StreetID"_s, *street)
                    .bind(u":StreetID_BTI"_s, *streetBti)
                    .bind(u":HouseID_BTI"_s, *house)
                    .bind(u":HouseNum"_s, number(29, 38))
                    .bind(u":KorpNum"_s, number(39, 48))
                    .bind(u":StroenNum"_s, number(49, 58));
                ran = execute(insertHouse);
            }
        }
        if (ran == Ran::Failed) {
            transaction.rollback();
            return failed(failure);
        }
        if (ran == Ran::Done)
            ++result.applied;
        else
            ++result.skipped;
    }
    if (!transaction.commit())
        return failed(db.errorString());
    result.outcome = RestoreResult::Outcome::Restored;
    result.message = restoredMessage(result);
    return result;
}

QString restoredMessage(const RestoreResult& result)
{
    QString message = u"Данные пользователя восстановлены."_s;
    if (result.skipped > 0)
        message += u"\r\nПропущено строк файла, которые не удалось прочитать или записать: "_s +
                   QString::number(result.skipped) + u'.';
    return message;
}

} // namespace UserData
