#pragma once
// Reading and writing the program's settings under Software\Morvane\Tavrel\<subkey>, and the
// rules that turn stored words into the state of the settings' controls and back. Nothing here
// needs a window; the main window applies the results to its controls in the load order.

#include "platform/registry/Registry_Object.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace tavrel::startup {

// One stored value as the start-up reads it: found or not, and the text (empty when missing).
struct Stored {
  bool found = false;
  QString value;
};

// Reads Software\Morvane\Tavrel\<subkey>\<name>; a missing value reads as empty.
Stored readSetting(registry::Registry_Object& reg, const QString& subkey, const QString& name);
// Writes the value; false when the store could not be written.
bool writeSetting(registry::Registry_Object& reg, const QString& subkey, const QString& name,
                  const QString& data);

// The words of the switches.
QString yesNo(bool on);       // "Yes" / "No"
QString upperYesNo(bool on);  // "YES" / "No" (Preferences\UseFormattedPassword)
QString trueFalse(bool on);   // "True" / "False" (Mail\MailCredentials)

// The folder separator that ends the database folder.
inline constexpr QChar kFolderSeparator = u'/';

// The database folder rule of the Save button: a text that is blank after trimming is left as it
// is; otherwise the trimmed text, with the separator appended only when it does not end in one.
QString withFolderSeparator(const QString& path);

// A folder chosen in the folder dialog, with the separator appended when it does not end in one.
// Not trimmed: blanks at the ends of a chosen folder's name are part of the name.
QString chosenFolderWithSeparator(const QString& folder);

// Setup\DataBasePath as the start-up reads it: trimmed; empty or missing gives the default
// database folder; a stored folder without a final separator gets one.
QString databaseFolderSetting(const Stored& s);

// Setup\Profiles: trimmed when present (else `current` is kept); empty gives "NTUser.dat".
QString profileHiveName(const Stored& s, const QString& current);

// Option to select for Setup\UserFormat (0..4: a stored 1..5, else 2) and for
// Preferences\FullName (0..3: a stored 1..4, else 0).
int userFormatOption(const Stored& s);
int fullNameOption(const Stored& s);

// The fixed formats the user-ID and full-name options put into their fields; nullopt for the
// "Custom" option, which leaves the field as it is.
std::optional<QString> userFormatOf(int option);
std::optional<QString> fullNameFormatOf(int option);

// Preferences\CNName: true selects CNName, false SamAccountName (only "NO" in any case does).
bool cnNameSelected(const Stored& s);
// Mail\MailCredentials: off only for "FALSE" in any case.
bool mailCredentialsOn(const Stored& s);

// The import halt switches STOP_ON_RED(0) "Halt on errors", (1) "Halt on warnings", (2) "Skip
// Prompt Fields": halting on warnings includes halting on errors, and box 0 cannot be changed
// while box 1 is ticked.
struct HaltSwitches {
  bool errors = false;
  bool warnings = false;
  bool skipPrompt = false;
  bool errorsEnabled = true;
};
HaltSwitches haltRule(bool errors, bool warnings, bool skipPrompt);

// One of the two custom popup commands (Custom\Menu, Script, RUNHIDDEN or Menu1, Script1,
// RUNHIDDEN1; `suffix` is "" or "1"). Each value is read only when the one before it exists; the
// command is shown when all three exist and Menu and Script are not empty.
struct CustomCommand {
  bool show = false;
  QString caption;
};
CustomCommand readCustomCommand(registry::Registry_Object& reg, const QString& suffix);

// The whole command line as one text: the arguments after the program, joined by blanks.
QString commandLineOf(const QStringList& arguments);
// "/DEBUG" counts only as the whole command line, compared in capitals.
bool isDebugCommandLine(const QString& commandLine);

}  // namespace tavrel::startup
