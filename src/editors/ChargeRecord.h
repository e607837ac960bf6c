#pragma once

#include "Decimal.h"
#include "EditorMode.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

class Database;

/// Rules of one charge record (file II, SvedNach_T2): the checks before a save, the
/// service variant a payer's charge belongs to, the tariff and charge-type look-ups,
/// numbering and the writes. No widgets: the charge editor window collects the texts and
/// keys into an Input and shows what comes back.
namespace ChargeRecord {

/// What the charge editor collected, texts as they stand in its boxes.
struct Input
{
    EditorMode mode = EditorMode::New;
    int t1Id = 0;
    int t2Id = 0;            ///< the edited charge; unused for a new one
    QVariant serviceTotalId; ///< key of the service lookup; null when none is chosen
    QString serviceBank;     ///< the bank service code label (ServiceID)
    QString post;            ///< the supplier code label (PostID)
    QString volume;
    QString tariff;
    QString summaService;
    QString summaServiceWOBenefit;
    QString summaServiceReg;
    QString summaServiceWOBenefitReg;
    QVariant typeNachId;      ///< key of the charge-type lookup; null when none
    QVariant payerTypeLockId; ///< the payer's TypeLockID (null counts as 0)
};

/// One message of the checks, to be shown in order.
struct Message
{
    enum class Kind
    {
        Error,
        Warning
    };
    Kind kind;
    QString text;
};

struct CheckResult
{
    /// Every message in the order the checks produced it: refusals (errors) and the
    /// sum-order warnings, which adjust the sums but do not refuse.
    QList<Message> messages;
    /// True when at least one check refused the record.
    bool refused = false;

    QStringList texts(Message::Kind kind) const;
};

/// The values written to SvedNach_T2, read from an Input.
struct Values
{
    int serviceId = 0;
    int postId = 0;
    Decimal volume;
    Decimal tariff;
    Decimal summaService;
    Decimal summaServiceWOBenefit;
    Decimal summaServiceReg;
    Decimal summaServiceWOBenefitReg;
    QVariant typeNachId;
};

/// A service variant of the lookup: catalogue key, bank service code and the name shown
/// ("name (variant)").
struct ServiceChoice
{
    int serviceTotalId = 0;
    int serviceId = 0;
    QString name;
};

/// Runs every check before a save, in order, and collects all their messages: the blank
/// fields, the charge type, a second charge of the same service for the payer, a lock
/// device the payer does not have, the four sum-order rules and the number formats.
/// The sum-order rules copy the larger-allowed sum's text over the smaller one in
/// `input`, so the caller writes the adjusted texts back into its boxes.
CheckResult check(Database& db, Input& input);

/// The record's values. Blank boxes give null decimals; more decimals than a column
/// keeps are rounded half away from zero. Throws CommonFnc::ConversionError, naming the
/// field, when a box holds no number (a lone "," for example).
Values values(const Input& input);

/// Inserts a new charge of payer `t1Id`: T2_ID is the payer's largest plus 1, NumT2
/// the whole table's largest plus 1. Returns the new T2_ID, or 0 when a statement
/// failed (Database::errorString() says which).
int insert(Database& db, int t1Id, const Values& values);

/// Rewrites the charge (T1_ID, T2_ID); its NumT2 stays. False when the statement failed.
bool update(Database& db, int t1Id, int t2Id, const Values& values);

/// The integer in a code label; 0 when the label is empty or not a whole number.
int codeOfLabel(const QString& text);

/// The catalogue variant a payer's charge of `serviceId` belongs to, derived from the
/// payer: the lock type for service 10 (when above 0), the stove type for 20, 27 and
/// 154-158, else 0.
int serviceWideIdFor(int serviceId, const QVariant& typeLockId, const QVariant& typeStoveId);

/// ServiceTotalID of the catalogue row of that service variant; null when the catalogue
/// has none (or could not be read).
QVariant findServiceTotalId(Database& db, int serviceId, const QVariant& typeLockId,
                            const QVariant& typeStoveId);

/// The services the organisation provides (Opt = 1), ordered by name; empty on failure.
QList<ServiceChoice> services(Database& db);

/// The charge type the catalogue gives the service code; null when it gives none.
QVariant typeNachOfService(Database& db, int serviceId);

/// The charge for a volume and a tariff as the compute button writes it: their exact
/// product rounded half away from zero to kopecks, "1234,56". A blank text counts as 0;
/// a text that is not a number throws CommonFnc::ConversionError.
QString chargeFor(const QString& volumeText, const QString& tariffText);

} // namespace ChargeRecord
