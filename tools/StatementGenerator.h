#pragma once

#include "Importer.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <memory>

class Database;
class QIODevice;

/// Writes a made-up but consistent monthly statement (files I, II and III in the long
/// layout) for trying the program and measuring it: Russian names that agree in gender,
/// addresses on the served streets and BTI houses of the reference books, valid payer
/// codes and СНИЛС, charges priced with the tariffs in force for the period, payer totals
/// that equal the sums of their charges to the kopeck, and persons whose shares add up
/// to the flat's area. Such a statement passes every check the export runs.
///
/// The output depends only on the options and the reference books, except the file date
/// of every line (the day of writing) and, for a period later than today, the latest
/// date a birth or registration may have (today). Lines are written as they are made,
/// so memory stays small whatever the number of payers.
class StatementGenerator
{
public:
    struct Options
    {
        qint64 payers = 0;
        int organisation = 117;
        /// First day of the accounting month.
        QDate period;
        quint64 seed = 1;
        /// The day of writing: the file date and the latest date a record may carry.
        QDate today = QDate::currentDate();
    };

    struct FileNames
    {
        QString payers;  ///< file I
        QString charges; ///< file II
        QString persons; ///< file III
    };

    /// What a run wrote; sums in kopecks.
    struct Totals
    {
        qint64 payers = 0;
        qint64 charges = 0;
        qint64 persons = 0;
        qint64 summaFull = 0;
        qint64 summaWOBenefit = 0;
        qint64 summaService = 0;
        qint64 summaServiceWOBenefit = 0;
    };

    /// "P1_<org>_<MMYYYY>.TXT" and its two sisters in `folder`.
    static FileNames standardNames(const QString& folder, int organisation, const QDate& period);

    explicit StatementGenerator(const Options& options);
    ~StatementGenerator();
    StatementGenerator(const StatementGenerator&) = delete;
    StatementGenerator& operator=(const StatementGenerator&) = delete;

    /// Reads the served streets, BTI houses, organisations, districts, classifiers,
    /// services of the working list and their tariffs for the period. False, with
    /// errorString(), when a query fails or a book lacks what a statement needs (a served
    /// street with a BTI code, a district, an organisation, a priced service).
    bool loadReferences(Database& db);

    /// Writes the three files (each replaced only when complete). False, with
    /// errorString(), when a file cannot be written. One statement per generator: a
    /// second call goes on with the random sequence and the payer codes of the first.
    bool write(const FileNames& files);
    /// The same into open devices; throws CommonFnc::IoError when a write fails.
    void write(QIODevice& payers, QIODevice& charges, QIODevice& persons);

    Totals totals() const { return m_totals; }
    QString errorString() const { return m_error; }
    /// Things worth knowing that did not stop the run (an organisation missing from the
    /// book, a service of the working list without a tariff).
    QStringList warnings() const { return m_warnings; }

private:
    struct Service
    {
        int serviceId = 0;
        int variant = 0;
        int dimensionId = 0;
        int typeNachId = 0;
        qint64 tariff = 0; ///< kopecks per unit
        int postId = 0;    ///< 0: no supplier
    };
    struct House
    {
        int streetBti = 0;
        QString houseNum, korpNum, stroenNum;
        int houseBti = 0;
        int mo = 0;
        int flats = 0;
        int floors = 0;
        int lock = 0;
        int stove = 0;
        bool lift = false;
    };

    struct Street
    {
        int streetBti = 0;
        int mo = 0;
        int nextNumber = 1;
    };
    struct Person;
    class Rng;

    bool fail(const QString& message);
    int pickCode(const QList<int>& preferred, const QList<int>& weights,
                 const QList<int>& available);
    const Service* service(int serviceId, int variant) const;
    House nextHouse();
    void writePayer(QIODevice& payers, QIODevice& charges, QIODevice& persons, const House& house,
                    const QString& flat, bool communal);

    Options m_options;
    QDate m_asOf; ///< no generated date reaches it
    std::unique_ptr<Rng> m_rng;
    QString m_error;
    QStringList m_warnings;
    Totals m_totals;

    int m_ownerOrganisation = 0;
    QList<int> m_districts;
    QList<Street> m_streets;
    QList<House> m_btiHouses;
    QSet<QString> m_addresses;
    QHash<quint64, Service> m_services; ///< by serviceId << 16 | variant
    QSet<QString> m_relations;
    QList<int> m_typeOwn, m_typeOccupancy, m_typeLock, m_typeStove;

    QVariantMap m_payerRow, m_chargeRow, m_personRow;

    qsizetype m_houseIndex = 0;
    qsizetype m_streetCursor = 0;
    qint64 m_payerPrefix = 0; ///< the first nine digits of the last payer code
    qint64 m_payerStepMax = 1;
    qint64 m_accountBase = 0;
    qint64 m_snilsIndex = 0;
    qint64 m_snilsStart = 0;
};

/// An import listener for the benchmarks that load a generated statement: it counts what
/// the import reports wrong and keeps its failures, and shows nothing.
class QuietImport final : public Exchange::ImportListener
{
public:
    void linesCounted(qint64, qint64, qint64) override {}
    void linesRead(Exchange::FileKind, qint64) override {}
    void payerLineRead(const QDate&, const QVariant&) override {}
    void errorAdded(int, qint64, const QString&) override { ++errors; }
    void stepDone(int) override {}
    void failure(const QString& message) override { failures << message; }

    qint64 errors = 0;
    QStringList failures;
};
