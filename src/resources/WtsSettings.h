#pragma once
// Terminal Services settings of a new user: the thirteen rows of the Terminal Services list, the
// configuration class each row writes, the kind of its value, and the time list.

#include "platform/wts/Wts.h"

#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>

namespace tavrel::startup {
class LogFile;
}

namespace tavrel::resources {

struct WtsRow {
  const char* label;
  const char* key;  // "" for none
  quint32 cls;      // WTS_CONFIG_CLASS
};

// The rows in the order the main window creates them.
extern const std::array<WtsRow, 13> kWtsRows;

// The configuration class of row `row` (1 to 13); nullopt outside.
std::optional<quint32> WTS_Config_Class(int row);

enum class WtsKind { String, YesNo, Time };
// A key not beginning with "s" (an empty one too) gives text; "s...t" a time; other "s..." yes/no.
WtsKind wtsKind(const QString& key);

// The milliseconds of a time name ("30 mins"), matched without regard to case; nullopt when it is
// not in the list.
std::optional<quint32> WTS_Time_List(const QString& name);
// The names of the list in its order.
QStringList wtsTimeNames();

struct WtsSettingsInput {
  QStringList values;   // the rows' values (sub-item 1), in row order
  QString NTSERVER;     // the site's home server, for "%server%"
  bool Import_Mode = false;
  // The template's variables replaced in a value (the creation's Replace_Variables).
  std::function<QString(const QString&)> Replace_Variables;
};

enum class WtsOutcome {
  Written,       // every non-empty row was written
  NoController,  // the domain's controller was not found: nothing written
  Refused,       // a row was refused: no row was written
};

struct WtsResult {
  WtsOutcome outcome = WtsOutcome::Written;
  quint32 error = 0;  // the error number of the failure
  int rowsWritten = 0;  // the rows written (none on a failure)
  bool ok() const { return outcome == WtsOutcome::Written; }
};

// Writes the non-empty rows for `User_Name` (the account name; also what "%UserName%" stands
// for) on the primary controller of `Domain`, logging to `log`. A failure is returned so the
// caller can warn; while an import runs no message box is shown (the failure is logged).
WtsResult Set_WTS_Settings(const QString& User_Name, const QString& Domain, const WtsSettingsInput& input,
                           startup::LogFile& log);

}  // namespace tavrel::resources
