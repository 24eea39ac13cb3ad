// The shorter day in an NT 4.0 domain (simulated network only): users created from a template one
// by one and by a CSV import, the mode's hidden fields and popup item, a password reset from the
// popup, a global group's members, a bulk disable and enable through that group, and a delete by
// account name with the user's data. Each step is checked as in the Active Directory day.

#include "DayFixture.h"

#include "groups/Rename_NT.h"
#include "mainwindow/ImportWindows.h"
#include "support/CreationRecords.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTimer>

namespace tavrel::test {
namespace {

using simnet::GroupSpec;

class NtDay : public DayFixture {
 protected:
  // OLDCORP with the global group Accounts and the local group Printers; FS1 as in the Active
  // Directory day, with its common shares and look-alike folders.
  void network() {
    if (!domain(Mode::Nt)) return;
    builder->group(domain_, "Accounts", GroupSpec().ofType(2)).group(domain_, "Printers", GroupSpec().ofType(4));
    install();
    if (HasFatalFailure()) return;
    simnet::NetworkBuilder& fs = fileServers();
    fs.fileServer("FS1", "OLDCORP", "D")
        .folder("\\\\FS1\\D$\\Users\\RRoe2")
        .file("\\\\FS1\\D$\\Users\\RRoe2\\keep.txt", 4)
        .folder("\\\\FS1\\D$\\Profiles\\RRoes")
        .folder("\\\\FS1\\D$\\Apps")
        .share("FS1", "Profiles$", "D:\\Profiles")
        .share("FS1", "Apps", "D:\\Apps")
        .share("FS1", "DRoot", "D:\\");
    installFileServers(fs);
    if (HasFatalFailure()) return;
    records::Template_Record t = staffTemplate({"Accounts"}, "Domain Users");
    t.HomeShareName = "%UserName%";
    t.LogonScript = "";
    ASSERT_TRUE(writeAll(db() + "Template.dat", t.encode()));
    ASSERT_TRUE(writeAll(db() + "Site.dat", mainSite().encode()));
    records::Permission_Record full;
    full.Account = "%Domain%\\%UserName%";
    full.Access = "Full Control";
    ASSERT_TRUE(writeAll(db() + "SharePerm.dat", full.encode()));
    windowDefaults();
    if (HasFatalFailure()) return;
    w->defaultpassword->setText("%UserName%-1x");
    for (QCheckBox* b : {w->Create_Dirs, w->Create_User_Account, w->Create_Shares}) b->setChecked(true);
    w->Confirm_Resets->setChecked(true);
    w->DomName->setEditText("OLDCORP");
    ntDomain = "OLDCORP";
    fileServerNames = {"FS1"};
  }
  QTreeWidgetItem* user(const QString& name) const {
    for (QTreeWidgetItem* n : nodesWithImage("USER"))
      if (n->text(0).trimmed() == name) return n;
    return nullptr;
  }
  QVariant read(const QString& account, const QString& name) {
    auto o = admin().GetObject("WinNT://OLDCORP/" + account);
    if (!o) return {};
    auto v = o->Get(name);
    return v ? *v : QVariant();
  }
  bool passwordIs(const QString& account, const QString& password) {
    auto o = admin().OpenDSObject("WinNT://OLDCORP/" + account, "OLDCORP\\" + account, password,
                                  adsi::ADS_SECURE_AUTHENTICATION);
    return o.ok() || !o.error().message.contains("data 52e", Qt::CaseInsensitive);
  }

  // The accounts, folders and shares of users made from "Staff".
  void expectCreated(const Snapshot& before, const QStringList& made) {
    QStringList expected;
    QStringList members = before.value("attr Accounts members").split(u'|', Qt::SkipEmptyParts);
    for (const QString& u : made) {
      expected << "+entry " + u + " user" << "+attr " + u + " homedirectory \\\\FS1\\" + u
               << "+attr " + u + " profile \\\\FS1\\Profiles$\\" + u << "+attr " + u + " accountdisabled false"
               << "+attr " + u + " passwordexpired 0"
               << "+dir FS1/D/Users/" + u << "+dir FS1/D/Profiles/" + u << "+share FS1 " + u + " D:\\Users\\" + u;
      members << u;
    }
    members.sort();
    expected << (before.contains("attr Accounts members") ? "~attr Accounts members " + before.value("attr Accounts members") + " -> "
                                                          : "+attr Accounts members ") +
                    members.join(u'|');
    expected.sort();
    EXPECT_EQ(changesSince(before), expected);
    for (const QString& u : made) EXPECT_NE(user(u), nullptr) << u.toStdString();
    expectListsFollowTheDirectory();
  }

  void createOneByOne() {
    const Snapshot before = snapshot();
    for (const auto& [first, last] : {std::pair{"jane", "doe"}, std::pair{"rick", "roe"}}) {
      names(first, last);
      w->CreateUser_Click();
      EXPECT_EQ(lastColour(), "GREEN") << logBlock().join("\n").toStdString();
    }
    expectCreated(before, {"JDoe", "RRoe"});
  }
  void importCsv() {
    const Snapshot before = snapshot();
    const QString csv = dir() + "more.csv";
    ASSERT_TRUE(writeAll(csv, "sam,,hill\r\n"));
    prompts.answerText(csv);
    QTimer::singleShot(0, [] {
      if (auto* p = qobject_cast<mainwindow::CSV_Import*>(QApplication::activeModalWidget())) p->Command1->click();
    });
    w->Import_Users_Click();
    EXPECT_EQ(lastColour(), "GREEN");
    expectCreated(before, {"SHill"});
  }
  // The mode's window: no Windows 2000 fields on the user tab, no "Create OU" in the popup.
  void theModesWindow() {
    ASSERT_TRUE(connect(domain_));
    EXPECT_EQ(w->SSTab1->isTabEnabled(mainwindow::form1::kUserManagerPage), true);
    for (QWidget* f : {static_cast<QWidget*>(w->UM_Logon_Name), static_cast<QWidget*>(w->UM_First)})
      EXPECT_TRUE(f->isHidden());
    w->resize(1000, 700);
    w->show();
    QApplication::processEvents();
    w->TreeView1->expandAll();
    w->TreeView1->scrollToItem(user("JDoe"));
    QApplication::processEvents();
    bool createOu = true;
    w->Popup_Shower = [&] { createOu = w->mnupopup[11]->isVisible(); };
    QWidget* vp = w->TreeView1->viewport();
    const QPoint at = w->TreeView1->visualItemRect(user("JDoe")).center();
    for (QEvent::Type t : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
      QMouseEvent e(t, QPointF(at), QPointF(vp->mapToGlobal(at)), Qt::RightButton,
                    t == QEvent::MouseButtonPress ? Qt::RightButton : Qt::NoButton, Qt::NoModifier);
      QApplication::sendEvent(vp, &e);
    }
    w->hide();
    EXPECT_EQ(w->TreeView1->currentItem(), user("JDoe")) << "the right press selects the user";
    EXPECT_FALSE(createOu);
    expectListsFollowTheDirectory();
  }
  void resetFromThePopup() {
    const Snapshot before = snapshot();
    w->TreeView1->setCurrentItem(user("RRoe"));
    prompts.answer(ui::MsgBoxResult::Yes);
    w->mnupopup_Click(3);
    EXPECT_EQ(changesSince(before), QStringList{"~attr RRoe passwordexpired 0 -> 1"});
    EXPECT_TRUE(passwordIs("RRoe", "RRoe-1x"));
    EXPECT_EQ(newRows(), QStringList{"GREEN| Password Reset For RRoe"});
    expectListsFollowTheDirectory();
  }
  void groupMembers() {
    const Snapshot before = snapshot();
    w->Gblgropus_Click();
    groups::Groupsfrm& g = groupWindow();
    g.ListView1->setSelectedIndex(texts(g.ListView1).indexOf("Accounts") + 1);
    g.Group_Details_Click();
    EXPECT_EQ(texts(g.Members), (QStringList{"JDoe", "RRoe", "SHill"}));
    choose(g.Members, {"SHill"});
    g.Command1_Click();
    g.ExitButton_Click();
    EXPECT_EQ(changesSince(before), QStringList{"~attr Accounts members JDoe|RRoe|SHill -> JDoe|RRoe"});
    expectListsFollowTheDirectory();
  }
  void disableAndEnableThroughTheGroup() {
    const Snapshot before = snapshot();
    bulk::MultiUser& m = bulk();
    selectInBulk({"Accounts"});
    m.LockAcc[1]->setChecked(true);
    m.Command5_Click();
    EXPECT_EQ(changesSince(before), (QStringList{"~attr JDoe accountdisabled false -> true",
                                                 "~attr RRoe accountdisabled false -> true"}));
    m.LockAcc[0]->setChecked(true);
    m.Command5_Click();
    EXPECT_EQ(changesSince(before), QStringList());
    expectListsFollowTheDirectory();
  }
  // RRoe with the data: the account, its share and both folders; nothing else.
  void deleteByName() {
    const Snapshot before = snapshot();
    bulk::MultiUser& m = bulk();
    selectInBulk({"RRoe"});
    m.Delete_data[0]->setChecked(true);
    m.No_Prompting->setChecked(true);
    m.Del_User_Click();
    EXPECT_EQ(m.Label3->text(), "Delete Completed, Check log for errors");
    QStringList expected;
    for (auto it = before.begin(); it != before.end(); ++it)
      if (it.key() == "entry RRoe" || it.key().startsWith("attr RRoe ") || it.key() == "dir FS1/D/Users/RRoe" ||
          it.key() == "dir FS1/D/Profiles/RRoe" || it.key() == "share FS1 RRoe")
        expected << "-" + it.key() + (it.value().isEmpty() ? QString() : " " + it.value());
    expected << "~attr Accounts members JDoe|RRoe -> JDoe";
    expected.sort();
    EXPECT_EQ(changesSince(before), expected);
    EXPECT_EQ(user("RRoe"), nullptr);
    expectListsFollowTheDirectory();
  }
  // "Rename User" from the popup opens the NT window. A name with a character no account name may
  // hold is refused and changes nothing; then JDoe becomes JSmith, and the home folder with the
  // share that publishes it and the profile folder under the common share follow.
  void renameFromThePopup() {
    const Snapshot before = snapshot();
    const auto rename = [&](const QString& to) {
      w->TreeView1->setCurrentItem(user("JDoe"));
      w->Rename_Dir_Shr->setChecked(true);
      w->Rename_Shower = [&](QDialog& window) {
        auto* r = qobject_cast<groups::Rename_NT*>(&window);
        ASSERT_NE(r, nullptr) << "the NT window";
        EXPECT_EQ(r->User_Logon->text(), "JDoe");
        EXPECT_TRUE(r->RenameDir->isChecked());
        r->User_Logon->setText(to);
        r->OKButton_Click();
      };
      w->mnupopup_Click(7);
      w->Rename_Shower = nullptr;
    };
    rename("J*Doe");
    EXPECT_EQ(changesSince(before), QStringList());
    EXPECT_EQ(newRows(), QStringList{"RED| Error Renaming JDoe"});
    ASSERT_NE(user("JDoe"), nullptr);

    rename("JSmith");
    Snapshot expected;
    for (auto it = before.begin(); it != before.end(); ++it) {
      QString key = it.key();
      QString value = it.value();
      if (key == "entry JDoe") key = "entry JSmith";
      if (key.startsWith("attr JDoe ")) key = "attr JSmith " + key.mid(10);
      if (key.endsWith(" members")) value.replace(QRegularExpression("(^|\\|)JDoe(\\||$)"), "\\1JSmith\\2");
      for (const char* folder : {"dir FS1/D/Users/JDoe", "dir FS1/D/Profiles/JDoe"})
        if (key == QLatin1String(folder)) key.replace("JDoe", "JSmith");
      if (key == "share FS1 JDoe") {
        key = "share FS1 JSmith";
        value = "D:\\Users\\JSmith";
      }
      expected.insert(key, value);
    }
    expected.insert("attr JSmith homedirectory", "\\\\FS1\\JSmith");
    expected.insert("attr JSmith profile", "\\\\FS1\\Profiles$\\JSmith");
    const Snapshot after = snapshot();
    EXPECT_EQ(after, expected) << changesSince(before).join(u'\n').toStdString();
    EXPECT_EQ(user("JDoe"), nullptr);
    EXPECT_NE(user("JSmith"), nullptr);
    EXPECT_EQ(status(1), "JDoe has been renamed");
    expectListsFollowTheDirectory();
  }
};

TEST_F(NtDay, FromCreationToDeletion) {
  SIMNET_ONLY("NT 4.0 domains exist only on the simulated network");
  network();
  if (IsSkipped()) return;
  ASSERT_FALSE(HasFatalFailure());
  runDay({
      {"create users one by one", [&] { createOneByOne(); }},
      {"import users from a CSV file", [&] { importCsv(); }},
      {"the mode's window", [&] { theModesWindow(); }},
      {"password reset from the popup", [&] { resetFromThePopup(); }},
      {"a global group's members", [&] { groupMembers(); }},
      {"disable and enable through a global group", [&] { disableAndEnableThroughTheGroup(); }},
      {"delete by account name", [&] { deleteByName(); }},
      {"rename from the popup", [&] { renameFromThePopup(); }},
  });
  if (HasFatalFailure()) return;
  expectGoldenTranscript(QStringLiteral(TAVREL_SCENARIO_DIR "/golden"), "nt-day.txt");
}

}  // namespace
}  // namespace tavrel::test
