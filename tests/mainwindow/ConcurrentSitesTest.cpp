// Several instances saving new sites into one database folder at the same time lose none.

#include "RecordTabs.h"

#include <QProcess>
#include <QSet>

using namespace tavrel;

namespace {

class ConcurrentSites : public test::RecordTabsFixture {};

TEST_F(ConcurrentSites, TwoProcessesAndThisWindowSavingAtOnceLoseNoSite) {
  constexpr int kEach = 150;
  QProcess a, b;
  for (auto [p, prefix] : {std::pair{&a, "A"}, std::pair{&b, "B"}})
    p->start(QStringLiteral(SITE_SAVER_PROBE), {db(), prefix, QString::number(kEach)});
  ASSERT_TRUE(a.waitForStarted());
  ASSERT_TRUE(b.waitForStarted());

  // This window saves its own sites meanwhile.
  showSites();
  for (int i = 1; i <= kEach; ++i) {
    newSiteNamed("C" + QString::number(i));
    w->NTSERVER->setText("HOME");
    w->Save_Site_Click();
    ASSERT_EQ(status(), "Saved Site...");
  }
  for (QProcess* p : {&a, &b}) {
    if (p->state() != QProcess::NotRunning) {
      ASSERT_TRUE(p->waitForFinished(120000));
    }
    EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
  }

  EXPECT_EQ(file("Site.dat").size() % records::Site_Record::Length, 0);
  QSet<QString> names;
  for (const records::Site_Record& r : sitesOnDisk()) {
    EXPECT_EQ(r.Deleted, 0);
    names.insert(r.SiteName.trimmed());
  }
  EXPECT_EQ(names.size(), 3 * kEach) << "every site of every instance is there, once";
  EXPECT_EQ(sitesOnDisk().size(), 3 * kEach);
}

}  // namespace
