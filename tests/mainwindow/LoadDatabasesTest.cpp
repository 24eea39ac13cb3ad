// Load_Databases: the six name lists from Site.dat and Template.dat, and the three attribute lists.

#include "RecordTabs.h"

using namespace tavrel;
using test::padded;

namespace {

class LoadDatabases : public test::RecordTabsFixture {};

TEST_F(LoadDatabases, EmptyFolderLeavesNameListsEmptyAndLockedAndCreatesOnlyMailDat) {
  w->Load_Databases();
  EXPECT_EQ(w->ListView2->count(), 0);
  EXPECT_EQ(w->NUsitename->count(), 0);
  EXPECT_EQ(w->templatelst->count(), 0);
  EXPECT_EQ(w->nutemplate->count(), 0);
  EXPECT_TRUE(mainwindow::form1::isLocked(w->NUsitename));
  EXPECT_TRUE(mainwindow::form1::isLocked(w->nutemplate));
  EXPECT_FALSE(has("Site.dat"));
  EXPECT_FALSE(has("Template.dat"));
  EXPECT_EQ(file("Mail.dat").count("\r\n"), 3) << "a missing Mail.dat gets the three default rows";
  EXPECT_EQ(test::textsOf(w->ListView8),
            (QStringList{"Container", "Target-Address", "Replication-Sensitivity"}));
  EXPECT_EQ(w->ListView8->subItem(3, 1), "20");
  EXPECT_EQ(w->ListView8->smallIcon(1), "MAIL");
  EXPECT_FALSE(status().startsWith("Error"));
  EXPECT_EQ(beeps.beeps(), 0);
}

TEST_F(LoadDatabases, ListsEveryLiveSiteAsStoredInFileOrder) {
  putSites({test::siteRec("Paris", "H1", "exch01"), test::siteRec("Gone", "H2", {}, {}, {}, {}, 0, -1),
            test::siteRec("Lyon", "H3", "EXCH01"), test::siteRec("Oslo", "H4", "mail2", {}, {}, {}, 0, 1)});
  state::shared().Directory_Mode = 2;  // an NT domain: the bulk window lists Site.dat's servers only
  w->Load_Databases();
  const QStringList expected{padded("Paris", 20), padded("Lyon", 20), padded("Oslo", 20)};
  EXPECT_EQ(test::itemsOf(w->NUsitename), expected) << "a Deleted of 1 is no deletion for the loader";
  EXPECT_EQ(test::textsOf(w->ListView2),
            (QStringList{padded("Lyon", 20), padded("Oslo", 20), padded("Paris", 20)}))
      << "the site tab's list is kept sorted";
  EXPECT_EQ(test::itemsOf(multiSite()), expected);
  EXPECT_EQ(w->ListView2->smallIcon(1), "SITE");
  EXPECT_EQ(w->ListView2->key(1), "");
  EXPECT_FALSE(mainwindow::form1::isLocked(w->NUsitename));
  EXPECT_TRUE(mainwindow::form1::isLocked(w->nutemplate)) << "no template was listed";
  EXPECT_EQ(test::itemsOf(bulk::MultiUser::existing()->Ex_Server), (QStringList{"EXCH01", "MAIL2"}))
      << "the bulk window, created by the loader, lists the distinct Exchange servers in capitals";
  EXPECT_EQ(w->ListView2->text(3).size(), 20);
  EXPECT_EQ(state::shared().Current_Site.SiteName, padded("Oslo", 20))
      << "the buffer holds the last record read";
}

TEST_F(LoadDatabases, ListsEveryLiveTemplateAsStoredAndAppendsOnASecondCall) {
  putTemplates({test::templateRec("Staff"), test::templateRec("Old", -1), test::templateRec("Teachers")});
  w->Load_Databases();
  const QStringList expected{padded("Staff", 25), padded("Teachers", 25)};
  EXPECT_EQ(test::itemsOf(w->templatelst), expected);
  EXPECT_EQ(test::itemsOf(w->nutemplate), expected);
  EXPECT_EQ(test::itemsOf(bulk::MultiUser::existing()->Multi_Template), expected);
  EXPECT_FALSE(mainwindow::form1::isLocked(w->nutemplate));

  w->Load_Databases();
  EXPECT_EQ(test::itemsOf(w->nutemplate), expected + expected) << "the loader appends; callers empty first";
}

TEST_F(LoadDatabases, AttributeListsLoadEveryLineWithTheirIcons) {
  QByteArray mail;
  for (int i = 1; i <= 60; ++i)
    mail += "Attr" + QByteArray::number(i) + ",v" + QByteArray::number(i) + "\r\n";
  put("Mail.dat", mail);
  const QByteArray longValue(150, 'x');
  put("W2K.dat", "p,department,Sales\r\nP,company,Acme\r\nm,info," + longValue + "\r\n");
  put("WTS.dat", "a\r\nb\r\nc\r\nd\r\ne\r\n");
  w->ListView9->setSubItem(6, 1, "kept");

  w->Load_Databases();
  EXPECT_EQ(w->ListView8->count(), 60) << "every line of Mail.dat is loaded";
  EXPECT_EQ(w->ListView8->text(60), "Attr60");
  ASSERT_EQ(w->ListView7->count(), 3);
  EXPECT_EQ(w->ListView7->text(1), "department");
  EXPECT_EQ(w->ListView7->subItem(1, 1), "Sales");
  EXPECT_EQ(w->ListView7->smallIcon(1), "USER");
  EXPECT_EQ(w->ListView7->smallIcon(2), "MAIL") << "only a lower-case p is a user attribute";
  EXPECT_EQ(w->ListView7->subItem(3, 1), QString::fromLatin1(longValue)) << "values are not cut";
  EXPECT_EQ(w->ListView9->subItem(1, 1), "a");
  EXPECT_EQ(w->ListView9->subItem(5, 1), "e");
  EXPECT_EQ(w->ListView9->subItem(6, 1), "kept") << "rows after the last line keep their values";
  EXPECT_EQ(beeps.beeps(), 0);
}

TEST_F(LoadDatabases, EmptyMailDatStaysEmptyAndMissingW2KKeepsItsRows) {
  put("Mail.dat", "");
  w->ListView7->add("kept");
  w->ListView8->add("stale");
  w->Load_Databases();
  EXPECT_EQ(w->ListView8->count(), 0);
  EXPECT_EQ(file("Mail.dat"), "");
  EXPECT_EQ(test::textsOf(w->ListView7), QStringList{"kept"});
}

TEST_F(LoadDatabases, MalformedLinesAreSkippedAndNamedInTheStatus) {
  put("W2K.dat", "p,department,Sales\r\n\r\nm,mail,x\r\n");
  QByteArray wts;
  for (int i = 1; i <= 15; ++i) wts += "v" + QByteArray::number(i) + "\r\n";
  put("WTS.dat", wts);
  w->Load_Databases();
  EXPECT_EQ(test::textsOf(w->ListView7), (QStringList{"department", "mail"})) << "the empty line adds no row";
  EXPECT_EQ(w->ListView9->subItem(13, 1), "v13");
  EXPECT_TRUE(status().contains("W2K.dat")) << status().toStdString();
  EXPECT_TRUE(status().contains("WTS.dat")) << status().toStdString();
  EXPECT_EQ(beeps.beeps(), 1);
  // Each warning is also a yellow row of the on-screen log, naming the file and the line.
  QStringList rows;
  for (int i = 0; i < w->ListView1->topLevelItemCount(); ++i) {
    EXPECT_EQ(w->ListView1->topLevelItem(i)->data(0, Qt::UserRole).toString(), "YELLOW");
    rows << w->ListView1->topLevelItem(i)->text(0);
  }
  ASSERT_EQ(rows.size(), 2) << rows.join(" | ").toStdString();
  EXPECT_TRUE(rows[0].startsWith("W2K.dat line 2 ")) << rows[0].toStdString();
  EXPECT_TRUE(rows[1].startsWith("WTS.dat")) << rows[1].toStdString();
}

// A record file of the wrong length is another layout or damaged: the loader lists nothing of it,
// says so, and writes nothing (not even the default Mail.dat).
TEST_F(LoadDatabases, RecordFileOfWrongLengthStopsTheLoadAndWritesNothing) {
  for (const char* name : {"Site.dat", "Template.dat"}) {
    SCOPED_TRACE(name);
    QDir(db()).removeRecursively();
    QDir().mkpath(db());
    w = std::make_unique<mainwindow::form1>();
    w->dbpath->setText(db());
    bulk::MultiUser::unload();
    beeps.resetBeeps();
    putSites({test::siteRec("Paris")});
    putTemplates({test::templateRec("Staff")});
    QByteArray bad = file(name);
    bad.chop(10);
    put(name, bad);

    w->Load_Databases();
    EXPECT_EQ(status(), "Error loading Database data...");
    EXPECT_EQ(beeps.beeps(), 1);
    EXPECT_FALSE(has("Mail.dat"));
    EXPECT_EQ(file(name), bad);
    if (QString(name) == "Site.dat") {
      EXPECT_EQ(w->templatelst->count(), 0) << "the templates are not loaded after it";
    }
  }
}

TEST_F(LoadDatabases, ADatabaseFolderThatIsNoFolderFailsTheFirstStep) {
  put("blocker", "a file, not a folder");
  w->dbpath->setText(db() + "blocker/");
  w->Load_Databases();
  EXPECT_EQ(status(), "Error loading Database data...");
  EXPECT_EQ(beeps.beeps(), 1);
}

TEST_F(LoadDatabases, AMailDatThatCannotBeCreatedShowsTheAttributeFailure) {
  putSites({test::siteRec("Paris")});
  ASSERT_TRUE(QDir().mkpath(db() + "Mail.dat"));  // a folder in the way: no file can be put there
  w->ListView8->add("kept");
  w->Load_Databases();
  EXPECT_EQ(w->ListView2->count(), 1) << "the sites were loaded before";
  EXPECT_EQ(status(), "Error loading " + db() + "Mail.dat");
  EXPECT_EQ(beeps.beeps(), 1);
  EXPECT_EQ(test::textsOf(w->ListView8), QStringList{"kept"});
}

}  // namespace
