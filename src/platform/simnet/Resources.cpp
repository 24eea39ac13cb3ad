#include "platform/simnet/Resources.h"

#include "platform/files/FileSystem.h"
#include "platform/security/AccountLookup.h"
#include "platform/simnet/Store.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <signal.h>
#include <unistd.h>
#include <cerrno>

namespace tavrel::simnet {

using namespace adsi;
using files::Location;
namespace net = netapi;

namespace {

QString driveText(QChar d) {
  return QString(d.toUpper());
}

// The upper bound of the keys below `key`: "a/b/" ... "a/b0" ('0' follows '/').
QString belowStart(const QString& key) {
  return key.isEmpty() ? QString() : key + u'/';
}
QString belowEnd(const QString& key) {
  return key.isEmpty() ? QStringLiteral("\U0010FFFF") : key + u'0';
}

qint64 folderBytes(const QString& root) {
  qint64 total = 0;
  QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    it.next();
    total += it.fileInfo().size();
  }
  return total;
}

}  // namespace

SimResources::SimResources(std::shared_ptr<SimNetwork> network) : net_(std::move(network)) {}

// The state of the server as the caches hold it: callers bring them up to date first (ReadScope
// or refresh inside their transaction).
SimResources::Reach SimResources::reach(const QString& server) {
  auto s = net_->store().server(server);
  if (!s) return Reach::Unknown;
  return s->reachable ? Reach::Up : Reach::Down;
}

QString SimResources::driveRoot(const QString& server, QChar drive) const {
  return QStringLiteral("%1/servers/%2/%3").arg(net_->folder(), server.section(u'.', 0, 0).toUpper(), driveText(drive));
}

bool SimResources::hasDrive(const QString& server, QChar drive) {
  return net_->store().driveQuota(server, drive).has_value();
}

bool SimResources::fault(const char* kind, const QString& server, const QString& item) {
  return net_->store().hasFault(QString::fromLatin1(kind), server.section(u'.', 0, 0).toUpper(), item);
}

// ---------------------------------------------------------------------------------------------
// File servers

Result<files::ShareTarget> SimResources::share(const QString& server, const QString& shareName) {
  ReadScope read(net_->store());
  if (reach(server) != Reach::Up)
    return files::win32Error(files::err::BAD_NETPATH, QStringLiteral("the network path \\\\%1 was not found").arg(server));
  const QString name = server.section(u'.', 0, 0).toUpper();
  files::UncPath probe{server, shareName, {}};
  if (probe.isAdminShare()) {
    if (!hasDrive(name, probe.drive()))
      return files::win32Error(files::err::BAD_NET_NAME, QStringLiteral("\\\\%1 has no drive %2").arg(server, shareName));
    return files::ShareTarget{name, probe.drive(), {}, driveRoot(name, probe.drive())};
  }
  auto r = net_->store().q("SELECT path FROM shares WHERE server=? AND name=?");
  r.bind(1, name).bind(2, shareName);
  if (!r.next())
    return files::win32Error(files::err::BAD_NET_NAME, QStringLiteral("\\\\%1 has no share %2").arg(server, shareName));
  auto path = net::parseDrivePath(r.text(0));
  if (!path || !hasDrive(name, path->drive))
    return files::win32Error(files::err::BAD_NET_NAME, QStringLiteral("the share %1 leads nowhere").arg(shareName));
  return files::ShareTarget{name, path->drive, path->components, driveRoot(name, path->drive)};
}

Result<QList<files::SharedFolder>> SimResources::sharedFolders(const QString& server) {
  ReadScope read(net_->store());
  if (reach(server) != Reach::Up)
    return files::win32Error(files::err::BAD_NETPATH,
                             QStringLiteral("the network path \\\\%1 was not found").arg(server));
  QList<files::SharedFolder> out;
  auto r = net_->store().q("SELECT name, path FROM shares WHERE server=? ORDER BY name");
  r.bind(1, server.section(u'.', 0, 0).toUpper());
  while (r.next()) {
    // A share whose path cannot be read leads nowhere (share() refuses it) and holds no folder.
    if (const auto path = net::parseDrivePath(r.text(1)))
      out.append(files::SharedFolder{r.text(0), path->drive.toUpper(), path->components});
  }
  return out;
}

QString SimResources::stagingFolder(const Location& target) {
  return QStringLiteral("%1/servers/%2/.staging").arg(net_->folder(), target.server);
}

Status SimResources::reserve(const Location& target, qint64 bytes) {
  std::optional<qint64> quota;
  {
    ReadScope read(net_->store());
    quota = net_->store().driveQuota(target.server, target.drive);
  }
  if (!quota || *quota < 0) return {};
  if (folderBytes(target.root) + bytes > *quota)
    return files::win32Error(files::err::DISK_FULL,
                             QStringLiteral("there is not enough space on \\\\%1\\%2$").arg(target.server, QString(target.drive)));
  return {};
}

Status SimResources::mayDelete(const Location& loc) {
  if (!loc.isNetwork()) return {};
  ReadScope read(net_->store());
  if (fault("undeletable", loc.server, driveText(loc.drive) + u':' + loc.key()))
    return files::win32Error(files::err::ACCESS_DENIED, QStringLiteral("%1 is in use").arg(loc.components.join(u'\\')));
  return {};
}

// ---------------------------------------------------------------------------------------------
// Descriptors following moves and deletes

namespace {

constexpr int kMoveStep = 0;
constexpr int kRemoveStep = 1;

QString driveOf(const Location& loc) {
  return loc.isNetwork() ? driveText(loc.drive) : QString();
}

bool onDisk(const QString& local) {
  return !local.isEmpty() && QFileInfo::exists(local);
}

bool processRuns(qint64 pid) {
  return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH);
}

}  // namespace

bool SimResources::keptAt(const Location& loc) {
  const QString key = loc.key();
  auto r = net_->store().q(
      "SELECT 1 FROM path_security WHERE server=? AND drive=? AND (key=? OR (key>=? AND key<?)) LIMIT 1");
  r.bind(1, loc.server).bind(2, driveOf(loc)).bind(3, key).bind(4, belowStart(key)).bind(5, belowEnd(key));
  return r.next();
}

qint64 SimResources::recordStep(int kind, const Location& from, const QString& fromLocal, const Location& to,
                                const QString& toLocal) {
  Store& st = net_->store();
  auto q = st.q(
      "INSERT INTO path_steps(pid, kind, server, drive, key, local, to_server, to_drive, to_key, to_local) "
      "VALUES(?,?,?,?,?,?,?,?,?,?)");
  q.bind(1, static_cast<qint64>(::getpid())).bind(2, static_cast<qint64>(kind));
  q.bind(3, from.server).bind(4, driveOf(from)).bind(5, from.key()).bind(6, fromLocal);
  q.bind(7, to.server).bind(8, driveOf(to)).bind(9, to.key()).bind(10, toLocal);
  auto last = st.q("SELECT last_insert_rowid()");
  if (!q.run() || !last.next()) {
    // Not recorded: the step is still followed when it ends, only not across a crash.
    const qint64 id = -(++unrecordedSteps_);
    unrecorded_.insert(id, PathStep{kind, from.server, driveOf(from), from.key(), fromLocal, to.server,
                                    driveOf(to), to.key(), toLocal});
    return id;
  }
  const qint64 step = last.i64(0);
  stepsInFlight_.insert(step);
  return step;
}

qint64 SimResources::beginMove(const Location& from, const QString& fromLocal, const Location& to,
                               const QString& toLocal) {
  finishAbandonedSteps();
  // Nothing kept at either end: nothing to follow, nothing to record.
  if (!keptAt(from) && !keptAt(to)) return 0;
  return recordStep(kMoveStep, from, fromLocal, to, toLocal);
}

qint64 SimResources::beginRemove(const Location& loc, const QString& local) {
  finishAbandonedSteps();
  if (!keptAt(loc)) return 0;
  return recordStep(kRemoveStep, loc, local, Location(), QString());
}

void SimResources::endStep(qint64 step) {
  stepsInFlight_.remove(step);
  finishStep(step);
}

void SimResources::settle() {
  finishAbandonedSteps();
}

// Whether the entry kept as `key` of a drive is on disk; `local` is where the step's own entry is.
bool SimResources::existsOnDisk(const QString& server, const QString& drive, const QString& key,
                                const QString& local) {
  if (server.isEmpty() || drive.isEmpty()) return onDisk(local);  // this machine: the step's own entry
  Location loc;
  loc.server = server;
  loc.drive = drive.at(0);
  loc.root = driveRoot(server, loc.drive);
  loc.components = key.isEmpty() ? QStringList() : key.split(u'/');
  return onDisk(files::localPath(loc));
}

// Finishes a step in one transaction: the descriptors are made to agree with the disk and the
// step's record goes.
void SimResources::finishStep(qint64 step) {
  Store& st = net_->store();
  Txn txn(st);
  if (!txn.ok()) return;  // the step stays recorded and is finished by a later operation
  PathStep p;
  if (step < 0) {
    p = unrecorded_.take(step);
  } else {
    auto r = st.q(
        "SELECT kind, server, drive, key, local, to_server, to_drive, to_key, to_local FROM path_steps "
        "WHERE id=?");
    r.bind(1, step);
    if (!r.next()) {
      (void)txn.commit();  // finished already (by another process)
      return;
    }
    p = PathStep{static_cast<int>(r.i64(0)),
                 r.text(1),
                 r.text(2),
                 r.text(3),
                 r.text(4),
                 r.text(5),
                 r.text(6),
                 r.text(7),
                 r.text(8)};
  }
  if (!applyStep(p)) return;  // rolled back; a recorded step stays for a later operation
  if (step > 0) {
    auto done = st.q("DELETE FROM path_steps WHERE id=?");
    done.bind(1, step);
    if (!done.run()) return;
  }
  (void)txn.commit();
}

// Makes the descriptors agree with the disk after the step: a move that happened takes the
// descriptors of the moved tree to its new place (what was kept there before goes); a removal
// drops those of the entries that are gone. Entries still at their place keep theirs.
bool SimResources::applyStep(const PathStep& p) {
  Store& st = net_->store();
  auto deleteTree = [&](const QString& server, const QString& drive, const QString& key) {
    auto q = st.q("DELETE FROM path_security WHERE server=? AND drive=? AND (key=? OR (key>=? AND key<?))");
    q.bind(1, server).bind(2, drive).bind(3, key).bind(4, belowStart(key)).bind(5, belowEnd(key));
    return q.run();
  };
  if (p.kind == kMoveStep) {
    if (onDisk(p.local)) return true;  // it did not move
    QList<std::pair<QString, QByteArray>> rows;
    {
      auto q = st.q(
          "SELECT key, sd FROM path_security WHERE server=? AND drive=? AND (key=? OR (key>=? AND key<?))");
      q.bind(1, p.server).bind(2, p.drive).bind(3, p.key).bind(4, belowStart(p.key)).bind(5, belowEnd(p.key));
      while (q.next()) rows.append({q.text(0), q.blob(1)});
    }
    if (!deleteTree(p.server, p.drive, p.key) || !deleteTree(p.toServer, p.toDrive, p.toKey)) return false;
    if (!onDisk(p.toLocal)) return true;  // gone from both places
    for (const auto& [k, sd] : std::as_const(rows)) {
      auto q = st.q("INSERT OR REPLACE INTO path_security(server, drive, key, sd) VALUES(?,?,?,?)");
      q.bind(1, p.toServer).bind(2, p.toDrive).bind(3, p.toKey + k.mid(p.key.size())).bindBlob(4, sd);
      if (!q.run()) return false;
    }
    return true;
  }
  QStringList gone;
  {
    auto q =
        st.q("SELECT key FROM path_security WHERE server=? AND drive=? AND (key=? OR (key>=? AND key<?))");
    q.bind(1, p.server).bind(2, p.drive).bind(3, p.key).bind(4, belowStart(p.key)).bind(5, belowEnd(p.key));
    while (q.next())
      if (!existsOnDisk(p.server, p.drive, q.text(0), p.local)) gone.append(q.text(0));
  }
  for (const QString& k : std::as_const(gone)) {
    auto q = st.q("DELETE FROM path_security WHERE server=? AND drive=? AND key=?");
    q.bind(1, p.server).bind(2, p.drive).bind(3, k);
    if (!q.run()) return false;
  }
  return true;
}

// Steps whose process died between beginning and end are finished from what the disk shows.
void SimResources::finishAbandonedSteps() {
  QList<qint64> abandoned;
  {
    auto r = net_->store().q("SELECT id, pid FROM path_steps");
    while (r.next()) {
      const qint64 id = r.i64(0), pid = r.i64(1);
      if (stepsInFlight_.contains(id) || (pid != ::getpid() && processRuns(pid))) continue;
      abandoned.append(id);
    }
  }
  for (qint64 id : std::as_const(abandoned)) finishStep(id);
}

// ---------------------------------------------------------------------------------------------
// Descriptors per path

Result<QHash<QString, QByteArray>> SimResources::read(const Location& drive, const QStringList& keys) {
  finishAbandonedSteps();
  QHash<QString, QByteArray> out;
  const QString d = drive.isNetwork() ? driveText(drive.drive) : QString();
  ReadScope read(net_->store());
  for (const QString& k : keys) {
    auto r = net_->store().q("SELECT sd FROM path_security WHERE server=? AND drive=? AND key=?");
    r.bind(1, drive.server).bind(2, d).bind(3, k);
    if (r.next()) out.insert(k, r.blob(0));
  }
  return out;
}

Result<QHash<QString, QByteArray>> SimResources::readBelow(const Location& root) {
  finishAbandonedSteps();
  QHash<QString, QByteArray> out;
  const QString key = root.key();
  auto r = net_->store().q("SELECT key, sd FROM path_security WHERE server=? AND drive=? AND key>=? AND key<?");
  r.bind(1, root.server).bind(2, root.isNetwork() ? driveText(root.drive) : QString());
  r.bind(3, belowStart(key)).bind(4, belowEnd(key));
  while (r.next()) out.insert(r.text(0), r.blob(1));
  return out;
}

Status SimResources::write(const Location& drive, const QHash<QString, QByteArray>& entries) {
  finishAbandonedSteps();
  Store& st = net_->store();
  if (Status s = st.begin(); !s) return s;
  st.refresh();
  if (drive.isNetwork() && reach(drive.server) != Reach::Up) {
    (void)st.commit();  // nothing was written
    return files::win32Error(files::err::BAD_NETPATH, QStringLiteral("\\\\%1 does not answer").arg(drive.server));
  }
  const QString d = drive.isNetwork() ? driveText(drive.drive) : QString();
  for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
    if (it.value().isEmpty()) {
      auto q = st.q("DELETE FROM path_security WHERE server=? AND drive=? AND key=?");
      q.bind(1, drive.server).bind(2, d).bind(3, it.key());
      q.run();
      continue;
    }
    auto q = st.q("INSERT OR REPLACE INTO path_security(server, drive, key, sd) VALUES(?,?,?,?)");
    q.bind(1, drive.server).bind(2, d).bind(3, it.key()).bindBlob(4, it.value());
    if (!q.run()) {
      const Error e = st.dbError(QStringLiteral("cannot store the security of a path"));
      st.rollback();
      return e;
    }
  }
  return st.commit();
}

// ---------------------------------------------------------------------------------------------
// Domain controllers and shares

net::NET_API_STATUS SimResources::getDCName(const QString& server, const QString& domain, QString& dc) {
  Store& st = net_->store();
  ReadScope read(st);
  if (!server.isEmpty() && reach(server) != Reach::Up) return net::ERROR_BAD_NETPATH;
  auto d = st.domainByName(domain);
  // Only a domain's own names count: a server's name is no domain.
  if (!d || (domain.compare(d->netbios, Qt::CaseInsensitive) != 0 && domain.compare(d->dns, Qt::CaseInsensitive) != 0))
    return net::NERR_DCNotFound;
  if (!d->reachable) return net::NERR_DCNotFound;
  auto r = st.q("SELECT name, reachable FROM servers WHERE domain_id=? AND role=0 ORDER BY rowid LIMIT 1");
  r.bind(1, d->id);
  if (!r.next() || r.i64(1) == 0) return net::NERR_DCNotFound;
  dc = QStringLiteral("\\\\") + r.text(0);
  return net::NERR_Success;
}

net::NET_API_STATUS SimResources::shareAdd(const QString& server, const net::SHARE_INFO_502& info) {
  // The checks and the insert in one transaction: what was checked is what is written to.
  Store& st = net_->store();
  Txn txn(st);
  if (!txn.ok()) return net::ERROR_ACCESS_DENIED;
  st.refresh();
  const net::NET_API_STATUS status = shareAddIn(server, info);
  // A refusal wrote nothing: ending the transaction either way keeps the caches.
  const Status committed = txn.commit();
  if (status != net::NERR_Success) return status;
  return committed ? net::NERR_Success : net::ERROR_ACCESS_DENIED;
}

net::NET_API_STATUS SimResources::shareAddIn(const QString& server, const net::SHARE_INFO_502& info) {
  if (reach(server) != Reach::Up) return net::ERROR_BAD_NETPATH;
  const QString name = server.section(u'.', 0, 0).toUpper();
  if (fault("refuse_share_add", name)) return net::ERROR_ACCESS_DENIED;
  const files::UncPath probe{name, info.shi502_netname, {}};
  net::SHARE_INFO_502 existing;
  if (shareGetInfo(name, info.shi502_netname, existing) == net::NERR_Success) return net::NERR_DuplicateShare;
  if (probe.isAdminShare()) return net::NERR_DuplicateShare;
  auto path = net::parseDrivePath(info.shi502_path);
  if (!path || !hasDrive(name, path->drive)) return net::NERR_UnknownDevDir;
  Location loc;
  loc.server = name;
  loc.drive = path->drive;
  loc.root = driveRoot(name, path->drive);
  loc.components = path->components;
  if (!QFileInfo(files::localPath(loc)).isDir()) return net::NERR_UnknownDevDir;
  auto q = net_->store().q(
      "INSERT INTO shares(server, name, type, remark, permissions, max_uses, path, passwd, sd) VALUES(?,?,?,?,?,?,?,?,?)");
  q.bind(1, name).bind(2, info.shi502_netname).bind(3, static_cast<qint64>(info.shi502_type));
  q.bind(4, info.shi502_remark).bind(5, static_cast<qint64>(info.shi502_permissions)).bind(6, info.shi502_max_uses);
  q.bind(7, info.shi502_path).bind(8, info.shi502_passwd);
  q.bindBlob(9, info.shi502_security_descriptor ? info.shi502_security_descriptor->toSelfRelative() : QByteArray());
  if (!q.run()) return net_->store().constraintFailed() ? net::NERR_DuplicateShare : net::ERROR_ACCESS_DENIED;
  return net::NERR_Success;
}

namespace {
net::SHARE_INFO_502 adminShare(QChar drive) {
  net::SHARE_INFO_502 i;
  i.shi502_netname = QString(drive) + u'$';
  i.shi502_type = net::STYPE_DISKTREE | net::STYPE_SPECIAL;
  i.shi502_remark = QStringLiteral("Default share");
  i.shi502_path = QString(drive) + QStringLiteral(":\\");
  return i;
}

net::SHARE_INFO_502 shareFrom(Query& r) {
  net::SHARE_INFO_502 i;
  i.shi502_netname = r.text(0);
  i.shi502_type = static_cast<quint32>(r.i64(1));
  i.shi502_remark = r.text(2);
  i.shi502_permissions = static_cast<quint32>(r.i64(3));
  i.shi502_max_uses = static_cast<qint32>(r.i64(4));
  i.shi502_path = r.text(5);
  i.shi502_passwd = r.text(6);
  if (!r.isNull(7) && !r.blob(7).isEmpty())
    i.shi502_security_descriptor = security::SecurityDescriptor::fromSelfRelative(r.blob(7));
  return i;
}
}  // namespace

net::NET_API_STATUS SimResources::shareGetInfo(const QString& server, const QString& netname, net::SHARE_INFO_502& out) {
  ReadScope read(net_->store());
  if (reach(server) != Reach::Up) return net::ERROR_BAD_NETPATH;
  const QString name = server.section(u'.', 0, 0).toUpper();
  const files::UncPath probe{name, netname, {}};
  if (probe.isAdminShare()) {
    if (!hasDrive(name, probe.drive())) return net::NERR_NetNameNotFound;
    out = adminShare(probe.drive());
    return net::NERR_Success;
  }
  auto r = net_->store().q(
      "SELECT name, type, remark, permissions, max_uses, path, passwd, sd FROM shares WHERE server=? AND name=?");
  r.bind(1, name).bind(2, netname);
  if (!r.next()) return net::NERR_NetNameNotFound;
  out = shareFrom(r);
  return net::NERR_Success;
}

net::NET_API_STATUS SimResources::shareDel(const QString& server, const QString& netname) {
  Store& st = net_->store();
  Txn txn(st);
  if (!txn.ok()) return net::ERROR_ACCESS_DENIED;
  st.refresh();
  const net::NET_API_STATUS status = [&] {
    if (reach(server) != Reach::Up) return net::ERROR_BAD_NETPATH;
    const QString name = server.section(u'.', 0, 0).toUpper();
    if (files::UncPath{name, netname, {}}.isAdminShare()) return net::ERROR_ACCESS_DENIED;
    if (fault("refuse_share_del", name, netname.toLower())) return net::ERROR_ACCESS_DENIED;
    auto q = st.q("DELETE FROM shares WHERE server=? AND name=?");
    q.bind(1, name).bind(2, netname);
    q.run();
    return st.changes() > 0 ? net::NERR_Success : net::NERR_NetNameNotFound;
  }();
  const Status committed = txn.commit();
  if (status != net::NERR_Success) return status;
  return committed ? net::NERR_Success : net::ERROR_ACCESS_DENIED;
}

net::NET_API_STATUS SimResources::shareEnum(const QString& server, QList<net::SHARE_INFO_502>& out) {
  ReadScope read(net_->store());
  if (reach(server) != Reach::Up) return net::ERROR_BAD_NETPATH;
  const QString name = server.section(u'.', 0, 0).toUpper();
  {
    auto r = net_->store().q("SELECT letter FROM drives WHERE server=? ORDER BY letter");
    r.bind(1, name);
    while (r.next()) out.append(adminShare(r.text(0).at(0)));
  }
  auto r = net_->store().q(
      "SELECT name, type, remark, permissions, max_uses, path, passwd, sd FROM shares WHERE server=? ORDER BY name");
  r.bind(1, name);
  while (r.next()) out.append(shareFrom(r));
  return net::NERR_Success;
}

// ---------------------------------------------------------------------------------------------
// Terminal Services

namespace {
// The domain a domain controller serves, when `server` is one that answers.
std::optional<qint64> controllerDomain(Store& st, const QString& server) {
  auto s = st.server(server);
  if (!s || s->role != static_cast<int>(ServerRole::DomainController) || !s->reachable) return std::nullopt;
  return s->domainId;
}
}  // namespace

quint32 SimResources::setUserConfig(const QString& server, const QString& user, quint32 cls, const wts::WtsValue& value) {
  qsizetype failed = 0;
  return setUserConfigs(server, user, {wts::WtsSetting{cls, value}}, failed);
}

quint32 SimResources::setUserConfigs(const QString& server, const QString& user, const QList<wts::WtsSetting>& settings,
                                     qsizetype& failed) {
  // One transaction for the account's values: all are written or none.
  failed = 0;
  Store& st = net_->store();
  Txn txn(st);
  if (!txn.ok()) return wts::ERROR_ACCESS_DENIED;
  st.refresh();
  const quint32 refused = [&]() -> quint32 {
    auto domain = controllerDomain(st, server);
    if (!domain) return wts::RPC_S_SERVER_UNAVAILABLE;
    if (!st.samOwner(*domain, user)) return wts::NERR_UserNotFound;
    if (fault("refuse_wts", server)) return wts::ERROR_ACCESS_DENIED;
    const QString account = user.toLower();
    for (failed = 0; failed < settings.size(); ++failed) {
      const wts::WtsSetting& s = settings[failed];
      auto q = st.q("INSERT OR REPLACE INTO wts(domain_id, account, class, is_string, value) VALUES(?,?,?,?,?)");
      q.bind(1, *domain).bind(2, account).bind(3, static_cast<qint64>(s.cls)).bind(4, s.value.isString ? 1 : 0);
      q.bind(5, s.value.isString ? s.value.text : QString::number(s.value.number));
      if (!q.run()) return wts::ERROR_ACCESS_DENIED;
    }
    return 0;
  }();
  if (refused) {
    // Values written before a refused one are rolled back with the transaction; a refusal before
    // any write just ends it.
    if (failed == 0) (void)txn.commit();
    return refused;
  }
  if (!txn.commit()) {
    failed = 0;
    return wts::ERROR_ACCESS_DENIED;
  }
  failed = -1;
  return 0;
}

quint32 SimResources::queryUserConfig(const QString& server, const QString& user, quint32 cls, wts::WtsValue& out) {
  Store& st = net_->store();
  ReadScope read(st);
  auto domain = controllerDomain(st, server);
  if (!domain) return wts::RPC_S_SERVER_UNAVAILABLE;
  if (!st.samOwner(*domain, user)) return wts::NERR_UserNotFound;
  auto r = st.q("SELECT is_string, value FROM wts WHERE domain_id=? AND account=? AND class=?");
  r.bind(1, *domain).bind(2, user.toLower()).bind(3, static_cast<qint64>(cls));
  // A class never written has its default: empty text or 0.
  out = wts::isStringClass(cls) ? wts::WtsValue::string(QString()) : wts::WtsValue::dword(0);
  if (r.next()) out = r.i64(0) ? wts::WtsValue::string(r.text(1)) : wts::WtsValue::dword(r.text(1).toUInt());
  return 0;
}

// ---------------------------------------------------------------------------------------------
// Building and faults

Status SimNetwork::addFileServer(const QString& name, const QString& domain, const QString& drives) {
  if (Status s = addServer(name, domain, ServerRole::FileServer); !s) return s;
  for (QChar d : drives) {
    if (!d.isLetter() || d.unicode() > 127)
      return makeError(hr::E_INVALIDARG, QStringLiteral("\"%1\" is not a drive letter").arg(d));
    const QString root = QStringLiteral("%1/servers/%2/%3").arg(folder_, name.toUpper(), QString(d.toUpper()));
    if (!QDir().mkpath(root)) return makeError(hr::ACCESS_DENIED, QStringLiteral("cannot create %1").arg(root));
    auto q = store_->q("INSERT OR IGNORE INTO drives(server, letter) VALUES(?,?)");
    q.bind(1, name.toUpper()).bind(2, QString(d.toUpper()));
    const bool ok = q.run();
    store_->invalidate();
    if (!ok) return store_->dbError(QStringLiteral("cannot add the drive"));
  }
  return {};
}

namespace {
Status setFault(Store& st, const char* kind, const QString& server, const QString& item, bool on) {
  auto q = on ? st.q("INSERT OR IGNORE INTO faults(kind, server, item) VALUES(?,?,?)")
              : st.q("DELETE FROM faults WHERE kind=? AND server=? AND item=?");
  q.bind(1, QString::fromLatin1(kind)).bind(2, server.section(u'.', 0, 0).toUpper()).bind(3, item);
  const bool ok = q.run();
  st.invalidate();
  if (!ok) return st.dbError(QStringLiteral("cannot record the fault"));
  return {};
}
}  // namespace

Status SimNetwork::refuseShareAdd(const QString& server, bool refuse) {
  return setFault(*store_, "refuse_share_add", server, QString(), refuse);
}

Status SimNetwork::refuseShareDel(const QString& server, const QString& share, bool refuse) {
  return setFault(*store_, "refuse_share_del", server, share.toLower(), refuse);
}

Status SimNetwork::refuseWtsWrite(const QString& server, bool refuse) {
  return setFault(*store_, "refuse_wts", server, QString(), refuse);
}

Status SimNetwork::setUndeletable(const QString& uncPath, bool undeletable) {
  auto unc = files::parseUnc(uncPath);
  if (!unc) return makeError(hr::E_INVALIDARG, QStringLiteral("\"%1\" is not a network path").arg(uncPath));
  SimResources res(shared_from_this());
  auto target = res.share(unc->server, unc->share);
  if (!target) return target.error();
  Location loc;
  loc.server = target->server;
  loc.drive = target->drive;
  loc.components = target->components + unc->components;
  return setFault(*store_, "undeletable", target->server, QString(target->drive) + u':' + loc.key(), undeletable);
}

Status SimNetwork::setDriveQuota(const QString& server, QChar drive, qint64 bytes) {
  auto q = store_->q("UPDATE drives SET quota=? WHERE server=? AND letter=?");
  q.bind(1, bytes).bind(2, server.section(u'.', 0, 0).toUpper()).bind(3, QString(drive.toUpper()));
  q.run();
  store_->invalidate();
  if (store_->changes() == 0) return makeError(hr::E_INVALIDARG, QStringLiteral("%1 has no drive %2").arg(server, QString(drive)));
  return {};
}

void installPlatformLayers(const std::shared_ptr<SimNetwork>& network) {
  auto res = std::make_shared<SimResources>(network);
  files::setFileServers(res);
  security::setSecurityTable(res);
  netapi::setNetServers(res);
  wts::setWtsServers(res);
  security::setAccountDirectory(network);
}

}  // namespace tavrel::simnet
