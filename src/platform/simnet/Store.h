#pragma once
// Internal to simnet: the SQLite store and the directory rules applied to it.

#include "platform/adsi/DirectoryBackend.h"
#include "platform/simnet/SimNetwork.h"

#include <QHash>
#include <QSet>
#include <QtCore/qxpfunctional.h>

#include <sqlite3.h>

namespace tavrel::simnet {

struct DomainRow {
  qint64 id = 0;
  qint64 forestId = 0;  // 0 for an NT 4.0 domain
  QString dns;
  QString netbios;
  adsi::Dn nc;
  adsi::DomainKind kind = adsi::DomainKind::ActiveDirectory;
  bool mixed = false;
  QByteArray sid;
  bool reachable = true;
};

struct ForestRow {
  qint64 id = 0;
  QString rootDns;
  adsi::Dn rootNc, configNc, schemaNc;
};

// A server of the network, as the file, share and Terminal Services side looks it up.
struct ServerRow {
  qint64 domainId = 0;
  int role = 0;  // ServerRole
  bool reachable = true;
};

struct ObjRow {
  qint64 id = 0;
  qint64 domainId = 0;  // 0 for the configuration partition
  qint64 forestId = 0;
  qint64 parentId = 0;
  adsi::Dn dn;
  QByteArray packed;  // the stored attributes (see `packed`)
};

// Every stored attribute of an object as one value in the object's row, so that an entry is read
// with the row it is found by.
// Layout: a format byte, then per attribute in key order its name as written, the number of
// values and each value with its length (lengths and counts as LEB128 numbers).
namespace packed {
QByteArray pack(const QList<adsi::Attribute>& attributes);
// The values of `name` (letter case ignored); nullopt when `data` cannot be read.
std::optional<adsi::Values> find(QByteArrayView data, QStringView name);
std::optional<QList<adsi::Attribute>> unpack(QByteArrayView data);
// Calls `test` with each value of `name` (letter case ignored) until it gives true, and says
// whether one did; nullopt when `data` cannot be read up to the end of that attribute.
std::optional<bool> anyValue(QByteArrayView data, QStringView name,
                             qxp::function_ref<bool(QByteArrayView)> test);
// The values of each of `names` (letter case ignored; none for an absent one), read in one pass;
// nullopt when `data` cannot be read up to the last of them.
std::optional<QList<adsi::Values>> findAll(QByteArrayView data, const QStringList& names);
// `data` with the attributes of `changes` replaced (or added, or removed when without values), the
// others copied as they are; nullopt when `data` cannot be read.
std::optional<QByteArray> splice(QByteArrayView data, const QList<adsi::Attribute>& changes);
}  // namespace packed

// A prepared statement, reset when it goes out of scope.
class Query {
 public:
  Query(sqlite3* db, sqlite3_stmt* stmt) : db_(db), stmt_(stmt) {}
  ~Query() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;
  Query& bind(int i, qint64 v) {
    sqlite3_bind_int64(stmt_, i, v);
    return *this;
  }
  Query& bind(int i, const QString& v) {
    const QByteArray u = v.toUtf8();
    sqlite3_bind_text(stmt_, i, u.constData(), static_cast<int>(u.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Query& bindBlob(int i, const QByteArray& v) {
    sqlite3_bind_blob(stmt_, i, v.constData(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    return *this;
  }
  bool next() {
    rc_ = sqlite3_step(stmt_);
    return rc_ == SQLITE_ROW;
  }
  bool run() {
    rc_ = sqlite3_step(stmt_);
    return rc_ == SQLITE_DONE || rc_ == SQLITE_ROW;
  }
  int rc() const { return rc_; }
  qint64 i64(int c) const { return sqlite3_column_int64(stmt_, c); }
  QString text(int c) const {
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt_, c)),
                             sqlite3_column_bytes(stmt_, c));
  }
  QByteArray blob(int c) const {
    const void* p = sqlite3_column_blob(stmt_, c);
    return QByteArray(static_cast<const char*>(p), sqlite3_column_bytes(stmt_, c));
  }
  bool isNull(int c) const { return sqlite3_column_type(stmt_, c) == SQLITE_NULL; }

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_;
  int rc_ = SQLITE_OK;
};

class Store {
 public:
  ~Store();
  adsi::Status open(const QString& path);

  Query q(const char* sql);
  // "INSERT INTO attrs ... VALUES (?,?,?,?,?)" repeated `rows` times (1..kMaxRowsPerInsert).
  Query attrInsert(int rows);
  static constexpr int kMaxRowsPerInsert = 32;
  adsi::Status exec(const char* sql);
  int changes() const { return sqlite3_changes(db_); }
  bool constraintFailed() const { return sqlite3_errcode(db_) == SQLITE_CONSTRAINT; }
  adsi::Error dbError(const QString& what) const;

  // One transaction per change, or per work unit (adsi::WorkUnit) with a savepoint per change.
  // `begin` takes the write lock at once.
  adsi::Status begin();
  adsi::Status commit();
  void rollback();
  // A read snapshot: one lock for the many statements of a search rather than one per statement.
  // Does nothing inside a transaction; `endRead` closes only what `beginRead` opened.
  bool beginRead();
  void endRead(bool opened);

  QDateTime now() const { return clock ? clock() : QDateTime::currentDateTimeUtc(); }
  qint64 nowTicks() const;

  // Domains, forests, servers, drives and injected faults are cached; the cache is dropped when
  // another connection commits (`refresh`) or when this one changes them (`invalidate`).
  void refresh();
  void invalidate();
  // Whether the server `name` is marked unreachable (false for unknown names).
  bool serverDown(const QString& name);
  // The server `name` (its first label, letter case ignored).
  std::optional<ServerRow> server(const QString& name);
  // The quota of a server's drive (-1 for none); nullopt when the server has no such drive.
  std::optional<qint64> driveQuota(const QString& server, QChar letter);
  // Whether the fault `kind` is injected for `server` and `item`.
  bool hasFault(const QString& kind, const QString& server, const QString& item);

  std::optional<DomainRow> domainById(qint64 id);
  std::optional<DomainRow> domainByName(const QString& name);  // DNS, NetBIOS or a server's name
  QList<DomainRow> domains();
  std::optional<ForestRow> forest(qint64 id);

  std::optional<ObjRow> object(const adsi::Dn& dn);
  std::optional<ObjRow> objectById(qint64 id);
  // The objects of `ascendingIds` (those that exist), in that order; close ids are read together.
  QList<ObjRow> objectsByIds(const QList<qint64>& ascendingIds);
  // The same into `out`, which keeps its room from one call to the next.
  void objectsByIds(const QList<qint64>& ascendingIds, QList<ObjRow>& out);
  // Stored values: every value is in the object's packed attributes; those of the attributes
  // looked up by value (objectCategory, userPrincipalName, primaryGroupID) also have a row each
  // in `attrs`, where the indexes are.
  adsi::Values attr(qint64 id, const QString& name);
  adsi::Values attrOf(const ObjRow& o, const QString& name);  // from `o`'s row, read with it
  QList<adsi::Attribute> attrs(qint64 id);
  QList<adsi::Attribute> attrsOf(const ObjRow& o);
  // Replaces the values of the attributes named in `changes` (no values removes one).
  [[nodiscard]] bool writeAttrs(qint64 id, const QList<adsi::Attribute>& changes);
  // Replaces the values of the attributes in `changes` of the object `o` (read in this transaction);
  // no values removes one. The other attributes are copied as they are stored.
  [[nodiscard]] bool writeChanges(const ObjRow& o, const QList<adsi::Attribute>& changes);
  // Records `all` as the object's attributes, the attributes named in `changed` having changed:
  // for a writer that holds the whole entry.
  [[nodiscard]] bool writeEntry(qint64 id, const QList<adsi::Attribute>& all, const QStringList& changed);
  QStringList chain(qint64 id);
  qint64 insertObject(const ObjRow& parent, const adsi::Dn& dn, qint64 domainId, qint64 forestId,
                      const QList<adsi::Attribute>& attrs);
  bool hasChildren(qint64 id);
  std::optional<qint64> samOwner(qint64 domainId, const QString& sam);
  std::optional<qint64> sidOwner(qint64 domainId, const QByteArray& sid);
  QList<qint64> groupsOf(qint64 memberId);
  QList<qint64> membersOf(qint64 groupId);
  bool hasLink(qint64 groupId, qint64 memberId);
  qint64 nextRid(qint64 domainId);
  QString meta(const QString& key);
  void setMeta(const QString& key, const QString& value);

  // The values of an entry as a reader sees them, constructed attributes included.
  adsi::Values readValues(const ObjRow& o, const QString& name);
  // Whether readValues gives an attribute (name in lower case) as stored, rather than making it.
  static bool storedAsIs(const QString& lowerName);

  std::function<QDateTime()> clock;
  std::optional<quint32> refuse;
  int sizeLimit = 1000;

 private:
  void loadCaches();
  void refreshNow();
  void endUnit();
  adsi::Status control(const char* sql);
  adsi::Status upgrade();
  QByteArray packedOf(qint64 id);
  bool setPacked(qint64 id, const QList<adsi::Attribute>& all);
  bool writeIndexRows(qint64 id, const QString& key, const QString& display, const adsi::Values& values);

  sqlite3* db_ = nullptr;
  QHash<const char*, sqlite3_stmt*> stmts_;
  QHash<int, sqlite3_stmt*> attrInserts_;
  bool cached_ = false;
  bool inUnit_ = false;  // a work unit's transaction is open
  qint64 dataVersion_ = -1;
  QHash<qint64, DomainRow> domains_;
  QHash<qint64, ForestRow> forests_;
  QHash<QString, qint64> domainNames_;    // lower-case DNS and NetBIOS names
  QHash<QString, ServerRow> servers_;   // lower-case server names
  QHash<QString, qint64> drives_;       // "server:letter" in lower case -> quota
  QSet<QString> faults_;                // kind, server and item joined by newlines
  QHash<qint64, std::pair<qint64, qint64>> ridPools_;  // domain -> [next, end)
};

// One write transaction: rolled back unless committed.
class Txn {
 public:
  explicit Txn(Store& s) : s_(s) { ok_ = s_.begin().ok(); }
  ~Txn() {
    if (ok_ && !done_) s_.rollback();
  }
  Txn(const Txn&) = delete;
  Txn& operator=(const Txn&) = delete;
  bool ok() const { return ok_; }
  adsi::Status commit() {
    done_ = true;
    return s_.commit();
  }

 private:
  Store& s_;
  bool ok_ = false;
  bool done_ = false;
};

// One read snapshot for the statements of an operation (nothing inside a transaction), with the
// caches brought up to date: one lock taken rather than one per statement.
class ReadScope {
 public:
  explicit ReadScope(Store& s) : s_(s), opened_(s.beginRead()) { s_.refresh(); }
  ~ReadScope() { s_.endRead(opened_); }
  ReadScope(const ReadScope&) = delete;
  ReadScope& operator=(const ReadScope&) = delete;

 private:
  Store& s_;
  bool opened_;
};

QString reversedKey(const adsi::Dn& dn);

}  // namespace tavrel::simnet
