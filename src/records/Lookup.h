#pragma once
// Finding sites and templates by name, and the rules the site and template tabs apply to names
// and fields, without any window.
//
// Three name rules are in use. LoadTemplate compares the stored 25-character name exactly, case
// and trailing blanks included; Loadsite compares both names with blanks trimmed, letter case
// significant; the editors and Find_Template compare trimmed and without regard to case.

#include "records/DatabaseFolder.h"
#include "records/Records.h"
#include "records/Result.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace tavrel::startup {
class LogFile;
}

namespace tavrel::records {

// The widest site name the editor accepts, counted as typed, blanks included.
inline constexpr int kSiteNameWidth = 20;

bool sameNameExact(const QString& stored, const QString& wanted);
bool sameNameTrimmed(const QString& stored, const QString& wanted);
bool sameNameIgnoringCase(const QString& stored, const QString& wanted);

// What one pass over a record file found.
template <class R>
struct Scan {
  int count = 0;              // whole records in the file
  int match = 0;              // number of the record taken, 0 when none
  std::optional<R> lastRead;  // the record taken, or the last one read when none was
};

enum class Pick { First, Last };

// Reads the records of `name` in order and takes the first (or last) one `test` accepts. A
// missing file is an empty one (created when `createMissing`). A file that is no whole number of
// records is refused before anything is read: it is of another layout or damaged.
template <class R>
Result<Scan<R>> scanRecords(const DatabaseFolder& db, const QString& name,
                            const std::function<bool(const R&)>& test, Pick pick = Pick::First,
                            bool createMissing = false);

extern template Result<Scan<Site_Record>> scanRecords<Site_Record>(
    const DatabaseFolder&, const QString&, const std::function<bool(const Site_Record&)>&, Pick, bool);
extern template Result<Scan<Template_Record>> scanRecords<Template_Record>(
    const DatabaseFolder&, const QString&, const std::function<bool(const Template_Record&)>&, Pick, bool);

// Finds the first (or last) record of `name` that `matches` accepts, then locks it, reads it again
// and, when it still matches, lets `change` alter it and writes it back. A record that no longer
// matches under the lock (another instance compacted or changed the file in between) sends the
// search round again, a few times at most. Returns the record number written, 0 when no record
// matches.
template <class R>
Result<int> changeFirstLive(const DatabaseFolder& db, const QString& name,
                            const std::function<bool(const R&)>& matches, Pick pick,
                            const std::function<void(R&)>& change);

extern template Result<int> changeFirstLive<Site_Record>(const DatabaseFolder&, const QString&,
                                                         const std::function<bool(const Site_Record&)>&, Pick,
                                                         const std::function<void(Site_Record&)>&);
extern template Result<int> changeFirstLive<Template_Record>(
    const DatabaseFolder&, const QString&, const std::function<bool(const Template_Record&)>&, Pick,
    const std::function<void(Template_Record&)>&);

// Whether `file`, the database folder's file `name`, holds a whole number of records of the
// current layout. Appends of other instances are held while it is measured, so one half written
// is never taken for damage.
Status checkSettledFile(const DatabaseFolder& db, const QString& name, RecordFile& file);

// Why the site list refuses a name typed for a new site.
enum class NewSiteName { Accepted, Blank, AlreadyUsed, TooLong };
// `listed` are the texts of the site list's entries, the one being named included.
NewSiteName checkNewSiteName(const QString& newString, const QStringList& listed);

// The Exchange fields of a site: all three of server, site and organisation, or none.
bool exchangeFieldsConsistent(const QString& server, const QString& site, const QString& org);

// The first field of `fields` (label, text, width) whose text does not fit its record field, as
// "<label> holds more than <width> characters." or a note on characters the record cannot hold;
// empty when all fit.
struct FieldText {
  QString label;
  QString text;
  int width;
};
QString fieldTooLong(const QList<FieldText>& fields);

// Marks the first live site of the name (editor rule) deleted. Returns the record number, 0 when
// no live site has that name. The record is locked, read again and checked before it is written,
// so a compaction in between cannot make it mark another site.
Result<int> deleteSite(const DatabaseFolder& db, const QString& siteName);

// Writes `site` over the last live site of `editedName` (editor rule), or appends it when there
// is none. Returns the record number written.
Result<int> saveEditedSite(const DatabaseFolder& db, const QString& editedName, const Site_Record& site);

// Removes from `record` the groups not in `domainGroups` (both trimmed, letter case ignored),
// keeping the order of the others, and writes to `log` "Checking template <name>", a "Global Group
// Removed : <group>" line for each group removed and a line holding one blank.
void checkTemplateGroups(Template_Record& record, const QStringList& domainGroups, startup::LogFile& log);

}  // namespace tavrel::records
