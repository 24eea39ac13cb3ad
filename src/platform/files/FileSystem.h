#pragma once
// Files and folders through UNC, administrative-share and local paths: existence, creation of
// one level, listing, walking, and copying, moving, deleting and renaming whole trees.
//
// Copies and moves are safe against the process dying part way: a file is written to a staging
// file on the same file system and renamed into place, and a move renames each file, so every
// file is either still at its source or whole at its target.

#include "platform/adsi/Result.h"
#include "platform/files/Paths.h"

#include <QList>

#include <functional>

namespace tavrel::files {

struct DirEntry {
  QString name;
  bool isDirectory = false;
  qint64 size = 0;
  quint32 attributes() const { return isDirectory ? 0x10 : 0x80; }  // FILE_ATTRIBUTE_DIRECTORY / NORMAL
};

// Where `path` is. Paths of this machine are made absolute.
adsi::Result<Location> resolve(const QString& path);
// The file or folder on this machine, with the letter case of the names that exist.
QString localPath(const Location& loc);

bool exists(const QString& path);
adsi::Result<DirEntry> stat(const QString& path);
// The same for a location already resolved.
adsi::Result<DirEntry> stat(const Location& loc);
// Creates one folder; its parent must exist (PATH_NOT_FOUND), and it must not (ALREADY_EXISTS).
adsi::Status createDirectory(const QString& path);
// The entries of a folder, sorted by name without regard to case.
adsi::Result<QList<DirEntry>> list(const QString& path);
// Visits every entry below `path`, a folder before its contents; `visit` returns false to stop.
// The path given to `visit` is `path` joined with the names by "\".
adsi::Status walk(const QString& path, const std::function<bool(const QString&, const DirEntry&)>& visit);

// Answers to the questions a tree operation may ask. Without one, nothing is asked and existing
// targets are replaced.
class Conflicts {
 public:
  enum class Answer { Yes, No, Cancel };
  virtual ~Conflicts() = default;
  virtual Answer replace(const Location& target, bool isDirectory) = 0;
};

struct TreeResult {
  adsi::Status status;   // the first failure
  bool aborted = false;  // a question was answered Cancel
  int done = 0;          // files and folders handled
};

// Copies the file or tree `from` to exactly `to`; existing folders are merged, existing files
// replaced when `conflicts` agrees.
TreeResult copyTree(const Location& from, const Location& to, Conflicts* conflicts = nullptr);
// Moves the file or tree `from` to exactly `to`.
TreeResult moveTree(const Location& from, const Location& to, Conflicts* conflicts = nullptr);
// Deletes the file or tree; entries that refuse deletion stay, with their folders.
TreeResult deleteTree(const Location& loc);
// Renames within one drive; the target must not exist.
adsi::Status renamePath(const Location& from, const Location& to);

}  // namespace tavrel::files
