#pragma once
// What the program prepares on its first start on a machine: the embedded simulated network, and
// settings that point at its demonstration domain when there are no settings yet.

#include "platform/registry/Registry_Object.h"

#include <QString>

namespace tavrel::app {

// The domain a first start connects to: the demonstration network's Active Directory domain.
inline const QString kDemoDomain = QStringLiteral("example.local");

// When `settingsPath` does not exist yet, writes the settings that point at `domain` (the
// demonstration domain, or the configured Active Directory domain) into `reg` and returns true;
// otherwise changes nothing and returns false.
bool prepareFirstStartSettings(const QString& settingsPath, registry::Registry_Object& reg,
                               const QString& domain = kDemoDomain);

}  // namespace tavrel::app
