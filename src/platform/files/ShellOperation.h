#pragma once
// The shell's file operation: copy, move, delete or rename files and folder trees, with the
// questions the shell asks unless told not to.

#include "platform/files/FileSystem.h"

#include <QStringList>

namespace tavrel::files {

constexpr quint32 FO_MOVE = 1;
constexpr quint32 FO_COPY = 2;
constexpr quint32 FO_DELETE = 3;
constexpr quint32 FO_RENAME = 4;

constexpr quint16 FOF_SILENT = 0x0004;          // no progress
constexpr quint16 FOF_NOCONFIRMATION = 0x0010;  // answer every question Yes
constexpr quint16 FOF_NOCONFIRMMKDIR = 0x0200;  // create missing target folders without asking
constexpr quint16 FOF_NOERRORUI = 0x0400;       // no error boxes

struct SHFILEOPSTRUCT {
  quint32 wFunc = 0;
  QStringList pFrom;  // each may end in a wildcard name ("*.*")
  QStringList pTo;    // one target
  quint16 fFlags = 0;
  bool fAnyOperationsAborted = false;
};

// The shell's questions and error boxes; the program's windows implement it.
class ShellQuestions {
 public:
  virtual ~ShellQuestions() = default;
  virtual Conflicts::Answer confirmReplace(const QString& target, bool isDirectory) = 0;
  virtual bool confirmDelete(const QString& path, bool isDirectory) = 0;
  virtual bool confirmCreateFolder(const QString& path) = 0;
  virtual void showError(const QString& text) = 0;
};

// SHFileOperation: 0 when every part succeeded, else the Win32 error number of the first
// failure. A question answered Cancel (or No to a delete) sets fAnyOperationsAborted. Error boxes
// are shown unless FOF_NOERRORUI or FOF_SILENT is set, so that a silent run never waits for one.
int SHFileOperation(SHFILEOPSTRUCT& op, ShellQuestions* questions);

// A list of paths each ended by a NUL, the list by a second NUL, as the shell takes it.
QStringList splitNulList(const QString& list);

}  // namespace tavrel::files
