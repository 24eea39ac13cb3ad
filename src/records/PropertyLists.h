#pragma once
// The property-list files Mail.dat, W2K.dat and WTS.dat: Windows-1252 text, one row per line,
// lines ending in CR LF, no header, quoting or escaping. Every line is loaded; a rewrite replaces
// the whole file atomically under the folder's exclusive lock.

#include "records/DatabaseFolder.h"
#include "records/Records.h"
#include "records/Result.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

namespace tavrel::records {

// One line of Mail.dat: the attribute, ",", the value. The first comma separates them.
struct Mail_Attribute_Row {
  QString Name;
  QString Value;
  bool operator==(const Mail_Attribute_Row&) const = default;
};

// One line of W2K.dat: "p" (an attribute of the user, icon "USER") or "m" (of the mailbox, icon
// "MAIL"), ",", the attribute, ",", the value.
struct W2K_Property_Row {
  QString IconKey;  // "USER" or "MAIL"
  QString Name;
  QString Value;
  bool operator==(const W2K_Property_Row&) const = default;
};

inline const QString kUserIcon = QStringLiteral("USER");
inline const QString kMailIcon = QStringLiteral("MAIL");

// The number of Terminal Services rows, one line of WTS.dat each.
inline constexpr int kWtsRows = 13;

// The fixed Terminal Services rows in WTS.dat's order: the caption and the key, whose last letter
// says what the value is ("d" a drive letter, "y" yes or no, "t" a time; no key: free text).
struct WtsRow {
  const char* caption;
  const char* key;
};
inline constexpr WtsRow kWtsRowTable[kWtsRows] = {
    {"User Profile Directory", ""},
    {"User Home Directory", ""},
    {"Users Home drive letter", "d6d"},
    {"Allow logon", "s1y"},
    {"Start Following program at logon", "s2y"},
    {"Start program", ""},
    {"Start in", ""},
    {"Connect client drives at logon", "s3y"},
    {"Connect client printers at logon", "s4y"},
    {"Connect default client printer", "s5y"},
    {"End a Dissconnected sessions", "s5t"},
    {"Active session limit", "s6t"},
    {"Idle session limit", "s7t"},
};

template <class Row>
struct PropertyList {
  bool present = false;  // false: the file does not exist
  QList<Row> rows;
  QStringList warnings;  // lines that were skipped, each naming the file
};

// The three rows written into a missing Mail.dat.
QList<Mail_Attribute_Row> defaultMailRows();

// Text of a file, split into lines at CR LF (a lone CR or LF also ends a line).
QStringList propertyLines(const QByteArray& bytes);

// Parsing. A Mail.dat line without a comma is no row (a warning names it unless the line is
// empty). A W2K.dat line without a comma at or after its third character is skipped with a warning.
PropertyList<Mail_Attribute_Row> parseMail(const QByteArray& bytes);
PropertyList<W2K_Property_Row> parseW2K(const QByteArray& bytes);
// Line i is the value of row i; lines after the thirteenth are skipped with a warning.
PropertyList<QString> parseWTS(const QByteArray& bytes);

// Formatting. A name holding "," or any field holding CR or LF is refused, since it would read
// back as other rows; characters outside Windows-1252 are written as "?".
Result<QByteArray> formatMail(const QList<Mail_Attribute_Row>& rows);
Result<QByteArray> formatW2K(const QList<W2K_Property_Row>& rows);
// Exactly kWtsRows values.
Result<QByteArray> formatWTS(const QStringList& values);

// Loading. A missing Mail.dat is created with the default rows first (under the exclusive lock,
// so that two instances never both write it); missing W2K.dat and WTS.dat are not created.
Result<PropertyList<Mail_Attribute_Row>> loadMail(const DatabaseFolder& db);
Result<PropertyList<W2K_Property_Row>> loadW2K(const DatabaseFolder& db);
Result<PropertyList<QString>> loadWTS(const DatabaseFolder& db);

// Rewriting a whole list. On any failure the file keeps its previous content.
Status saveMail(const DatabaseFolder& db, const QList<Mail_Attribute_Row>& rows);
Status saveW2K(const DatabaseFolder& db, const QList<W2K_Property_Row>& rows);
Status saveWTS(const DatabaseFolder& db, const QStringList& values);

// --- The template variables ---

// Writes `rows` into the variable slots of the first live template named `templateName` (trimmed,
// letter case ignored): the record is locked and read again, only its variable slots change, and
// it is written back, so a change another instance made meanwhile to its other fields is kept.
// Rows that do not fit the record are refused before anything is read. Returns the record number
// written, 0 when no live template has that name.
Result<int> writeTemplateVariables(const DatabaseFolder& db, const QString& templateName,
                                   const std::vector<TemplateVariable>& rows);

// --- The permission lists (Permissions.dat, SharePerm.dat) ---

// The access words a permission entry may be given.
QStringList accessWords();

// One row of the permissions window: the account and its access word, as shown (trimmed).
struct PermissionRow {
  QString account;
  QString access;
  bool operator==(const PermissionRow&) const = default;
};

struct PermissionListLoad {
  QList<Permission_Record> records;  // those read, in file order
  bool newSecurity = false;          // record 1 asks for the existing permissions to be replaced
  QString error;                     // empty when the whole file was read
  bool complete() const { return error.isEmpty(); }
};

// Reads every record of the list `name`; a missing file is created empty. A file that cannot be
// read to its end, or that ends in a partial record, gives the records read so far and an error,
// so that a partial list is never taken for the whole one.
PermissionListLoad loadPermissionList(const DatabaseFolder& db, const QString& name);

// The message that refuses `rows` for the file (an account over 50 characters, an access word
// over 12, characters the record cannot hold); empty when they fit.
QString permissionRowsDontFit(const QList<PermissionRow>& rows);

// The records OK writes for `rows` (in list order): NewSecurity -1 on record 1 only, when
// `replace` is ticked; an empty share list becomes the one entry "Everyone" / "Full Control".
QList<Permission_Record> permissionRecords(const QList<PermissionRow>& rows, bool replace, bool shareList);

// Replaces the whole list `name` with `records`; on any failure the file keeps what it held.
Status savePermissionList(const DatabaseFolder& db, const QString& name, const QList<Permission_Record>& records);

}  // namespace tavrel::records
