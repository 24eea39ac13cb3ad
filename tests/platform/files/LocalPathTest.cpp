// A file server's path is found on disk without regard to letter case, each name under its own
// spelling where that exists; the names after the first that does not exist keep the spelling given.

#include "../resources/ResourceNetwork.h"

#include "platform/files/FileSystem.h"

#include <QDir>
#include <QFile>

namespace tavrel::test {
namespace {

using namespace files;

class LocalPath : public ResourceNetwork {};

TEST_F(LocalPath, EachNameIsTakenAsStoredUpToTheFirstMissingOne) {
  const QString d = drivePath("FILESRV1", 'D');
  ASSERT_TRUE(QDir().mkpath(d + "/Users/JSmith/Docs"));
  ASSERT_TRUE(QDir().mkpath(d + "/Users/jsmith"));  // a look-alike beside it: the exact spelling wins
  QFile file(d + "/Users/Notes.txt");
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  struct Case {
    const char* path;
    const char* local;  // below the drive's folder
  };
  const Case cases[] = {
      {"\\\\FILESRV1\\D$\\Users\\JSmith\\Docs", "/Users/JSmith/Docs"},
      {"\\\\FILESRV1\\D$\\Users\\jsmith\\docs", "/Users/jsmith/docs"},
      {"\\\\FILESRV1\\D$\\USERS\\JSmith\\DOCS", "/Users/JSmith/Docs"},
      {"\\\\FILESRV1\\D$\\Users\\JSmith\\docs", "/Users/JSmith/Docs"},
      {"\\\\FILESRV1\\D$\\Users\\JSmith\\New", "/Users/JSmith/New"},
      {"\\\\FILESRV1\\D$\\USERS\\jsmith\\New\\Deeper", "/Users/jsmith/New/Deeper"},
      {"\\\\FILESRV1\\D$\\Users\\Nobody\\DOCS", "/Users/Nobody/DOCS"},
      {"\\\\FILESRV1\\D$\\Users\\NOTES.TXT\\x", "/Users/Notes.txt/x"},
      {"\\\\FILESRV1\\D$\\Users\\JSmith", "/Users/JSmith"},
      {"\\\\FILESRV1\\D$\\USERS", "/Users"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    auto loc = resolve(QString::fromLatin1(c.path));
    ASSERT_TRUE(loc.ok());
    EXPECT_EQ(localPath(*loc).toStdString(), (QDir::cleanPath(d) + QLatin1String(c.local)).toStdString());
  }
  // A name added on disk afterwards under another spelling is found at once.
  ASSERT_TRUE(QDir().mkdir(d + "/Users/JSmith/New"));
  auto loc = resolve(QStringLiteral("\\\\FILESRV1\\D$\\USERS\\JSmith\\NEW\\Deeper"));
  ASSERT_TRUE(loc.ok());
  EXPECT_EQ(localPath(*loc).toStdString(), (QDir::cleanPath(d) + "/Users/JSmith/New/Deeper").toStdString());
}

}  // namespace
}  // namespace tavrel::test
