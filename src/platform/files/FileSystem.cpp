#include "platform/files/FileSystem.h"

#include "platform/files/FileServers.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRandomGenerator>
#include <QSet>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace tavrel::files {

using adsi::Result;
using adsi::Status;

// ---------------------------------------------------------------------------------------------
// The installed network

namespace {
std::shared_ptr<FileServers>& installedServers() {
  static std::shared_ptr<FileServers> s;
  return s;
}
}  // namespace

void setFileServers(std::shared_ptr<FileServers> servers) {
  installedServers() = std::move(servers);
}

std::shared_ptr<FileServers> fileServers() {
  return installedServers();
}

// ---------------------------------------------------------------------------------------------
// Names on disk found without regard to case

namespace {

QByteArray enc(const QString& s) {
  return QFile::encodeName(s);
}

bool lstatOf(const QString& path, struct stat& st) {
  return ::lstat(enc(path).constData(), &st) == 0;
}

// Lists a folder: name, whether it is a folder, size. False when it cannot be opened.
bool readDir(const QString& dir, QList<DirEntry>& out) {
  DIR* d = ::opendir(enc(dir).constData());
  if (!d) return false;
  const QString prefix = dir.endsWith(u'/') ? dir : dir + u'/';
  while (dirent* e = ::readdir(d)) {
    if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, "..")) continue;
    DirEntry entry;
    entry.name = QFile::decodeName(e->d_name);
    struct stat st{};
    if (!lstatOf(prefix + entry.name, st)) continue;
    if (S_ISLNK(st.st_mode)) continue;  // links are not followed: a share never leads outside its drive
    entry.isDirectory = S_ISDIR(st.st_mode);
    entry.size = entry.isDirectory ? 0 : st.st_size;
    out.append(entry);
  }
  ::closedir(d);
  return true;
}

// The names of a folder by their case-folded form, kept while the folder is unchanged.
struct DirIndex {
  qint64 mtimeSec = -1;
  qint64 mtimeNsec = -1;
  QHash<QString, QString> byFold;
};

QHash<QString, DirIndex>& dirCache() {
  static QHash<QString, DirIndex> cache;
  return cache;
}

QString findIndexed(const QString& dir, const struct stat& st, const QString& name);

// The name under which `name` exists in `dir` (its own spelling first), or empty.
QString findEntry(const QString& dir, const QString& name) {
  struct stat st{};
  if (lstatOf(dir + u'/' + name, st)) return name;
  if (::stat(enc(dir).constData(), &st) != 0 || !S_ISDIR(st.st_mode)) return {};
  return findIndexed(dir, st, name);
}

// The same for a folder whose status `dirSt` the caller has just read.
QString findEntryIn(const QString& dir, const struct stat& dirSt, const QString& name) {
  struct stat st{};
  if (lstatOf(dir + u'/' + name, st)) return name;
  return findIndexed(dir, dirSt, name);
}

// `name` looked up without regard to case in the index of `dir`, whose status is `st`; the index is
// read again when the folder has changed since.
QString findIndexed(const QString& dir, const struct stat& st, const QString& name) {
  auto& cache = dirCache();
  if (cache.size() > 512) cache.clear();
  DirIndex& idx = cache[dir];
  if (idx.mtimeSec != st.st_mtim.tv_sec || idx.mtimeNsec != st.st_mtim.tv_nsec) {
    idx.byFold.clear();
    if (DIR* d = ::opendir(enc(dir).constData())) {
      while (dirent* e = ::readdir(d)) {
        if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, "..")) continue;
        const QString name = QFile::decodeName(e->d_name);
        idx.byFold.insert(name.toCaseFolded(), name);
      }
      ::closedir(d);
    }
    idx.mtimeSec = st.st_mtim.tv_sec;
    idx.mtimeNsec = st.st_mtim.tv_nsec;
  }
  return idx.byFold.value(name.toCaseFolded());
}

// After this process added `name` to `dir`: an index that was current stays current.
void noteAdded(const QString& dir, const QString& name, const struct stat& before) {
  auto& cache = dirCache();
  auto it = cache.find(dir);
  if (it == cache.end() || it->mtimeSec != before.st_mtim.tv_sec || it->mtimeNsec != before.st_mtim.tv_nsec) return;
  struct stat after{};
  if (::stat(enc(dir).constData(), &after) != 0) return;
  it->byFold.insert(name.toCaseFolded(), name);
  it->mtimeSec = after.st_mtim.tv_sec;
  it->mtimeNsec = after.st_mtim.tv_nsec;
}

QString join(const QString& dir, const QString& name) {
  return dir.endsWith(u'/') ? dir + name : dir + u'/' + name;
}

// The name under which `name` exists in `dir`, or empty; `caseless` on a file server.
QString existingName(bool caseless, const QString& dir, const QString& name) {
  if (caseless) return findEntry(dir, name);
  struct stat st{};
  return lstatOf(join(dir, name), st) ? name : QString();
}

Status fail(quint32 code, const QString& message) {
  return win32Error(code, message);
}

// An errno as the Win32 error it stands for.
quint32 fromErrno(int e) {
  switch (e) {
    case ENOENT: return err::FILE_NOT_FOUND;
    case ENOTDIR: return err::PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EBUSY: return err::ACCESS_DENIED;
    case ENOSPC:
    case EDQUOT: return err::DISK_FULL;
    case EEXIST: return err::ALREADY_EXISTS;
    case ENOTEMPTY: return err::DIR_NOT_EMPTY;
    case ENAMETOOLONG: return err::INVALID_NAME;
    default: return adsi::hr::E_FAIL;
  }
}

Status fromErrno(int e, const QString& what) {
  return fail(fromErrno(e), QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(e))));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Resolving

Result<Location> resolve(const QString& path) {
  if (isUnc(path)) {
    auto unc = parseUnc(path);
    if (!unc) return win32Error(err::INVALID_NAME, QStringLiteral("\"%1\" is not a valid network path").arg(path));
    auto servers = fileServers();
    if (!servers) return win32Error(err::BAD_NETPATH, QStringLiteral("the network path %1 was not found").arg(path));
    auto target = servers->share(unc->server, unc->share);
    if (!target) return target.error();
    Location loc;
    loc.server = target->server;
    loc.drive = target->drive;
    loc.root = target->root;
    loc.components = target->components + unc->components;
    loc.given = path;
    return loc;
  }
  if (path.isEmpty()) return win32Error(err::PATH_NOT_FOUND, QStringLiteral("no path"));
  QString text = path;
  text.replace(u'\\', u'/');
  const QString clean = QDir::cleanPath(QDir::current().absoluteFilePath(text));
  Location loc;
  loc.root = QStringLiteral("/");
  loc.components = clean.split(u'/', Qt::SkipEmptyParts);
  loc.given = path;
  return loc;
}

QString localPath(const Location& loc) {
  // Paths of this machine keep the file system's own rule: letter case counts.
  if (!loc.isNetwork()) return u'/' + loc.components.join(u'/');
  QString out = loc.root;
  bool existing = true;
  for (const QString& c : loc.components) {
    QString name = c;
    if (existing) {
      const QString found = findEntry(out == QLatin1String("/") ? QString() : out, c);
      if (found.isEmpty())
        existing = false;
      else
        name = found;
    }
    out = join(out, name);
  }
  return out;
}

namespace {

Result<DirEntry> statLocal(const QString& local, const QString& given) {
  struct stat st{};
  if (!lstatOf(local, st) || S_ISLNK(st.st_mode))
    return win32Error(err::FILE_NOT_FOUND, QStringLiteral("cannot find %1").arg(given));
  DirEntry e;
  e.name = local.section(u'/', -1);
  e.isDirectory = S_ISDIR(st.st_mode);
  e.size = e.isDirectory ? 0 : st.st_size;
  return e;
}

}  // namespace

bool exists(const QString& path) {
  return stat(path).ok();
}

Result<DirEntry> stat(const QString& path) {
  auto loc = resolve(path);
  if (!loc) return loc.error();
  return statLocal(localPath(*loc), path);
}

Result<DirEntry> stat(const Location& loc) {
  return statLocal(localPath(loc), loc.given);
}

Status createDirectory(const QString& path) {
  auto loc = resolve(path);
  if (!loc) return loc.error();
  if (loc->components.isEmpty()) return fail(err::ALREADY_EXISTS, QStringLiteral("%1 exists").arg(path));
  const QString parent = localPath(loc->parent());
  struct stat st{};
  if (!lstatOf(parent, st) || !S_ISDIR(st.st_mode))
    return fail(err::PATH_NOT_FOUND, QStringLiteral("the folder above %1 does not exist").arg(path));
  // The parent's status just read serves the look-up without regard to case.
  const bool exists = loc->isNetwork() ? !findEntryIn(parent, st, loc->name()).isEmpty()
                                       : !existingName(false, parent, loc->name()).isEmpty();
  if (exists) return fail(err::ALREADY_EXISTS, QStringLiteral("%1 exists").arg(path));
  if (loc->isNetwork())
    if (auto servers = fileServers()) servers->settle();
  struct stat before{};
  ::stat(enc(parent).constData(), &before);
  if (::mkdir(enc(join(parent, loc->name())).constData(), 0755) != 0)
    return fromErrno(errno, QStringLiteral("cannot create %1").arg(path));
  if (loc->isNetwork()) noteAdded(parent, loc->name(), before);
  return {};
}

Result<QList<DirEntry>> list(const QString& path) {
  auto loc = resolve(path);
  if (!loc) return loc.error();
  const QString local = localPath(*loc);
  QList<DirEntry> out;
  if (!readDir(local, out)) return fromErrno(errno, QStringLiteral("cannot list %1").arg(path)).error();
  std::sort(out.begin(), out.end(),
            [](const DirEntry& a, const DirEntry& b) { return a.name.compare(b.name, Qt::CaseInsensitive) < 0; });
  return out;
}

namespace {
bool walkLocal(const QString& local, const QString& shown, const QString& sep,
               const std::function<bool(const QString&, const DirEntry&)>& visit) {
  QList<DirEntry> entries;
  readDir(local, entries);
  std::sort(entries.begin(), entries.end(),
            [](const DirEntry& a, const DirEntry& b) { return a.name.compare(b.name, Qt::CaseInsensitive) < 0; });
  for (const DirEntry& e : std::as_const(entries)) {
    const QString p = shown + sep + e.name;
    if (!visit(p, e)) return false;
    if (e.isDirectory && !walkLocal(join(local, e.name), p, sep, visit)) return false;
  }
  return true;
}
}  // namespace

Status walk(const QString& path, const std::function<bool(const QString&, const DirEntry&)>& visit) {
  auto loc = resolve(path);
  if (!loc) return loc.error();
  const QString local = localPath(*loc);
  auto top = statLocal(local, path);
  if (!top) return top.error();
  if (!top->isDirectory) return fail(err::PATH_NOT_FOUND, QStringLiteral("%1 is not a folder").arg(path));
  QString shown = path;
  const QString sep = isUnc(path) || path.contains(u'\\') ? QStringLiteral("\\") : QStringLiteral("/");
  while (shown.size() > 1 && shown.endsWith(sep)) shown.chop(1);
  walkLocal(local, shown, sep, visit);
  return {};
}

// ---------------------------------------------------------------------------------------------
// Tree operations

namespace {

qint64 treeBytes(const QString& local) {
  struct stat st{};
  if (!lstatOf(local, st)) return 0;
  if (!S_ISDIR(st.st_mode)) return st.st_size;
  qint64 total = 0;
  QList<DirEntry> entries;
  readDir(local, entries);
  for (const DirEntry& e : std::as_const(entries)) total += e.isDirectory ? treeBytes(join(local, e.name)) : e.size;
  return total;
}

QString stagingName(const QString& folder) {
  return join(folder, QStringLiteral(".~tavrel-%1-%2.tmp")
                          .arg(::getpid())
                          .arg(QRandomGenerator::global()->generate64(), 16, 16, QChar(u'0')));
}

// Copies the bytes of one file to `target` through a staging file renamed into place.
Status copyFile(const QString& source, const QString& target, const QString& stagingFolder) {
  const QString folder = stagingFolder.isEmpty() ? target.section(u'/', 0, -2) : stagingFolder;
  if (!stagingFolder.isEmpty()) QDir().mkpath(stagingFolder);
  const QString tmp = stagingName(folder);
  const int in = ::open(enc(source).constData(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return fromErrno(errno, QStringLiteral("cannot read %1").arg(source));
  const int out = ::open(enc(tmp).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (out < 0) {
    const int e = errno;
    ::close(in);
    return fromErrno(e, QStringLiteral("cannot write beside %1").arg(target));
  }
  char buf[1 << 16];
  Status s;
  for (;;) {
    const ssize_t n = ::read(in, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      s = fromErrno(errno, QStringLiteral("cannot read %1").arg(source));
      break;
    }
    for (ssize_t at = 0; at < n;) {
      const ssize_t w = ::write(out, buf + at, static_cast<size_t>(n - at));
      if (w < 0) {
        if (errno == EINTR) continue;
        s = fromErrno(errno, QStringLiteral("cannot write %1").arg(target));
        break;
      }
      at += w;
    }
    if (!s) break;
  }
  ::close(in);
  if (::close(out) != 0 && s) s = fromErrno(errno, QStringLiteral("cannot write %1").arg(target));
  if (s && ::rename(enc(tmp).constData(), enc(target).constData()) != 0)
    s = fromErrno(errno, QStringLiteral("cannot write %1").arg(target));
  if (!s) ::unlink(enc(tmp).constData());
  return s;
}

// Removes the staging files a copy left in `folder` when its process died: those of processes
// that no longer run.
void removeStaleStaging(const QString& folder) {
  DIR* d = ::opendir(enc(folder).constData());
  if (!d) return;
  QStringList stale;
  while (dirent* e = ::readdir(d)) {
    const QString name = QFile::decodeName(e->d_name);
    if (!name.startsWith(QLatin1String(".~tavrel-")) || !name.endsWith(QLatin1String(".tmp"))) continue;
    bool ok = false;
    const qint64 pid = name.section(u'-', 1, 1).toLongLong(&ok);
    if (!ok || pid <= 0 || pid == ::getpid()) continue;
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    stale.append(join(folder, name));
  }
  ::closedir(d);
  for (const QString& f : std::as_const(stale)) ::unlink(enc(f).constData());
}

struct TreeWork {
  bool caseless;  // names on a file server are matched without regard to case
  FileServers* servers;
  Conflicts* conflicts;
  QString staging;
  TreeResult result;
  QSet<QString> swept;  // folders cleared of stale staging files by this operation

  // The folder a copy to `targetLocal` is staged in, cleared of what killed copies left there.
  void sweepBefore(const QString& targetLocal) {
    const QString folder = staging.isEmpty() ? targetLocal.section(u'/', 0, -2) : staging;
    if (swept.contains(folder)) return;
    swept.insert(folder);
    removeStaleStaging(folder);
  }

  void failed(const Status& s) {
    if (result.status) result.status = s;
  }
};

// The name under which `name` exists in `dir`, or empty.
QString entryIn(const TreeWork& w, const QString& dir, const QString& name) {
  return existingName(w.caseless, dir, name);
}

// Whether an existing target is replaced: Yes, No (skip it) or Cancel (stop everything).
Conflicts::Answer ask(TreeWork& w, const Location& target, bool isDirectory) {
  if (!w.conflicts) return Conflicts::Answer::Yes;
  const auto a = w.conflicts->replace(target, isDirectory);
  if (a == Conflicts::Answer::Cancel) w.result.aborted = true;
  return a;
}

// Copies `srcLocal` to `dstLocal` (which is `dst`). Returns false to stop.
bool copyEntry(TreeWork& w, const QString& srcLocal, const QString& dstLocal, const Location& dst) {
  struct stat st{};
  if (!lstatOf(srcLocal, st) || S_ISLNK(st.st_mode)) {
    w.failed(fail(err::FILE_NOT_FOUND, QStringLiteral("cannot find %1").arg(srcLocal)));
    return true;
  }
  struct stat tst{};
  const bool targetExists = lstatOf(dstLocal, tst);
  if (S_ISDIR(st.st_mode)) {
    if (targetExists) {
      if (!S_ISDIR(tst.st_mode)) {
        w.failed(fail(err::ALREADY_EXISTS, QStringLiteral("a file %1 is in the way").arg(dstLocal)));
        return true;
      }
      const auto a = ask(w, dst, true);
      if (a == Conflicts::Answer::Cancel) return false;
      if (a == Conflicts::Answer::No) return true;
    } else if (::mkdir(enc(dstLocal).constData(), 0755) != 0) {
      w.failed(fromErrno(errno, QStringLiteral("cannot create %1").arg(dstLocal)));
      return true;
    }
    ++w.result.done;
    QList<DirEntry> entries;
    readDir(srcLocal, entries);
    for (const DirEntry& e : std::as_const(entries)) {
      QString name = targetExists ? entryIn(w, dstLocal, e.name) : QString();
      if (name.isEmpty()) name = e.name;
      if (!copyEntry(w, join(srcLocal, e.name), join(dstLocal, name), dst.child(name))) return false;
    }
    return true;
  }
  if (targetExists) {
    if (S_ISDIR(tst.st_mode)) {
      w.failed(fail(err::ALREADY_EXISTS, QStringLiteral("a folder %1 is in the way").arg(dstLocal)));
      return true;
    }
    const auto a = ask(w, dst, false);
    if (a == Conflicts::Answer::Cancel) return false;
    if (a == Conflicts::Answer::No) return true;
  }
  w.sweepBefore(dstLocal);
  if (Status s = copyFile(srcLocal, dstLocal, w.staging); !s) {
    w.failed(s);
    return true;
  }
  ++w.result.done;
  return true;
}

// A step on disk that moves or removes an entry, with what the network keeps per path following it.
class Step {
 public:
  Step(FileServers* servers, qint64 id) : servers_(servers), id_(id) {}
  ~Step() {
    if (servers_ && id_) servers_->endStep(id_);
  }
  Step(const Step&) = delete;
  Step& operator=(const Step&) = delete;

 private:
  FileServers* servers_;
  qint64 id_;
};

Step moveStep(FileServers* servers, const Location& from, const QString& fromLocal, const Location& to,
              const QString& toLocal) {
  return {servers, servers ? servers->beginMove(from, fromLocal, to, toLocal) : 0};
}

Step removeStep(FileServers* servers, const Location& loc, const QString& local) {
  return {servers, servers ? servers->beginRemove(loc, local) : 0};
}

// Moves by renaming, entry by entry where the target folder already exists. What is kept per path
// follows each entry that moved, and only those: an entry answered No or failing stays with its
// own.
bool moveEntry(TreeWork& w, const Location& src, const QString& srcLocal, const QString& dstLocal,
               const Location& dst) {
  struct stat st{};
  if (!lstatOf(srcLocal, st) || S_ISLNK(st.st_mode)) {
    w.failed(fail(err::FILE_NOT_FOUND, QStringLiteral("cannot find %1").arg(srcLocal)));
    return true;
  }
  struct stat tst{};
  const bool targetExists = lstatOf(dstLocal, tst);
  if (targetExists && S_ISDIR(st.st_mode) != S_ISDIR(tst.st_mode)) {
    w.failed(fail(err::ALREADY_EXISTS, QStringLiteral("%1 is in the way").arg(dstLocal)));
    return true;
  }
  // A source folder whose entries were moved one by one goes once it is empty.
  auto removeEmptied = [&] {
    const Step step = removeStep(w.servers, src, srcLocal);
    if (::rmdir(enc(srcLocal).constData()) == 0) ++w.result.done;
  };
  if (targetExists && S_ISDIR(st.st_mode)) {
    const auto a = ask(w, dst, true);
    if (a == Conflicts::Answer::Cancel) return false;
    if (a == Conflicts::Answer::No) return true;
    QList<DirEntry> entries;
    readDir(srcLocal, entries);
    for (const DirEntry& e : std::as_const(entries)) {
      QString name = entryIn(w, dstLocal, e.name);
      if (name.isEmpty()) name = e.name;
      if (!moveEntry(w, src.child(e.name), join(srcLocal, e.name), join(dstLocal, name), dst.child(name)))
        return false;
    }
    removeEmptied();
    return true;
  }
  if (targetExists) {
    const auto a = ask(w, dst, false);
    if (a == Conflicts::Answer::Cancel) return false;
    if (a == Conflicts::Answer::No) return true;
  }
  int renameError = 0;
  {
    const Step step = moveStep(w.servers, src, srcLocal, dst, dstLocal);
    if (::rename(enc(srcLocal).constData(), enc(dstLocal).constData()) != 0) renameError = errno;
  }
  if (renameError == 0) {
    ++w.result.done;
    return true;
  }
  if (renameError != EXDEV) {
    w.failed(fromErrno(renameError, QStringLiteral("cannot move %1").arg(srcLocal)));
    return true;
  }
  // Another file system: copy, then remove the source of what was copied whole.
  if (S_ISDIR(st.st_mode)) {
    if (::mkdir(enc(dstLocal).constData(), 0755) != 0 && errno != EEXIST) {
      w.failed(fromErrno(errno, QStringLiteral("cannot create %1").arg(dstLocal)));
      return true;
    }
    QList<DirEntry> entries;
    readDir(srcLocal, entries);
    for (const DirEntry& e : std::as_const(entries))
      if (!moveEntry(w, src.child(e.name), join(srcLocal, e.name), join(dstLocal, e.name), dst.child(e.name)))
        return false;
    removeEmptied();
    return true;
  }
  w.sweepBefore(dstLocal);
  const Step step = moveStep(w.servers, src, srcLocal, dst, dstLocal);
  if (Status s = copyFile(srcLocal, dstLocal, w.staging); !s) {
    w.failed(s);
    return true;
  }
  ::unlink(enc(srcLocal).constData());
  ++w.result.done;
  return true;
}

// Deletes bottom-up; false when something below (or the entry itself) stays.
bool deleteEntry(TreeWork& w, const QString& local, const Location& loc) {
  struct stat st{};
  if (!lstatOf(local, st)) return true;
  bool whole = true;
  if (S_ISDIR(st.st_mode) && !S_ISLNK(st.st_mode)) {
    QList<DirEntry> entries;
    readDir(local, entries);
    for (const DirEntry& e : std::as_const(entries))
      whole = deleteEntry(w, join(local, e.name), loc.child(e.name)) && whole;
  }
  if (whole && w.servers) {
    if (Status s = w.servers->mayDelete(loc); !s) {
      w.failed(s);
      whole = false;
    }
  }
  if (whole) {
    const int r = S_ISDIR(st.st_mode) && !S_ISLNK(st.st_mode) ? ::rmdir(enc(local).constData())
                                                             : ::unlink(enc(local).constData());
    if (r != 0) {
      w.failed(fromErrno(errno, QStringLiteral("cannot delete %1").arg(local)));
      whole = false;
    }
  }
  if (whole) ++w.result.done;
  return whole;
}

QString shown(const Location& loc) {
  if (!loc.given.isEmpty()) return loc.given;
  if (!loc.isNetwork()) return u'/' + loc.components.join(u'/');
  QString out = QStringLiteral("\\\\%1\\%2$").arg(loc.server, QString(loc.drive));
  for (const QString& c : loc.components) out += u'\\' + c;
  return out;
}

// A drive's root, a share's folder and a folder that holds a share's folder are never deleted:
// deleting one would take every user's folder below it, or leave a share leading nowhere.
Status mayDeleteTree(FileServers* servers, const Location& loc) {
  if (loc.components.isEmpty())
    return fail(err::ACCESS_DENIED,
                QStringLiteral("%1 is the root of a drive and cannot be deleted").arg(shown(loc)));
  if (!loc.isNetwork()) return {};
  if (!servers)
    return fail(err::BAD_NETPATH, QStringLiteral("the network path %1 was not found").arg(shown(loc)));
  auto shares = servers->sharedFolders(loc.server);
  if (!shares) return shares.error();
  const SharedFolder* below = nullptr;
  for (const SharedFolder& share : std::as_const(*shares)) {
    Location folder = loc;
    folder.drive = share.drive;
    folder.components = share.components;
    if (!loc.contains(folder)) continue;
    if (folder.components.size() == loc.components.size())
      return fail(err::ACCESS_DENIED, QStringLiteral("%1 is the folder of the share %2 and cannot be deleted")
                                          .arg(shown(loc), share.name));
    if (!below) below = &share;
  }
  if (below)
    return fail(err::ACCESS_DENIED,
                QStringLiteral("%1 holds the folder of the share %2 and cannot be deleted")
                    .arg(shown(loc), below->name));
  return {};
}

TreeWork work(Conflicts* conflicts, const Location& target) {
  TreeWork w{target.isNetwork(), fileServers().get(), conflicts, QString(), {}, {}};
  if (w.servers) w.servers->settle();
  if (w.servers && target.isNetwork()) w.staging = w.servers->stagingFolder(target);
  return w;
}

Status checkPair(const Location& from, const QString& srcLocal, const Location& to, struct stat& st) {
  if (!lstatOf(srcLocal, st) || S_ISLNK(st.st_mode))
    return fail(err::FILE_NOT_FOUND, QStringLiteral("cannot find %1").arg(from.given.isEmpty() ? srcLocal : from.given));
  if (from.contains(to))
    return fail(err::INVALID_PARAMETER, QStringLiteral("the target %1 is inside the source").arg(to.given));
  const QString parent = localPath(to.parent());
  struct stat pst{};
  if (!lstatOf(parent, pst) || !S_ISDIR(pst.st_mode))
    return fail(err::PATH_NOT_FOUND, QStringLiteral("the folder above %1 does not exist").arg(to.given));
  return {};
}

}  // namespace

TreeResult copyTree(const Location& from, const Location& to, Conflicts* conflicts) {
  TreeWork w = work(conflicts, to);
  const QString src = localPath(from);
  struct stat st{};
  if (Status s = checkPair(from, src, to, st); !s) return {s, false, 0};
  if (w.servers && to.isNetwork()) {
    if (Status s = w.servers->reserve(to, treeBytes(src)); !s) return {s, false, 0};
  }
  copyEntry(w, src, localPath(to), to);
  return w.result;
}

TreeResult moveTree(const Location& from, const Location& to, Conflicts* conflicts) {
  TreeWork w = work(conflicts, to);
  const QString src = localPath(from);
  struct stat st{};
  if (Status s = checkPair(from, src, to, st); !s) return {s, false, 0};
  const bool sameDrive = from.sameDrive(to);
  if (w.servers && to.isNetwork() && !sameDrive) {
    if (Status s = w.servers->reserve(to, treeBytes(src)); !s) return {s, false, 0};
  }
  moveEntry(w, from, src, localPath(to), to);
  return w.result;
}

TreeResult deleteTree(const Location& loc) {
  TreeWork w = work(nullptr, loc);
  const QString local = localPath(loc);
  struct stat st{};
  if (!lstatOf(local, st))
    return {fail(err::FILE_NOT_FOUND, QStringLiteral("cannot find %1").arg(loc.given.isEmpty() ? local : loc.given)),
            false, 0};
  if (Status s = mayDeleteTree(w.servers, loc); !s) return {s, false, 0};
  {
    const Step step = removeStep(w.servers, loc, local);
    deleteEntry(w, local, loc);
  }
  return w.result;
}

Status renamePath(const Location& from, const Location& to) {
  if (!from.sameDrive(to))
    return fail(0x80070011, QStringLiteral("%1 and %2 are not on the same drive").arg(from.given, to.given));
  const QString src = localPath(from);
  struct stat st{};
  if (!lstatOf(src, st)) return fail(err::FILE_NOT_FOUND, QStringLiteral("cannot find %1").arg(from.given));
  if (from.components.isEmpty() || to.components.isEmpty())
    return fail(err::ACCESS_DENIED, QStringLiteral("a drive's root cannot be renamed"));
  const QString parent = localPath(to.parent());
  struct stat pst{};
  if (!lstatOf(parent, pst) || !S_ISDIR(pst.st_mode))
    return fail(err::PATH_NOT_FOUND, QStringLiteral("the folder above %1 does not exist").arg(to.given));
  const QString existing = existingName(to.isNetwork(), parent, to.name());
  const QString dst = join(parent, to.name());
  // Only the same entry may be in the way: a change of letter case.
  if (!existing.isEmpty() && join(parent, existing) != src)
    return fail(err::ALREADY_EXISTS, QStringLiteral("%1 exists").arg(to.given));
  if (from.contains(to) && from.components.size() != to.components.size())
    return fail(err::INVALID_PARAMETER, QStringLiteral("the target %1 is inside the source").arg(to.given));
  const auto servers = fileServers();
  if (servers) servers->settle();
  const Step step = moveStep(servers.get(), from, src, to, dst);
  if (::rename(enc(src).constData(), enc(dst).constData()) != 0)
    return fromErrno(errno, QStringLiteral("cannot rename %1").arg(from.given));  // before the step ends
  return {};
}

}  // namespace tavrel::files
