#pragma once

#include <QString>

class RecordSet;

/// Finding a payer in the payer list by the beginnings of the name's parts or of the
/// personal account, in the list's own order.
namespace Bulk {

struct PayerCriteria
{
    QString surname;
    QString firstName;
    QString patronymic;
    QString account;
    bool byName = true; ///< false: by the personal account

    /// Every text without its surrounding blanks.
    PayerCriteria trimmed() const;
};

/// Why the criteria cannot search (the boxes of the chosen kind are all blank), as the
/// operator is told; empty when they can.
QString criteriaProblem(const PayerCriteria& criteria);

/// The first row from `from` on, in the list's order, whose surname, first name and
/// patronymic each begin with their criterion (a blank criterion passes anything), or whose
/// personal account begins with the account criterion; letter case is ignored, Cyrillic
/// included, and a missing value reads as empty. Criteria are taken trimmed. -1 when no row
/// from `from` on matches or the criteria cannot search.
int findPayer(const RecordSet& payers, const PayerCriteria& criteria, int from);

} // namespace Bulk
