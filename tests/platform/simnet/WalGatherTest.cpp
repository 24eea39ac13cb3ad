// The layer that gathers a commit's log writes into one: every commit, whatever its size and
// wherever its last frame falls, is whole in the log when it returns, as a second connection
// through the default VFS reads it; a rolled back transaction leaves nothing; the file stays sound.

#include "platform/simnet/WalGather.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <QTemporaryDir>

#include <string>

namespace tavrel::test {
namespace {

sqlite3* openDb(const QString& path, const char* vfs) {
  sqlite3* db = nullptr;
  EXPECT_EQ(sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, vfs),
            SQLITE_OK);
  return db;
}

void exec(sqlite3* db, const std::string& sql) {
  char* err = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err);
  ASSERT_EQ(rc, SQLITE_OK) << sql << ": " << (err ? err : "");
  sqlite3_free(err);
}

// The rows and the bytes of their values, as `db` reads them now.
std::pair<qint64, qint64> contents(sqlite3* db) {
  sqlite3_stmt* s = nullptr;
  EXPECT_EQ(sqlite3_prepare_v2(db, "SELECT count(*), coalesce(sum(length(v)), 0) FROM t", -1, &s, nullptr),
            SQLITE_OK);
  EXPECT_EQ(sqlite3_step(s), SQLITE_ROW) << sqlite3_errmsg(db);
  const std::pair<qint64, qint64> out{sqlite3_column_int64(s, 0), sqlite3_column_int64(s, 1)};
  sqlite3_finalize(s);
  return out;
}

void insert(sqlite3* db, int rows, int bytes) {
  sqlite3_stmt* s = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "INSERT INTO t(v) VALUES(randomblob(?))", -1, &s, nullptr), SQLITE_OK);
  for (int i = 0; i < rows; ++i) {
    sqlite3_bind_int(s, 1, bytes);
    ASSERT_EQ(sqlite3_step(s), SQLITE_DONE) << sqlite3_errmsg(db);
    sqlite3_reset(s);
  }
  sqlite3_finalize(s);
}

TEST(WalGather, EveryCommitIsWholeInTheLogWhenItReturns) {
  const char* vfs = simnet::walGatheringVfs();
  ASSERT_NE(vfs, nullptr);
  QTemporaryDir tmp;
  const QString path = tmp.filePath("t.db");
  sqlite3* writer = openDb(path, vfs);
  // No checkpoint after a commit: its reads would hand over whatever a commit had held back.
  exec(writer,
       "PRAGMA page_size=1024; PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"
       "PRAGMA wal_autocheckpoint=0; CREATE TABLE t(id INTEGER PRIMARY KEY, v BLOB)");
  sqlite3* reader = openDb(path, nullptr);

  // Transactions of one row, of many pages, of a value spilling over many pages, one larger than
  // the most written at once, and a run of sizes whose last frames fall at every place of a write.
  struct Case {
    int rows, bytes;
  };
  std::vector<Case> cases = {{1, 10}, {40, 900}, {1, 200000}, {400, 900}};
  for (int k = 1; k <= 140; ++k) cases.push_back({k, 900});
  qint64 rows = 0, bytes = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.rows << " rows of " << c.bytes << " bytes");
    exec(writer, "BEGIN IMMEDIATE");
    insert(writer, c.rows, c.bytes);
    EXPECT_EQ(contents(reader), std::make_pair(rows, bytes)) << "nothing is seen before the commit";
    exec(writer, "COMMIT");
    rows += c.rows;
    bytes += qint64(c.rows) * c.bytes;
    ASSERT_EQ(contents(reader), std::make_pair(rows, bytes)) << "the commit is whole when it returns";
  }

  // A transaction rolled back after writing more than a page cache's worth leaves nothing.
  exec(writer, "PRAGMA cache_size=10; BEGIN IMMEDIATE");
  insert(writer, 300, 900);
  exec(writer, "ROLLBACK");
  EXPECT_EQ(contents(reader), std::make_pair(rows, bytes));
  EXPECT_EQ(contents(writer), std::make_pair(rows, bytes));

  exec(writer, "PRAGMA wal_checkpoint(TRUNCATE)");
  EXPECT_EQ(contents(reader), std::make_pair(rows, bytes));
  sqlite3_close(reader);
  sqlite3_close(writer);
  sqlite3* again = openDb(path, nullptr);
  EXPECT_EQ(contents(again), std::make_pair(rows, bytes));
  sqlite3_stmt* check = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(again, "PRAGMA integrity_check", -1, &check, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(check), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)), "ok");
  sqlite3_finalize(check);
  sqlite3_close(again);
}

}  // namespace
}  // namespace tavrel::test
