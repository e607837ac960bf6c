#pragma once

#include "OrganisationBook.h"

#include <QString>

class Database;

/// Which services of the catalogue the organisation provides: the mark Opt on every
/// variant row of a service code. The catalogue itself is delivered with the database.
namespace RefBooks {

/// Services not provided (Opt = 0), one line per code whatever its variants: Result (the
/// window's mark, 0), ServiceID, ServiceName.
QString servicesNotProvidedSql();
/// Services provided (Opt = 1): ServiceID, ServiceName.
QString servicesProvidedSql();

/// Marks every variant row of the code as provided; the message names the service.
BookWrite provideService(Database& db, int serviceId, const QString& serviceName);
/// Takes the mark off every variant row of the code.
BookWrite withdrawService(Database& db, int serviceId);

} // namespace RefBooks
