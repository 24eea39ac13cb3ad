#pragma once
// Compaction and backup of the database folder.
//
// Compaction copies the live records of Site.dat and Template.dat, in order, into a fresh
// tempsite.dat or Temptemp.dat and puts that file in place of the old one with one rename, under
// the folder's exclusive lock. On any failure the old file stays as it was and the temporary file
// is removed.

#include "records/DatabaseFolder.h"
#include "records/Records.h"
#include "records/Result.h"

#include <QString>

#include <functional>
#include <vector>

namespace tavrel::startup {
class LogFile;
}

namespace tavrel::records {

// Called once for each live template before it is written to the compacted file; it may change
// the record (the removal of groups that no longer exist) and write its lines to the open log.
using TemplateCheck = std::function<void(Template_Record& Current_Template, startup::LogFile& log)>;

// Removes the deleted sites from Site.dat. A missing Site.dat is left missing.
Status Compact_Sites(const DatabaseFolder& db);

// Removes the deleted templates from Template.dat and, when `check` is given, passes every live one
// through it. Writes to Log.txt: its header, "Start Compact", "Template <name> Deleted." and " "
// for each deleted template, the lines of `check`, and "Compact Finished." (or, when the
// compaction fails, the failure instead).
Status Compact_Templates(const DatabaseFolder& db, const TemplateCheck& check = {});

struct BackupCopy {
  enum class Outcome { Copied, Missing, Failed };
  QString source;  // as named in the folder
  QString copy;
  Outcome outcome = Outcome::Failed;
  QString error;  // why a copy failed
};

struct BackupReport {
  std::vector<BackupCopy> copies;  // one per file, in backup order
  // The copies that failed (a missing source is no failure).
  std::vector<BackupCopy> failures() const;
  bool ok() const { return failures().empty(); }
};

// Copies the seven files of the folder to their .bak names, replacing earlier copies without
// asking. Each copy is written whole before it replaces the earlier one; a file that fails does
// not stop the next.
BackupReport Backup_Files(const DatabaseFolder& db);

}  // namespace tavrel::records
