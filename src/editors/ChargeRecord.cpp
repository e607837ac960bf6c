#include "ChargeRecord.h"

#include "CommonFnc.h"
#include "Database.h"
#include "Query.h"
#include "Schema.h"

#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace ChargeRecord {

namespace {

constexpr int LockDeviceService = 10;

bool isBlank(const QString& text)
{
    return text.trimmed().isEmpty();
}

/// A charge row already holding this service for the payer, other than the edited one.
bool serviceTaken(Database& db, const Input& input, int serviceId)
{
    // Excluding the edited row by its key, rather than allowing one row when editing,
    // also refuses an edit that moves a charge onto a service the payer already has.
    Query query(db, uR"(SELECT COUNT(*)
FROM SvedNach_T2 t2
WHERE t2.T1_ID = :T1_ID
AND t2.ServiceID = :ServiceID
AND (:T2_ID IS NULL OR t2.T2_ID <> :T2_ID))"_s);
    query.bind(u":T1_ID"_s, input.t1Id);
    query.bind(u":ServiceID"_s, serviceId);
    query.bind(u":T2_ID"_s, input.mode == EditorMode::Edit ? QVariant(input.t2Id) : QVariant());
    if (!query.exec() || !query.next()) {
        db.setErrorString(query.errorText());
        return false;
    }
    return query.value(0).toInt() > 0;
}

/// A sum-order rule: `smaller` may not exceed `larger`; when it does, the operator is
/// warned and `smaller` takes `larger`'s text. A box that holds no number skips the rule.
void keepOrder(CheckResult& result, const QString& larger, QString& smaller, const QString& warning)
{
    double a = 0;
    double b = 0;
    try {
        a = CommonFnc::TextToFloatOrZero(larger);
        b = CommonFnc::TextToFloatOrZero(smaller);
    } catch (const CommonFnc::ConversionError&) {
        return;
    }
    if (a < b) {
        result.messages.append({Message::Kind::Warning, warning});
        smaller = larger;
    }
}

/// A number box's text as an exact decimal of `column`'s scale.
Decimal exactNumber(const QString& text, const QString& column, const QString& field)
{
    const QString trimmed = text.trimmed();
    QVariant value;
    try {
        value = CommonFnc::TextToFloatParam(trimmed);
    } catch (const CommonFnc::ConversionError&) {
        throw CommonFnc::ConversionError(
            u"Неверное число в поле \"%1\": «%2»"_s.arg(field, trimmed));
    }
    if (value.isNull())
        return Decimal();
    const int scale = Schema::decimalScale(column);
    if (const auto exact = Decimal::parse(trimmed, scale))
        return *exact;
    // More decimals than the column keeps: rounded as the box would show it.
    if (const auto finer = Decimal::parse(trimmed, 9))
        return finer->rescaled(scale);
    throw CommonFnc::ConversionError(u"Неверное число в поле \"%1\": «%2»"_s.arg(field, trimmed));
}

void bindValues(Query& query, const Values& v)
{
    query.bind(u":ServiceID"_s, v.serviceId);
    query.bind(u":PostID"_s, v.postId);
    query.bind(u":Volume"_s, v.volume);
    query.bind(u":Tariff"_s, v.tariff);
    query.bind(u":SummaService"_s, v.summaService);
    query.bind(u":SummaServiceWOBenefit"_s, v.summaServiceWOBenefit);
    query.bind(u":SummaServiceReg"_s, v.summaServiceReg);
    query.bind(u":SummaServiceWOBenefitReg"_s, v.summaServiceWOBenefitReg);
    query.bind(u":TypeNachID"_s, v.typeNachId);
}

/// MAX(...) of a numbering statement; false when it failed.
bool largest(Database& db, const QString& sql, int t1Id, int* result)
{
    Query query(db, sql);
    if (sql.contains(u":T1_ID"_s))
        query.bind(u":T1_ID"_s, t1Id);
    if (!query.exec() || !query.next()) {
        db.setErrorString(query.errorText());
        return false;
    }
    *result = CommonFnc::VariantToInt(query.value(0));
    return true;
}

} // namespace

QStringList CheckResult::texts(Message::Kind kind) const
{
    QStringList result;
    for (const Message& m : messages) {
        if (m.kind == kind)
            result << m.text;
    }
    return result;
}

CheckResult check(Database& db, Input& input)
{
    CheckResult result;
    const auto refuse = [&result](const QString& text) {
        result.messages.append({Message::Kind::Error, text});
        result.refused = true;
    };

    if (input.serviceTotalId.isNull())
        refuse(u"Не выбрана услуга."_s);
    if (isBlank(input.volume))
        refuse(u"Должно быть заполнено поле \"Объем предоставленной услуги\"."_s);
    if (isBlank(input.tariff))
        refuse(u"Должно быть заполнено поле \"Ставка/тариф на услугу\"."_s);
    if (isBlank(input.summaService))
        refuse(u"Должно быть заполнено поле \"Сумма начисленной платы за услугу\"."_s);
    if (isBlank(input.summaServiceWOBenefit))
        refuse(
            u"Должно быть заполнено поле \"Сумма начисленной платы за услугу за вычетом льготы\"."_s);
    if (isBlank(input.summaServiceReg))
        refuse(u"Должно быть заполнено поле \"Сумма начисленной платы за услугу "
               "(на постоянно зарегистрированных)\"."_s);
    if (isBlank(input.summaServiceWOBenefitReg))
        refuse(u"Должно быть заполнено поле \"Сумма начисленной платы за услугу за вычетом льготы "
               "(на постоянно зарегистрированных)\"."_s);
    if (input.typeNachId.isNull())
        refuse(u"Должно быть заполнено поле \"Признак вида начислений\"."_s);

    const int serviceId = codeOfLabel(input.serviceBank);
    if (serviceTaken(db, input, serviceId))
        refuse(u"Запись по услуге № "_s + QString::number(serviceId) +
               u" для данного потребителя услуг уже существует."_s);

    int typeLock = 0;
    try {
        typeLock = CommonFnc::VariantToInt(input.payerTypeLockId);
    } catch (const CommonFnc::ConversionError&) {
    }
    if (typeLock == 0 && serviceId == LockDeviceService)
        refuse(u"Выбрана услуга \"Запирающее устройство\", а в сведениях о потребителе услуг\r\n"
               "указано, что запирающее устройство отсутствует."_s);

    keepOrder(result, input.summaService, input.summaServiceWOBenefit,
              u"Сумма начисленной платы за вычетом льготы не может быть больше\r\n"
              "суммы начисленной платы за услугу.\r\n\r\n"
              "При сохранении эти суммы станут равными."_s);
    keepOrder(result, input.summaServiceReg, input.summaServiceWOBenefitReg,
              u"На постоянно зарегистрированных:\r\n"
              "Сумма начисленной платы за вычетом льготы не может быть больше\r\n"
              "суммы начисленной платы за услугу.\r\n\r\n"
              "При сохранении эти суммы станут равными."_s);
    keepOrder(result, input.summaService, input.summaServiceReg,
              u"Сумма начисленной платы за услугу, приходящаяся на\r\n"
              "постоянно зарегистрированных, не может быть больше\r\n"
              "общей суммы начисленной платы за услугу.\r\n\r\n"
              "При сохранении эти суммы станут равными."_s);
    keepOrder(result, input.summaServiceWOBenefit, input.summaServiceWOBenefitReg,
              u"Сумма начисленной платы за вычетом льготы, приходящаяся на\r\n"
              "постоянно зарегистрированных, не может быть больше\r\n"
              "общей суммы начисленной платы за вычетом льготы.\r\n\r\n"
              "При сохранении эти суммы станут равными."_s);

    if (!CommonFnc::FitsNumberFormat(input.volume.trimmed(), 6, 3))
        refuse(u"Поле \"Объем предоставленной услуги\" не соответствует формату (6.3)."_s);
    if (!CommonFnc::FitsNumberFormat(input.tariff.trimmed(), 7, 2))
        refuse(u"Поле \"Ставка/тариф на услугу\" не соответствует формату (7.2)."_s);
    if (!CommonFnc::FitsNumberFormat(input.summaService.trimmed(), 7, 2))
        refuse(u"Поле \"Сумма начисленной платы за услугу\" не соответствует формату (7.2)."_s);
    if (!CommonFnc::FitsNumberFormat(input.summaServiceWOBenefit.trimmed(), 7, 2))
        refuse(u"Поле \"Сумма начисленной платы за услугу за вычетом льготы\" "
               "не соответствует формату (7.2)."_s);
    return result;
}

Values values(const Input& input)
{
    Values v;
    v.serviceId = codeOfLabel(input.serviceBank);
    v.postId = codeOfLabel(input.post);
    v.volume = exactNumber(input.volume, u"Volume"_s, u"Объем предоставленной услуги"_s);
    v.tariff = exactNumber(input.tariff, u"Tariff"_s, u"Ставка/тариф на услугу"_s);
    v.summaService =
        exactNumber(input.summaService, u"SummaService"_s, u"Сумма начисленной платы за услугу"_s);
    v.summaServiceWOBenefit = exactNumber(input.summaServiceWOBenefit, u"SummaServiceWOBenefit"_s,
                                          u"Сумма начисленной платы за услугу за вычетом льготы"_s);
    v.summaServiceReg =
        exactNumber(input.summaServiceReg, u"SummaServiceReg"_s,
                    u"Сумма начисленной платы за услугу (на постоянно зарегистрированных)"_s);
    v.summaServiceWOBenefitReg = exactNumber(
        input.summaServiceWOBenefitReg, u"SummaServiceWOBenefitReg"_s,
        u"Сумма начисленной платы за услугу за вычетом льготы (на постоянно зарегистрированных)"_s);
    v.typeNachId = input.typeNachId;
    return v;
}

int insert(Database& db, int t1Id, const Values& values)
{
    int maxT2 = 0;
    int maxNumber = 0;
    if (!largest(db,
                 u"SELECT MAX(t2.T2_ID) AS MaxT2\nFROM SvedNach_T2 t2\nWHERE t2.T1_ID = :T1_ID"_s,
                 t1Id, &maxT2) ||
        !largest(db, u"SELECT MAX(t2.NumT2) AS MaxNumberT2\nFROM SvedNach_T2 t2"_s, t1Id,
                 &maxNumber))
        return 0;
    const int t2Id = maxT2 + 1;
    Query query(db, uR"(INSERT INTO SvedNach_T2 (ServiceID, PostID, Volume, Tariff, SummaService,
    SummaServiceWOBenefit, SummaServiceReg, SummaServiceWOBenefitReg, TypeNachID, T1_ID, T2_ID, NumT2)
VALUES (:ServiceID, :PostID, :Volume, :Tariff, :SummaService,
    :SummaServiceWOBenefit, :SummaServiceReg, :SummaServiceWOBenefitReg, :TypeNachID, :T1_ID, :T2_ID, :NumT2))"_s);
    bindValues(query, values);
    query.bind(u":T1_ID"_s, t1Id);
    query.bind(u":T2_ID"_s, t2Id);
    query.bind(u":NumT2"_s, maxNumber + 1);
    if (!query.exec()) {
        db.setErrorString(query.errorText());
        return 0;
    }
    return t2Id;
}

bool update(Database& db, int t1Id, int t2Id, const Values& values)
{
    Query query(db, uR"(UPDATE SvedNach_T2 SET
ServiceID = :ServiceID,
PostID = :PostID,
Volume = :Volume,
Tariff = :Tariff,
SummaService = :SummaService,
SummaServiceWOBenefit = :SummaServiceWOBenefit,
SummaServiceReg = :SummaServiceReg,
SummaServiceWOBenefitReg = :SummaServiceWOBenefitReg,
TypeNachID = :TypeNachID
WHERE T1_ID = :T1_ID AND T2_ID = :T2_ID)"_s);
    bindValues(query, values);
    query.bind(u":T1_ID"_s, t1Id);
    query.bind(u":T2_ID"_s, t2Id);
    if (!query.exec()) {
        db.setErrorString(query.errorText());
        return false;
    }
    return true;
}

int codeOfLabel(const QString& text)
{
    try {
        return CommonFnc::VariantToInt(CommonFnc::TextToIntParam(text));
    } catch (const CommonFnc::ConversionError&) {
        return 0;
    }
}

int serviceWideIdFor(int serviceId, const QVariant& typeLockId, const QVariant& typeStoveId)
{
    const auto toInt = [](const QVariant& value) {
        try {
            return CommonFnc::VariantToInt(value);
        } catch (const CommonFnc::ConversionError&) {
            return 0;
        }
    };
    if (serviceId == LockDeviceService && toInt(typeLockId) > 0)
        return toInt(typeLockId);
    if (serviceId == 20 || serviceId == 27 || (serviceId >= 154 && serviceId <= 158))
        return toInt(typeStoveId);
    return 0;
}

QVariant findServiceTotalId(Database& db, int serviceId, const QVariant& typeLockId,
                            const QVariant& typeStoveId)
{
    Query query(
        db, u"SELECT ss.ServiceTotalID\nFROM Sprav_Services ss\nWHERE ss.ServiceID = :ServiceID\n"
            "AND ss.ServiceWideID = :ServiceWideID"_s);
    query.bind(u":ServiceID"_s, serviceId);
    query.bind(u":ServiceWideID"_s, serviceWideIdFor(serviceId, typeLockId, typeStoveId));
    if (!query.exec()) {
        db.setErrorString(query.errorText());
        return {};
    }
    return query.next() ? query.value(0) : QVariant();
}

QList<ServiceChoice> services(Database& db)
{
    // Variants of one service follow each other in the order of their variant codes.
    Query query(db, uR"(SELECT ss.ServiceID, ss.ServiceWideID,
ss.ServiceTotalID,
(ss.ServiceName || IIF((ss.ServiceWideName IS NULL), '', (' (' || ss.ServiceWideName || ')'))) AS ServiceName
FROM Sprav_Services ss
WHERE ss.Opt = 1
ORDER BY ss.ServiceName, ss.ServiceWideID)"_s);
    QList<ServiceChoice> result;
    if (!query.exec()) {
        db.setErrorString(query.errorText());
        return result;
    }
    while (query.next())
        result.append({query.value(2).toInt(), query.value(0).toInt(), query.value(3).toString()});
    return result;
}

QVariant typeNachOfService(Database& db, int serviceId)
{
    Query query(db, u"SELECT TypeNachID\nFROM Sprav_Services\nWHERE ServiceID = :ServiceID"_s);
    query.bind(u":ServiceID"_s, serviceId);
    if (!query.exec()) {
        db.setErrorString(query.errorText());
        return {};
    }
    return query.next() ? query.value(0) : QVariant();
}

QString chargeFor(const QString& volumeText, const QString& tariffText)
{
    // Read as decimals with however many places they carry, so that the product is exact
    // and only the final rounding to kopecks happens, by the routine the number boxes use.
    const auto exact = [](const QString& text) {
        const QString trimmed = text.trimmed();
        if (trimmed.isEmpty())
            return Decimal::fromUnits(0, 0);
        CommonFnc::TextToFloatParam(trimmed); // throws for what is not a number
        const qsizetype comma = trimmed.indexOf(u',');
        const int places = comma < 0 ? 0 : int(trimmed.size() - comma - 1);
        const auto value = Decimal::parse(trimmed, qMin(places, 9));
        if (!value || value->isNull())
            throw CommonFnc::ConversionError(u"Неверное число: «%1»"_s.arg(trimmed));
        return *value;
    };
    const Decimal volume = exact(volumeText);
    const Decimal tariff = exact(tariffText);
    const __int128 product = __int128(volume.units()) * tariff.units();
    const int scale = volume.scale() + tariff.scale();

    // The product's digits as text, its decimal comma `scale` places from the right.
    __int128 magnitude = product < 0 ? -product : product;
    QString digits;
    do {
        digits.prepend(QChar(u'0' + int(magnitude % 10)));
        magnitude /= 10;
    } while (magnitude > 0);
    digits = digits.rightJustified(scale + 1, u'0');
    if (scale > 0)
        digits.insert(digits.size() - scale, u',');
    if (product < 0)
        digits.prepend(u'-');
    const QString kopecks = CommonFnc::RoundDecimalText(digits, 2);
    // What no sum box can hold is refused rather than written as a wrong number.
    if (!Decimal::parse(kopecks, 2))
        throw CommonFnc::ConversionError(
            u"Слишком большое число: «%1» × «%2»"_s.arg(volumeText, tariffText));
    return kopecks;
}

} // namespace ChargeRecord
