// The bulk window's load routine: the user class's optional attributes, the Exchange server list
// from Site.dat, today's date, and how a failing step ends it.

#include "RecordTabs.h"

#include "directory/DirectoryService.h"
#include "platform/simnet/NetworkBuilder.h"

using namespace tavrel;
using test::siteRec;

namespace {

class MultiUserLoad : public test::RecordTabsFixture {
 protected:
  void SetUp() override {
    RecordTabsFixture::SetUp();
    simnet::NetworkBuilder b(dir() + "net");
    b.forest("example.local", "EXAMPLE");
    auto built = b.build();
    ASSERT_TRUE(built.ok());
    directory::setDirectory(std::make_shared<adsi::Directory>(*built));
    putSites({siteRec("Paris", "H1", "exch01"), siteRec("Lyon", "H2", "  EXCH01 "),
              siteRec("Gone", "H3", "old", {}, {}, {}, 0, -1), siteRec("Nice", "H4", ""),
              siteRec("Oslo", "H5", "mail2"), siteRec("Rome", "H6", "exchange 2000")});
  }
  void TearDown() override {
    directory::setDirectory(nullptr);
    RecordTabsFixture::TearDown();
  }
  bulk::MultiUser& load(const QString& commandLine = QString()) {
    bulk::MultiUser& m = bulk::MultiUser::instance(db());
    m.Expiredate->clear();
    m.AD_Properties->clear();
    m.AD_Properties->addItem("stale");
    m.Form_Load(db(), commandLine);
    return m;
  }
  static QString today() {
    const QString stamp = startup::clock().dateTimeText();
    return stamp.left(stamp.lastIndexOf(u' '));
  }
};

TEST_F(MultiUserLoad, ActiveDirectoryModeListsTheSchemaAndExchange2000First) {
  state::shared().Directory_Mode = 0;
  bulk::MultiUser& m = load();
  EXPECT_EQ(test::itemsOf(m.Ex_Server), (QStringList{"Exchange 2000", "EXCH01", "MAIL2"}))
      << "one entry per server whatever its case or blanks; none for blank or deleted sites";
  EXPECT_TRUE(m.SSTab1->isTabEnabled(bulk::MultiUser::kADPropertiesTab));
  EXPECT_EQ(m.AD_Properties->findText("stale"), -1);
  EXPECT_GT(m.AD_Properties->findText("description"), -1);
  EXPECT_EQ(m.Expiredate->text(), today());
  EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(MultiUserLoad, NtModeListsOnlySiteServers) {
  state::shared().Directory_Mode = 2;
  bulk::MultiUser& m = load();
  EXPECT_EQ(test::itemsOf(m.Ex_Server), (QStringList{"EXCH01", "MAIL2", "EXCHANGE 2000"}));
  EXPECT_FALSE(m.SSTab1->isTabEnabled(bulk::MultiUser::kADPropertiesTab));
  EXPECT_EQ(test::itemsOf(m.AD_Properties), QStringList{"stale"}) << "the attribute list is not touched";
  EXPECT_EQ(m.Expiredate->text(), today());
}

TEST_F(MultiUserLoad, UnreachableSchemaEndsTheLoadAndDebugSaysSo) {
  directory::setDirectory(nullptr);
  state::shared().Directory_Mode = 1;
  bulk::MultiUser& m = load();
  EXPECT_EQ(test::itemsOf(m.Ex_Server), QStringList{"Exchange 2000"});
  EXPECT_EQ(m.Expiredate->text(), "");
  EXPECT_TRUE(prompts.asked.empty());

  load("/debug");
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].prompt, "Error Setting AD Properties in mutliuser form");
  EXPECT_EQ(prompts.asked[0].style, ui::kStyleCritical);
  EXPECT_EQ(prompts.asked[0].title, "Error");
}

TEST_F(MultiUserLoad, UnreadableSiteFileEndsTheLoadAndDebugSaysSo) {
  state::shared().Directory_Mode = 2;
  bulk::MultiUser& m = bulk::MultiUser::instance(db());
  m.Form_Load(dir() + "missing/folder/", "/DEBUG");
  EXPECT_EQ(m.Ex_Server->count(), 0);
  EXPECT_EQ(m.Expiredate->text(), today()) << "the date comes before the site file";
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].prompt,
            "Error Opening site file, In multiuser form\nCheck 'Path to Database' in setup tab");
}

}  // namespace
