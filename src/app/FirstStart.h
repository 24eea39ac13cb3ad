#pragma once
// What the program prepares on its first start on a machine: the embedded simulated network,
// settings that point at its demonstration domain when there are no settings yet, and the
// permission lists a first creation needs.

#include "platform/registry/Registry_Object.h"
#include "records/Result.h"

#include <QString>

namespace tavrel::app {

// The domain a first start connects to: the demonstration network's Active Directory domain.
inline const QString kDemoDomain = QStringLiteral("example.local");

// When `settingsPath` does not exist yet, writes the settings that point at `domain` (the
// demonstration domain, or the configured Active Directory domain) into `reg` and returns true;
// otherwise changes nothing and returns false.
bool prepareFirstStartSettings(const QString& settingsPath, registry::Registry_Object& reg,
                               const QString& domain = kDemoDomain);

// Writes the permission lists of the database folder `dbpath` that hold no entry yet: SharePerm.dat
// gives the new user and Administrators Full Control on the user's shares, Permissions.dat the
// new user Change and Administrators Full Control on the user's folders. A list with entries is
// left as it is; a list that cannot be read is a failure.
records::Status prepareFirstStartDatabase(const QString& dbpath);

}  // namespace tavrel::app
