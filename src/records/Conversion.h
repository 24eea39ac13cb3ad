#pragma once
// Conversion of the record files of older versions (1.x, "2.0", "2.1") to the current layouts.
// Each converted file is written afresh as Site.new or Template.new and put in place of the old
// file in one rename, the old file staying as Site.v22 or Template.v22. A file already in the
// current layout, or missing, is left alone, so running the conversion again changes nothing.

#include "records/FileOps.h"
#include "records/Result.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace tavrel::records {

inline const QString kCurrentDBVersion = QStringLiteral("2.2");

struct ConvertHooks {
  // A message box with an OK button and the default title. `text` is the message; `detail` says
  // what failed and is empty for the other messages.
  std::function<void(const QString& text, const QString& detail)> message;
  // Writes DBVersion = "2.2" to the settings; false when that failed.
  std::function<bool()> writeVersion;
};

// Converts the files of the database folder `Path` from the layouts of `Kind` (1: sites and
// templates of 1.x; 2: templates of "2.0"; 3: templates of "2.1"). DBVersion is written only when
// every file of the Kind that is present is in the current layout; on any failure the originals
// stay readable under their names, DBVersion keeps its value and no completion message is given.
Status Convert_DB(const QString& Path, int16_t Kind, const ConvertHooks& hooks,
                  FileOps& ops = posixFileOps());

}  // namespace tavrel::records
