#pragma once
// Reading a permission list of the database folder (Permissions.dat, SharePerm.dat) for applying
// it: every whole 64-byte record in file order.

#include "records/Records.h"
#include "records/Result.h"

#include <QList>

namespace tavrel::resources {

// The records of list `name` in `dbpath`. A missing file holds none, and so does the end of a
// file too short for a whole record. A file that is there but cannot be read is a failure.
records::Result<QList<records::Permission_Record>> readPermissionFile(const QString& dbpath, const QString& name);

}  // namespace tavrel::resources
