#include "platform/simnet/Store.h"

#include "platform/adsi/Counters.h"
#include "platform/adsi/Properties.h"
#include "platform/adsi/Schema.h"
#include "platform/adsi/Values.h"
#include "platform/adsi/WorkUnit.h"
#include "platform/simnet/WalGather.h"

#include <QVarLengthArray>

#include <algorithm>

namespace tavrel::simnet {

using namespace adsi;

namespace {

const char* const kSchema = R"SQL(
CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value TEXT);
CREATE TABLE IF NOT EXISTS forests(id INTEGER PRIMARY KEY, root_dns TEXT NOT NULL, root_nc TEXT NOT NULL,
  config_nc TEXT NOT NULL, schema_nc TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS domains(id INTEGER PRIMARY KEY, forest_id INTEGER NOT NULL, dns TEXT, netbios TEXT NOT NULL,
  nc TEXT NOT NULL, kind INTEGER NOT NULL, mixed INTEGER NOT NULL, sid BLOB NOT NULL, next_rid INTEGER NOT NULL,
  reachable INTEGER NOT NULL DEFAULT 1);
CREATE TABLE IF NOT EXISTS servers(name TEXT PRIMARY KEY COLLATE NOCASE, domain_id INTEGER NOT NULL, role INTEGER NOT NULL,
  reachable INTEGER NOT NULL DEFAULT 1);
CREATE TABLE IF NOT EXISTS objects(id INTEGER PRIMARY KEY, domain_id INTEGER NOT NULL, forest_id INTEGER NOT NULL,
  parent_id INTEGER NOT NULL, dn TEXT NOT NULL, rkey TEXT NOT NULL UNIQUE, packed BLOB);
CREATE INDEX IF NOT EXISTS objects_parent ON objects(parent_id);
CREATE TABLE IF NOT EXISTS attrs(object_id INTEGER NOT NULL, akey TEXT NOT NULL, seq INTEGER NOT NULL, name TEXT NOT NULL,
  value BLOB NOT NULL, PRIMARY KEY(object_id, akey, seq)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS sam(domain_id INTEGER NOT NULL, name_key TEXT NOT NULL, object_id INTEGER NOT NULL,
  PRIMARY KEY(domain_id, name_key)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS sids(sid BLOB NOT NULL, object_id INTEGER NOT NULL, PRIMARY KEY(sid, object_id)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS links(group_id INTEGER NOT NULL, member_id INTEGER NOT NULL, PRIMARY KEY(group_id, member_id))
  WITHOUT ROWID;
CREATE INDEX IF NOT EXISTS links_member ON links(member_id, group_id);
CREATE INDEX IF NOT EXISTS attrs_category ON attrs(value, object_id) WHERE akey GLOB 'objectcategory';
CREATE INDEX IF NOT EXISTS attrs_upn ON attrs(fold(value), object_id) WHERE akey GLOB 'userprincipalname';
CREATE TABLE IF NOT EXISTS secrets(object_id INTEGER PRIMARY KEY, salt BLOB NOT NULL, hash BLOB NOT NULL);
CREATE INDEX IF NOT EXISTS sam_name ON sam(name_key, object_id);
CREATE TABLE IF NOT EXISTS drives(server TEXT NOT NULL COLLATE NOCASE, letter TEXT NOT NULL COLLATE NOCASE,
  quota INTEGER NOT NULL DEFAULT -1, PRIMARY KEY(server, letter)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS shares(server TEXT NOT NULL COLLATE NOCASE, name TEXT NOT NULL COLLATE NOCASE,
  type INTEGER NOT NULL, remark TEXT NOT NULL, permissions INTEGER NOT NULL, max_uses INTEGER NOT NULL,
  path TEXT NOT NULL, passwd TEXT NOT NULL, sd BLOB, PRIMARY KEY(server, name)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS path_security(server TEXT NOT NULL, drive TEXT NOT NULL, key TEXT NOT NULL, sd BLOB NOT NULL,
  PRIMARY KEY(server, drive, key)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS path_steps(id INTEGER PRIMARY KEY, pid INTEGER NOT NULL, kind INTEGER NOT NULL,
  server TEXT NOT NULL, drive TEXT NOT NULL, key TEXT NOT NULL, local TEXT NOT NULL,
  to_server TEXT NOT NULL, to_drive TEXT NOT NULL, to_key TEXT NOT NULL, to_local TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS wts(domain_id INTEGER NOT NULL, account TEXT NOT NULL, class INTEGER NOT NULL,
  is_string INTEGER NOT NULL, value TEXT NOT NULL, PRIMARY KEY(domain_id, account, class)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS faults(kind TEXT NOT NULL, server TEXT NOT NULL, item TEXT NOT NULL,
  PRIMARY KEY(kind, server, item)) WITHOUT ROWID;
)SQL";

// fold(value): the value with its case folded as the filter evaluator compares text, for the index
// of values compared without regard to case.
void foldFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const auto* p = static_cast<const char*>(sqlite3_value_blob(argv[0]));
  const QByteArray folded = QString::fromUtf8(p, sqlite3_value_bytes(argv[0])).toCaseFolded().toUtf8();
  sqlite3_result_text(ctx, folded.constData(), static_cast<int>(folded.size()), SQLITE_TRANSIENT);
}

// The attributes whose objects are looked up by value keep a row per value in `attrs`, where the
// indexes find them; every other value lives only in the object's packed attributes.
const char* const kIndexedKeys[] = {"objectcategory", "userprincipalname", "primarygroupid"};

bool isIndexed(const QString& lowerKey) {
  for (const char* k : kIndexedKeys)
    if (lowerKey == QLatin1String(k)) return true;
  return false;
}

}  // namespace

namespace packed {
namespace {

constexpr char kFormat = 1;

void putNumber(QByteArray& out, quint64 n) {
  do {
    char b = static_cast<char>(n & 0x7f);
    n >>= 7;
    if (n) b = static_cast<char>(b | 0x80);
    out.append(b);
  } while (n);
}

// Reads `data` front to back; every read checks the bounds, so damaged data gives false.
struct Reader {
  const char* p;
  const char* end;
  bool number(quint64& n) {
    n = 0;
    for (int shift = 0; p < end && shift < 64; shift += 7) {
      const auto b = static_cast<uchar>(*p++);
      n |= quint64(b & 0x7f) << shift;
      if (!(b & 0x80)) return true;
    }
    return false;
  }
  bool bytes(QByteArrayView& v) {
    quint64 n = 0;
    if (!number(n) || n > quint64(end - p)) return false;
    v = QByteArrayView(p, static_cast<qsizetype>(n));
    p += n;
    return true;
  }
  // The number of values of an attribute: each takes at least its length byte.
  bool count(quint64& n) { return number(n) && n <= quint64(end - p); }
  // One stored attribute: its name and the number of its values, which are stepped over whole
  // (`values` is where they start).
  bool attribute(QByteArrayView& name, quint64& n, const char*& values) {
    if (!bytes(name) || !count(n)) return false;
    values = p;
    for (quint64 i = 0; i < n; ++i) {
      QByteArrayView v;
      if (!bytes(v)) return false;
    }
    return true;
  }
};

std::optional<Reader> reader(QByteArrayView data) {
  if (data.isEmpty() || data.front() != kFormat) return std::nullopt;
  return Reader{data.data() + 1, data.data() + data.size()};
}

// Attribute names are ASCII in practice: compared without allocating; others through QString.
bool sameName(QByteArrayView stored, QStringView name) {
  if (stored.size() == name.size()) {
    bool ascii = true;
    for (qsizetype i = 0; i < stored.size() && ascii; ++i) {
      const auto b = static_cast<uchar>(stored[i]);
      const char16_t c = name[i].unicode();
      if (b >= 0x80 || c >= 0x80) {
        ascii = false;
        break;
      }
      if (QChar::toLower(char16_t(b)) != QChar::toLower(c)) return false;
    }
    if (ascii) return true;
  } else {
    // Two ASCII names of different lengths differ; a name with other letters may fold to one
    // of another length.
    const bool storedAscii =
        std::all_of(stored.begin(), stored.end(), [](char b) { return static_cast<uchar>(b) < 0x80; });
    if (storedAscii && std::all_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x80; }))
      return false;
  }
  return QString::fromUtf8(stored).compare(name, Qt::CaseInsensitive) == 0;
}

// A stored name in lower case, as UTF-8: ASCII names (all in practice) without a conversion.
// Written into `key`, whose room is reused from one name to the next.
void lowerKeyInto(QByteArrayView stored, QByteArray& key) {
  key.resize(stored.size());
  char* out = key.data();
  for (qsizetype i = 0; i < stored.size(); ++i) {
    const auto b = static_cast<uchar>(stored[i]);
    if (b >= 0x80) {
      key = QString::fromUtf8(stored).toLower().toUtf8();
      return;
    }
    out[i] = static_cast<char>(b >= 'A' && b <= 'Z' ? b + ('a' - 'A') : b);
  }
}
QByteArray lowerKey(QByteArrayView stored) {
  QByteArray key;
  lowerKeyInto(stored, key);
  return key;
}

// An attribute as pack writes it; none without values.
void putAttribute(QByteArray& out, const Attribute& a) {
  if (a.values.isEmpty()) return;
  const QByteArray name = a.name.toUtf8();
  putNumber(out, static_cast<quint64>(name.size()));
  out.append(name);
  putNumber(out, static_cast<quint64>(a.values.size()));
  for (const QByteArray& v : a.values) {
    putNumber(out, static_cast<quint64>(v.size()));
    out.append(v);
  }
}

}  // namespace

QByteArray pack(const QList<Attribute>& attributes) {
  // Key order, as the attribute rows are read.
  QList<std::pair<QByteArray, qsizetype>> order;
  order.reserve(attributes.size());
  qsizetype bytes = 1;
  for (qsizetype i = 0; i < attributes.size(); ++i) {
    order.append({attributes[i].name.toLower().toUtf8(), i});
    bytes += attributes[i].name.size() + 2;
    for (const QByteArray& v : std::as_const(attributes[i].values)) bytes += v.size() + 2;
  }
  std::stable_sort(order.begin(), order.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  QByteArray out;
  out.reserve(bytes);
  out.append(kFormat);
  for (const auto& [key, i] : std::as_const(order)) putAttribute(out, attributes[i]);
  return out;
}

std::optional<Values> find(QByteArrayView data, QStringView name) {
  auto r = reader(data);
  if (!r) return std::nullopt;
  while (r->p < r->end) {
    QByteArrayView stored;
    quint64 count = 0;
    if (!r->bytes(stored) || !r->count(count)) return std::nullopt;
    const bool hit = sameName(stored, name);
    Values out;
    if (hit) out.reserve(static_cast<qsizetype>(count));
    for (quint64 i = 0; i < count; ++i) {
      QByteArrayView v;
      if (!r->bytes(v)) return std::nullopt;
      if (hit) out.append(v.toByteArray());
    }
    if (hit) return out;
  }
  return Values{};
}

std::optional<bool> anyValue(QByteArrayView data, QStringView name,
                             qxp::function_ref<bool(QByteArrayView)> test) {
  auto r = reader(data);
  if (!r) return std::nullopt;
  while (r->p < r->end) {
    QByteArrayView stored;
    quint64 count = 0;
    const char* first = nullptr;
    if (!r->attribute(stored, count, first)) return std::nullopt;
    if (!sameName(stored, name)) continue;
    // Every value of the attribute was read whole: now they are tested.
    Reader values{first, r->p};
    for (quint64 i = 0; i < count; ++i) {
      QByteArrayView v;
      values.bytes(v);
      if (test(v)) return true;
    }
    return false;
  }
  return false;
}

std::optional<QList<Values>> findAll(QByteArrayView data, const QStringList& names) {
  auto r = reader(data);
  if (!r) return std::nullopt;
  QList<Values> out(names.size());
  QVarLengthArray<bool, 8> done(names.size(), false);
  qsizetype found = 0;
  while (r->p < r->end && found < names.size()) {
    QByteArrayView stored;
    quint64 count = 0;
    const char* first = nullptr;
    if (!r->attribute(stored, count, first)) return std::nullopt;
    for (qsizetype n = 0; n < names.size(); ++n) {
      if (done[n] || !sameName(stored, names[n])) continue;
      done[n] = true;
      Reader values{first, r->p};
      out[n].reserve(static_cast<qsizetype>(count));
      for (quint64 i = 0; i < count; ++i) {
        QByteArrayView v;
        values.bytes(v);
        out[n].append(v.toByteArray());
      }
      ++found;
    }
  }
  return out;
}

namespace {

// splice for stored attributes that are not in key order: every piece sorted.
std::optional<QByteArray> spliceSorting(QByteArrayView data, const QList<Attribute>& changes) {
  auto r = reader(data);
  if (!r) return std::nullopt;
  // Each piece of the result: a stored attribute's bytes as they are, or a change to encode.
  struct Piece {
    QByteArray key;
    QByteArrayView bytes;
    const Attribute* change = nullptr;
  };
  QList<Piece> pieces;
  QSet<QByteArray> changed;
  for (const Attribute& c : changes) {
    pieces.append(Piece{c.name.toLower().toUtf8(), {}, &c});
    changed.insert(pieces.last().key);
  }
  while (r->p < r->end) {
    const char* start = r->p;
    QByteArrayView stored;
    quint64 count = 0;
    const char* values = nullptr;
    if (!r->attribute(stored, count, values)) return std::nullopt;
    QByteArray key = lowerKey(stored);
    if (!changed.contains(key))
      pieces.append(Piece{std::move(key), QByteArrayView(start, r->p - start), nullptr});
  }
  // Key order, as pack writes it.
  std::stable_sort(pieces.begin(), pieces.end(),
                   [](const Piece& a, const Piece& b) { return a.key < b.key; });
  QByteArray out;
  out.reserve(data.size() + 64);
  out.append(kFormat);
  for (const Piece& p : std::as_const(pieces)) {
    if (!p.change) {
      out.append(p.bytes);
      continue;
    }
    putAttribute(out, *p.change);
  }
  return out;
}

}  // namespace

std::optional<QByteArray> splice(QByteArrayView data, const QList<Attribute>& changes) {
  auto r = reader(data);
  if (!r) return std::nullopt;
  // The stored attributes are in key order, as pack writes them: the few changes, sorted, are
  // merged into them as they are read. Stored attributes out of order are sorted with the rest.
  struct Change {
    QByteArray key;
    const Attribute* change;
  };
  QVarLengthArray<Change, 16> sorted;
  for (const Attribute& c : changes) sorted.append(Change{c.name.toLower().toUtf8(), &c});
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const Change& a, const Change& b) { return a.key < b.key; });
  QByteArray out;
  out.reserve(data.size() + 64);
  out.append(kFormat);
  qsizetype next = 0;  // the first change not yet written
  QByteArray key, previous;
  while (r->p < r->end) {
    const char* start = r->p;
    QByteArrayView stored;
    quint64 count = 0;
    const char* values = nullptr;
    if (!r->attribute(stored, count, values)) return std::nullopt;
    lowerKeyInto(stored, key);
    if (key < previous) return spliceSorting(data, changes);
    while (next < sorted.size() && sorted[next].key < key) putAttribute(out, *sorted[next++].change);
    // A stored attribute that a change names is replaced by it (written above or just below).
    if (next == sorted.size() || sorted[next].key != key) out.append(QByteArrayView(start, r->p - start));
    std::swap(previous, key);
  }
  while (next < sorted.size()) putAttribute(out, *sorted[next++].change);
  return out;
}

std::optional<QList<Attribute>> unpack(QByteArrayView data) {
  auto r = reader(data);
  if (!r) return std::nullopt;
  QList<Attribute> out;
  while (r->p < r->end) {
    QByteArrayView name;
    quint64 count = 0;
    if (!r->bytes(name) || !r->count(count)) return std::nullopt;
    Attribute a{QString::fromUtf8(name), {}};
    a.values.reserve(static_cast<qsizetype>(count));
    for (quint64 i = 0; i < count; ++i) {
      QByteArrayView v;
      if (!r->bytes(v)) return std::nullopt;
      a.values.append(v.toByteArray());
    }
    out.append(std::move(a));
  }
  return out;
}

}  // namespace packed

QString reversedKey(const Dn& dn) {
  // Each name's key is its text in lower case; the joined text is lowered once, which gives the
  // same (the case mapping goes letter by letter). The names are cut from the name's text, which
  // the name keeps once written: a comma parts two names unless a backslash escapes it (an escape
  // is a backslash and the next character, or two hex digits, which are never commas).
  const QString text = dn.toString();
  QVarLengthArray<qsizetype, 16> commas;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'\\')
      ++i;
    else if (text[i] == u',')
      commas.append(i);
  }
  QString out;
  out.reserve(text.size());
  qsizetype end = text.size();
  for (qsizetype k = commas.size() - 1; k >= 0; --k) {
    out += QStringView(text).sliced(commas[k] + 1, end - commas[k] - 1);
    out += QChar(1);
    end = commas[k];
  }
  out += QStringView(text).first(end);
  return std::move(out).toLower();
}

Store::~Store() {
  if (inUnit_) {
    WorkUnit::leave(this);
    endUnit();
  }
  for (sqlite3_stmt* s : std::as_const(stmts_)) sqlite3_finalize(s);
  for (sqlite3_stmt* s : std::as_const(attrInserts_)) sqlite3_finalize(s);
  if (db_) sqlite3_close(db_);
}

Error Store::dbError(const QString& what) const {
  return makeError(hr::E_FAIL, QStringLiteral("%1: %2").arg(
                                   what, QString::fromUtf8(db_ ? sqlite3_errmsg(db_) : "no database")));
}

Status Store::open(const QString& path) {
  if (sqlite3_open_v2(path.toUtf8().constData(), &db_,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                      walGatheringVfs()) != SQLITE_OK)
    return dbError(QStringLiteral("cannot open %1").arg(path));
  sqlite3_busy_timeout(db_, 10000);
  if (sqlite3_create_function_v2(db_, "fold", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS,
                                 nullptr, foldFunction, nullptr, nullptr, nullptr) != SQLITE_OK)
    return dbError(QStringLiteral("cannot register fold"));
  // WAL with NORMAL sync: a committed change survives the process being killed. Small pages keep
  // the bytes written per change low; checkpoints every 8000 pages rather than 1000 sync less
  // often during bulk work. The database is read through the memory map below; the page cache
  // holds what the log holds (8 MB: a whole log of 8000 pages). A larger cache costs every
  // commit, which sweeps the cache's table.
  if (Status s = exec("PRAGMA page_size=1024; PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; "
                      "PRAGMA foreign_keys=OFF; PRAGMA wal_autocheckpoint=8000; "
                      "PRAGMA journal_size_limit=67108864; PRAGMA cache_size=-8192;");
      !s)
    return s;
  // Searches read many pages: keep them mapped rather than read one by one.
  if (Status s = exec("PRAGMA mmap_size=1073741824;"); !s) return s;
  if (Status s = exec(kSchema); !s) return s;
  if (Status s = upgrade(); !s) return s;
  const QString limit = meta(QStringLiteral("size_limit"));
  if (!limit.isEmpty()) sizeLimit = limit.toInt();
  return {};
}

Query Store::q(const char* sql) {
  sqlite3_stmt*& s = stmts_[sql];
  if (!s && sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr) != SQLITE_OK)
    qFatal("simnet: cannot prepare \"%s\": %s", sql, sqlite3_errmsg(db_));
  return Query(db_, s);
}

Query Store::attrInsert(int rows) {
  sqlite3_stmt*& s = attrInserts_[rows];
  if (!s) {
    QByteArray sql = "INSERT INTO attrs(object_id, akey, seq, name, value) VALUES(?,?,?,?,?)";
    for (int i = 1; i < rows; ++i) sql += ",(?,?,?,?,?)";
    if (sqlite3_prepare_v3(db_, sql.constData(), -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr) != SQLITE_OK)
      qFatal("simnet: cannot prepare the attribute insert: %s", sqlite3_errmsg(db_));
  }
  return Query(db_, s);
}

namespace {
bool hasPackedColumn(sqlite3* db) {
  sqlite3_stmt* probe = nullptr;
  const bool ok =
      sqlite3_prepare_v2(db, "SELECT packed FROM objects LIMIT 0", -1, &probe, nullptr) == SQLITE_OK;
  sqlite3_finalize(probe);
  return ok;
}
}  // namespace

// A network written when every value had a row of its own: the objects get their packed
// attributes, and only the rows of the indexed attributes stay.
Status Store::upgrade() {
  if (hasPackedColumn(db_)) return {};
  if (Status s = begin(); !s) return s;
  if (Status s = exec("ALTER TABLE objects ADD COLUMN packed BLOB"); !s) {
    rollback();
    // Another process may have upgraded it first.
    return hasPackedColumn(db_) ? Status{} : s;
  }
  QList<qint64> ids;
  {
    auto r = q("SELECT id FROM objects");
    while (r.next()) ids.append(r.i64(0));
  }
  for (qint64 id : std::as_const(ids)) {
    QList<Attribute> all;
    {
      auto r = q("SELECT akey, name, value FROM attrs WHERE object_id=? ORDER BY akey, seq");
      r.bind(1, id);
      QString last;
      while (r.next()) {
        const QString key = r.text(0);
        if (all.isEmpty() || key != last) {
          all.append(Attribute{r.text(1), {}});
          last = key;
        }
        all.last().values.append(r.blob(2));
      }
    }
    if (!setPacked(id, all)) {
      const Error e = dbError(QStringLiteral("cannot pack the attributes of the network's objects"));
      rollback();
      return e;
    }
  }
  QByteArray keep;
  for (const char* k : kIndexedKeys) keep += QByteArray(keep.isEmpty() ? "'" : ", '") + k + "'";
  if (Status s = exec("DELETE FROM attrs WHERE akey NOT IN (" + keep + ")"); !s) {
    rollback();
    return s;
  }
  return commit();
}

Status Store::exec(const char* sql) {
  char* err = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &err) != SQLITE_OK) {
    Error e = makeError(hr::E_FAIL, QString::fromUtf8(err ? err : "sqlite error"));
    sqlite3_free(err);
    return e;
  }
  return {};
}

// Transaction control runs often: through prepared statements rather than parsed each time.
Status Store::control(const char* sql) {
  auto c = q(sql);
  if (!c.run()) return makeError(hr::E_FAIL, QString::fromUtf8(sqlite3_errmsg(db_)));
  return {};
}

// Inside a work unit each change is a savepoint of the unit's transaction, which the first change
// opens and the end of the unit commits.
Status Store::begin() {
  if (!inUnit_ && WorkUnit::active() && sqlite3_get_autocommit(db_)) {
    count(Counter::Transactions);
    if (Status s = control("BEGIN IMMEDIATE"); !s) return s;
    inUnit_ = true;
    WorkUnit::join(this, [this] { endUnit(); });
    // Nothing else can commit until the unit ends: the caches are brought up to date once.
    refreshNow();
  }
  if (inUnit_) return control("SAVEPOINT change");
  count(Counter::Transactions);
  return control("BEGIN IMMEDIATE");
}
Status Store::commit() {
  if (inUnit_) {
    if (Status s = control("RELEASE change"); !s) {
      rollback();
      return s;
    }
    return {};
  }
  if (Status s = control("COMMIT"); !s) {
    rollback();
    return s;
  }
  return {};
}
void Store::rollback() {
  if (inUnit_) {
    // Only this change is undone; the unit's earlier changes stay.
    (void)control("ROLLBACK TO change");
    (void)control("RELEASE change");
  } else if (!sqlite3_get_autocommit(db_)) {
    (void)control("ROLLBACK");
  }
  invalidate();
  ridPools_.clear();
}
void Store::endUnit() {
  inUnit_ = false;
  if (sqlite3_get_autocommit(db_)) return;
  if (!control("COMMIT").ok()) {
    (void)control("ROLLBACK");
    invalidate();
    ridPools_.clear();
  }
}
bool Store::beginRead() {
  if (!sqlite3_get_autocommit(db_)) return false;
  count(Counter::Reads);
  return control("BEGIN").ok();
}
void Store::endRead(bool opened) {
  if (opened && !sqlite3_get_autocommit(db_)) (void)control("COMMIT");
}

qint64 Store::nowTicks() const {
  return fileTimeFromDateTime(now());
}

namespace {
DomainRow domainFrom(Query& r) {
  DomainRow d;
  d.id = r.i64(0);
  d.forestId = r.i64(1);
  d.dns = r.text(2);
  d.netbios = r.text(3);
  d.nc = Dn::parse(r.text(4)).value();
  d.kind = r.i64(5) == 1 ? DomainKind::Nt4 : DomainKind::ActiveDirectory;
  d.mixed = r.i64(6) != 0;
  d.sid = r.blob(7);
  d.reachable = r.i64(8) != 0;
  return d;
}
}  // namespace

void Store::refresh() {
  // A unit's transaction holds the write lock: no other connection commits meanwhile.
  if (inUnit_) return;
  refreshNow();
}

void Store::refreshNow() {
  auto r = q("PRAGMA data_version");
  const qint64 v = r.next() ? r.i64(0) : -1;
  if (v != dataVersion_) {
    dataVersion_ = v;
    cached_ = false;
  }
}

void Store::invalidate() {
  cached_ = false;
}

void Store::loadCaches() {
  if (cached_) return;
  domains_.clear();
  forests_.clear();
  domainNames_.clear();
  servers_.clear();
  drives_.clear();
  faults_.clear();
  {
    auto r =
        q("SELECT id, forest_id, dns, netbios, nc, kind, mixed, sid, reachable FROM domains ORDER BY id");
    while (r.next()) {
      DomainRow d = domainFrom(r);
      if (!d.dns.isEmpty()) domainNames_.insert(d.dns.toLower(), d.id);
      domainNames_.insert(d.netbios.toLower(), d.id);
      domains_.insert(d.id, d);
    }
  }
  {
    auto r = q("SELECT id, root_dns, root_nc, config_nc, schema_nc FROM forests");
    while (r.next()) {
      ForestRow f;
      f.id = r.i64(0);
      f.rootDns = r.text(1);
      f.rootNc = Dn::parse(r.text(2)).value();
      f.configNc = Dn::parse(r.text(3)).value();
      f.schemaNc = Dn::parse(r.text(4)).value();
      forests_.insert(f.id, f);
    }
  }
  {
    auto r = q("SELECT name, domain_id, role, reachable FROM servers");
    while (r.next())
      servers_.insert(r.text(0).toLower(), ServerRow{r.i64(1), static_cast<int>(r.i64(2)), r.i64(3) != 0});
  }
  {
    auto r = q("SELECT server, letter, quota FROM drives");
    while (r.next()) drives_.insert((r.text(0) + u':' + r.text(1)).toLower(), r.i64(2));
  }
  {
    auto r = q("SELECT kind, server, item FROM faults");
    while (r.next()) faults_.insert(r.text(0) + u'\n' + r.text(1) + u'\n' + r.text(2));
  }
  cached_ = true;
}

bool Store::serverDown(const QString& name) {
  auto s = server(name);
  return s && !s->reachable;
}

std::optional<ServerRow> Store::server(const QString& name) {
  loadCaches();
  const auto it = servers_.constFind(name.section(u'.', 0, 0).toLower());
  if (it == servers_.cend()) return std::nullopt;
  return *it;
}

std::optional<qint64> Store::driveQuota(const QString& server, QChar letter) {
  loadCaches();
  const auto it = drives_.constFind((server.section(u'.', 0, 0) + u':' + letter).toLower());
  if (it == drives_.cend()) return std::nullopt;
  return *it;
}

bool Store::hasFault(const QString& kind, const QString& server, const QString& item) {
  loadCaches();
  return faults_.contains(kind + u'\n' + server + u'\n' + item);
}

namespace {
template <typename T>
std::optional<T> cachedRow(const QHash<qint64, T>& rows, qint64 id) {
  const auto it = rows.constFind(id);
  if (it == rows.cend()) return std::nullopt;
  return *it;
}
}  // namespace

std::optional<DomainRow> Store::domainById(qint64 id) {
  loadCaches();
  return cachedRow(domains_, id);
}

std::optional<DomainRow> Store::domainByName(const QString& name) {
  loadCaches();
  const QString key = name.toLower();
  if (auto it = domainNames_.constFind(key); it != domainNames_.cend()) return domainById(*it);
  if (auto it = servers_.constFind(key); it != servers_.cend()) return domainById(it->domainId);
  if (auto it = servers_.constFind(key.section(u'.', 0, 0)); it != servers_.cend())
    return domainById(it->domainId);
  return std::nullopt;
}

QList<DomainRow> Store::domains() {
  loadCaches();
  QList<DomainRow> out = domains_.values();
  std::sort(out.begin(), out.end(), [](const DomainRow& a, const DomainRow& b) { return a.id < b.id; });
  return out;
}

std::optional<ForestRow> Store::forest(qint64 id) {
  loadCaches();
  return cachedRow(forests_, id);
}

std::optional<ObjRow> Store::object(const Dn& dn) {
  const QString text = dn.toString();
  auto r = q("SELECT id, domain_id, forest_id, parent_id, dn, packed FROM objects WHERE rkey=?");
  r.bind(1, reversedKey(dn));
  if (!r.next()) return std::nullopt;
  const QString stored = r.text(4);
  return ObjRow{r.i64(0), r.i64(1), r.i64(2), r.i64(3), stored == text ? dn : Dn::fromFormatted(stored),
                r.blob(5)};
}

namespace {
ObjRow objectFrom(const Query& r) {
  return ObjRow{r.i64(0), r.i64(1), r.i64(2), r.i64(3), Dn::fromFormatted(r.text(4)), r.blob(5)};
}
}  // namespace

std::optional<ObjRow> Store::objectById(qint64 id) {
  auto r = q("SELECT id, domain_id, forest_id, parent_id, dn, packed FROM objects WHERE id=?");
  r.bind(1, id);
  if (!r.next()) return std::nullopt;
  return objectFrom(r);
}

QList<ObjRow> Store::objectsByIds(const QList<qint64>& ascendingIds) {
  QList<ObjRow> out;
  objectsByIds(ascendingIds, out);
  return out;
}

void Store::objectsByIds(const QList<qint64>& ascendingIds, QList<ObjRow>& out) {
  out.clear();
  if (ascendingIds.isEmpty()) return;
  out.reserve(ascendingIds.size());
  const qint64 first = ascendingIds.first(), last = ascendingIds.last();
  if (last - first >= 4 * ascendingIds.size()) {
    for (qint64 id : ascendingIds)
      if (auto o = objectById(id)) out.append(std::move(*o));
    return;
  }
  auto r =
      q("SELECT id, domain_id, forest_id, parent_id, dn, packed FROM objects WHERE id BETWEEN ? AND ? ORDER "
        "BY id");
  r.bind(1, first).bind(2, last);
  qsizetype i = 0;
  while (i < ascendingIds.size() && r.next()) {
    const qint64 id = r.i64(0);
    while (i < ascendingIds.size() && ascendingIds[i] < id) ++i;
    if (i < ascendingIds.size() && ascendingIds[i] == id) out.append(objectFrom(r));
  }
}

QByteArray Store::packedOf(qint64 id) {
  auto r = q("SELECT packed FROM objects WHERE id=?");
  r.bind(1, id);
  return r.next() ? r.blob(0) : QByteArray();
}

Values Store::attr(qint64 id, const QString& name) {
  return packed::find(packedOf(id), name).value_or(Values{});
}

Values Store::attrOf(const ObjRow& o, const QString& name) {
  if (!o.packed.isEmpty())
    if (auto v = packed::find(o.packed, name)) return std::move(*v);
  return attr(o.id, name);
}

QList<Attribute> Store::attrs(qint64 id) {
  return packed::unpack(packedOf(id)).value_or(QList<Attribute>{});
}

QList<Attribute> Store::attrsOf(const ObjRow& o) {
  if (!o.packed.isEmpty())
    if (auto all = packed::unpack(o.packed)) return std::move(*all);
  return attrs(o.id);
}

bool Store::setPacked(qint64 id, const QList<Attribute>& all) {
  auto u = q("UPDATE objects SET packed=? WHERE id=?");
  u.bindBlob(1, packed::pack(all)).bind(2, id);
  return u.run();
}

bool Store::writeIndexRows(qint64 id, const QString& key, const QString& display, const Values& values) {
  {
    auto d = q("DELETE FROM attrs WHERE object_id=? AND akey=?");
    d.bind(1, id).bind(2, key);
    if (!d.run()) return false;
  }
  int seq = 0;
  for (const QByteArray& v : values) {
    auto ins = q("INSERT INTO attrs(object_id, akey, seq, name, value) VALUES(?,?,?,?,?)");
    ins.bind(1, id).bind(2, key).bind(3, seq++).bind(4, display).bindBlob(5, v);
    if (!ins.run()) return false;
  }
  return true;
}

bool Store::writeAttrs(qint64 id, const QList<Attribute>& changes) {
  QList<Attribute> all = attrs(id);
  QStringList changed;
  for (const Attribute& c : changes) {
    all.removeIf([&](const Attribute& a) { return a.name.compare(c.name, Qt::CaseInsensitive) == 0; });
    const AttributeDef* def = findAttribute(c.name);
    all.append(Attribute{def ? def->name : c.name, c.values});
    changed.append(c.name);
  }
  return writeEntry(id, all, changed);
}

bool Store::writeChanges(const ObjRow& o, const QList<Attribute>& changes) {
  for (const Attribute& c : changes) {
    const QString key = c.name.toLower();
    if (isIndexed(key) && !writeIndexRows(o.id, key, c.name, c.values)) return false;
  }
  const QByteArray current = o.packed.isEmpty() ? packedOf(o.id) : o.packed;
  std::optional<QByteArray> next = packed::splice(current, changes);
  if (!next) return false;
  auto u = q("UPDATE objects SET packed=? WHERE id=?");
  u.bindBlob(1, *next).bind(2, o.id);
  return u.run();
}

bool Store::writeEntry(qint64 id, const QList<Attribute>& all, const QStringList& changed) {
  for (const QString& name : changed) {
    const QString key = name.toLower();
    if (!isIndexed(key)) continue;
    const AttributeDef* def = findAttribute(name);
    Values values;
    for (const Attribute& a : all)
      if (a.name.compare(name, Qt::CaseInsensitive) == 0) values = a.values;
    if (!writeIndexRows(id, key, def ? def->name : name, values)) return false;
  }
  return setPacked(id, all);
}

QStringList Store::chain(qint64 id) {
  QStringList out;
  for (const QByteArray& v : attr(id, QStringLiteral("objectclass"))) out.append(QString::fromUtf8(v));
  return out;
}

qint64 Store::insertObject(const ObjRow& parent, const Dn& dn, qint64 domainId, qint64 forestId,
                           const QList<Attribute>& attrs) {
  // Each value under its schema name; the indexed ones also get their rows, in as few statements
  // as possible.
  struct Row {
    QString key, display;
    int seq;
    const QByteArray* value;
  };
  QList<Row> rows;
  QList<Attribute> shown;
  shown.reserve(attrs.size());
  for (const Attribute& a : attrs) {
    const AttributeDef* def = findAttribute(a.name);
    const QString display = def ? def->name : a.name;
    shown.append(Attribute{display, a.values});
    const QString key = a.name.toLower();
    if (!isIndexed(key)) continue;
    int seq = 0;
    for (const QByteArray& v : a.values) rows.append(Row{key, display, seq++, &v});
  }
  qint64 id = 0;
  {
    auto obj =
        q("INSERT INTO objects(domain_id, forest_id, parent_id, dn, rkey, packed) VALUES(?,?,?,?,?,?)");
    obj.bind(1, domainId)
        .bind(2, forestId)
        .bind(3, parent.id)
        .bind(4, dn.toString())
        .bind(5, reversedKey(dn));
    obj.bindBlob(6, packed::pack(shown));
    if (!obj.run()) return 0;
    id = sqlite3_last_insert_rowid(db_);
  }
  for (qsizetype start = 0; start < rows.size(); start += kMaxRowsPerInsert) {
    const int n = static_cast<int>(std::min<qsizetype>(kMaxRowsPerInsert, rows.size() - start));
    auto ins = attrInsert(n);
    for (int i = 0; i < n; ++i) {
      const Row& r = rows[start + i];
      ins.bind(5 * i + 1, id)
          .bind(5 * i + 2, r.key)
          .bind(5 * i + 3, r.seq)
          .bind(5 * i + 4, r.display)
          .bindBlob(5 * i + 5, *r.value);
    }
    if (!ins.run()) return 0;
  }
  return id;
}

bool Store::hasChildren(qint64 id) {
  auto r = q("SELECT 1 FROM objects WHERE parent_id=? LIMIT 1");
  r.bind(1, id);
  return r.next();
}

std::optional<qint64> Store::samOwner(qint64 domainId, const QString& sam) {
  auto r = q("SELECT object_id FROM sam WHERE domain_id=? AND name_key=?");
  r.bind(1, domainId).bind(2, sam.toLower());
  if (!r.next()) return std::nullopt;
  return r.i64(0);
}

std::optional<qint64> Store::sidOwner(qint64 domainId, const QByteArray& sid) {
  auto r =
      q("SELECT s.object_id FROM sids s JOIN objects o ON o.id=s.object_id WHERE s.sid=? AND o.domain_id=?");
  r.bindBlob(1, sid).bind(2, domainId);
  if (!r.next()) return std::nullopt;
  return r.i64(0);
}

QList<qint64> Store::groupsOf(qint64 memberId) {
  QList<qint64> out;
  auto r = q("SELECT group_id FROM links WHERE member_id=?");
  r.bind(1, memberId);
  while (r.next()) out.append(r.i64(0));
  return out;
}

QList<qint64> Store::membersOf(qint64 groupId) {
  QList<qint64> out;
  auto r = q("SELECT member_id FROM links WHERE group_id=?");
  r.bind(1, groupId);
  while (r.next()) out.append(r.i64(0));
  return out;
}

bool Store::hasLink(qint64 groupId, qint64 memberId) {
  auto r = q("SELECT 1 FROM links WHERE group_id=? AND member_id=?");
  r.bind(1, groupId).bind(2, memberId);
  return r.next();
}

qint64 Store::nextRid(qint64 domainId) {
  // RIDs are taken from the domain in pools, as a domain controller does; a pool reserved in a
  // transaction that is rolled back is dropped with it.
  constexpr qint64 kPool = 100;
  auto& [next, end] = ridPools_[domainId];
  if (next >= end) {
    auto r = q("UPDATE domains SET next_rid=next_rid+?1 WHERE id=?2 RETURNING next_rid");
    r.bind(1, kPool).bind(2, domainId);
    if (!r.next()) return 0;
    end = r.i64(0);
    next = end - kPool;
  }
  return next++;
}

QString Store::meta(const QString& key) {
  auto r = q("SELECT value FROM meta WHERE key=?");
  r.bind(1, key);
  return r.next() ? r.text(0) : QString();
}

void Store::setMeta(const QString& key, const QString& value) {
  auto r = q("INSERT INTO meta(key, value) VALUES(?1, ?2) ON CONFLICT(key) DO UPDATE SET value=?2");
  r.bind(1, key).bind(2, value);
  r.run();
}

bool Store::storedAsIs(const QString& lowerName) {
  return lowerName != QLatin1String("distinguishedname") && lowerName != QLatin1String("member") &&
         lowerName != QLatin1String("memberof") && lowerName != QLatin1String("msds-user-account-control-computed");
}

Values Store::readValues(const ObjRow& o, const QString& name) {
  const QString key = name.toLower();
  if (key == QLatin1String("distinguishedname")) return {o.dn.toString().toUtf8()};
  if (key == QLatin1String("member") || key == QLatin1String("memberof")) {
    // The links give both directions: the members of a group, the groups of a member.
    Values out;
    auto r = key == QLatin1String("member")
                 ? q("SELECT o.dn FROM links l JOIN objects o ON o.id=l.member_id WHERE l.group_id=?")
                 : q("SELECT o.dn FROM links l JOIN objects o ON o.id=l.group_id WHERE l.member_id=?");
    r.bind(1, o.id);
    while (r.next()) out.append(r.blob(0));
    return out;
  }
  if (key == QLatin1String("msds-user-account-control-computed")) {
    if (!chain(o.id).contains(QStringLiteral("user"), Qt::CaseInsensitive)) return {};
    qint32 flags = 0;
    const qint64 now = nowTicks();
    const auto domain = domainById(o.domainId);
    auto policy = [&](const char* a) {
      if (!domain) return qint64(0);
      auto head = object(domain->nc);
      if (!head) return qint64(0);
      const Values v = attr(head->id, QString::fromLatin1(a));
      return v.isEmpty() ? qint64(0) : v.first().toLongLong();
    };
    const Values lock = attr(o.id, QStringLiteral("lockouttime"));
    const qint64 lockedAt = lock.isEmpty() ? 0 : lock.first().toLongLong();
    if (lockedAt != 0) {
      const qint64 duration = policy("lockoutDuration");
      if (duration == 0 || lockedAt + (duration < 0 ? -duration : duration) > now) flags |= uac::LOCKOUT;
    }
    const Values pls = attr(o.id, QStringLiteral("pwdlastset"));
    const qint64 setAt = pls.isEmpty() ? 0 : pls.first().toLongLong();
    const Values u = attr(o.id, QStringLiteral("useraccountcontrol"));
    const qint32 control = u.isEmpty() ? 0 : static_cast<qint32>(u.first().toLongLong());
    // A password that never expires, and the password of a computer or trust account, is never
    // reported expired, not even with pwdLastSet 0 (as AD computes it).
    constexpr qint32 kNoExpiry = uac::DONT_EXPIRE_PASSWORD | 0x800 | uac::WORKSTATION_TRUST_ACCOUNT |
                                 uac::SERVER_TRUST_ACCOUNT;
    if (!(control & kNoExpiry)) {
      const qint64 maxAge = policy("maxPwdAge");
      if (setAt == 0 || (maxAge != 0 && setAt + (maxAge < 0 ? -maxAge : maxAge) < now))
        flags |= uac::PASSWORD_EXPIRED;
    }
    return {QByteArray::number(flags)};
  }
  return attrOf(o, key);
}

}  // namespace tavrel::simnet
