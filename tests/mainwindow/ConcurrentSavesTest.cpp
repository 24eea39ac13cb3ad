// Several instances saving new sites or new templates into one database folder at the same time
// lose none.

#include "RecordTabs.h"

#include <QProcess>
#include <QSet>

using namespace tavrel;

namespace {

class ConcurrentSaves : public test::RecordTabsFixture {
 protected:
  static constexpr int kEach = 150;

  // Starts two other instances saving `kind` records named A<n> and B<n>, lets `saveHere` save
  // this window's own meanwhile, and waits for both.
  void withTwoOthers(const char* kind, const std::function<void()>& saveHere) {
    QProcess a, b;
    for (auto [p, prefix] : {std::pair{&a, "A"}, std::pair{&b, "B"}})
      p->start(QStringLiteral(RECORD_SAVER_PROBE), {db(), kind, prefix, QString::number(kEach)});
    ASSERT_TRUE(a.waitForStarted());
    ASSERT_TRUE(b.waitForStarted());
    saveHere();
    for (QProcess* p : {&a, &b}) {
      if (p->state() != QProcess::NotRunning) {
        ASSERT_TRUE(p->waitForFinished(120000));
      }
      EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
      EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
    }
  }

  template <class R>
  QStringList namesOnDisk(const QString& file, QString R::*name) const {
    const QByteArray bytes = this->file(file);
    EXPECT_EQ(bytes.size() % R::Length, 0);
    QStringList names;
    for (int at = 0; at + R::Length <= bytes.size(); at += R::Length) {
      const R r = R::decode(bytes.mid(at, R::Length));
      EXPECT_EQ(r.Deleted, 0);
      names << (r.*name).trimmed();
    }
    return names;
  }

  void expectEveryNameOnce(const QStringList& names) {
    EXPECT_EQ(names.size(), 3 * kEach);
    EXPECT_EQ(QSet<QString>(names.begin(), names.end()).size(), 3 * kEach)
        << "every record of every instance is there, once";
  }
};

TEST_F(ConcurrentSaves, SitesOfThreeInstancesAreAllKept) {
  showSites();
  withTwoOthers("site", [&] {
    for (int i = 1; i <= kEach; ++i) {
      newSiteNamed("C" + QString::number(i));
      w->NTSERVER->setText("HOME");
      w->Save_Site_Click();
      ASSERT_EQ(status(), "Saved Site...");
    }
  });
  expectEveryNameOnce(namesOnDisk("Site.dat", &records::Site_Record::SiteName));
}

TEST_F(ConcurrentSaves, TemplatesOfThreeInstancesAreAllKept) {
  w->show();
  w->SSTab1->setCurrentIndex(mainwindow::form1::kTemplatesPage);
  withTwoOthers("template", [&] {
    for (int i = 1; i <= kEach; ++i) {
      w->NewTemplate_Click();
      w->New_Template_Name->setText("C" + QString::number(i));
      w->savetemplate_Click();
      ASSERT_EQ(status(), "Template Saved...") << w->StatusBar1->panel(1)->toolTip().toStdString();
    }
  });
  expectEveryNameOnce(namesOnDisk("Template.dat", &records::Template_Record::Name));
}

}  // namespace
