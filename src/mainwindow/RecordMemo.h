#pragma once
// What the creation window last read from the database folder's record files, kept for as long as
// the files hold the same bytes. Every user created reads the template and the site; reading a
// file's bytes and comparing them costs a small part of opening, locking and decoding its records.
// The bytes are compared rather than the file's times and size: an edit in place within one tick of
// the file system's clock leaves those as they were.

#include "records/DatabaseFolder.h"
#include "records/Lookup.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <utility>

namespace tavrel::mainwindow {

// The whole of the file at `path`, opened as `openFlags` (O_RDONLY or O_RDWR) asks, so that a file
// the caller could not open that way gives nothing; nothing also for a missing file or a failed
// read.
std::optional<QByteArray> fileBytes(const QString& path, int openFlags);
// The bytes of the folder's file `name` as fileBytes reads them, and in `path` the file they came
// from: the exact spelling when it is there (one open instead of a look at the folder), else the
// folder's resolve().
std::optional<QByteArray> folderFileBytes(const records::DatabaseFolder& db, const QString& name, int openFlags,
                                          QString* path);

// The last scan of one record file for one name. `scan` runs the scan; its result is kept only
// when the file held the same bytes before and after it ran.
template <class R>
class ScanMemo {
 public:
  template <class Scan>
  records::Result<records::Scan<R>> get(const records::DatabaseFolder& db, const QString& fileName,
                                        const QString& wanted, int openFlags, Scan&& scan) {
    QString path;
    const std::optional<QByteArray> before = folderFileBytes(db, fileName, openFlags, &path);
    if (before && kept_ && path_ == path && wanted_ == wanted && bytes_ == *before) return *kept_;
    kept_.reset();
    records::Result<records::Scan<R>> result = std::forward<Scan>(scan)();
    if (!result || !before) return result;
    if (const std::optional<QByteArray> after = fileBytes(path, openFlags); after && *after == *before) {
      path_ = path;
      wanted_ = wanted;
      bytes_ = *before;
      kept_ = result.value();
    }
    return result;
  }

 private:
  QString path_, wanted_;
  QByteArray bytes_;
  std::optional<records::Scan<R>> kept_;
};

}  // namespace tavrel::mainwindow
