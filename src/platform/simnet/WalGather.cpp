#include "platform/simnet/WalGather.h"

#include <sqlite3.h>

#include <cstddef>
#include <cstring>
#include <mutex>
#include <vector>

namespace tavrel::simnet {

namespace {

constexpr int kFrameHeaderBytes = 24;  // a log frame's header, written on its own
// The most bytes the default VFS takes in one write (it masks a write's length with 0x1ffff); a
// transaction larger than this is written in parts.
constexpr size_t kMostHeld = 0x1ffff;

sqlite3_vfs* base = nullptr;  // the default VFS, which does the work
sqlite3_vfs gathering;
sqlite3_io_methods logMethods;

// A "-wal" file: the default VFS's file after this header, and the bytes not yet written.
struct LogFile {
  sqlite3_file file;  // first: SQLite sees this
  sqlite3_file* real;
  std::vector<char>* held;  // consecutive bytes from `start`
  sqlite3_int64 start;
  bool commitFrame;  // the header just held was a commit frame's: its page completes the commit
};

constexpr size_t realOffset() {
  return (sizeof(LogFile) + 7) & ~size_t(7);
}

LogFile* logOf(sqlite3_file* f) {
  return reinterpret_cast<LogFile*>(f);
}

int flush(LogFile* f) {
  if (f->held->empty()) return SQLITE_OK;
  const int rc =
      f->real->pMethods->xWrite(f->real, f->held->data(), static_cast<int>(f->held->size()), f->start);
  f->held->clear();
  return rc;
}

int logClose(sqlite3_file* file) {
  LogFile* f = logOf(file);
  const int flushed = flush(f);
  const int rc = f->real->pMethods ? f->real->pMethods->xClose(f->real) : SQLITE_OK;
  delete f->held;
  f->held = nullptr;
  return flushed != SQLITE_OK ? flushed : rc;
}

int logWrite(sqlite3_file* file, const void* data, int n, sqlite3_int64 offset) {
  LogFile* f = logOf(file);
  std::vector<char>& held = *f->held;
  if (!held.empty() && (offset != f->start + static_cast<sqlite3_int64>(held.size()) ||
                        held.size() + static_cast<size_t>(n) > kMostHeld))
    if (int rc = flush(f); rc != SQLITE_OK) return rc;
  if (held.empty()) f->start = offset;
  const auto* bytes = static_cast<const char*>(data);
  held.insert(held.end(), bytes, bytes + n);
  if (n == kFrameHeaderBytes) {
    // A frame header: bytes 4..7 hold the database size after a commit, zero for other frames.
    f->commitFrame = bytes[4] || bytes[5] || bytes[6] || bytes[7];
    return SQLITE_OK;
  }
  if (!f->commitFrame) return SQLITE_OK;
  f->commitFrame = false;
  return flush(f);
}

// A method of the default VFS's file, called once the held bytes are written: what it reads,
// syncs, measures, locks or hands out depends on them.
template <auto Method, typename... Args>
int afterFlush(sqlite3_file* file, Args... args) {
  LogFile* f = logOf(file);
  if (int rc = flush(f); rc != SQLITE_OK) return rc;
  return (f->real->pMethods->*Method)(f->real, args...);
}

// A method of the default VFS's file that the held bytes do not concern.
template <auto Method, typename... Args>
auto passedOn(sqlite3_file* file, Args... args) {
  LogFile* f = logOf(file);
  return (f->real->pMethods->*Method)(f->real, args...);
}

// Every file but a log is the default VFS's own, in the room SQLite gives; a log gets the header.
int open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
  if (!(flags & SQLITE_OPEN_WAL)) return base->xOpen(base, name, file, flags, outFlags);
  LogFile* f = logOf(file);
  std::memset(f, 0, sizeof(LogFile));
  f->real = reinterpret_cast<sqlite3_file*>(reinterpret_cast<char*>(file) + realOffset());
  const int rc = base->xOpen(base, name, f->real, flags, outFlags);
  if (rc != SQLITE_OK) {
    // SQLite calls xClose only when pMethods is set; the default VFS has cleaned up after itself.
    f->file.pMethods = nullptr;
    return rc;
  }
  f->held = new std::vector<char>;
  f->held->reserve(64 * 1024);
  f->file.pMethods = &logMethods;
  return SQLITE_OK;
}

bool registerVfs() {
  base = sqlite3_vfs_find(nullptr);
  if (!base || base->iVersion < 1) return false;
  // The default VFS's own functions serve everything but opening; they get this VFS, which carries
  // the default one's data.
  gathering = *base;
  gathering.pNext = nullptr;
  gathering.zName = "tavrel-wal-gather";
  gathering.szOsFile = static_cast<int>(realOffset()) + base->szOsFile;
  gathering.xOpen = open;

  logMethods = sqlite3_io_methods{};
  logMethods.iVersion = 3;
  logMethods.xClose = logClose;
  logMethods.xRead = afterFlush<&sqlite3_io_methods::xRead>;
  logMethods.xWrite = logWrite;
  logMethods.xTruncate = afterFlush<&sqlite3_io_methods::xTruncate>;
  logMethods.xSync = afterFlush<&sqlite3_io_methods::xSync>;
  logMethods.xFileSize = afterFlush<&sqlite3_io_methods::xFileSize>;
  logMethods.xLock = afterFlush<&sqlite3_io_methods::xLock>;
  logMethods.xUnlock = afterFlush<&sqlite3_io_methods::xUnlock>;
  logMethods.xCheckReservedLock = afterFlush<&sqlite3_io_methods::xCheckReservedLock>;
  logMethods.xFileControl = afterFlush<&sqlite3_io_methods::xFileControl>;
  logMethods.xSectorSize = passedOn<&sqlite3_io_methods::xSectorSize>;
  logMethods.xDeviceCharacteristics = passedOn<&sqlite3_io_methods::xDeviceCharacteristics>;
  logMethods.xShmMap = passedOn<&sqlite3_io_methods::xShmMap>;
  logMethods.xShmLock = passedOn<&sqlite3_io_methods::xShmLock>;
  logMethods.xShmBarrier = passedOn<&sqlite3_io_methods::xShmBarrier>;
  logMethods.xShmUnmap = passedOn<&sqlite3_io_methods::xShmUnmap>;
  logMethods.xFetch = afterFlush<&sqlite3_io_methods::xFetch>;
  logMethods.xUnfetch = passedOn<&sqlite3_io_methods::xUnfetch>;
  return sqlite3_vfs_register(&gathering, 0) == SQLITE_OK;
}

}  // namespace

const char* walGatheringVfs() {
  static std::once_flag once;
  static bool registered = false;
  std::call_once(once, [] { registered = registerVfs(); });
  return registered ? gathering.zName : nullptr;
}

}  // namespace tavrel::simnet
