#pragma once
// Which layout the site and template files of a database folder are in, judged from the files
// themselves (their lengths, their records, the copies a conversion keeps), never from a setting:
// a folder may be shared by users whose settings say different things.

#include "records/DatabaseFolder.h"
#include "records/Result.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace tavrel::records {

// The conversion a record file needs, by the conversion's Kind: 0 for the current layout, 1 for
// 1.x, 2 for "2.0", 3 for "2.1" (Site.dat has only 0 and 1). Nothing for a missing or empty file.
// A length that several layouts divide is told apart by the records: every record of the true
// layout starts with a deleted flag (a small number), where the others find text; the copy a conversion
// keeps (Site.v22, Template.v22) settles it for the current layout. Fails, naming the file, when
// no layout or more than one fits.
Result<std::optional<int16_t>> detectFileLayout(const DatabaseFolder& db, const QString& name);

// The conversion the folder needs: 1 when Site.dat is of 1.x, else the kind of Template.dat's
// layout, else 0. Fails as detectFileLayout does.
Result<int16_t> detectConversionKind(const DatabaseFolder& db);

// Whether `name` may be read and written in the current layout: a failure naming the file when
// it is in an older layout (it must be converted first) or in no layout one can tell.
Status checkCurrentLayout(const DatabaseFolder& db, const QString& name);

}  // namespace tavrel::records
