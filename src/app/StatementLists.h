#pragma once

#include "RecordSetModel.h"

#include <QList>
#include <QString>

/// The three lists of the main window: their queries and columns.
namespace StatementLists {

/// Payers with the names of their street and classifier codes; a code missing from
/// its book lists with an empty name.
QString payersSql();
/// Charges of the payer :T1_ID, each listed once however many catalogue variants its
/// service has.
QString chargesSql();
/// Persons of the payer :T1_ID.
QString personsSql();

const QList<ListColumn>& payerColumns();
const QList<ListColumn>& chargeColumns();
const QList<ListColumn>& personColumns();

const QStringList& payerKey();  ///< T1_ID
const QStringList& chargeKey(); ///< T1_ID, T2_ID
const QStringList& personKey(); ///< T1_ID, T3_ID

} // namespace StatementLists
