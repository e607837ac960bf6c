#include "StatementGenerator.h"

#include "CommonFnc.h"
#include "Database.h"
#include "ExchangeFormat.h"
#include "Query.h"

#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <array>

using namespace Qt::Literals::StringLiterals;

// A small generator of our own instead of std:: distributions, whose results differ
// between library versions: the same seed must give the same statement everywhere.
class StatementGenerator::Rng
{
public:
    explicit Rng(quint64 seed) : m_state(seed) {}

    quint64 next()
    {
        // splitmix64
        quint64 z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    /// 0 .. n-1 (0 for n <= 0).
    qint64 below(qint64 n)
    {
        if (n <= 0)
            return 0;
        return qint64((static_cast<unsigned __int128>(next()) * quint64(n)) >> 64);
    }
    /// lo .. hi, both included.
    qint64 between(qint64 lo, qint64 hi) { return hi <= lo ? lo : lo + below(hi - lo + 1); }
    /// True with `percent` in 100.
    bool chance(int percent) { return below(100) < percent; }
    /// An index picked by weights.
    int weighted(const QList<int>& weights)
    {
        int total = 0;
        for (int w : weights)
            total += w;
        qint64 r = below(total);
        for (int i = 0; i < weights.size(); ++i) {
            r -= weights[i];
            if (r < 0)
                return i;
        }
        return int(weights.size()) - 1;
    }
    template <typename T> const T& pick(const QList<T>& list) { return list[below(list.size())]; }

private:
    quint64 m_state;
};

namespace {

// --- Names ----------------------------------------------------------------------------

struct MaleName
{
    const char16_t* name;
    const char16_t* sonPatronymic;
    const char16_t* daughterPatronymic;
};

// The letter Ё is left out on purpose: the program's editors refuse it.
constexpr std::array<MaleName, 44> MaleNames = {{
    {u"Александр", u"Александрович", u"Александровна"}, {u"Алексей", u"Алексеевич", u"Алексеевна"},
    {u"Андрей", u"Андреевич", u"Андреевна"},           {u"Анатолий", u"Анатольевич", u"Анатольевна"},
    {u"Артем", u"Артемович", u"Артемовна"},             {u"Борис", u"Борисович", u"Борисовна"},
    {u"Вадим", u"Вадимович", u"Вадимовна"},             {u"Валерий", u"Валерьевич", u"Валерьевна"},
    {u"Василий", u"Васильевич", u"Васильевна"},         {u"Виктор", u"Викторович", u"Викторовна"},
    {u"Виталий", u"Витальевич", u"Витальевна"},         {u"Владимир", u"Владимирович", u"Владимировна"},
    {u"Владислав", u"Владиславович", u"Владиславовна"}, {u"Вячеслав", u"Вячеславович", u"Вячеславовна"},
    {u"Геннадий", u"Геннадьевич", u"Геннадьевна"},     {u"Георгий", u"Георгиевич", u"Георгиевна"},
    {u"Григорий", u"Григорьевич", u"Григорьевна"},     {u"Даниил", u"Даниилович", u"Данииловна"},
    {u"Денис", u"Денисович", u"Денисовна"},             {u"Дмитрий", u"Дмитриевич", u"Дмитриевна"},
    {u"Евгений", u"Евгеньевич", u"Евгеньевна"},         {u"Егор", u"Егорович", u"Егоровна"},
    {u"Иван", u"Иванович", u"Ивановна"},                {u"Игорь", u"Игоревич", u"Игоревна"},
    {u"Илья", u"Ильич", u"Ильинична"},                  {u"Кирилл", u"Кириллович", u"Кирилловна"},
    {u"Константин", u"Константинович", u"Константиновна"}, {u"Леонид", u"Леонидович", u"Леонидовна"},
    {u"Максим", u"Максимович", u"Максимовна"},         {u"Матвей", u"Матвеевич", u"Матвеевна"},
    {u"Михаил", u"Михайлович", u"Михайловна"},         {u"Никита", u"Никитич", u"Никитична"},
    {u"Николай", u"Николаевич", u"Николаевна"},         {u"Олег", u"Олегович", u"Олеговна"},
    {u"Павел", u"Павлович", u"Павловна"},               {u"Петр", u"Петрович", u"Петровна"},
    {u"Роман", u"Романович", u"Романовна"},             {u"Сергей", u"Сергеевич", u"Сергеевна"},
    {u"Станислав", u"Станиславович", u"Станиславовна"}, {u"Степан", u"Степанович", u"Степановна"},
    {u"Тимофей", u"Тимофеевич", u"Тимофеевна"},         {u"Федор", u"Федорович", u"Федоровна"},
    {u"Юрий", u"Юрьевич", u"Юрьевна"},                  {u"Ярослав", u"Ярославович", u"Ярославовна"},
}};

constexpr std::array<const char16_t*, 42> FemaleNames = {
    u"Александра", u"Алена",     u"Алла",      u"Анастасия", u"Анна",      u"Валентина", u"Валерия",
    u"Варвара",    u"Вера",      u"Вероника",  u"Виктория",  u"Галина",    u"Дарья",     u"Евгения",
    u"Екатерина",  u"Елена",     u"Елизавета", u"Жанна",     u"Зоя",       u"Ирина",     u"Кристина",
    u"Ксения",     u"Лариса",    u"Лидия",     u"Любовь",    u"Людмила",   u"Маргарита", u"Марина",
    u"Мария",      u"Надежда",   u"Наталья",   u"Нина",      u"Оксана",    u"Ольга",     u"Полина",
    u"Светлана",   u"София",     u"Тамара",    u"Татьяна",   u"Ульяна",    u"Юлия",      u"Яна",
};

// Masculine forms; the feminine form follows from the ending (see feminineSurname).
constexpr std::array<const char16_t*, 120> Surnames = {
    u"Иванов",     u"Смирнов",    u"Кузнецов",   u"Попов",      u"Васильев",   u"Петров",
    u"Соколов",    u"Михайлов",   u"Новиков",    u"Федоров",    u"Морозов",    u"Волков",
    u"Алексеев",   u"Лебедев",    u"Семенов",    u"Егоров",     u"Павлов",     u"Козлов",
    u"Степанов",   u"Николаев",   u"Орлов",      u"Андреев",    u"Макаров",    u"Никитин",
    u"Захаров",    u"Зайцев",     u"Соловьев",   u"Борисов",    u"Яковлев",    u"Григорьев",
    u"Романов",    u"Воробьев",   u"Сергеев",    u"Кузьмин",    u"Фролов",     u"Александров",
    u"Дмитриев",   u"Королев",    u"Гусев",      u"Киселев",    u"Ильин",      u"Максимов",
    u"Поляков",    u"Сорокин",    u"Виноградов", u"Ковалев",    u"Белов",      u"Медведев",
    u"Антонов",    u"Тарасов",    u"Жуков",      u"Баранов",    u"Филиппов",   u"Комаров",
    u"Давыдов",    u"Беляев",     u"Герасимов",  u"Богданов",   u"Осипов",     u"Сидоров",
    u"Матвеев",    u"Титов",      u"Марков",     u"Миронов",    u"Крылов",     u"Куликов",
    u"Карпов",     u"Власов",     u"Мельников",  u"Денисов",    u"Гаврилов",   u"Тихонов",
    u"Казаков",    u"Афанасьев",  u"Данилов",    u"Савельев",   u"Тимофеев",   u"Фомин",
    u"Чернов",     u"Абрамов",    u"Мартынов",   u"Ефимов",     u"Федотов",    u"Щербаков",
    u"Назаров",    u"Калинин",    u"Исаев",      u"Чернышев",   u"Быков",      u"Маслов",
    u"Родионов",   u"Коновалов",  u"Лазарев",    u"Воронин",    u"Климов",     u"Филатов",
    u"Пономарев",  u"Голубев",    u"Кудрявцев",  u"Прохоров",   u"Наумов",     u"Потапов",
    u"Журавлев",   u"Овчинников", u"Трофимов",   u"Леонов",     u"Соболев",    u"Ермаков",
    u"Колесников", u"Гончаров",   u"Емельянов",  u"Никифоров",  u"Шевченко",   u"Коваленко",
    u"Бондаренко", u"Ткаченко",   u"Вишневский", u"Островский", u"Ковальский", u"Трубецкой",
};

QString feminineSurname(const QString& masculine)
{
    if (masculine.endsWith(u"ий"_s))
        return masculine.chopped(2) + u"ая"_s;
    if (masculine.endsWith(u"ой"_s))
        return masculine.chopped(2) + u"ая"_s;
    if (masculine.endsWith(u"ов"_s) || masculine.endsWith(u"ев"_s) || masculine.endsWith(u"ин"_s)
        || masculine.endsWith(u"ын"_s))
        return masculine + u'а';
    return masculine; // Шевченко and the like do not change
}

QString surnameFor(int surname, bool male)
{
    const QString masculine = QString::fromUtf16(Surnames[surname]);
    return male ? masculine : feminineSurname(masculine);
}

QString patronymicFor(int father, bool male)
{
    return QString::fromUtf16(male ? MaleNames[father].sonPatronymic : MaleNames[father].daughterPatronymic);
}

// --- Numbers ----------------------------------------------------------------------------

/// a * b / d rounded to the nearest whole number, halves up (a, b >= 0, d > 0).
qint64 mulDivRound(qint64 a, qint64 b, qint64 d) { return (a * b * 2 + d) / (2 * d); }

constexpr std::array<int, 9> PayerWeights = {6, 3, 7, 9, 10, 5, 8, 4, 2};

/// The check digit of the nine-digit prefix, or -1 when none exists (remainder 0 or 1).
int payerCheckDigit(qint64 prefix)
{
    int sum = 0;
    for (int i = 8; i >= 0; --i) {
        sum += PayerWeights[i] * int(prefix % 10);
        prefix /= 10;
    }
    const int check = 11 - sum % 11;
    return check <= 9 ? check : -1;
}

/// "000-000-000 00" of a nine-digit number above 001-001-998.
QString snilsText(qint64 number)
{
    int sum = 0;
    qint64 rest = number;
    for (int weight = 1; weight <= 9; ++weight) {
        sum += weight * int(rest % 10);
        rest /= 10;
    }
    int check = sum;
    if (sum == 100 || sum == 101)
        check = 0;
    else if (sum > 101)
        check = sum % 101 == 100 ? 0 : sum % 101;
    const QString digits = u"%1"_s.arg(number, 9, 10, QChar(u'0'));
    return digits.left(3) + u'-' + digits.mid(3, 3) + u'-' + digits.mid(6, 3) + u' '
        + u"%1"_s.arg(check, 2, 10, QChar(u'0'));
}

constexpr qint64 SnilsFirst = 1001999;
constexpr qint64 SnilsCount = 999999999 - SnilsFirst + 1;
// Coprime with SnilsCount, so index * step modulo the count visits every number once.
constexpr qint64 SnilsStep = 387420489;

quint64 serviceKey(int serviceId, int variant) { return (quint64(quint32(serviceId)) << 16) | quint16(variant); }

QList<int> intColumn(Database& db, const QString& sql, QString* error)
{
    QList<int> values;
    Query q(db, sql);
    if (!q.exec()) {
        *error = q.errorText();
        return values;
    }
    while (q.next())
        values.append(q.value(0).toInt());
    return values;
}

} // namespace

// --- The generator ----------------------------------------------------------------------

struct StatementGenerator::Person
{
    QString name1, name2, name3;
    bool male = true;
    QString relation;
    QDate birth;
    int relationOwn = 0;
    qint64 share = 0; ///< hundredths of a m2
    int typeReg = 1;
    QDate regStart, regEnd;
    int factLive = 1;
    QString snils;
};

StatementGenerator::FileNames StatementGenerator::standardNames(const QString& folder, int organisation,
                                                                 const QDate& period)
{
    const QString rest = u"_"_s + QString::number(organisation) + u'_' + period.toString(u"MMyyyy"_s) + u".TXT"_s;
    const QString dir = CommonFnc::WithTrailingBackslash(folder);
    return {dir + u"P1"_s + rest, dir + u"P2"_s + rest, dir + u"P3"_s + rest};
}

StatementGenerator::StatementGenerator(const Options& options)
    : m_options(options), m_rng(std::make_unique<Rng>(options.seed))
{
    const QDate periodStart(options.period.year(), options.period.month(), 1);
    m_asOf = std::min(periodStart, options.today);
}

StatementGenerator::~StatementGenerator() = default;

bool StatementGenerator::fail(const QString& message)
{
    m_error = message;
    return false;
}

bool StatementGenerator::loadReferences(Database& db)
{
    QString error;

    // The owner of the housing stock: the organisation itself when the book knows it.
    const QList<int> organisations = intColumn(db, u"SELECT DezID FROM Sprav_Dez ORDER BY DezID"_s, &error);
    if (!error.isEmpty())
        return fail(error);
    if (organisations.isEmpty())
        return fail(u"the organisation book Sprav_Dez is empty"_s);
    m_ownerOrganisation = organisations.contains(m_options.organisation) ? m_options.organisation
                                                                         : organisations.first();
    if (m_ownerOrganisation != m_options.organisation)
        m_warnings << u"organisation %1 is not in Sprav_Dez; the housing stock belongs to %2"_s
                          .arg(m_options.organisation)
                          .arg(m_ownerOrganisation);

    const QList<int> districts = intColumn(db, u"SELECT MOID FROM Sprav_MO ORDER BY MOID"_s, &error);
    if (!error.isEmpty())
        return fail(error);
    if (districts.isEmpty())
        return fail(u"the district book Sprav_MO is empty"_s);
    // An organisation serves two or three neighbouring districts, not the whole city.
    const qsizetype districtCount = std::min<qsizetype>(districts.size(), m_rng->between(2, 3));
    const qsizetype firstDistrict = m_rng->below(districts.size());
    for (qsizetype i = 0; i < districtCount; ++i)
        m_districts.append(districts[(firstDistrict + i) % districts.size()]);

    const QList<int> streets = intColumn(
        db, u"SELECT StreetID_BTI FROM Sprav_Streets WHERE Opt = 1 AND StreetID_BTI <> 0 ORDER BY StreetID"_s,
        &error);
    if (!error.isEmpty())
        return fail(error);
    if (streets.isEmpty())
        return fail(u"no served street (Opt = 1) with a BTI code in Sprav_Streets"_s);
    QHash<int, int> districtOfStreet;
    for (int i = 0; i < streets.size(); ++i) {
        const int mo = m_districts[i % m_districts.size()];
        m_streets.append({streets[i], mo, 1});
        districtOfStreet.insert(streets[i], mo);
    }

    m_typeOwn = intColumn(db, u"SELECT TypeOwnID FROM Sprav_TypeOwn WHERE TypeOwnID <> 0"_s, &error);
    if (error.isEmpty())
        m_typeOccupancy = intColumn(db, u"SELECT TypeOccupancyID FROM Sprav_TypeOccupancy WHERE TypeOccupancyID <> 0"_s, &error);
    if (error.isEmpty())
        m_typeLock = intColumn(db, u"SELECT TypeLockID FROM Sprav_TypeLock"_s, &error);
    if (error.isEmpty())
        m_typeStove = intColumn(db, u"SELECT TypeStoveID FROM Sprav_TypeStove WHERE TypeStoveID <> 0"_s, &error);
    if (!error.isEmpty())
        return fail(error);
    if (m_typeOwn.isEmpty() || m_typeOccupancy.isEmpty() || m_typeLock.isEmpty() || m_typeStove.isEmpty())
        return fail(u"a classifier of payers (ownership, occupancy, lock, stove) is empty"_s);

    {
        Query q(db, u"SELECT RelationName FROM Sprav_Relation"_s);
        if (!q.exec())
            return fail(q.errorText());
        while (q.next())
            m_relations.insert(q.value(0).toString());
        if (!m_relations.contains(u"Сам"_s))
            return fail(u"the kinship term \"Сам\" is missing from Sprav_Relation"_s);
    }

    // Houses: the BTI houses of the served streets first, in an order of the seed's own.
    {
        Query q(db, uR"(SELECT h.StreetID_BTI, h.HouseNum, h.KorpNum, h.StroenNum, h.HouseID_BTI
            FROM Sprav_HousesBTI h
            WHERE h.StreetID_BTI IN (SELECT StreetID_BTI FROM Sprav_Streets WHERE Opt = 1 AND StreetID_BTI <> 0)
            ORDER BY h.ID)"_s);
        if (!q.exec())
            return fail(q.errorText());
        while (q.next()) {
            House house;
            house.streetBti = q.value(0).toInt();
            house.houseNum = q.value(1).toString().trimmed();
            house.korpNum = q.value(2).toString().trimmed();
            house.stroenNum = q.value(3).toString().trimmed();
            house.houseBti = q.value(4).toInt();
            house.mo = districtOfStreet.value(house.streetBti);
            m_addresses.insert(QString::number(house.streetBti) + u'|' + house.houseNum + u'|' + house.korpNum
                               + u'|' + house.stroenNum);
            m_btiHouses.append(house);
        }
        for (qsizetype i = m_btiHouses.size() - 1; i > 0; --i)
            std::swap(m_btiHouses[i], m_btiHouses[m_rng->below(i + 1)]);
    }

    // Suppliers by service; a supplier the book lacks is left out (written as 0).
    QHash<int, int> postOfService;
    {
        QSet<int> posts;
        const QList<int> postIds = intColumn(db, u"SELECT PostID FROM Sprav_Post"_s, &error);
        if (!error.isEmpty())
            return fail(error);
        for (int id : postIds)
            posts.insert(id);
        int own = 0;
        Query q(db, uR"(SELECT p.PostID FROM Sprav_Post p JOIN Sprav_Dez d ON d.DezName = p.PostName
            WHERE d.DezID = :DezID ORDER BY p.PostID)"_s);
        q.bind(u":DezID"_s, m_ownerOrganisation);
        if (!q.exec())
            return fail(q.errorText());
        if (q.next())
            own = q.value(0).toInt();
        const QList<std::pair<int, int>> suppliers = {
            {1, own},  {2, own},  {3, 901},  {4, 301},  {5, 201},   {6, 201},   {7, 201},   {8, 601},
            {9, 701},  {10, 12001}, {11, 801}, {12, 802}, {20, 501}, {27, 401}, {154, 401}, {155, 401}};
        for (const auto& [serviceId, postId] : suppliers)
            postOfService.insert(serviceId, posts.contains(postId) ? postId : 0);
    }

    // The working list of services with the tariff in force on the period's first day.
    {
        Query q(db, uR"(SELECT ss.ServiceID, ss.ServiceWideID, ss.DimensionID, ss.TypeNachID,
              (SELECT tb.SummaT FROM TariffBank tb
               WHERE tb.ServiceTotalID = ss.ServiceTotalID
               AND :P >= tb.DateStart AND (:P < tb.DateEnd OR tb.DateEnd IS NULL)
               ORDER BY tb.DateStart DESC LIMIT 1),
              ss.ServiceName
            FROM Sprav_Services ss
            WHERE ss.Opt = 1
            ORDER BY ss.ServiceID, ss.ServiceWideID)"_s);
        q.bind(u":P"_s, QDate(m_options.period.year(), m_options.period.month(), 1));
        if (!q.exec())
            return fail(q.errorText());
        while (q.next()) {
            if (q.value(4).isNull()) {
                m_warnings << u"no tariff for %1 (%2, variant %3) in the period: not charged"_s
                                  .arg(q.value(5).toString(), q.value(0).toString(), q.value(1).toString());
                continue;
            }
            Service s;
            s.serviceId = q.value(0).toInt();
            s.variant = q.value(1).toInt();
            s.dimensionId = q.value(2).toInt();
            s.typeNachId = q.value(3).toInt();
            s.tariff = q.value(4).toLongLong();
            s.postId = postOfService.value(s.serviceId, postOfService.value(1));
            m_services.insert(serviceKey(s.serviceId, s.variant), s);
        }
        if (m_services.isEmpty())
            return fail(u"no service of the working list (Opt = 1) has a tariff for the period"_s);
    }

    // Payer codes grow with the payers, so the files come out in the export's order; the
    // step leaves room for every payer below 10 digits.
    m_payerPrefix = m_rng->between(100000000, 400000000);
    m_payerStepMax = std::clamp<qint64>((999999999 - m_payerPrefix) / (2 * std::max<qint64>(1, m_options.payers)),
                                        1, 40);
    m_accountBase = m_rng->between(1, 8) * 1000000;
    m_snilsStart = m_rng->below(SnilsCount);
    return true;
}

int StatementGenerator::pickCode(const QList<int>& preferred, const QList<int>& weights, const QList<int>& available)
{
    QList<int> codes, codeWeights;
    for (int i = 0; i < preferred.size(); ++i) {
        if (available.contains(preferred[i])) {
            codes.append(preferred[i]);
            codeWeights.append(weights[i]);
        }
    }
    if (codes.isEmpty())
        return available.first();
    return codes[m_rng->weighted(codeWeights)];
}

const StatementGenerator::Service* StatementGenerator::service(int serviceId, int variant) const
{
    const auto it = m_services.constFind(serviceKey(serviceId, variant));
    return it == m_services.constEnd() ? nullptr : &it.value();
}

StatementGenerator::House StatementGenerator::nextHouse()
{
    House house;
    if (m_houseIndex < m_btiHouses.size()) {
        house = m_btiHouses[m_houseIndex++];
    } else {
        // The BTI houses are taken: further houses along the served streets, not yet
        // matched to a BTI code.
        Street& street = m_streets[m_streetCursor++ % m_streets.size()];
        house.streetBti = street.streetBti;
        house.mo = street.mo;
        do {
            house.houseNum = QString::number(street.nextNumber);
            house.korpNum = m_rng->chance(15) ? QString::number(m_rng->between(1, 3)) : QString();
            street.nextNumber += m_rng->between(1, 2);
        } while (m_addresses.contains(QString::number(house.streetBti) + u'|' + house.houseNum + u'|'
                                      + house.korpNum + u'|'));
        m_addresses.insert(QString::number(house.streetBti) + u'|' + house.houseNum + u'|' + house.korpNum + u'|');
    }
    static const QList<int> floorChoices = {5, 5, 9, 9, 9, 12, 14, 16, 17};
    house.floors = m_rng->pick(floorChoices);
    const int entrances = int(m_rng->between(1, house.floors >= 12 ? 3 : 6));
    house.flats = house.floors * entrances * int(m_rng->between(3, 4));
    house.lift = house.floors >= 9;
    house.lock = pickCode({0, 1, 2, 3}, {10, 60, 15, 15}, m_typeLock);
    // Tall houses are built with electric stoves.
    house.stove = house.floors >= 12 ? pickCode({2}, {1}, m_typeStove) : pickCode({1, 2, 3}, {65, 15, 20}, m_typeStove);
    return house;
}

void StatementGenerator::write(QIODevice& payers, QIODevice& charges, QIODevice& persons)
{
    m_totals = {};
    // A small statement is spread over the BTI houses rather than filling the first one
    // or two, so that it shows several addresses; a large one fills every house.
    const qint64 btiHouses = std::max<qint64>(1, m_btiHouses.size());
    const qint64 perBtiHouse = std::max<qint64>(4, (m_options.payers + btiHouses - 1) / btiHouses);
    while (m_totals.payers < m_options.payers) {
        const House house = nextHouse();
        qint64 wanted = house.houseBti != 0 ? std::min<qint64>(house.flats, perBtiHouse) : house.flats;
        for (int flat = 1; flat <= house.flats && wanted > 0 && m_totals.payers < m_options.payers; ++flat) {
            // Picks `wanted` of the flats, each as likely, in order.
            if (m_rng->below(house.flats - flat + 1) >= wanted)
                continue;
            --wanted;
            // A few flats are shared: each room has an account of its own.
            const bool communal = m_rng->chance(3);
            const int accounts = communal ? int(m_rng->between(2, 3)) : 1;
            for (int a = 0; a < accounts && m_totals.payers < m_options.payers; ++a)
                writePayer(payers, charges, persons, house, QString::number(flat), communal);
        }
    }
}

bool StatementGenerator::write(const FileNames& files)
{
    QSaveFile f1(files.payers), f2(files.charges), f3(files.persons);
    for (QSaveFile* f : {&f1, &f2, &f3}) {
        if (!f->open(QIODevice::WriteOnly))
            return fail(u"%1: %2"_s.arg(f->fileName(), f->errorString()));
    }
    try {
        write(f1, f2, f3);
    } catch (const CommonFnc::IoError& e) {
        return fail(e.message());
    }
    // Qt 6.4's commit() reports success even when its last flush fails: flush first.
    for (QSaveFile* f : {&f1, &f2, &f3}) {
        if (!f->flush())
            return fail(u"%1: %2"_s.arg(f->fileName(), f->errorString()));
    }
    for (QSaveFile* f : {&f1, &f2, &f3}) {
        if (!f->commit())
            return fail(u"%1: %2"_s.arg(f->fileName(), f->errorString()));
    }
    return true;
}

void StatementGenerator::writePayer(QIODevice& payersFile, QIODevice& chargesFile, QIODevice& personsFile,
                                    const House& house, const QString& flat, bool communal)
{
    Rng& rng = *m_rng;
    const QDate asOf = m_asOf;
    const auto birthAt = [&](int age) { return asOf.addYears(-age).addDays(-rng.between(1, 364)); };
    const auto dayBetween = [&](const QDate& from, const QDate& to) {
        return to <= from ? from : from.addDays(rng.below(from.daysTo(to)));
    };

    // --- The household ---------------------------------------------------------------
    static const QList<int> sizeWeights = {12, 23, 30, 22, 13};
    int size = 1 + rng.weighted(sizeWeights);
    if (communal)
        size = std::min(size, 2);

    QList<Person> people;
    people.reserve(size);
    const int surname = int(rng.below(int(Surnames.size())));
    const int headFather = int(rng.below(int(MaleNames.size())));
    const int headAge = int(22 + rng.below(45) + rng.below(20));

    Person head;
    head.male = rng.chance(52);
    head.name1 = surnameFor(surname, head.male);
    head.name2 = head.male ? QString::fromUtf16(MaleNames[rng.below(int(MaleNames.size()))].name)
                           : QString::fromUtf16(FemaleNames[rng.below(int(FemaleNames.size()))]);
    head.name3 = patronymicFor(headFather, head.male);
    head.relation = u"Сам"_s;
    head.birth = birthAt(headAge);
    const QDate earliestMove = std::max(head.birth.addYears(18), QDate(1975, 1, 1));
    const QDate moveIn = dayBetween(earliestMove, asOf.addMonths(-1));
    head.regStart = moveIn;
    people.append(head);

    const auto relationOr = [&](const QString& term) {
        return m_relations.contains(term) ? term : (m_relations.contains(u"Другое"_s) ? u"Другое"_s : u"Сам"_s);
    };
    int childrenFather = -1; // index in MaleNames of the children's father, when known
    if (head.male) {
        for (int i = 0; i < int(MaleNames.size()); ++i) {
            if (QString::fromUtf16(MaleNames[i].name) == head.name2)
                childrenFather = i;
        }
    }
    bool hasSpouse = false;
    if (size >= 2 && rng.chance(75)) {
        Person spouse;
        hasSpouse = true;
        spouse.male = !head.male;
        const int spouseFatherName = int(rng.below(int(MaleNames.size())));
        if (spouse.male) {
            childrenFather = int(rng.below(int(MaleNames.size())));
            spouse.name2 = QString::fromUtf16(MaleNames[childrenFather].name);
        } else {
            spouse.name2 = QString::fromUtf16(FemaleNames[rng.below(int(FemaleNames.size()))]);
        }
        // Now and then a spouse keeps a surname of their own.
        spouse.name1 = surnameFor(rng.chance(10) ? int(rng.below(int(Surnames.size()))) : surname, spouse.male);
        spouse.name3 = patronymicFor(spouseFatherName, spouse.male);
        spouse.relation = relationOr(spouse.male ? u"Муж"_s : u"Жена"_s);
        spouse.birth = birthAt(std::max(18, headAge + int(rng.between(-6, 6))));
        // Most couples move in together; the others marry later.
        const QDate spouseAdult = spouse.birth.addYears(18);
        spouse.regStart = spouseAdult <= moveIn && rng.chance(85)
            ? moveIn
            : dayBetween(std::max(moveIn, spouseAdult), asOf.addMonths(-1));
        people.append(spouse);
    }
    bool hasMother = false, hasFather = false;
    while (people.size() < size) {
        Person p;
        const int roll = int(rng.below(100));
        int age = 0;
        if (headAge < 50 && roll >= 82 && !(hasMother && hasFather)) {
            // A parent of the payer.
            p.male = hasMother || (!hasFather && rng.chance(35));
            (p.male ? hasFather : hasMother) = true;
            age = std::min(95, headAge + int(rng.between(20, 35)));
            const int parentSurname = (!head.male && hasSpouse) ? int(rng.below(int(Surnames.size()))) : surname;
            p.name1 = surnameFor(parentSurname, p.male);
            p.name2 = p.male ? QString::fromUtf16(MaleNames[headFather].name)
                             : QString::fromUtf16(FemaleNames[rng.below(int(FemaleNames.size()))]);
            p.name3 = patronymicFor(int(rng.below(int(MaleNames.size()))), p.male);
            p.relation = relationOr(p.male ? u"Отец"_s : u"Мать"_s);
            p.birth = birthAt(age);
            p.regStart = moveIn;
        } else if (roll >= 95) {
            // A brother or sister: the same father.
            p.male = rng.chance(50);
            age = std::max(14, headAge + int(rng.between(-8, 8)));
            p.name1 = surnameFor(surname, p.male);
            p.name2 = p.male ? QString::fromUtf16(MaleNames[rng.below(int(MaleNames.size()))].name)
                             : QString::fromUtf16(FemaleNames[rng.below(int(FemaleNames.size()))]);
            p.name3 = patronymicFor(headFather, p.male);
            p.relation = relationOr(p.male ? u"Брат"_s : u"Сестра"_s);
            p.birth = birthAt(age);
            p.regStart = dayBetween(std::max(moveIn, p.birth), asOf.addMonths(-1));
        } else if (headAge >= 50 && roll >= 55) {
            // A grandchild.
            p.male = rng.chance(50);
            age = int(rng.between(0, std::max(0, headAge - 40)));
            p.name1 = surnameFor(rng.chance(70) ? surname : int(rng.below(int(Surnames.size()))), p.male);
            p.name2 = p.male ? QString::fromUtf16(MaleNames[rng.below(int(MaleNames.size()))].name)
                             : QString::fromUtf16(FemaleNames[rng.below(int(FemaleNames.size()))]);
            p.name3 = patronymicFor(int(rng.below(int(MaleNames.size()))), p.male);
            p.relation = relationOr(p.male ? u"Внук"_s : u"Внучка"_s);
            p.birth = birthAt(age);
            p.regStart = p.birth > moveIn ? p.birth.addDays(rng.between(5, 60)) : moveIn;
        } else {
            // A son or daughter.
            p.male = rng.chance(50);
            age = int(rng.between(std::max(0, headAge - 42), headAge - 18));
            p.name1 = surnameFor(surname, p.male);
            p.name2 = p.male ? QString::fromUtf16(MaleNames[rng.below(int(MaleNames.size()))].name)
                             : QString::fromUtf16(FemaleNames[rng.below(int(FemaleNames.size()))]);
            const int father = childrenFather >= 0 ? childrenFather : int(rng.below(int(MaleNames.size())));
            p.name3 = patronymicFor(father, p.male);
            p.relation = relationOr(p.male ? u"Сын"_s : u"Дочь"_s);
            p.birth = birthAt(age);
            p.regStart = p.birth > moveIn ? p.birth.addDays(rng.between(5, 60)) : moveIn;
        }
        if (p.regStart >= asOf)
            p.regStart = asOf.addDays(-1);
        // Other kinds of registration, never for the payer.
        const int kind = int(rng.below(100));
        if (kind < 4 && age >= 18) {
            p.typeReg = 2; // temporary
            p.regStart = dayBetween(std::max(p.birth, asOf.addYears(-3)), asOf.addDays(-1));
            p.regEnd = asOf.addDays(rng.between(30, 1500));
        } else if (kind < 6 && age >= 17 && age <= 24) {
            p.typeReg = 3; // for the time of studies
            p.regStart = dayBetween(std::max(p.birth, asOf.addYears(-4)), asOf.addDays(-1));
            p.regEnd = asOf.addDays(rng.between(30, 1500));
        } else if (kind < 8) {
            p.typeReg = 4; // away, keeping the registration
            p.factLive = 2;
        }
        people.append(p);
    }

    // --- The flat --------------------------------------------------------------------
    int rooms = std::clamp(size - 1 + int(rng.below(2)), 1, 4);
    qint64 squareTotal = 0, squareLive = 0; // hundredths of a m2
    if (communal) {
        squareTotal = rng.between(1400, 3000);
        squareLive = squareTotal * rng.between(60, 75) / 100;
    } else {
        static const std::array<std::pair<int, int>, 4> areas = {{{2800, 4200}, {4200, 6200}, {5800, 8500}, {7800, 12000}}};
        squareTotal = rng.between(areas[rooms - 1].first, areas[rooms - 1].second);
        squareLive = squareTotal * rng.between(50, 68) / 100;
    }
    const int occupancy = communal ? pickCode({2}, {1}, m_typeOccupancy) : pickCode({1}, {1}, m_typeOccupancy);
    const int ownership = communal ? pickCode({7, 2}, {50, 50}, m_typeOwn)
                                   : pickCode({3, 4, 2, 1, 5, 6}, {55, 15, 20, 3, 4, 3}, m_typeOwn);
    const bool rented = ownership == 1 || ownership == 2 || ownership == 6;

    // Shares of the area: the owners split it, a tenant holds it, the others hold none.
    QList<int> owners = {0};
    if (rented) {
        people[0].relationOwn = 4;
    } else if (ownership == 7) {
        people[0].relationOwn = 1;
    } else {
        for (int i = 1; i < people.size(); ++i) {
            const bool adult = people[i].birth.addYears(18) <= asOf;
            if (adult && ((hasSpouse && i == 1 && rng.chance(55)) || rng.chance(12)))
                owners.append(i);
        }
        const int joint = owners.size() == 2 && hasSpouse && owners[1] == 1 && rng.chance(40) ? 3 : 2;
        for (int i : owners)
            people[i].relationOwn = owners.size() == 1 ? 1 : joint;
    }
    qint64 shared = 0;
    for (int k = 0; k < owners.size(); ++k) {
        const qint64 share = k + 1 == owners.size() ? squareTotal - shared : squareTotal / owners.size();
        people[owners[k]].share = share;
        shared += share;
    }
    for (Person& p : people) {
        if (rng.chance(97)) {
            const qint64 n = SnilsFirst + (m_snilsStart + m_snilsIndex++ * SnilsStep) % SnilsCount;
            p.snils = snilsText(n);
        }
    }

    int permanent = 0;
    for (const Person& p : people)
        permanent += p.typeReg == 1 ? 1 : 0;
    const int living = int(people.size());

    // --- The payer's codes -----------------------------------------------------------
    qint64 payerCode = 0;
    do {
        m_payerPrefix += rng.between(1, m_payerStepMax);
    } while (payerCheckDigit(m_payerPrefix) < 0);
    payerCode = m_payerPrefix * 10 + payerCheckDigit(m_payerPrefix);
    const QString account = QString::number(m_options.organisation) + u"%1"_s.arg(m_accountBase + m_totals.payers + 1, 7, 10, QChar(u'0'));

    // --- Charges -----------------------------------------------------------------------
    struct Charge
    {
        const Service* service;
        qint64 volume; // thousandths
        qint64 sum, woBenefit, reg, woBenefitReg;
    };
    QList<Charge> chargeList;
    const auto charge = [&](int serviceId, int variant, qint64 volume) {
        if (const Service* s = service(serviceId, variant))
            chargeList.append({s, volume, 0, 0, 0, 0});
    };
    const qint64 areaVolume = squareTotal * 10;
    const qint64 cold = living * rng.between(2000, 4500);
    const qint64 hot = house.stove == 3 ? 0 : living * rng.between(1200, 3000);
    charge(1, 0, areaVolume);
    if (rented)
        charge(2, 0, areaVolume);
    else
        charge(3, 0, areaVolume);
    charge(4, 0, squareTotal * rng.between(120, 200) / 1000);
    charge(5, 0, cold);
    if (hot > 0)
        charge(6, 0, hot);
    charge(7, 0, cold + hot);
    charge(8, 0, living * 1000);
    if (house.lift)
        charge(9, 0, areaVolume);
    if (house.lock > 0)
        charge(10, house.lock, 1000);
    if (rng.chance(20))
        charge(11, 0, 1000);
    if (rng.chance(30))
        charge(12, 0, 1000);
    if (house.stove != 2 || rng.chance(25))
        charge(20, house.stove, living * 1000);
    const qint64 electricity = (60 + 45 * living + rng.between(-30, 60)) * (house.stove == 2 ? 2 : 1);
    if (rng.chance(70)) {
        charge(27, house.stove, electricity * 1000);
    } else {
        const qint64 day = electricity * rng.between(60, 75) / 100;
        charge(154, house.stove, day * 1000);
        charge(155, house.stove, (electricity - day) * 1000);
    }
    if (chargeList.isEmpty()) {
        // A working list without the usual services: charge its first one by area.
        const Service& s = *m_services.constBegin();
        chargeList.append({&s, areaVolume, 0, 0, 0, 0});
    }
    static const QList<int> benefits = {0, 50, 30, 20};
    const int benefit = benefits[rng.weighted({86, 8, 4, 2})];
    qint64 summaFull = 0, summaWOBenefit = 0, summaFullReg = 0, summaWOBenefitReg = 0;
    for (Charge& c : chargeList) {
        c.sum = mulDivRound(c.volume, c.service->tariff, 1000);
        c.woBenefit = c.sum - mulDivRound(c.sum, benefit, 100);
        // What falls on the permanently registered, rounded down so it never exceeds the
        // whole.
        c.reg = c.sum * permanent / living;
        c.woBenefitReg = c.woBenefit * permanent / living;
        summaFull += c.sum;
        summaWOBenefit += c.woBenefit;
        summaFullReg += c.reg;
        summaWOBenefitReg += c.woBenefitReg;
    }

    // --- Lines ---------------------------------------------------------------------------
    const QDate today = m_options.today;
    const QDate month(m_options.period.year(), m_options.period.month(), 1);
    static const QList<int> debtWeights = {88, 6, 3, 3};
    int debt = 0;
    switch (rng.weighted(debtWeights)) {
    case 1: debt = 10; break;
    case 2: debt = int(rng.between(2, 6)) * 10; break;
    case 3: debt = int(rng.between(5, 240)); break;
    default: break;
    }

    // The rows are kept from line to line: only their values change, so no map node is
    // made again.
    QVariantMap& row = m_payerRow;
    row.insert(u"DateEdit"_s, today);
    row.insert(u"DezVladID"_s, m_ownerOrganisation);
    row.insert(u"DezID"_s, m_options.organisation);
    row.insert(u"MO"_s, house.mo);
    row.insert(u"Name1"_s, people[0].name1);
    row.insert(u"Name2"_s, people[0].name2);
    row.insert(u"Name3"_s, people[0].name3);
    row.insert(u"StreetID_BTI"_s, house.streetBti);
    row.insert(u"HouseNum"_s, house.houseNum);
    row.insert(u"StroenNum"_s, house.stroenNum);
    row.insert(u"KorpNum"_s, house.korpNum);
    row.insert(u"FlatNum"_s, flat);
    row.insert(u"ENumlsID"_s, payerCode);
    row.insert(u"Numls"_s, account);
    row.insert(u"Mes"_s, month);
    row.insert(u"TypeOwnID"_s, ownership);
    row.insert(u"TypeOccupancyID"_s, occupancy);
    row.insert(u"SquareTotal"_s, squareTotal);
    row.insert(u"PplCntReg"_s, living);
    row.insert(u"SquareLive"_s, squareLive);
    row.insert(u"TypeLockID"_s, house.lock);
    row.insert(u"TypeStoveID"_s, house.stove);
    row.insert(u"SummaFull"_s, summaFull);
    row.insert(u"SummaWOBenefit"_s, summaWOBenefit);
    row.insert(u"SummaFullReg"_s, summaFullReg);
    row.insert(u"SummaWOBenefitReg"_s, summaWOBenefitReg);
    row.insert(u"ColMesDebts"_s, debt);
    row.insert(u"HouseID_BTI"_s, house.houseBti);
    row.insert(u"FlatID_BTI"_s, 0);
    Exchange::writeLine(payersFile, Exchange::composeLine(Exchange::FileKind::Payers, row));

    for (const Charge& c : chargeList) {
        QVariantMap& line = m_chargeRow;
        line.insert(u"DateEdit"_s, today);
        line.insert(u"DezVladID"_s, m_ownerOrganisation);
        line.insert(u"Numls"_s, account);
        line.insert(u"ENumlsID"_s, payerCode);
        line.insert(u"Mes"_s, month);
        line.insert(u"ServiceID"_s, c.service->serviceId);
        line.insert(u"PostID"_s, c.service->postId);
        line.insert(u"Volume"_s, c.volume);
        line.insert(u"Tariff"_s, c.service->tariff);
        line.insert(u"SummaService"_s, c.sum);
        line.insert(u"SummaServiceWOBenefit"_s, c.woBenefit);
        line.insert(u"SummaServiceReg"_s, c.reg);
        line.insert(u"SummaServiceWOBenefitReg"_s, c.woBenefitReg);
        line.insert(u"TypeNachID"_s, c.service->typeNachId);
        Exchange::writeLine(chargesFile, Exchange::composeLine(Exchange::FileKind::Charges, line));
        m_totals.summaService += c.sum;
        m_totals.summaServiceWOBenefit += c.woBenefit;
    }

    for (int i = 0; i < people.size(); ++i) {
        const Person& p = people[i];
        QVariantMap& line = m_personRow;
        line.insert(u"DateEdit"_s, today);
        line.insert(u"DezVladID"_s, m_ownerOrganisation);
        line.insert(u"ENumlsID"_s, payerCode);
        line.insert(u"Numls"_s, account);
        line.insert(u"Mes"_s, month);
        line.insert(u"NumberPeople"_s, i + 1);
        line.insert(u"Name1"_s, p.name1);
        line.insert(u"Name2"_s, p.name2);
        line.insert(u"Name3"_s, p.name3);
        line.insert(u"BirthDate"_s, p.birth);
        line.insert(u"Sex"_s, p.male ? u"М"_s : u"Ж"_s);
        line.insert(u"Relation"_s, p.relation);
        line.insert(u"RelationOwnID"_s, p.relationOwn);
        line.insert(u"SquareShare"_s, p.share);
        line.insert(u"TypeRegID"_s, p.typeReg);
        line.insert(u"DateRegStart"_s, p.regStart);
        line.insert(u"DateRegEnd"_s, p.regEnd.isValid() ? QVariant(p.regEnd) : QVariant());
        line.insert(u"PrFactLiveID"_s, p.factLive);
        line.insert(u"SNILS"_s, p.snils);
        Exchange::writeLine(personsFile, Exchange::composeLine(Exchange::FileKind::Persons, line));
    }

    ++m_totals.payers;
    m_totals.charges += chargeList.size();
    m_totals.persons += people.size();
    m_totals.summaFull += summaFull;
    m_totals.summaWOBenefit += summaWOBenefit;
}
