// The domain-controller lookup asks the directory in use when one is given: with the directory on
// a real domain (the test DC as dc.*), the simulated network's controller is not the answer.

#include "platform/simnet/NetworkBuilder.h"
#include "platform/simnet/Resources.h"
#include "resources/DcLookup.h"
#include "support/TestDc.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace tavrel::test {
namespace {

class DcLookup : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp.isValid());
    // The network the file servers are on: its controller of EXAMPLE is EXDC01.
    simnet::NetworkBuilder files(tmp.path() + QStringLiteral("/files"));
    files.forest("example.local", "EXAMPLE", false, "EXDC01");
    auto built = files.build();
    ASSERT_TRUE(built.ok()) << built.error().message.toStdString();
    fileNet = *built;
    simnet::installPlatformLayers(fileNet);
    if (onTestDc()) {
      REQUIRE_TEST_DC();
      directory = testDcBackend();
      return;
    }
    // A directory of its own whose controller is DC1.
    simnet::NetworkBuilder d(tmp.path() + QStringLiteral("/directory"));
    d.forest("example.local", "EXAMPLE", false, "DC1");
    auto dir = d.build();
    ASSERT_TRUE(dir.ok()) << dir.error().message.toStdString();
    directory = *dir;
  }
  void TearDown() override { resources::setDcDirectory(nullptr); }

  QTemporaryDir tmp;
  std::shared_ptr<simnet::SimNetwork> fileNet;
  std::shared_ptr<adsi::DirectoryBackend> directory;
};

TEST_F(DcLookup, TheDirectoryInUseNamesItsController) {
  EXPECT_EQ(resources::Get_DC_Name(QString(), QStringLiteral("EXAMPLE")), "\\\\EXDC01")
      << "without a directory";
  resources::setDcDirectory(directory);
  struct Case {
    const char* server;
    const char* domain;
    const char* controller;
  };
  const Case cases[] = {
      {"", "EXAMPLE", "\\\\dc1.example.local"},
      {"", "example", "\\\\dc1.example.local"},
      {"", "example.local", "\\\\dc1.example.local"},
      {"", " EXAMPLE ", "\\\\dc1.example.local"},
      {"\\\\dc1.example.local", "EXAMPLE", "\\\\dc1.example.local"},
      {"", "", ""},
      {"", "NOWHERE", ""},
      {"\\\\dc1.example.local", "OTHER", ""},  // a controller of another domain
  };
  for (const Case& c : cases)
    EXPECT_EQ(resources::Get_DC_Name(QString::fromLatin1(c.server), QString::fromLatin1(c.domain)).toLower(),
              QString::fromLatin1(c.controller))
        << "on \"" << c.server << "\" for \"" << c.domain << '"';
  resources::setDcDirectory(nullptr);
  EXPECT_EQ(resources::Get_DC_Name(QString(), QStringLiteral("EXAMPLE")), "\\\\EXDC01");
}

}  // namespace
}  // namespace tavrel::test
