// The account operations of the bulk window, driven through its buttons: Log.txt (dates masked),
// the on-screen rows, the status line and what the directory holds afterwards; failures that do
// not stop a run; Cancel clicked while a run serves input; the scans' snapshot and progress.

#include "BulkFixture.h"

#include "bulk/AccountOps.h"
#include "platform/adsi/Counters.h"

#include <QTimeZone>
#include <QTimer>

using namespace tavrel;

namespace {

const QString kHeader = QStringLiteral("*****************************************");

class Operations : public test::BulkFixture {
 protected:
  // The domain's password rules: `minLength`, complexity off (so a name may be in a password).
  void setPolicy(int minLength) {
    if (net) {
      ASSERT_TRUE(net->setPasswordPolicy("example.local", {minLength, false}).ok());
      return;
    }
    auto conn = dc->bind("example.local", adsi::Protocol::Ldap, std::nullopt);
    ASSERT_TRUE(conn.ok());
    ASSERT_TRUE((*conn)
                    ->modify((*conn)->server().defaultNamingContext,
                             {{adsi::ModOp::Replace, "minPwdLength", {QByteArray::number(minLength)}},
                              {adsi::ModOp::Replace, "pwdProperties", {"0"}}})
                    .ok());
  }
  // Whether `password` is the account's password (a wrong one is a logon failure; the right one
  // may still be refused because it must be changed).
  bool passwordIs(const QString& account, const QString& password) {
    auto o =
        admin->OpenDSObject(davePath(), "EXAMPLE\\" + account, password, adsi::ADS_SECURE_AUTHENTICATION);
    return o.ok() || !o.error().message.contains("data 52e", Qt::CaseInsensitive);
  }
  void lock(const QString& account) {
    if (net) {
      ASSERT_TRUE(net->lockAccount("EXAMPLE", account).ok());
      return;
    }
    lockOnDc(account);
  }
  // On the DC: a lockout threshold of 3, then three binds with a wrong password.
  void lockOnDc(const QString& account) {
    auto conn = dc->bind("example.local", adsi::Protocol::Ldap, std::nullopt);
    ASSERT_TRUE(conn.ok());
    ASSERT_TRUE((*conn)
                    ->modify((*conn)->server().defaultNamingContext,
                             {{adsi::ModOp::Replace, "lockoutThreshold", {"3"}},
                              {adsi::ModOp::Replace, "lockOutObservationWindow", {"-18000000000"}},
                              {adsi::ModOp::Replace, "lockoutDuration", {"-18000000000"}}})
                    .ok());
    for (int i = 0; i < 4; ++i)
      (void)admin->OpenDSObject(davePath(), "EXAMPLE\\" + account, "wrong-password",
                                adsi::ADS_SECURE_AUTHENTICATION);
    ASSERT_TRUE(read(userPathOf(account), "IsAccountLocked").toBool())
        << account.toStdString() << " is locked";
  }
  QString userPathOf(const QString& account) {
    if (account == "alice") return alicePath();
    if (account == "bob") return bobPath();
    if (account == "carol") return carolPath();
    return davePath();
  }
  static QStringList logged(QStringList body) {
    body.prepend("<date>");
    body.prepend(kHeader);
    return body;
  }
  // Clicks `button` again from the event loop while the run it started serves input.
  static void clickDuringTheRun(QPushButton* button) {
    QTimer::singleShot(0, button, [button] { button->click(); });
  }
  // accountExpires for the day `day` at noon UTC.
  static qlonglong expiresOn(const QDate& day) {
    return (QDateTime(day, QTime(12, 0), QTimeZone::utc()).toMSecsSinceEpoch() + 11644473600000LL) * 10000LL;
  }
};

TEST_F(Operations, PasswordResetUsesTheLogonNameOfEverySource) {
  setPolicy(0);
  bulk::MultiUser& m = window();
  select({"dave", "Sales", "Sales Team"});
  m.Command4_Click();
  QStringList body, expectedRows;
  for (const QString& account : QStringList{"dave"} + salesUsers() + teamUsers()) {
    body << "Password Reset for: " + account;
    expectedRows << "GREEN Password Reset For " + account;
  }
  body << "Password reset completed - 5 done, 0 failed";
  EXPECT_EQ(logLines(), logged(body));
  EXPECT_EQ(rows, expectedRows);
  EXPECT_EQ(m.Label3->text(), "Password reset completed - 5 done, 0 failed");
  EXPECT_EQ(m.Command4->text(), "&Reset Passwords");
  for (const char* account : {"alice", "bob", "dave"}) {
    SCOPED_TRACE(account);
    EXPECT_TRUE(passwordIs(account, QString(account) + "-Pw1x")) << "the logon name, not the display name";
    EXPECT_EQ(read(userPathOf(account), "pwdLastSet").toLongLong(), 0);
  }
  EXPECT_TRUE(passwordIs("carol", "Secret3x")) << "the child OU is not reached";
  EXPECT_EQ(m.ListView1->texts(), (QStringList{"dave", "Sales", "Sales Team"})) << "the selection stays";
}

TEST_F(Operations, PasswordResetGoesOnAfterAFailureAndCountsIt) {
  setPolicy(10);  // "alice-Pw1x" is long enough, "bob-Pw1x" is not
  bulk::MultiUser& m = window();
  select({"Sales", "dave"});
  defaultPassword = "%UserName%-Pw1x";
  m.Command4_Click();
  QStringList body;
  for (const QString& account : salesUsers())
    body << (account == "alice" ? "Password Reset for: alice" : "Error ReSetting Password for: " + account);
  body << "Error ReSetting Password for: dave"
       << "Password reset completed - 1 done, 2 failed";
  EXPECT_EQ(logLines(), logged(body));
  EXPECT_EQ(rows, QStringList{"GREEN Password Reset For alice"});
  EXPECT_EQ(beeps.beeps(), 2);
  EXPECT_TRUE(passwordIs("bob", "Secret2x"));
}

TEST_F(Operations, PasswordRule) {
  struct Case {
    const char* tmpl;
    const char* name;
    const char* password;
  } const cases[] = {
      {"%UserName%-1", "alice", "alice-1"},  {"%username%x%USERNAME%", "bob", "bobxbob"},
      {"  %usernameb%  ", "alice", "ecila"}, {"a%USERNAMEB%", "alice", "a%USERNAMEB%"},
      {"Fixed-9", "alice", "Fixed-9"},
  };
  for (const Case& c : cases) EXPECT_EQ(bulk::passwordFor(c.tmpl, c.name), c.password) << c.tmpl;
}

TEST_F(Operations, DisableAndEnableInActiveDirectory) {
  const QVariant computer = read(ws01Path(), "userAccountControl");
  bulk::MultiUser& m = window();
  select({"Sales", "Sales Team", "dave"});
  m.LockAcc[1]->setChecked(true);
  m.Command5_Click();
  QStringList body;
  for (const QString& name : salesUsers(true)) body << "Account Disabled for " + name;
  for (const QString& name : teamUsers(true)) body << "Account Disabled for CN=" + name;
  body << "Account Disabled for dave"
       << "Enable/Disable Accounts Completed - 5 done, 0 failed";
  EXPECT_EQ(logLines(), logged(body));
  EXPECT_EQ(m.Label3->text(), "Enable/Disable Accounts Completed - 5 done, 0 failed");
  for (const QString& p : {alicePath(), bobPath(), davePath()}) EXPECT_TRUE(disabled(p)) << p.toStdString();
  EXPECT_EQ(read(ws01Path(), "userAccountControl"), computer)
      << "the computer in the OU and in the group is left alone";
  EXPECT_FALSE(disabled(carolPath()));
  EXPECT_TRUE(rows.isEmpty());

  QFile::remove(startup::LogFile::pathFor(dir()));
  m.LockAcc[0]->setChecked(true);
  m.Command5_Click();
  EXPECT_EQ(logLines()[2], "Account enabled for " + salesUsers(true).value(0));
  for (const QString& p : {alicePath(), bobPath(), davePath()}) EXPECT_FALSE(disabled(p)) << p.toStdString();
}

// Disabling and enabling change the disabled bit only: a locked account stays locked, and an
// account whose user may not change the password keeps that setting (on a DC it lives in the
// account's security descriptor, not in the flags the OU's search returns).
TEST_F(Operations, EnableAndDisableLeaveTheLockoutAndThePasswordChangeRight) {
  constexpr int kCannotChange = 0x40;
  write(alicePath(), "userAccountControl", read(alicePath(), "userAccountControl").toInt() | kCannotChange);
  lock("alice");
  bulk::MultiUser& m = window();
  select({"Sales"});
  for (const bool disable : {true, false}) {
    SCOPED_TRACE(disable ? "disable" : "enable");
    m.LockAcc[disable ? 1 : 0]->setChecked(true);
    m.Command5_Click();
    EXPECT_EQ(m.Label3->text(), "Enable/Disable Accounts Completed - 2 done, 0 failed");
    EXPECT_EQ(disabled(alicePath()), disable);
    EXPECT_EQ(disabled(bobPath()), disable);
    EXPECT_TRUE(read(alicePath(), "IsAccountLocked").toBool());
    EXPECT_FALSE(read(bobPath(), "IsAccountLocked").toBool());
    EXPECT_TRUE(read(alicePath(), "userAccountControl").toInt() & kCannotChange);
    EXPECT_FALSE(read(bobPath(), "userAccountControl").toInt() & kCannotChange);
  }
}

// On a DC, the users of an OU cost one write each: their flags come with the OU's search.
TEST_F(Operations, DisablingTheUsersOfAnOuWritesEachOnceWithoutReadingIt) {
  if (!test::onTestDc()) GTEST_SKIP() << "the simulated network counts its read snapshots as reads";
  bulk::MultiUser& m = window();
  select({"Sales"});
  m.LockAcc[1]->setChecked(true);
  const adsi::Counts before = adsi::counts();
  m.Command5_Click();
  const adsi::Counts cost = adsi::counts() - before;
  EXPECT_EQ(m.Label3->text(), "Enable/Disable Accounts Completed - 2 done, 0 failed");
  EXPECT_EQ(cost[adsi::Counter::Writes], 2u);
  EXPECT_EQ(cost[adsi::Counter::Reads], 0u) << cost.toString().toStdString();
  EXPECT_LE(cost[adsi::Counter::Searches], 2u) << "the OU's search and, once, its columns' definitions";
}

TEST_F(Operations, DisableGoesOnAfterAnAccountThatIsGone) {
  bulk::MultiUser& m = window();
  select({"Bob Baker", "dave"});
  ASSERT_TRUE(bind(path("OU=Sales")).Delete("user", "CN=Bob Baker").ok());
  m.LockAcc[1]->setChecked(true);
  m.Command5_Click();
  EXPECT_EQ(logLines(), logged({"Error Disabling Account for Bob Baker", "Account Disabled for dave",
                                "Enable/Disable Accounts Completed - 1 done, 1 failed"}));
  EXPECT_TRUE(disabled(davePath()));
  EXPECT_EQ(beeps.beeps(), 1);
}

TEST_F(Operations, EnableAndDisableInAnNtDomain) {
  SIMNET_ONLY("NT 4.0 domains exist only on the simulated network");
  ntMode();
  bulk::MultiUser& m = window();
  select({"Accounts", "Printers", "jdoe"});
  m.LockAcc[1]->setChecked(true);
  m.Command5_Click();
  EXPECT_TRUE(read("WinNT://OLDCORP/jdoe", "AccountDisabled").toBool());
  EXPECT_TRUE(read("WinNT://OLDCORP/rroe", "AccountDisabled").toBool()) << "the local group's member";
  QFile::remove(startup::LogFile::pathFor(dir()));
  m.LockAcc[0]->setChecked(true);
  m.Command5_Click();
  EXPECT_EQ(logLines(),
            logged({"Account Enabled for jdoe", "Account Enabled for rroe", "Account enabled for jdoe",
                    "Enable/Disable Accounts Completed - 3 done, 0 failed"}));
  EXPECT_FALSE(read("WinNT://OLDCORP/rroe", "AccountDisabled").toBool());
}

TEST_F(Operations, CancelDuringARunStopsAfterTheCurrentUser) {
  bulk::MultiUser& m = window();
  select({"Sales", "dave"});
  m.LockAcc[1]->setChecked(true);
  clickDuringTheRun(m.Command5);
  m.Command5_Click();
  EXPECT_EQ(m.Label3->text(), "Enable/Disable Accounts canceled by user. - 1 done, 0 failed");
  EXPECT_EQ(m.Command5->text(), "&Enable/Disable");
  EXPECT_TRUE(m.Command1->isEnabled() && m.Command7->isEnabled() && m.Command4->isEnabled());
  const QString first = salesUsers().value(0);
  EXPECT_TRUE(disabled(userPathOf(first))) << "the first user of the OU is done";
  EXPECT_FALSE(disabled(userPathOf(first == "alice" ? "bob" : "alice")));
  EXPECT_FALSE(disabled(davePath()));
}

TEST_F(Operations, FindLockedAccountsThenUnlockWithNewPasswords) {
  setPolicy(0);
  lock("alice");
  lock("dave");
  bulk::MultiUser& m = window();
  select({"Sales Team"});
  m.Unlocka_Click();
  EXPECT_EQ(m.Unlocka->text(), "&Unlock Accounts");
  EXPECT_EQ(m.Label3->text(), "Press 'Unlock Accounts' to unlock selected accounts.");
  QStringList found = m.ListView1->texts();
  found.sort();
  EXPECT_EQ(found, (QStringList{"Alice Archer", "dave"})) << "the selection was returned first";
  EXPECT_GT(m.ListView3->findKey(teamPath()), 0);

  QStringList expected;
  for (const QString& t : m.ListView1->texts()) {
    const QString account = t == "dave" ? "dave" : "alice";
    expected << "Account Unlocked for " + account << "Password Reset for: " + account;
  }
  expected << "Accounts Unlocked. - 2 done, 0 failed";
  m.Unlock_Reset->setChecked(true);
  m.Unlocka_Click();
  EXPECT_EQ(logLines(), logged(expected));
  EXPECT_EQ(m.Label3->text(), "Accounts Unlocked. - 2 done, 0 failed");
  EXPECT_EQ(m.Unlocka->text(), "&Unlock Accounts");
  for (const char* account : {"alice", "dave"}) {
    SCOPED_TRACE(account);
    EXPECT_FALSE(read(userPathOf(account), "IsAccountLocked").toBool());
    EXPECT_EQ(read(userPathOf(account), "pwdLastSet").toLongLong(), 0);
    EXPECT_TRUE(passwordIs(account, QString(account) + "-Pw1x"));
  }
}

TEST_F(Operations, UnlockWithoutResetLeavesThePasswordAndLogsEveryItem) {
  lock("bob");
  bulk::MultiUser& m = window();
  select({"Bob Baker", "Sales"});
  m.Unlocka->setText("&Unlock Accounts");
  m.Unlocka_Click();
  EXPECT_EQ(logLines(), logged({"Account Unlocked for bob", "Error Unlocking Account for Sales",
                                "Accounts Unlocked. - 1 done, 1 failed"}));
  EXPECT_FALSE(read(bobPath(), "IsAccountLocked").toBool());
  EXPECT_TRUE(passwordIs("bob", "Secret2x"));
}

TEST_F(Operations, FindExpiredAccounts) {
  const QDate today(2002, 12, 9);  // the tests' clock
  write(alicePath(), "accountExpires", expiresOn(today.addDays(-1)));
  write(bobPath(), "accountExpires", expiresOn(today));
  write(davePath(), "accountExpires", expiresOn(today.addDays(-400)));
  bulk::MultiUser& m = window();
  select({"carol", "Sales"});
  m.Command3_Click();
  QStringList found = m.ListView1->texts();
  found.sort();
  EXPECT_EQ(found, (QStringList{"Alice Archer", "dave"})) << "the day before counts, the same day does not";
  EXPECT_EQ(m.Label3->text(), "Total Expired Accounts: 2");
  EXPECT_EQ(m.Command3->text(), "Find &Accounts");
  EXPECT_GT(m.ListView4->findKey(salesDn()), 0) << "the selection went back first";
  EXPECT_GT(m.ListView2->findKey(carolPath()), 0);
  EXPECT_EQ(bulk::catalogue().invariantBreaches(), QStringList());
  for (QPushButton* b : {m.Command7, m.Unlocka, m.Command4, m.Command5}) EXPECT_TRUE(b->isEnabled());
}

TEST_F(Operations, TheListsHoldStillWhileTheExpiryScanRuns) {
  write(alicePath(), "accountExpires", expiresOn(QDate(2002, 1, 1)));
  bulk::MultiUser& m = window();
  bool movesEnabled = true;
  QStringList selectionDuringRun;
  QTimer::singleShot(0, &m, [&] {
    movesEnabled = m.Command1->isEnabled() || m.Command2->isEnabled() || m.Command7->isEnabled();
    // Every move tried meanwhile changes nothing.
    m.View4->selectionModel()->select(m.ListView4->index(0), QItemSelectionModel::Select);
    m.View2->setCurrentIndex(m.ListView2->index(0));
    m.Command1_Click();
    m.ListView_DblClick(m.View2);
    m.Command7_Click();
    selectionDuringRun = m.ListView1->texts();
  });
  const int ous = m.ListView4->count();
  m.Command3_Click();
  EXPECT_FALSE(movesEnabled);
  EXPECT_EQ(m.ListView4->count(), ous);
  EXPECT_EQ(m.ListView1->texts(), QStringList{"Alice Archer"}) << "the one expired account and nothing else";
  EXPECT_EQ(bulk::catalogue().invariantBreaches(), QStringList());
}

TEST_F(Operations, ASecondClickCancelsTheExpirySearch) {
  bulk::MultiUser& m = window();
  clickDuringTheRun(m.Command3);
  m.Command3_Click();
  EXPECT_EQ(m.Label3->text(), "Find canceled by user.");
  EXPECT_EQ(m.Command3->text(), "Find &Accounts");
  for (QPushButton* b : {m.Command7, m.Unlocka, m.Command4, m.Command5}) EXPECT_TRUE(b->isEnabled());
}

TEST_F(Operations, ADateThatIsNoDateIsRefused) {
  bulk::MultiUser& m = window();
  select({"dave"});
  for (const char* text : {"soon", "31/02/2002", ""}) {
    SCOPED_TRACE(text);
    m.Expiredate->setText(text);
    prompts.asked.clear();
    m.Command3_Click();
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].prompt, QString("'%1' is not a date.").arg(text));
    EXPECT_EQ(m.Label3->text(), QString("'%1' is not a date.").arg(text));
    EXPECT_EQ(m.ListView1->texts(), QStringList{"dave"}) << "nothing moved";
  }
  EXPECT_EQ(beeps.beeps(), 3);
}

// A host that records what a scan shows.
class RecordingHost : public bulk::RunHost {
 public:
  QStringList statuses;
  void status(const QString& t) override { statuses << t; }
  void logRow(const QString&, const QString&) override {}
  void beep() override {}
  bool keepGoing() override { return true; }
  bool confirm(const QString&) override { return true; }
};

TEST_F(Operations, ScanProgressRunsToAHundredPercent) {
  for (int count : {1, 3, 21, 30, 50}) {
    SCOPED_TRACE(count);
    bulk::Catalogue c;
    for (int i = 0; i < count; ++i) c.users.add(QString::number(i), QString(), "USER");
    RecordingHost host;
    const bulk::ScanResult r = bulk::scanAccounts(
        c, [](const bulk::ListItem& item) { return item.text.toInt() % 2 == 0; }, host, false);
    ASSERT_FALSE(host.statuses.isEmpty());
    EXPECT_EQ(host.statuses.last(), "Please wait searching accounts....100% complete");
    int last = 0;
    for (const QString& s : host.statuses) {
      const int p = s.mid(34).section('%', 0, 0).toInt();
      EXPECT_GT(p, last);
      EXPECT_LE(p, 100);
      last = p;
    }
    EXPECT_EQ(r.found, (count + 1) / 2);
    EXPECT_EQ(c.selection.count(), r.found);
    EXPECT_EQ(c.users.count(), count - r.found);
  }
}

TEST_F(Operations, AttributeChoiceShowsSyntaxAndMultiValue) {
  bulk::MultiUser& m = window();
  struct Case {
    const char* attribute;
    const char* syntax;
    bool multi;
  } const cases[] = {{"department", "DirectoryString", false},
                     {"otherTelephone", "DirectoryString:- Multi value", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.attribute);
    m.AD_Properties->setCurrentIndex(m.AD_Properties->findText(c.attribute));
    ASSERT_GE(m.AD_Properties->currentIndex(), 0);
    m.AD_Properties_Click();
    EXPECT_EQ(m.Syntax->text(), c.syntax);
    EXPECT_EQ(m.AD_Append->isEnabled(), c.multi);
    EXPECT_EQ(m.Frame11->isEnabled(), c.multi);
  }
}

TEST_F(Operations, AttributeChangeAsksThenWritesToUsersOnly) {
  bulk::MultiUser& m = window();
  select({"dave", "Sales", "Sales Team"});
  m.AD_Properties->setCurrentIndex(m.AD_Properties->findText("department"));
  m.AD_Properties_Click();
  m.AD_CHANGE->setText("Dept-%username%");
  prompts.answer(ui::MsgBoxResult::Yes);
  m.CHANGE_AD_Click();
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].prompt, "Change the property 'department' to 'Dept-%username%' for 5 users?");
  QStringList body{"Change property:'department' to 'Dept-dave' for CN=dave"};
  for (const QString& name : salesUsers(true))
    body << "Change property:'department' to 'Dept-" + name + "' for CN=" + name;
  for (const QString& name : teamUsers(true))
    body << "Change property:'department' to 'Dept-%username%' for CN=" + name;
  EXPECT_EQ(logLines(), logged(body));
  EXPECT_EQ(rows, QStringList{"GREEN AD Property changed for 5 users."});
  EXPECT_EQ(m.Label3->text(), "Properties changed for 5 users.");
  EXPECT_EQ(read(davePath(), "department").toString(), "Dept-dave");
  EXPECT_EQ(read(alicePath(), "department").toString(), "Dept-Alice Archer");
  EXPECT_FALSE(read(ws01Path(), "department").isValid()) << "no computer is written";
  EXPECT_FALSE(read(path("CN=Sales Leads,OU=Sales"), "department").isValid()) << "no nested group is written";
  EXPECT_FALSE(read(carolPath(), "department").isValid());
}

TEST_F(Operations, AttributeChangeAnsweredNoWritesNothing) {
  bulk::MultiUser& m = window();
  select({"dave"});
  m.AD_Properties->setCurrentIndex(m.AD_Properties->findText("department"));
  m.AD_CHANGE->setText("");
  prompts.answer(ui::MsgBoxResult::No);
  write(davePath(), "department", "Kept");
  m.CHANGE_AD_Click();
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].prompt, "Clear the property 'department' of 1 users?") << "a clear is said";
  EXPECT_EQ(read(davePath(), "department").toString(), "Kept");
  EXPECT_FALSE(QFile::exists(startup::LogFile::pathFor(dir())));
  EXPECT_TRUE(rows.isEmpty());

  prompts.answer(ui::MsgBoxResult::Yes);
  m.CHANGE_AD_Click();
  EXPECT_FALSE(read(davePath(), "department").isValid()) << "cleared";
  EXPECT_EQ(logLines(), logged({"Change property:'department' to '' for CN=dave"}));
}

TEST_F(Operations, MultiValuedAttributesAppendOrReplace) {
  write(davePath(), "otherTelephone", QVariantList{"111"});
  bulk::MultiUser& m = window();
  select({"dave"});
  m.AD_Properties->setCurrentIndex(m.AD_Properties->findText("otherTelephone"));
  m.AD_Properties_Click();
  struct Case {
    bool append;
    const char* value;
    QStringList after;
  } const cases[] = {{true, "222", {"111", "222"}}, {false, "333", {"333"}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    (c.append ? m.AD_Append : m.AD_Replace)->setChecked(true);
    m.AD_CHANGE->setText(c.value);
    prompts.answer(ui::MsgBoxResult::Yes);
    m.CHANGE_AD_Click();
    QStringList values;
    auto got = bind(davePath()).GetEx("otherTelephone");
    ASSERT_TRUE(got.ok());
    for (const QVariant& v : *got) values << v.toString();
    values.sort();
    EXPECT_EQ(values, c.after);
  }
}

TEST_F(Operations, AFailedWriteIsLoggedAndTurnsTheTotalYellow) {
  bulk::MultiUser& m = window();
  select({"Bob Baker", "dave"});
  ASSERT_TRUE(bind(path("OU=Sales")).Delete("user", "CN=Bob Baker").ok());
  m.AD_Properties->setCurrentIndex(m.AD_Properties->findText("department"));
  m.AD_CHANGE->setText("X");
  prompts.answer(ui::MsgBoxResult::Yes);
  m.CHANGE_AD_Click();
  EXPECT_EQ(logLines(), logged({"Error changing property:'department' to 'X' for Bob Baker",
                                "Change property:'department' to 'X' for CN=dave"}));
  EXPECT_EQ(rows, QStringList{"YELLOW AD Property changed for 1 users. - had errors"});
  EXPECT_EQ(m.Label3->text(), "Properties changed for 1 users. - errors detected check log file.");
}

TEST_F(Operations, EmptySelectionDoesNothing) {
  bulk::MultiUser& m = window();
  m.AD_Properties->setCurrentIndex(m.AD_Properties->findText("department"));
  for (auto click : {&bulk::MultiUser::Command4_Click, &bulk::MultiUser::Command5_Click,
                     &bulk::MultiUser::CHANGE_AD_Click}) {
    (m.*click)();
    EXPECT_FALSE(QFile::exists(startup::LogFile::pathFor(dir())));
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(m.Label3->text(), "");
  }
}

}  // namespace

namespace {

// The NT 4.0 domain through the WinNT provider: reset, the scans and the unlock by account name.
class NtOperations : public Operations {
 protected:
  void SetUp() override {
    Operations::SetUp();
    SIMNET_ONLY("NT 4.0 domains exist only on the simulated network");
    ntMode();
  }
};

TEST_F(NtOperations, PasswordResetThroughGroupsAndUsers) {
  bulk::MultiUser& m = window();
  select({"Accounts", "Printers", "rroe"});
  m.Command4_Click();
  EXPECT_EQ(logLines(), logged({"Password Reset for: jdoe", "Password Reset for: rroe",
                                "Password Reset for: rroe", "Password reset completed - 3 done, 0 failed"}));
  EXPECT_EQ(read("WinNT://OLDCORP/jdoe", "PasswordExpired").toInt(), 1);
  EXPECT_EQ(read("WinNT://OLDCORP/rroe", "PasswordExpired").toInt(), 1);
}

TEST_F(NtOperations, FindExpiredAndLockedAccounts) {
  write("WinNT://OLDCORP/jdoe", "AccountExpirationDate", QDateTime(QDate(2002, 12, 8), QTime(12, 0)));
  bulk::MultiUser& m = window();
  m.Command3_Click();
  EXPECT_EQ(m.ListView1->texts(), QStringList{"jdoe"});
  EXPECT_EQ(m.Label3->text(), "Total Expired Accounts: 1");

  ASSERT_TRUE(net->lockAccount("OLDCORP", "rroe").ok());
  m.Unlocka_Click();
  EXPECT_EQ(m.ListView1->texts(), QStringList{"rroe"}) << "the expired account went back first";
  m.Unlock_Reset->setChecked(true);
  m.Unlocka_Click();
  EXPECT_EQ(logLines(), logged({"Account Unlocked for rroe", "Password Reset for: rroe",
                                "Accounts Unlocked. - 1 done, 0 failed"}));
  EXPECT_FALSE(read("WinNT://OLDCORP/rroe", "IsAccountLocked").toBool());
  EXPECT_EQ(read("WinNT://OLDCORP/rroe", "PasswordExpired").toInt(), 1);
}

}  // namespace
