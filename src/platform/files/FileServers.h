#pragma once
// What the file layer needs of a network of file servers: where a share leads, where files are
// staged while they are written, quotas, paths that refuse deletion, and notice of paths removed
// or moved (so that what the network keeps per path follows them, also across a crash). The simulated network
// implements it; without one installed, only paths of this machine work.

#include "platform/adsi/Result.h"
#include "platform/files/Paths.h"

#include <memory>

namespace tavrel::files {

// The drive and folder a share publishes.
struct ShareTarget {
  QString server;          // upper case
  QChar drive;             // upper case
  QStringList components;  // the shared folder below the drive root
  QString root;            // the drive's folder on this machine
};

// A share of a server's share table and the folder it publishes.
struct SharedFolder {
  QString name;
  QChar drive;             // upper case
  QStringList components;  // the shared folder below the drive root
};

class FileServers {
 public:
  virtual ~FileServers() = default;
  // `\\server\share`: an administrative drive share ("D$") or a share of the server's share table.
  // BAD_NETPATH for an unknown or unreachable server, BAD_NET_NAME for an unknown share or drive.
  virtual adsi::Result<ShareTarget> share(const QString& server, const QString& share) = 0;
  // The shares of the server's share table (not the administrative drive shares). BAD_NETPATH
  // when the server does not answer.
  virtual adsi::Result<QList<SharedFolder>> sharedFolders(const QString& server) = 0;
  // A folder on the same file system as `target` where a file is written before it is renamed
  // into place; outside every drive, so a half-written file is never seen through a share.
  virtual QString stagingFolder(const Location& target) = 0;
  // Whether `bytes` more fit on the drive of `target` (DISK_FULL when a quota is exceeded).
  virtual adsi::Status reserve(const Location& target, qint64 bytes) = 0;
  // Whether the path may be deleted (ACCESS_DENIED when it is held open or locked).
  virtual adsi::Status mayDelete(const Location& loc) = 0;

  // What the network keeps per path follows each step that moves or removes an entry on disk.
  // The file layer begins a step before it touches the disk and ends it right after; ending reads
  // the step's outcome from the disk, and a step whose process died in between is ended the same
  // way by the next one to use what is kept, so nothing kept is lost or left behind for a new
  // entry at the same path. A step returns 0 when nothing is kept there to follow.
  //
  // The entry at `fromLocal` (on disk), with everything below it, goes to `to` at `toLocal`,
  // replacing what is kept for `to`.
  virtual qint64 beginMove(const Location& from, const QString& fromLocal, const Location& to,
                           const QString& toLocal) = 0;
  // Entries at or below `loc` (at `local` on disk) are deleted; what is kept for those that are
  // gone goes with them.
  virtual qint64 beginRemove(const Location& loc, const QString& local) = 0;
  virtual void endStep(qint64 step) = 0;
  // Ends the steps of processes that died: called before the file layer makes or moves entries,
  // so that a new entry never meets what was kept for one that is gone.
  virtual void settle() = 0;
};

// The network the file layer uses (none by default); the caller keeps `servers` alive.
void setFileServers(std::shared_ptr<FileServers> servers);
std::shared_ptr<FileServers> fileServers();

}  // namespace tavrel::files
