#pragma once
#include <QString>

namespace tavrel::startup {

// The database folder used when none is configured: $XDG_DATA_HOME/tavrel/database/
// ($HOME/.local/share when XDG_DATA_HOME is unset), created when missing. Ends with "/".
QString defaultDatabaseFolder();

}  // namespace tavrel::startup
