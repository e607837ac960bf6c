#include "Paperwork.h"

#include "Database.h"
#include "Format.h"
#include "Query.h"
#include "Receipts.h"
#include "ReportPainter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace Paperwork {

namespace {

/// The one value of a column over file I's payers; null when they carry none or several.
QVariant singleValue(Database& db, const QString& sql)
{
    Query query(db, sql);
    QVariant value;
    int count = 0;
    if (!query.exec())
        return {};
    while (query.next()) {
        value = query.value(0);
        ++count;
    }
    return count == 1 ? value : QVariant();
}

} // namespace

std::optional<Stamp> statementStamp(Database& db, const QVariant& organisation, const QDate& period,
                                    const QString& papers, const Note& note)
{
    Stamp stamp;
    stamp.organisation = organisation;
    if (!stamp.organisation.isValid() || stamp.organisation.isNull())
        stamp.organisation =
            singleValue(db, u"SELECT DISTINCT DezID FROM SvedPotreb_T1 WHERE DezID IS NOT NULL"_s);
    stamp.period = period;
    if (!stamp.period.isValid())
        stamp.period = Format::dateFromVariant(
            singleValue(db, u"SELECT DISTINCT Mes FROM SvedPotreb_T1 WHERE Mes IS NOT NULL"_s));
    if (!stamp.organisation.isValid() || stamp.organisation.isNull()) {
        note(u"Организация "_s + papers + u" не определена по файлу I: укажите ее код (--org)."_s);
        return std::nullopt;
    }
    if (!stamp.period.isValid()) {
        note(u"Отчетный период "_s + papers +
             u" не определен по файлу I: укажите его (--period ММГГГГ)."_s);
        return std::nullopt;
    }
    Query name(db, u"SELECT DezName FROM Sprav_Dez WHERE DezID = :DezID"_s);
    name.bind(u":DezID"_s, stamp.organisation);
    if (name.exec() && name.next())
        stamp.organisationName = name.value(0).toString();
    // An organisation the book does not know is still named, by its code.
    if (stamp.organisationName.trimmed().isEmpty())
        stamp.organisationName = stamp.organisation.toString();
    return stamp;
}

std::optional<HouseChoice> houseChoice(const QString& text)
{
    const QStringList parts = text.split(u'/');
    if (parts.size() < 2 || parts.size() > 4)
        return std::nullopt;
    HouseChoice choice;
    bool ok = false;
    choice.street = parts[0].trimmed().toLongLong(&ok);
    if (!ok || choice.street <= 0)
        return std::nullopt;
    choice.house = parts[1].trimmed();
    choice.korp = parts.value(2).trimmed();
    choice.stroen = parts.value(3).trimmed();
    if (choice.house.isEmpty())
        return std::nullopt;
    return choice;
}

bool writeReceipts(Database& db, const Stamp& stamp, const std::optional<HouseChoice>& only,
                   const QString& pdfPath, const Note& note)
{
    const Receipts::Organisation organisation = Receipts::organisation(db, stamp.organisation);
    if (!organisation.isNamed()) {
        note(Receipts::noOrganisationMessage());
        return false;
    }

    // The flats first, house by house: their number is the run's length, and a house
    // that is asked for but absent stops the run before anything is written.
    QList<QList<qint64>> houses; // the payers of each house, in flat order
    qint64 total = 0;
    QString error;
    const QList<Receipts::Street> streets = Receipts::streets(db, &error);
    if (!error.isEmpty()) {
        note(u"Ошибка чтения данных.\n"_s + error);
        return false;
    }
    for (const Receipts::Street& street : streets) {
        if (only && street.id != only->street)
            continue;
        const QList<Receipts::House> streetHouses = Receipts::houses(db, street.id, &error);
        for (const Receipts::House& house : streetHouses) {
            if (only &&
                (house.house.trimmed() != only->house || house.korp.trimmed() != only->korp ||
                 house.stroen.trimmed() != only->stroen))
                continue;
            QList<qint64>& payers = houses.emplaceBack();
            for (const Receipts::Flat& flat : Receipts::flats(db, street.id, house, &error))
                payers << flat.t1Id;
            total += payers.size();
        }
        if (!error.isEmpty()) {
            note(u"Ошибка чтения данных.\n"_s + error);
            return false;
        }
    }
    if (total == 0) {
        note(only ? u"Дом не найден в сведениях: улица с кодом БТИ "_s +
                        QString::number(only->street) + u", "_s +
                        Receipts::houseText(only->house, only->korp, only->stroen) + u'.'
                  : u"В сведениях нет плательщиков с улицей в кодировке БТИ: извещений нет."_s);
        return false;
    }

    Report::PdfStream pdf(pdfPath, u"Извещения"_s);
    QElapsedTimer sinceTold;
    sinceTold.start();
    qint64 done = 0;
    for (const QList<qint64>& house : std::as_const(houses)) {
        // Each house begins a sheet of its own: its receipts are cut and handed out together.
        Receipts::ReceiptJobs jobs(db, organisation, stamp.period,
                                   [&pdf](const Report::Prepared& job) { return pdf.add(job); });
        for (const qint64 payer : house) {
            if (!jobs.add(payer)) {
                note(pdf.error().isEmpty() ? jobs.error() : pdf.error());
                return false;
            }
            ++done;
            if (sinceTold.elapsed() >= ProgressEveryMs) {
                sinceTold.restart();
                note(u"Извещения: "_s + QString::number(done) + u" из "_s + QString::number(total));
            }
        }
        if (std::optional<Report::Prepared> waiting = jobs.takeWaiting();
            waiting && !pdf.add(*waiting)) {
            note(pdf.error());
            return false;
        }
    }
    if (!pdf.finish()) {
        note(pdf.error());
        return false;
    }
    note(u"Извещений: "_s + QString::number(done) + u", листов: "_s + QString::number(pdf.pages()) +
         u"; записаны в файл "_s + QFileInfo(pdfPath).absoluteFilePath());
    return true;
}

QString actFileName(Acts::Kind kind)
{
    switch (kind) {
    case Acts::Kind::Services:
        return u"1 Сводные данные по услугам.pdf"_s;
    case Acts::Kind::HousesServices:
        return u"2 Сводные данные по услугам по домам.pdf"_s;
    case Acts::Kind::HousesFlatsServices:
        return u"3 Сводные данные по услугам по домам и квартирам.pdf"_s;
    case Acts::Kind::EnteredData:
        return u"4 Сводные данные по введенной информации.pdf"_s;
    case Acts::Kind::Payers:
        return u"5 Список плательщиков.pdf"_s;
    case Acts::Kind::PayersWithPersons:
        return u"6 Список плательщиков и учитываемых лиц.pdf"_s;
    }
    return {};
}

bool writeActs(Database& db, const Stamp& stamp, const QString& folder, const Note& note)
{
    const QString path = QDir(folder).absolutePath();
    if (!QDir().mkpath(path)) {
        note(u"Не удалось создать папку "_s + path);
        return false;
    }
    const Acts::Heading heading{stamp.organisationName, stamp.organisation, stamp.period};
    for (const Acts::Kind kind :
         {Acts::Kind::Services, Acts::Kind::HousesServices, Acts::Kind::HousesFlatsServices,
          Acts::Kind::EnteredData, Acts::Kind::Payers, Acts::Kind::PayersWithPersons}) {
        QString error;
        const std::optional<Report::Prepared> report =
            Acts::prepareReport(db, kind, heading, &error);
        if (!report) {
            note(u"Ошибка чтения данных.\n"_s + error);
            return false;
        }
        const QString file = QDir(path).filePath(actFileName(kind));
        if (!Report::writePdf(*report, file, &error)) {
            note(error);
            return false;
        }
        note(Acts::title(kind) + u": "_s + QString::number(report->pages.size()) +
             u" стр., файл "_s + file);
    }
    return true;
}

} // namespace Paperwork
