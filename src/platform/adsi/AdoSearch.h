#pragma once
// Directory searches in the shape of an ADO command over the directory provider ("ADsDSOObject"):
//
//   adsi::AdoConnection conn(directory);
//   conn.Open("Active Directory Provider");
//   adsi::AdoCommand cmd;
//   cmd.ActiveConnection = &conn;
//   cmd.CommandText = "<LDAP://example.local>;(objectCategory=Person);adsPath,name;subTree";
//   auto rs = cmd.Execute();
//   for (rs->MoveFirst(); !rs->EOF(); rs->MoveNext()) use(rs->Fields(0).toString());
//
// Both dialects of the command text are accepted (see search::parseAdoCommand):
//   LDAP: "<base>;filter;attr1,attr2[;base|onelevel|subtree]"  (scope in any letter case)
//   SQL:  "select attr1,attr2 from '<base>' where attr = 'value' [ORDER BY attr]"
//
// The command pages internally: a record set always holds every matching entry, however many the
// server allows in one answer. ORDER BY sorts the records by the attribute's syntax (text without
// regard to case, integers by value), entries without it last.
//
// Fields, in the order the attributes are written (duplicates included):
//   - "adsPath" (any case) is "<provider>://<server part of the base>/<DN>", the provider being
//     LDAP or GC as in the base; a serverless base gives "<provider>://<DN>";
//   - an attribute the entry does not have is a null QVariant;
//   - a multi-valued attribute of the schema is a QVariantList, even with one value;
//   - otherwise the one value, typed by the schema's syntax: text, DNs and class names as QString,
//     Integer (groupType, userAccountControl, ...) as int, INTEGER8 (pwdLastSet, ...) as qint64,
//     Boolean as bool, binary (objectSid, objectGUID, logonHours) as QByteArray, times as UTC
//     QDateTime; attributes the schema does not know as QString (a QVariantList when several).
//
// Errors are Result/Status values with the HRESULT the provider reports: a malformed command text
// is hr::DB_ERRORS_IN_COMMAND with the parser's message and position; a base that does not exist
// is hr::NO_SUCH_OBJECT; a server that does not answer hr::SERVER_DOWN.

#include "platform/adsi/DirectoryBackend.h"
#include "platform/adsi/Result.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdio>
#include <memory>
#include <optional>

// The record set's end-of-file test is named as ADO names it, so the C library's EOF macro is
// withdrawn (<cstdio> is included first, so it cannot come back).
#ifdef EOF
#undef EOF
#endif

namespace tavrel::adsi {

class Directory;
class AdoRecordset;

namespace hr {
constexpr quint32 DB_ERRORS_IN_COMMAND = 0x80040E14;    // the command text is malformed
constexpr quint32 DB_TIMEOUT = 0x80040E31;              // the command took longer than CommandTimeout
constexpr quint32 ADO_OBJECT_CLOSED = 0x800A0E78;       // the connection is not open
constexpr quint32 ADO_PROVIDER_NOT_FOUND = 0x800A0E7A;  // a provider other than ADsDSOObject
constexpr quint32 ADO_INVALID_CONNECTION = 0x800A0E7D;  // the command has no connection
}  // namespace hr

class AdoConnection {
 public:
  // Searches go to `backend` (or to the back end of `directory`).
  explicit AdoConnection(std::shared_ptr<DirectoryBackend> backend);
  explicit AdoConnection(const Directory& directory);

  QString Provider = QStringLiteral("ADsDSOObject");
  int ConnectionTimeout = 30;  // seconds allowed for reaching the server of a command's base
  int CommandTimeout = 30;     // seconds a command run by Execute may take; 0 means no limit

  // Opens the connection. The connection string is "Active Directory Provider" or "ADs Provider"
  // (any case; an empty one is taken as the first). Without a user the logged-on identity is used;
  // otherwise the credentials are checked when a command reaches its server. `options` is
  // accepted and ignored, as the provider does.
  Status Open(const QString& connectionString, const QString& user = {}, const QString& password = {},
              int options = -1);
  void Close();
  bool isOpen() const { return open_; }

  // Runs one command text on this connection, as an AdoCommand with this connection's
  // CommandTimeout would.
  Result<AdoRecordset> Execute(const QString& commandText);

  // The back end and identity a command runs with.
  DirectoryBackend& backend() const { return *backend_; }
  const std::optional<Credentials>& credentials() const { return credentials_; }

 private:
  std::shared_ptr<DirectoryBackend> backend_;
  std::optional<Credentials> credentials_;
  bool open_ = false;
};

class AdoRecordset {
 public:
  AdoRecordset() = default;
  AdoRecordset(QStringList fieldNames, QList<QVariantList> records);

  // BOF: before the first record (only when there is none); EOF: past the last one.
  bool BOF() const { return records_.isEmpty(); }
  bool EOF() const { return pos_ >= records_.size(); }
  void MoveFirst() { pos_ = 0; }
  void MoveNext() {
    if (pos_ < records_.size()) ++pos_;
  }
  int RecordCount() const { return static_cast<int>(records_.size()); }
  int FieldCount() const { return static_cast<int>(names_.size()); }

  // The field of the current record; a null QVariant when the entry lacks the attribute, at EOF,
  // or for an index or name not in the command's attribute list.
  QVariant Fields(int i) const;
  QVariant Fields(const QString& name) const;  // the first field of that name, any letter case

 private:
  QStringList names_;
  QList<QVariantList> records_;
  qsizetype pos_ = 0;
};

class AdoCommand {
 public:
  AdoConnection* ActiveConnection = nullptr;
  QString CommandText;
  int CommandTimeout = 30;  // seconds; 0 means no limit

  Result<AdoRecordset> Execute();

  // The page size the command asks for; below the usual server limit of 1000.
  static constexpr int kPageSize = 500;
};

}  // namespace tavrel::adsi
