#include "CommonFnc.h"
#include "ExchangeFormat.h"
#include "Importer.h"
#include "Query.h"
#include "TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlRecord>
#include <QTest>

#include <memory>

using namespace Qt::Literals::StringLiterals;
using Exchange::FileKind;
using Exchange::ImportResult;

namespace {

/// Field number (from 1, as the layout tables count) and its text.
using Changes = QList<QPair<int, QString>>;

QString withFields(QStringList fields, const Changes& changes)
{
    for (const auto& [number, text] : changes)
        fields[number - 1] = text;
    return fields.join(u'\t');
}

// Long layouts: one payer (key 1234567890 / "100-1" / March 2024 / 117), one of its
// charges, one of its persons.
QString payerLine(const Changes& changes = {})
{
    return withFields({u"15032024"_s, u"117"_s, u"117"_s, u"1"_s, u"Иванов"_s, u"Иван"_s,
                       u"Иванович"_s, u"2979652"_s, u"5"_s, u" "_s, u"2"_s, u"12"_s,
                       u"1234567890"_s, u"100-1"_s, u"032024"_s, u"1"_s, u"1"_s, u"4550"_s,
                       u"7"_s, u"3000"_s, u"0"_s, u"1"_s, u"12345"_s, u"12000"_s, u"10000"_s,
                       u"9000"_s, u"15"_s, u"4321"_s, u"98"_s},
                      changes);
}

QString chargeLine(const Changes& changes = {})
{
    return withFields({u"15032024"_s, u"117"_s, u"100-1"_s, u"1234567890"_s, u"032024"_s,
                       u"1"_s, u"5"_s, u"54200"_s, u"1390"_s, u"7534"_s, u"7000"_s, u"7534"_s,
                       u"7000"_s, u"5"_s},
                      changes);
}

QString personLine(const Changes& changes = {})
{
    return withFields({u"15032024"_s, u"117"_s, u"1234567890"_s, u"100-1"_s, u"032024"_s,
                       u"1"_s, u"Иванов"_s, u"Иван"_s, u"Иванович"_s, u"09031970"_s, u"М"_s,
                       u" Сам "_s, u"1"_s, u"2275"_s, u"1"_s, u"01022000"_s, u"0"_s, u"1"_s,
                       u"112-233-445 95"_s},
                      changes);
}

// Short layouts (25 TABs in file I, 11 in files II and III): payer key 1234567890 /
// "200-1" / March 2024 / 1204. Positions 15, 18 and 19 of file I hold text the reader
// must walk over.
QString shortPayerLine(const Changes& changes = {})
{
    return withFields({u"15032024"_s, u"1204"_s, u"2"_s, u"Петров"_s, u"Петр"_s, u"Петрович"_s,
                       u"101"_s, u"7"_s, u""_s, u""_s, u"3"_s, u"1234567890"_s, u"200-1"_s,
                       u"032024"_s, u"чужое"_s, u"1"_s, u"2"_s, u"чужое"_s, u"чужое"_s,
                       u"5210"_s, u"3800"_s, u"1"_s, u"2"_s, u"20000"_s, u"15000"_s, u"25"_s},
                      changes);
}

QString shortChargeLine()
{
    return withFields({u"15032024"_s, u"1204"_s, u"200-1"_s, u"1234567890"_s, u"032024"_s,
                       u"1"_s, u"5"_s, u"125"_s, u"1390"_s, u"1738"_s, u"1500"_s, u"5"_s},
                      {});
}

QString shortPersonLine()
{
    return withFields({u"15032024"_s, u"1204"_s, u"1234567890"_s, u"200-1"_s, u"032024"_s,
                       u"1"_s, u"Петров"_s, u"Петр"_s, u"Петрович"_s, u" Сам "_s, u"1"_s,
                       u"125"_s},
                      {});
}

QString show(const QVariant& value)
{
    return value.isNull() ? u"NULL"_s : value.toString();
}

/// Records everything an import tells.
class Recorder final : public Exchange::ImportListener
{
public:
    void linesCounted(qint64 payers, qint64 charges, qint64 persons) override
    {
        counted = {payers, charges, persons};
    }
    void linesRead(FileKind kind, qint64 lines) override
    {
        reads << u"%1:%2"_s.arg(int(kind)).arg(lines);
    }
    void payerLineRead(const QDate& fileDate, const QVariant& organisation) override
    {
        dates << fileDate;
        organisations << organisation;
    }
    void errorAdded(int file, qint64 line, const QString& message) override
    {
        errors << u"%1|%2|%3"_s.arg(file).arg(line).arg(message);
    }
    void stepDone(int step) override { steps << step; }
    void failure(const QString& message) override { failures << message; }

    QList<qint64> counted;
    QStringList reads;
    QList<QDate> dates;
    QVariantList organisations;
    QStringList errors;
    QList<int> steps;
    QStringList failures;
};

QString error(int file, qint64 line, const QString& message)
{
    return u"%1|%2|%3"_s.arg(file).arg(line).arg(message);
}

QString formatError(int file, qint64 line, const QString& title)
{
    return error(file, line, u"Ошибка формата поля \""_s + title + u"\""_s);
}

} // namespace

class TestImporter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void exportedLinesLoadBack();
    void shortLayouts();
    void shortPayerStreetTranslated_data();
    void shortPayerStreetTranslated();
    void fieldFailures_data();
    void fieldFailures();
    void unknownServiceListedAndLoaded();
    void severalOrganisations();
    void occupancyRenumbered_data();
    void occupancyRenumbered();
    void sharedPayerKeyCopiesDetailsToEach();
    void manyDuplicateKeys();
    void detailLinesWithAndWithoutPayer();
    void detailsWithoutPayerAreNotCopied();
    void personsRecounted();
    void emptyFilesLoadNothing();
    void previousStatementReplaced();
    void progressEveryHundredLines();
    void badInputNeverStops_data();
    void badInputNeverStops();
    void unopenableFileChangesNothing_data();
    void unopenableFileChangesNothing();
    void unreadableFileStops();
    void fullDatabaseIsARunFailure();
    void tablesThatCannotBeEmptiedStop_data();
    void tablesThatCannotBeEmptiedStop();

private:
    QString path(const QString& name) const { return QDir(m_t->directory()).filePath(name); }
    bool writeLines(const QString& name, const QStringList& lines);
    bool writeRaw(const QString& name, const QByteArray& bytes);
    ImportResult import(const QStringList& payers, const QStringList& charges,
                        const QStringList& persons);
    ImportResult importFiles();
    QVariantMap row(const QString& sql);
    QStringList column(const QString& sql);
    qint64 count(const QString& table) { return m_t->scalar(u"SELECT COUNT(*) FROM "_s + table).toLongLong(); }

    std::unique_ptr<TestDatabase> m_t;
    Recorder m_rec;
};

void TestImporter::init()
{
    m_t = std::make_unique<TestDatabase>();
    QVERIFY2(m_t->isValid(), qPrintable(m_t->error()));
    m_rec = Recorder();
}

void TestImporter::cleanup()
{
    m_t.reset();
}

bool TestImporter::writeLines(const QString& name, const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += CommonFnc::AnsiToOem(line) + "\r\n";
    return writeRaw(name, bytes);
}

bool TestImporter::writeRaw(const QString& name, const QByteArray& bytes)
{
    QFile file(path(name));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

ImportResult TestImporter::import(const QStringList& payers, const QStringList& charges,
                                  const QStringList& persons)
{
    if (!writeLines(u"P1.TXT"_s, payers) || !writeLines(u"P2.TXT"_s, charges) ||
        !writeLines(u"P3.TXT"_s, persons))
        qFatal("cannot write the exchange files");
    return importFiles();
}

ImportResult TestImporter::importFiles()
{
    return Exchange::Importer(m_t->db()).run(path(u"P1.TXT"_s), path(u"P2.TXT"_s),
                                             path(u"P3.TXT"_s), m_rec);
}

QVariantMap TestImporter::row(const QString& sql)
{
    QVariantMap values;
    Query query(m_t->db(), sql);
    if (query.exec() && query.next()) {
        const QSqlRecord record = query.raw().record();
        for (int i = 0; i < record.count(); ++i)
            values.insert(record.fieldName(i), query.value(i));
    }
    return values;
}

QStringList TestImporter::column(const QString& sql)
{
    QStringList values;
    Query query(m_t->db(), sql);
    if (query.exec()) {
        while (query.next())
            values << show(query.value(0));
    }
    return values;
}

void TestImporter::exportedLinesLoadBack()
{
    // Lines as the export composes them, with the values it writes for empty ones.
    QVariantMap payer{
        {u"DateEdit"_s, QDate(2024, 3, 15)}, {u"DezVladID"_s, 117}, {u"DezID"_s, 117},
        {u"MO"_s, 3}, {u"Name1"_s, u"Иванов"_s}, {u"Name2"_s, u"Иван"_s}, {u"Name3"_s, QVariant()},
        {u"StreetID_BTI"_s, 2979652}, {u"HouseNum"_s, u"5"_s}, {u"StroenNum"_s, u""_s},
        {u"KorpNum"_s, u"2"_s}, {u"FlatNum"_s, u"12а"_s}, {u"ENumlsID"_s, 1234567890LL},
        {u"Numls"_s, u"100-1"_s}, {u"Mes"_s, QDate(2024, 3, 1)}, {u"TypeOwnID"_s, 1},
        {u"TypeOccupancyID"_s, 2}, {u"SquareTotal"_s, 4550}, {u"PplCntReg"_s, 7},
        {u"SquareLive"_s, 3025}, {u"TypeLockID"_s, 0}, {u"TypeStoveID"_s, 1},
        {u"SummaFull"_s, 12345}, {u"SummaWOBenefit"_s, -50}, {u"SummaFullReg"_s, 10000},
        {u"SummaWOBenefitReg"_s, 9000}, {u"ColMesDebts"_s, 15}, {u"HouseID_BTI"_s, 4321},
        {u"FlatID_BTI"_s, 98}};
    QVariantMap charge{
        {u"DateEdit"_s, QDate(2024, 3, 15)}, {u"DezVladID"_s, 117}, {u"Numls"_s, u"100-1"_s},
        {u"ENumlsID"_s, 1234567890LL}, {u"Mes"_s, QDate(2024, 3, 1)}, {u"ServiceID"_s, 1},
        {u"PostID"_s, 5}, {u"Volume"_s, 54205}, {u"Tariff"_s, 1390}, {u"SummaService"_s, 7534},
        {u"SummaServiceWOBenefit"_s, 7000}, {u"SummaServiceReg"_s, 7534},
        {u"SummaServiceWOBenefitReg"_s, 7000}, {u"TypeNachID"_s, 5}};
    QVariantMap person{
        {u"DateEdit"_s, QDate(2024, 3, 15)}, {u"DezVladID"_s, 117}, {u"ENumlsID"_s, 1234567890LL},
        {u"Numls"_s, u"100-1"_s}, {u"Mes"_s, QDate(2024, 3, 1)}, {u"NumberPeople"_s, 1},
        {u"Name1"_s, u"Иванова"_s}, {u"Name2"_s, u"Мария"_s}, {u"Name3"_s, u"Петровна"_s},
        {u"BirthDate"_s, QDate(1970, 3, 9)}, {u"Sex"_s, u"Ж"_s}, {u"Relation"_s, u"Жена"_s},
        {u"RelationOwnID"_s, 1}, {u"SquareShare"_s, 2275}, {u"TypeRegID"_s, 1},
        {u"DateRegStart"_s, QDate(2000, 2, 1)}, {u"DateRegEnd"_s, QVariant()},
        {u"PrFactLiveID"_s, 1}, {u"SNILS"_s, u"112-233-445 95"_s}};
    QVariantMap second = person;
    second.insert(u"NumberPeople"_s, 2);
    second.insert(u"Name2"_s, u"Ольга"_s);
    second.insert(u"BirthDate"_s, QVariant());
    second.insert(u"SNILS"_s, u"000-000-000 00"_s);

    const ImportResult result =
        import({Exchange::composeLine(FileKind::Payers, payer)},
               {Exchange::composeLine(FileKind::Charges, charge)},
               {Exchange::composeLine(FileKind::Persons, person),
                Exchange::composeLine(FileKind::Persons, second)});

    QCOMPARE(m_rec.errors, QStringList());
    QCOMPARE(m_rec.failures, QStringList());
    QCOMPARE(result.outcome, ImportResult::Outcome::Completed);
    QCOMPARE(result.lines, (std::array<qint64, 3>{1, 1, 2}));
    QCOMPARE(result.read, (std::array<qint64, 3>{1, 1, 2}));
    QCOMPARE(result.loaded, (std::array<qint64, 3>{1, 1, 2}));
    QCOMPARE(result.lastOrganisation.toInt(), 117);

    // Empty texts come back as one blank; the number of persons is recounted.
    payer.insert(u"Name3"_s, u" "_s);
    payer.insert(u"StroenNum"_s, u" "_s);
    payer.insert(u"PplCntReg"_s, 2);
    payer.insert(u"T1_ID"_s, 1);
    payer.insert(u"NumT1"_s, 1);
    const QVariantMap t1 = row(u"SELECT * FROM SvedPotreb_T1"_s);
    QCOMPARE(t1.size(), payer.size());
    for (auto it = payer.cbegin(); it != payer.cend(); ++it) {
        const QString expected = it.value().typeId() == QMetaType::QDate
                                     ? it.value().toDate().toString(Qt::ISODate)
                                     : show(it.value());
        QCOMPARE(it.key() + u"="_s + show(t1.value(it.key())), it.key() + u"="_s + expected);
    }

    const QVariantMap t2 = row(u"SELECT * FROM SvedNach_T2"_s);
    for (const QString& c : {u"ServiceID"_s, u"PostID"_s, u"Volume"_s, u"Tariff"_s,
                             u"SummaService"_s, u"SummaServiceWOBenefit"_s, u"SummaServiceReg"_s,
                             u"SummaServiceWOBenefitReg"_s, u"TypeNachID"_s})
        QCOMPARE(c + u"="_s + show(t2.value(c)), c + u"="_s + show(charge.value(c)));
    QCOMPARE(show(t2.value(u"T1_ID"_s)), u"1"_s);
    QCOMPARE(show(t2.value(u"T2_ID"_s)), u"1"_s);
    QCOMPARE(show(t2.value(u"NumT2"_s)), u"1"_s);

    QCOMPARE(column(u"SELECT T1_ID || '/' || T3_ID || '/' || NumT3 || ' ' || Name2 || ' ' || "
                    u"ifnull(BirthDate, 'NULL') || ' ' || ifnull(DateRegEnd, 'NULL') || ' [' || SNILS || ']' "
                    u"FROM SvedPotrebRelations_T3 ORDER BY T3_ID"_s),
             (QStringList{u"1/1/1 Мария 1970-03-09 NULL [112-233-445 95]"_s,
                          u"1/2/2 Ольга NULL NULL [ ]"_s}));
    const QVariantMap t3 = row(u"SELECT * FROM SvedPotrebRelations_T3 WHERE T3_ID = 1"_s);
    for (const QString& c : {u"NumberPeople"_s, u"Name1"_s, u"Name3"_s, u"Sex"_s, u"Relation"_s,
                             u"RelationOwnID"_s, u"SquareShare"_s, u"TypeRegID"_s,
                             u"PrFactLiveID"_s})
        QCOMPARE(c + u"="_s + show(t3.value(c)), c + u"="_s + show(person.value(c)));
    QCOMPARE(t3.value(u"DateRegStart"_s).toString(), u"2000-02-01"_s);

    // The scratch tables are left empty for the next run.
    for (const QString& table : {u"TMP_T1"_s, u"TMP_T2"_s, u"TMP_T3"_s, u"TMP_T1Count"_s})
        QCOMPARE(table + u"="_s + QString::number(count(table)), table + u"=0"_s);
}

void TestImporter::shortLayouts()
{
    const ImportResult result = import({shortPayerLine()}, {shortChargeLine()}, {shortPersonLine()});
    QCOMPARE(m_rec.errors, QStringList());
    QCOMPARE(result.loaded, (std::array<qint64, 3>{1, 1, 1}));

    // One organisation field fills both columns; the two sums fill the Reg columns too;
    // the short layout carries no persons, house or flat code.
    const QVariantMap t1 = row(u"SELECT * FROM SvedPotreb_T1"_s);
    const QList<QPair<QString, QString>> payer{
        {u"DezID"_s, u"1204"_s}, {u"DezVladID"_s, u"1204"_s}, {u"MO"_s, u"2"_s},
        {u"StreetID_BTI"_s, u"2979652"_s}, {u"HouseNum"_s, u"7"_s}, {u"StroenNum"_s, u""_s},
        {u"FlatNum"_s, u"3"_s}, {u"Numls"_s, u"200-1"_s}, {u"TypeOwnID"_s, u"1"_s},
        {u"TypeOccupancyID"_s, u"2"_s}, {u"SquareTotal"_s, u"5210"_s}, {u"SquareLive"_s, u"3800"_s},
        {u"TypeLockID"_s, u"1"_s}, {u"TypeStoveID"_s, u"2"_s}, {u"SummaFull"_s, u"20000"_s},
        {u"SummaFullReg"_s, u"20000"_s}, {u"SummaWOBenefit"_s, u"15000"_s},
        {u"SummaWOBenefitReg"_s, u"15000"_s}, {u"ColMesDebts"_s, u"25"_s},
        {u"HouseID_BTI"_s, u"NULL"_s}, {u"FlatID_BTI"_s, u"NULL"_s}, {u"PplCntReg"_s, u"1"_s}};
    for (const auto& [c, expected] : payer)
        QCOMPARE(c + u"="_s + show(t1.value(c)), c + u"="_s + expected);

    // File II short: volume in hundredths, each sum twice.
    const QVariantMap t2 = row(u"SELECT * FROM SvedNach_T2"_s);
    const QList<QPair<QString, QString>> charge{
        {u"Volume"_s, u"1250"_s}, {u"Tariff"_s, u"1390"_s}, {u"SummaService"_s, u"1738"_s},
        {u"SummaServiceReg"_s, u"1738"_s}, {u"SummaServiceWOBenefit"_s, u"1500"_s},
        {u"SummaServiceWOBenefitReg"_s, u"1500"_s}, {u"TypeNachID"_s, u"5"_s}};
    for (const auto& [c, expected] : charge)
        QCOMPARE(c + u"="_s + show(t2.value(c)), c + u"="_s + expected);

    // File III short: share in tenths, permanent registration, actually living there.
    const QVariantMap t3 = row(u"SELECT * FROM SvedPotrebRelations_T3"_s);
    const QList<QPair<QString, QString>> person{
        {u"Relation"_s, u"Сам"_s}, {u"RelationOwnID"_s, u"1"_s}, {u"SquareShare"_s, u"1250"_s},
        {u"TypeRegID"_s, u"1"_s}, {u"PrFactLiveID"_s, u"1"_s}, {u"BirthDate"_s, u"NULL"_s},
        {u"Sex"_s, u"NULL"_s}, {u"SNILS"_s, u"NULL"_s}};
    for (const auto& [c, expected] : person)
        QCOMPARE(c + u"="_s + show(t3.value(c)), c + u"="_s + expected);
}

void TestImporter::shortPayerStreetTranslated_data()
{
    QTest::addColumn<QString>("streetCode");
    QTest::addColumn<QString>("btiCode");
    QTest::addColumn<QStringList>("errors");

    QTest::newRow("known street") << u"104"_s << u"8981250"_s << QStringList();
    QTest::newRow("street without BTI code") << u"179"_s << u"0"_s << QStringList();
    QTest::newRow("unknown street") << u"99999"_s << u"0"_s << QStringList();
    QTest::newRow("empty") << u""_s << u"NULL"_s << QStringList();
    QTest::newRow("not a number") << u"10А"_s << u"NULL"_s
                                  << QStringList{formatError(1, 1, u"Код улицы"_s),
                                                  formatError(1, 2, u"Код улицы"_s)};
}

void TestImporter::shortPayerStreetTranslated()
{
    QFETCH(QString, streetCode);
    QFETCH(QString, btiCode);
    QFETCH(QStringList, errors);

    // The second line repeats the first street: its code comes from the cache.
    import({shortPayerLine({{7, streetCode}}),
            shortPayerLine({{7, streetCode}, {13, u"200-2"_s}})},
           {}, {});
    QCOMPARE(m_rec.errors, errors);
    QCOMPARE(column(u"SELECT StreetID_BTI FROM SvedPotreb_T1 ORDER BY T1_ID"_s),
             (QStringList{btiCode, btiCode}));
}

void TestImporter::fieldFailures_data()
{
    QTest::addColumn<int>("file");
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("columnName");
    QTest::addColumn<QString>("stored"); ///< "-" when the record does not reach the working table
    QTest::addColumn<QString>("message");

    const QString none;
    QTest::newRow("money with a separator")
        << 1 << 23 << u"12.50"_s << u"SummaFull"_s << u"NULL"_s
        << u"Ошибка формата поля \"Сумма начисленной платы\""_s;
    QTest::newRow("area not a number") << 1 << 18 << u"45,5"_s << u"SquareTotal"_s << u"NULL"_s
                                       << u"Ошибка формата поля \"Общая площадь\""_s;
    QTest::newRow("empty area") << 1 << 18 << u""_s << u"SquareTotal"_s << u"NULL"_s << none;
    QTest::newRow("empty payer code") << 1 << 13 << u""_s << u"ENumlsID"_s << u"0"_s << none;
    QTest::newRow("payer code not a number") << 1 << 13 << u"12-34"_s << u"ENumlsID"_s << u"0"_s
                                             << u"Ошибка формата поля \"Код плательщика\""_s;
    QTest::newRow("empty account") << 1 << 14 << u""_s << u"Numls"_s << u""_s << none;
    QTest::newRow("month with letters") << 1 << 15 << u"03a024"_s << u"Mes"_s << u"NULL"_s
                                        << u"Ошибка формата поля \"Месяц на который произведен расчет\""_s;
    QTest::newRow("month out of range") << 1 << 15 << u"132024"_s << u"Mes"_s << u"1900-01-01"_s << none;
    QTest::newRow("bad file date") << 1 << 1 << u"31022024"_s << u"DateEdit"_s << u"1900-01-01"_s << none;
    QTest::newRow("code beyond 32 bits") << 1 << 4 << u"2147483648"_s << u"MO"_s << u"NULL"_s
                                         << u"Ошибка формата поля \"Код района\""_s;
    QTest::newRow("small code out of its column's range")
        << 1 << 4 << u"40000"_s << u"MO"_s << u"-"_s << u"Ошибка записи строки"_s;
    QTest::newRow("name too long") << 1 << 5 << QString(36, u'Ы') << u"Name1"_s << u"-"_s
                                   << u"Ошибка записи строки"_s;
    QTest::newRow("charge volume with a separator")
        << 2 << 8 << u"54.2"_s << u"Volume"_s << u"NULL"_s
        << u"Ошибка формата поля \"Объем предоставленной услуги\""_s;
    QTest::newRow("charge month strict") << 2 << 5 << u"132024"_s << u"Mes"_s << u"-"_s
                                         << u"Ошибка формата поля \"Месяц на который произведен расчет\""_s;
    QTest::newRow("person birth date bad") << 3 << 10 << u"3102197x"_s << u"BirthDate"_s << u"NULL"_s << none;
    QTest::newRow("person relation trimmed") << 3 << 12 << u"  Дочь  "_s << u"Relation"_s << u"Дочь"_s << none;
    QTest::newRow("person share with a separator")
        << 3 << 14 << u"22,75"_s << u"SquareShare"_s << u"NULL"_s
        << u"Ошибка формата поля \"Доля площади\""_s;
}

void TestImporter::fieldFailures()
{
    QFETCH(int, file);
    QFETCH(int, field);
    QFETCH(QString, text);
    QFETCH(QString, columnName);
    QFETCH(QString, stored);
    QFETCH(QString, message);

    // The field under test is on line 2 of its file; line 1 is a sound record. In files
    // II and III the second line belongs to the same payer.
    const Changes change{{field, text}};
    QStringList payers{payerLine()};
    QStringList charges{chargeLine()};
    QStringList persons{personLine()};
    if (file == 1)
        payers << payerLine({{field, text}, {14, field == 14 ? text : u"100-2"_s}});
    else if (file == 2)
        charges << chargeLine(change);
    else
        persons << personLine(change);
    const ImportResult result = import(payers, charges, persons);

    QCOMPARE(m_rec.errors, message.isEmpty() ? QStringList() : QStringList{error(file, 2, message)});
    static const QString tables[] = {u"SvedPotreb_T1"_s, u"SvedNach_T2"_s, u"SvedPotrebRelations_T3"_s};
    static const QString keys[] = {u"T1_ID"_s, u"T2_ID"_s, u"T3_ID"_s};
    const QString table = tables[file - 1];
    const QString key = keys[file - 1];
    QCOMPARE(result.read[size_t(file - 1)], qint64(2));
    if (stored == u"-"_s) {
        // The refused line is missing; the rest of the file is there.
        QCOMPARE(column(u"SELECT %1 FROM %2 ORDER BY %1"_s.arg(key, table)), QStringList{u"1"_s});
    } else {
        QCOMPARE(column(u"SELECT %1 FROM %2 WHERE %3 = 2"_s.arg(columnName, table, key)),
                 QStringList{stored});
    }
}

void TestImporter::unknownServiceListedAndLoaded()
{
    const ImportResult result =
        import({payerLine()}, {chargeLine(), chargeLine({{6, u"9999"_s}}), chargeLine({{6, u""_s}})}, {});
    QCOMPARE(m_rec.errors, (QStringList{error(2, 2, u"Услуги №9999 нет в справочнике"_s),
                                        error(2, 3, u"Услуги № нет в справочнике"_s)}));
    QCOMPARE(result.loaded[1], qint64(3));
    QCOMPARE(column(u"SELECT ifnull(ServiceID, 'NULL') FROM SvedNach_T2 ORDER BY T2_ID"_s),
             (QStringList{u"1"_s, u"9999"_s, u"NULL"_s}));
}

void TestImporter::severalOrganisations()
{
    const ImportResult result =
        import({payerLine({{3, u"117"_s}}), payerLine({{3, u"1204"_s}, {14, u"100-2"_s}}),
                payerLine({{3, u"x"_s}, {14, u"100-3"_s}, {1, u"01042024"_s}})},
               {}, {});
    // One row for the file, none per line; the last valid organisation stays.
    QCOMPARE(m_rec.errors,
             (QStringList{formatError(1, 3, u"Код организации - предоставившей сведения о начислениях"_s),
                          error(1, 0, u"Файл содержит сведения по нескольким организациям"_s)}));
    QCOMPARE(result.lastOrganisation.toInt(), 1204);
    QStringList organisations;
    for (const QVariant& o : std::as_const(m_rec.organisations))
        organisations << show(o);
    QCOMPARE(organisations, (QStringList{u"117"_s, u"1204"_s, u"NULL"_s}));
    QCOMPARE(m_rec.dates.last(), QDate(2024, 4, 1));
}

void TestImporter::occupancyRenumbered_data()
{
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("3 and 4 move up") << QStringList{u"3"_s, u"4"_s, u"1"_s, u"5"_s}
                                     << QStringList{u"4"_s, u"5"_s, u"1"_s, u"5"_s};
    QTest::newRow("without 3 nothing moves") << QStringList{u"4"_s, u"2"_s, u""_s}
                                             << QStringList{u"4"_s, u"2"_s, u"NULL"_s};
}

void TestImporter::occupancyRenumbered()
{
    QFETCH(QStringList, codes);
    QFETCH(QStringList, expected);
    QStringList payers;
    for (int i = 0; i < codes.size(); ++i)
        payers << payerLine({{17, codes[i]}, {14, u"100-%1"_s.arg(i)}});
    import(payers, {}, {});
    QCOMPARE(column(u"SELECT TypeOccupancyID FROM SvedPotreb_T1 ORDER BY T1_ID"_s), expected);
}

void TestImporter::sharedPayerKeyCopiesDetailsToEach()
{
    const ImportResult result = import({payerLine(), payerLine({{5, u"Петров"_s}})},
                                       {chargeLine()}, {personLine()});
    const QString duplicate = u"Совпадение основных полей у нескольких записей: \"Организация\", "
                              u"\"Месяц\", \"Код плательщика\" или \"Лицевой счет\""_s;
    QCOMPARE(m_rec.errors, (QStringList{error(1, 1, duplicate), error(1, 2, duplicate)}));
    QCOMPARE(result.read, (std::array<qint64, 3>{2, 1, 1}));
    QCOMPARE(result.loaded, (std::array<qint64, 3>{2, 2, 2}));
    QCOMPARE(column(u"SELECT T1_ID || ':' || T2_ID FROM SvedNach_T2 ORDER BY T1_ID"_s),
             (QStringList{u"1:1"_s, u"2:1"_s}));
    QCOMPARE(column(u"SELECT T1_ID || ':' || T3_ID FROM SvedPotrebRelations_T3 ORDER BY T1_ID"_s),
             (QStringList{u"1:1"_s, u"2:1"_s}));
}

void TestImporter::manyDuplicateKeys()
{
    // Keys drawn from a few values, so that most lines share theirs with others. An empty
    // payer code reads as 0 and still groups; a line without its organisation (NULL) is in
    // no group at all.
    const QStringList codes{u""_s, u"1234567890"_s, u"1234567891"_s};
    const QStringList accounts{u""_s, u"100-1"_s, u"100-2"_s, u"100-3"_s};
    const QStringList months{u"032024"_s, u"042024"_s};
    QRandomGenerator random(7);
    QStringList payers;
    QHash<QString, QList<int>> groups;
    for (int line = 1; line <= 600; ++line) {
        const QString code = codes.at(random.bounded(int(codes.size())));
        // Every tenth line has a key of its own.
        const QString account = line % 10 == 0 ? u"solo-%1"_s.arg(line)
                                               : accounts.at(random.bounded(int(accounts.size())));
        const QString month = months.at(random.bounded(int(months.size())));
        const QString organisation = line % 7 == 0 ? QString() : u"117"_s;
        payers << payerLine({{3, organisation}, {13, code}, {14, account}, {15, month}});
        if (!organisation.isEmpty())
            groups[(code.isEmpty() ? u"0"_s : code) + u'|' + account + u'|' + month].append(line);
    }
    QList<int> shared;
    for (const QList<int>& lines : std::as_const(groups)) {
        if (lines.size() > 1)
            shared << lines;
    }
    std::sort(shared.begin(), shared.end());
    QStringList expected;
    for (const int line : std::as_const(shared))
        expected << error(1, line,
                          u"Совпадение основных полей у нескольких записей: \"Организация\", "
                          u"\"Месяц\", \"Код плательщика\" или \"Лицевой счет\""_s);
    expected << error(1, 0, u"Файл содержит сведения по нескольким организациям"_s);
    QVERIFY(shared.size() > 200 && shared.size() < 500);
    import(payers, {}, {});
    QCOMPARE(m_rec.errors, expected);
}

void TestImporter::detailLinesWithAndWithoutPayer()
{
    // Lines of files II and III that have a payer are stored in the working tables as they
    // are read, the others are only checked: both kinds are refused and listed alike, and
    // the unknown services of both come in line order.
    const QString tooLarge = u"1500000000"_s; // 1 500 000,000: beyond the column's range
    const QString tooLong = QString(36, u'Ы');
    const QString stranger = u"нет-такого"_s;
    const ImportResult result = import(
        {payerLine()},
        {chargeLine(), chargeLine({{8, tooLarge}}), chargeLine({{3, stranger}, {8, tooLarge}}),
         chargeLine({{3, stranger}, {6, u"9999"_s}}), chargeLine({{6, u"9998"_s}}),
         chargeLine({{3, stranger}, {6, u"9997"_s}})},
        {personLine({{7, tooLong}}), personLine({{4, stranger}, {7, tooLong}}),
         personLine({{6, u"2"_s}})});
    QCOMPARE(m_rec.errors, (QStringList{
                               error(2, 2, u"Ошибка записи строки"_s),
                               error(2, 3, u"Ошибка записи строки"_s),
                               error(3, 1, u"Ошибка записи строки"_s),
                               error(3, 2, u"Ошибка записи строки"_s),
                               error(2, 4, u"Услуги №9999 нет в справочнике"_s),
                               error(2, 5, u"Услуги №9998 нет в справочнике"_s),
                               error(2, 6, u"Услуги №9997 нет в справочнике"_s),
                           }));
    QCOMPARE(column(u"SELECT T2_ID FROM SvedNach_T2 ORDER BY T2_ID"_s),
             (QStringList{u"1"_s, u"5"_s}));
    QCOMPARE(column(u"SELECT T3_ID FROM SvedPotrebRelations_T3"_s), QStringList{u"3"_s});
    QCOMPARE(column(u"SELECT PplCntReg FROM SvedPotreb_T1"_s), QStringList{u"1"_s});
    QCOMPARE(result.loaded, (std::array<qint64, 3>{1, 2, 1}));
}

void TestImporter::detailsWithoutPayerAreNotCopied()
{
    // Each key column on its own breaks the tie; NULL matches nothing, not even NULL.
    const ImportResult result = import(
        {payerLine({{2, u""_s}, {14, u"100-9"_s}}), payerLine()},
        {chargeLine(), chargeLine({{4, u"1234567891"_s}}), chargeLine({{3, u"100-2"_s}}),
         chargeLine({{5, u"042024"_s}}), chargeLine({{2, u"1204"_s}}),
         chargeLine({{2, u""_s}, {3, u"100-9"_s}})},
        {personLine({{3, u"1"_s}}), personLine()});
    QCOMPARE(m_rec.errors, QStringList());
    QCOMPARE(result.read, (std::array<qint64, 3>{2, 6, 2}));
    QCOMPARE(result.loaded, (std::array<qint64, 3>{2, 1, 1}));
    QCOMPARE(column(u"SELECT T1_ID || ':' || T2_ID FROM SvedNach_T2"_s), QStringList{u"2:1"_s});
    QCOMPARE(column(u"SELECT T1_ID || ':' || T3_ID FROM SvedPotrebRelations_T3"_s), QStringList{u"2:2"_s});
}

void TestImporter::personsRecounted()
{
    import({payerLine({{19, u"7"_s}}), payerLine({{19, u"7"_s}, {14, u"100-2"_s}})}, {},
           {personLine(), personLine({{6, u"2"_s}}), personLine({{6, u"3"_s}})});
    QCOMPARE(column(u"SELECT PplCntReg FROM SvedPotreb_T1 ORDER BY T1_ID"_s),
             (QStringList{u"3"_s, u"1"_s}));
}

void TestImporter::emptyFilesLoadNothing()
{
    const ImportResult result = import({}, {}, {});
    QCOMPARE(result.outcome, ImportResult::Outcome::Completed);
    QCOMPARE(result.lines, (std::array<qint64, 3>{0, 0, 0}));
    QCOMPARE(result.loaded, (std::array<qint64, 3>{0, 0, 0}));
    QCOMPARE(result.errorCount, qint64(0));
    QVERIFY(result.lastOrganisation.isNull());
    QCOMPARE(m_rec.errors, QStringList());
    QCOMPARE(m_rec.failures, QStringList());
    QCOMPARE(m_rec.reads, (QStringList{u"1:0"_s, u"2:0"_s, u"3:0"_s}));
    QCOMPARE(m_rec.steps, (QList<int>{1, 2, 3, 4, 5, 6, 7}));
}

void TestImporter::previousStatementReplaced()
{
    QVERIFY(m_t->exec(u"INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, Name1) VALUES (40, 40, 'Старый')"_s));
    QVERIFY(m_t->exec(u"INSERT INTO SvedNach_T2 (T1_ID, T2_ID, NumT2) VALUES (40, 1, 1)"_s));
    QVERIFY(m_t->exec(u"INSERT INTO TMP_T2 (NumT2, ServiceID) VALUES (77, 9999)"_s));
    import({payerLine()}, {}, {});
    QCOMPARE(column(u"SELECT Name1 FROM SvedPotreb_T1"_s), QStringList{u"Иванов"_s});
    QCOMPARE(count(u"SvedNach_T2"_s), 0);
    // A leftover scratch row of an earlier run is not checked again.
    QCOMPARE(m_rec.errors, QStringList());
}

void TestImporter::progressEveryHundredLines()
{
    QStringList payers;
    for (int i = 1; i <= 250; ++i)
        payers << payerLine({{14, u"100-%1"_s.arg(i)}});
    const ImportResult result = import(payers, {chargeLine()}, {});
    QCOMPARE(m_rec.counted, (QList<qint64>{250, 1, 0}));
    QCOMPARE(m_rec.reads, (QStringList{u"1:100"_s, u"1:200"_s, u"1:250"_s, u"2:1"_s, u"3:0"_s}));
    QCOMPARE(m_rec.steps, (QList<int>{1, 2, 3, 4, 5, 6, 7}));
    QCOMPARE(m_rec.dates.size(), 250);
    QCOMPARE(result.loaded[0], qint64(250));
}

void TestImporter::badInputNeverStops_data()
{
    QTest::addColumn<QByteArray>("payers");
    QTest::addColumn<QStringList>("errors");
    QTest::addColumn<qint64>("lines");

    QByteArray garbage;
    for (int i = 0; i < 3000; ++i)
        garbage += char((i * 37 + 11) % 256);
    QTest::newRow("binary garbage") << garbage << QStringList() << qint64(-1);
    QTest::newRow("UTF-8 text instead of 866")
        << (payerLine().toUtf8() + "\r\n") << QStringList() << qint64(1);
    QTest::newRow("1251 text instead of 866")
        << (QByteArray("15032024\t117\t117\t1\t\xc8\xe2\xe0\xed\xee\xe2\t") + "\r\n")
        << QStringList() << qint64(1);
    QTest::newRow("line of 5000 characters")
        << (CommonFnc::AnsiToOem(payerLine({{5, QString(5000, u'Ж')}})) + "\r\n")
        << QStringList{error(1, 1, u"Ошибка записи строки"_s)} << qint64(1);
    QTest::newRow("empty lines") << QByteArray("\r\n\r\n\n") << QStringList() << qint64(3);
    QTest::newRow("TABs only") << QByteArray(40, '\t') << QStringList() << qint64(1);
    QTest::newRow("end-of-file byte") << (CommonFnc::AnsiToOem(payerLine()) + "\r\n\x1a" +
                                          CommonFnc::AnsiToOem(payerLine()) + "\r\n")
                                      << QStringList() << qint64(1);
}

void TestImporter::badInputNeverStops()
{
    QFETCH(QByteArray, payers);
    QFETCH(QStringList, errors);
    QFETCH(qint64, lines);

    QVERIFY(writeRaw(u"P1.TXT"_s, payers));
    QVERIFY(writeRaw(u"P2.TXT"_s, payers));
    QVERIFY(writeRaw(u"P3.TXT"_s, payers));
    const ImportResult result = importFiles();
    QCOMPARE(result.outcome, ImportResult::Outcome::Completed);
    QCOMPARE(m_rec.failures, QStringList());
    QCOMPARE(m_rec.steps.last(), Exchange::ImportSteps);
    if (lines >= 0) {
        QCOMPARE(result.lines[0], lines);
        QCOMPARE(m_rec.errors.filter(QRegularExpression(u"^1\\|"_s)), errors);
    }
    // Whatever was found names a file and a line within it.
    for (const QString& e : std::as_const(m_rec.errors)) {
        const QStringList parts = e.split(u'|');
        const int file = parts[0].toInt();
        QVERIFY2(file >= 1 && file <= 3, qPrintable(e));
        QVERIFY2(parts[1].toLongLong() <= result.lines[size_t(file - 1)], qPrintable(e));
    }
    QCOMPARE(result.read, result.lines);
}

void TestImporter::unopenableFileChangesNothing_data()
{
    QTest::addColumn<QString>("payers");
    QTest::addColumn<QString>("charges");
    QTest::addColumn<QString>("persons");

    QTest::newRow("missing file I") << u"NONE.TXT"_s << u"P2.TXT"_s << u"P3.TXT"_s;
    QTest::newRow("missing file III") << u"P1.TXT"_s << u"P2.TXT"_s << u"NONE.TXT"_s;
    QTest::newRow("folder as file II") << u"P1.TXT"_s << u"Base"_s << u"P3.TXT"_s;
}

void TestImporter::unopenableFileChangesNothing()
{
    QFETCH(QString, payers);
    QFETCH(QString, charges);
    QFETCH(QString, persons);

    QVERIFY(writeLines(u"P1.TXT"_s, {payerLine()}));
    QVERIFY(writeLines(u"P2.TXT"_s, {chargeLine()}));
    QVERIFY(writeLines(u"P3.TXT"_s, {personLine()}));
    QVERIFY(m_t->exec(u"INSERT INTO SvedPotreb_T1 (T1_ID, NumT1, Name1) VALUES (40, 40, 'Старый')"_s));

    const ImportResult result = Exchange::Importer(m_t->db()).run(path(payers), path(charges),
                                                                  path(persons), m_rec);
    QCOMPARE(result.outcome, ImportResult::Outcome::FileNotOpened);
    QCOMPARE(m_rec.failures.size(), 1);
    const QString bad = payers != u"P1.TXT"_s ? payers : charges != u"P2.TXT"_s ? charges : persons;
    QVERIFY2(m_rec.failures.first().contains(path(bad)), qPrintable(m_rec.failures.first()));
    QCOMPARE(column(u"SELECT Name1 FROM SvedPotreb_T1"_s), QStringList{u"Старый"_s});
    QVERIFY(m_rec.steps.isEmpty());
}

void TestImporter::unreadableFileStops()
{
    // A file that opens but cannot be read: the process's own memory at offset 0.
    const QString unreadable = u"/proc/self/mem"_s;
    QFile probe(unreadable);
    if (!probe.open(QIODevice::ReadOnly))
        QSKIP("this system has no /proc/self/mem to open");
    probe.close();
    QVERIFY(writeLines(u"P1.TXT"_s, {payerLine()}));
    QVERIFY(writeLines(u"P2.TXT"_s, {chargeLine()}));

    const ImportResult result =
        Exchange::Importer(m_t->db()).run(path(u"P1.TXT"_s), path(u"P2.TXT"_s), unreadable, m_rec);
    QCOMPARE(result.outcome, ImportResult::Outcome::ReadFailed);
    QCOMPARE(m_rec.failures.size(), 1);
    QVERIFY2(m_rec.failures.first().startsWith(u"Ошибка чтения файла\r\n/proc/self/mem\r\n"_s),
             qPrintable(m_rec.failures.first()));
    QCOMPARE(count(u"SvedPotreb_T1"_s), qint64(0));
    QCOMPARE(count(u"TMP_T1"_s), qint64(0));
}

void TestImporter::fullDatabaseIsARunFailure()
{
    // Many good lines; the database may grow by a few pages only, as on a full disk.
    QStringList payers;
    for (int i = 0; i < 3000; ++i)
        payers << payerLine();
    QVERIFY(writeLines(u"P1.TXT"_s, payers));
    QVERIFY(writeLines(u"P2.TXT"_s, {chargeLine()}));
    QVERIFY(writeLines(u"P3.TXT"_s, {}));
    const qint64 pages = m_t->scalar(u"PRAGMA page_count"_s).toLongLong();
    QVERIFY(m_t->exec(u"PRAGMA max_page_count = %1"_s.arg(pages + 8)));
    const ImportResult result = importFiles();
    QCOMPARE(result.outcome, ImportResult::Outcome::DatabaseFailed);
    // Told once, as the run's failure; no good line is blamed.
    QCOMPARE(m_rec.failures.size(), 1);
    QVERIFY2(m_rec.failures.first().startsWith(u"Не удалось записать сведения в базу данных: "_s),
             qPrintable(m_rec.failures.first()));
    QCOMPARE(result.errorCount, 0);
    QCOMPARE(count(u"SvedPotreb_T1"_s), qint64(0));
    QVERIFY(!m_t->db().inTransaction());
}

void TestImporter::tablesThatCannotBeEmptiedStop_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("row");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("outcome");

    QTest::newRow("scratch") << u"TMP_T2"_s << u"INSERT INTO TMP_T2 (NumT2) VALUES (1)"_s
                             << u"Ошибка при копировании файлов."_s
                             << int(ImportResult::Outcome::ScratchNotCleared);
    QTest::newRow("working") << u"SvedPotreb_T1"_s
                             << u"INSERT INTO SvedPotreb_T1 (T1_ID, NumT1) VALUES (1, 1)"_s
                             << u"Ошибка удаления записей."_s
                             << int(ImportResult::Outcome::WorkingNotCleared);
}

void TestImporter::tablesThatCannotBeEmptiedStop()
{
    QFETCH(QString, table);
    QFETCH(QString, row);
    QFETCH(QString, message);
    QFETCH(int, outcome);

    QVERIFY(writeLines(u"P1.TXT"_s, {payerLine()}));
    QVERIFY(writeLines(u"P2.TXT"_s, {}));
    QVERIFY(writeLines(u"P3.TXT"_s, {}));
    QVERIFY(m_t->exec(row));
    QVERIFY(m_t->exec(
        u"CREATE TRIGGER keep BEFORE DELETE ON %1 BEGIN SELECT RAISE(ABORT, 'kept'); END"_s.arg(table)));

    const ImportResult result = importFiles();
    QCOMPARE(int(result.outcome), outcome);
    QCOMPARE(m_rec.failures, QStringList{message});
    QCOMPARE(count(u"TMP_T1"_s), qint64(0));
    QCOMPARE(result.read[0], qint64(0));
}

QTEST_MAIN(TestImporter)
#include "tst_importer.moc"
