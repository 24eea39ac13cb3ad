// Creating a folder on a file server looks at its parent once: what the server holds under another
// spelling is still found, also when it was put there by someone else after the last look.

#include "../resources/ResourceNetwork.h"

#include "platform/files/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QThread>

namespace tavrel::test {
namespace {

using namespace files;

class FolderCreation : public ResourceNetwork {};

TEST_F(FolderCreation, EntriesMadeBesideTheProgramUnderAnotherSpellingAreFound) {
  const QString users = drivePath("FILESRV1", 'D', "Users");
  ASSERT_TRUE(createDirectory(QStringLiteral("\\\\FILESRV1\\D$\\Users\\first")));
  // Its index of Users is current now; what follows changes Users behind its back.
  QThread::msleep(20);  // the folder's time stamp moves on with the change
  struct Case {
    const char* onDisk;  // made directly on the server's disk
    bool isFile;
    const char* created;  // then asked for through the share
  };
  const Case cases[] = {
      {"JDoe", false, "\\\\FILESRV1\\D$\\Users\\jdoe"},
      {"Notes.TXT", true, "\\\\FILESRV1\\Users$\\notes.txt"},
      {"MiXeD", false, "\\\\FILESRV1\\D$\\USERS\\mixed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.onDisk);
    const QString disk = users + u'/' + QLatin1String(c.onDisk);
    if (c.isFile) {
      QFile f(disk);
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    } else {
      ASSERT_TRUE(QDir().mkdir(disk));
    }
    QThread::msleep(20);
    const auto before = serversTree();
    EXPECT_EQ(createDirectory(QString::fromLatin1(c.created)).code(), err::ALREADY_EXISTS);
    EXPECT_EQ(serversTree(), before) << "a refused creation changes nothing";
  }
  // A new name is still made, under its own spelling, and the one after it is found.
  ASSERT_TRUE(createDirectory(QStringLiteral("\\\\FILESRV1\\D$\\Users\\Second")));
  EXPECT_TRUE(QDir(users + QStringLiteral("/Second")).exists());
  EXPECT_EQ(createDirectory(QStringLiteral("\\\\FILESRV1\\D$\\Users\\SECOND")).code(), err::ALREADY_EXISTS);
  // A parent that is a file is no folder to create in.
  EXPECT_EQ(createDirectory(QStringLiteral("\\\\FILESRV1\\D$\\Users\\notes.txt\\x")).code(),
            err::PATH_NOT_FOUND);
}

}  // namespace
}  // namespace tavrel::test
