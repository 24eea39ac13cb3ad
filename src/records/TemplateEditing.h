#pragma once
// The template tab's rules without any window: the home-drive format and rule, the name checks of
// a new template, the record a save fills and where it goes, deleting by name, and the template's
// variables as the variables list shows them.

#include "records/DatabaseFolder.h"
#include "records/LogonHours.h"
#include "records/Records.h"
#include "records/Result.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace tavrel::records {

// The widest template name; the name box takes no more, so two names never share a stored form.
inline constexpr int kTemplateNameWidth = 25;
// The template's groups as the tab lets them be chosen; the record holds one slot more.
inline constexpr int kTemplateGroupCap = 75;
// Variable slots 1 .. 50 are used; a name holds 15 characters, a value 30.
inline constexpr int kTemplateVariableCap = Template_Record::VarSlots - 1;
inline constexpr int kVariableNameWidth = 15;
inline constexpr int kVariableValueWidth = 30;

// --- home drive ---

// The drive as the save stores it: a letter A-Z followed by ":", a lower-case letter taken as its
// upper case. Empty stays empty. std::nullopt when the text is no drive at all.
std::optional<QString> normalisedHomeDrive(const QString& drive);

// The drive the home-drive rule leaves, given the home share and the drive as they stand: a home
// share with text and no drive gets "Z:"; an empty home share empties the drive. A share of blanks
// only counts as empty.
QString homeDriveRule(const QString& homeShare, const QString& drive);

// --- names of new templates ---

enum class NewTemplateName { Accepted, AlreadyUsed, Blank, TooLong };
// `listed` are the entries of the template list. The clash is tested first (trimmed, letter case
// ignored), then the blank name, then the width.
NewTemplateName checkNewTemplateName(const QString& name, const QStringList& listed);

// The name as the record stores it and the lists show it: blank-padded to 25 characters.
QString storedTemplateName(const QString& name);

// --- variables ---

// The variables of `record` in slot order, trimmed; slot 0 and slots whose name and value are both
// empty are left out.
std::vector<TemplateVariable> variablesOf(const Template_Record& record);

// The message that refuses `rows` for a record (more than 50, a name over 15 or a value over 30
// characters, characters the record cannot hold); empty when they fit.
QString variablesDontFit(const std::vector<TemplateVariable>& rows);

// Puts `rows` into slots 1 .. rows.size() and empties the slots after them. Refuses, changing
// nothing, what variablesDontFit refuses.
Status setVariables(Template_Record& record, const std::vector<TemplateVariable>& rows);

// --- saving and deleting ---

// What the template tab holds when it is saved. Texts are taken as they stand.
struct TemplateFields {
  QString name;
  QString profileShareUNC;
  QString homeShareUNC;
  QString profileDirLocal;
  QString homeDirLocal;
  QString profileShareName;
  QString homeShareName;
  QString logonScript;
  QString homeDrive;
  QString primaryGroup;
  LogonHoursBytes logonHours{};
  QStringList groups;  // in list order
};

// The first field whose text does not fit its record field, as a message naming it; empty when all
// fit. The groups are checked against the record's 76 slots.
QString templateFieldsDontFit(const TemplateFields& fields);

// Fills `record` from `fields`: Deleted 0, the texts, the logon hours and the groups. Variables
// and the group slots past the new count keep what `record` held.
void fillTemplateRecord(Template_Record& record, const TemplateFields& fields);

// A template as a save wrote it, and its record number.
struct SavedTemplate {
  int number = 0;
  Template_Record record;
};

// Appends a new template holding `fields` and `variables` to Template.dat (created when missing)
// under the folder and append locks, so that saves of several instances never take the same
// record. A file with a partial record at its end, or of an older layout, is refused untouched.
Result<SavedTemplate> saveNewTemplate(const DatabaseFolder& db, const TemplateFields& fields,
                                      const std::vector<TemplateVariable>& variables);

// Writes `fields` over the first live template named `editedName` (trimmed, letter case ignored):
// the record is locked and read again, so its variables and unused group slots are those on disk
// at the moment of the write. A failure when no live template of that name is left.
Result<SavedTemplate> saveEditedTemplate(const DatabaseFolder& db, const QString& editedName,
                                         const TemplateFields& fields);

// Marks the first live template of the name (trimmed, letter case ignored) deleted, checking under
// the record's lock that the record still carries the name. Returns the record number, 0 when no
// live template has that name.
Result<int> deleteTemplate(const DatabaseFolder& db, const QString& name);

// The first live template of the name (trimmed, letter case ignored), read from disk: what paste
// copies. std::nullopt inside the result when there is none.
Result<std::optional<Template_Record>> findLiveTemplate(const DatabaseFolder& db, const QString& name);

}  // namespace tavrel::records
