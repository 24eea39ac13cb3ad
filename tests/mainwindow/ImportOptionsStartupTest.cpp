// The import options at start-up: the stored expiry date is in the options window's Expiredate,
// which the start-up loads hidden, and the creation run takes it from there.

#include "StartupFixture.h"

#include "mainwindow/ImportWindows.h"

#include <gtest/gtest.h>

using namespace tavrel;

namespace {

class ImportOptionsStartup : public test::StartupFixture {};

TEST_F(ImportOptionsStartup, TheStoredOptionsAreInTheHiddenWindowAfterAStart) {
  struct Case {
    const char* what;
    const char *expire, *start, *finish;
    QString shown, lower, upper;
    int option;
  };
  const Case cases[] = {
      {"nothing stored", nullptr, nullptr, nullptr, "", "0", "0", 0},
      {"a range and a date", "2030-01-31", "4", "9", "2030-01-31", "4", "9", 2},
      {"all fields", "31/12/2029", "0", "99", "31/12/2029", "0", "99", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QFile::remove(configPath());
    state::resetShared();
    if (c.expire) put("Setup", "AccountExpire", c.expire);
    if (c.start) put("Setup", "ImportGroupsStart", c.start);
    if (c.finish) put("Setup", "ImportGroupsFinish", c.finish);
    ASSERT_TRUE(start());
    mainwindow::ImportGrps* g = mainwindow::ImportGrps::existing();
    ASSERT_NE(g, nullptr) << "loaded by the start-up";
    EXPECT_FALSE(g->isVisible());
    EXPECT_EQ(g->Expiredate->text(), c.shown);
    EXPECT_EQ(g->LowerRange->text(), c.lower);
    EXPECT_EQ(g->UpperRange->text(), c.upper);
    EXPECT_TRUE(g->Grp_Range[size_t(c.option)]->isChecked());
    EXPECT_EQ(stored("Setup", "AccountExpire"), c.expire ? c.expire : "<missing>") << "loading writes nothing";
  }
}

}  // namespace
