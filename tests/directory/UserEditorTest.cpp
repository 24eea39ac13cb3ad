// Loading and saving a user on the user-properties tab, through the directory layer: every field
// and flag read, each group of fields written alone, renames, clearing, refusals, the group lists.

#include "UserFixture.h"

#include "platform/adsi/Properties.h"
#include "startup/Settings.h"

#include <QRegularExpression>

using namespace tavrel;
using directory::SaveOutcome;
using directory::UserPage;

namespace {

// A connection whose entries lack the attributes named: the values a load cannot read.
class HidingConnection : public test::RecordingConnection {
 public:
  HidingConnection(std::shared_ptr<adsi::DirectoryConnection> inner, QStringList hidden)
      : RecordingConnection(std::move(inner), std::make_shared<test::WriteRecord>()),
        hidden_(std::move(hidden)) {}
  adsi::Result<adsi::Entry> read(const adsi::Dn& dn, const QStringList& attributes) override {
    auto e = RecordingConnection::read(dn, attributes);
    if (e)
      e->attributes.removeIf(
          [this](const adsi::Attribute& a) { return hidden_.contains(a.name, Qt::CaseInsensitive); });
    return e;
  }

 private:
  QStringList hidden_;
};

// `noCatalog`: the global catalog does not answer.
class HidingBackend : public adsi::DirectoryBackend {
 public:
  HidingBackend(std::shared_ptr<adsi::DirectoryBackend> inner, QStringList hidden, bool noCatalog = false)
      : inner_(std::move(inner)), hidden_(std::move(hidden)), noCatalog_(noCatalog) {}
  adsi::Result<std::shared_ptr<adsi::DirectoryConnection>> bind(
      const QString& server, adsi::Protocol protocol,
      const std::optional<adsi::Credentials>& credentials) override {
    if (noCatalog_ && protocol == adsi::Protocol::GlobalCatalog)
      return adsi::makeError(adsi::hr::SERVER_DOWN, QStringLiteral("the global catalog does not answer"));
    auto conn = inner_->bind(server, protocol, credentials);
    if (!conn) return conn.error();
    return std::shared_ptr<adsi::DirectoryConnection>(std::make_shared<HidingConnection>(*conn, hidden_));
  }
  QList<adsi::DomainInfo> browseDomains() override { return inner_->browseDomains(); }
  std::optional<adsi::Account> loggedOnAccount() override { return inner_->loggedOnAccount(); }

 private:
  std::shared_ptr<adsi::DirectoryBackend> inner_;
  QStringList hidden_;
  bool noCatalog_ = false;
};

// Active Directory, native or mixed mode (the user editor treats both alike).
class AdUser : public test::UserFixture, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    if (GetParam()) SIMNET_ONLY("a Samba DC has no mixed-mode domain to test");
    build(GetParam());
  }

  // Loads John Smith as the Details command does: the page cleared, then filled.
  UserPage load() {
    UserPage p = clearedPage();
    p.USERID_W2K = johnPath();
    directory::Load_W2K_User(p, johnPath(), lists);
    mustChangeLoaded = p.chkMustChange;
    return p;
  }
  // Saves `p` with only the flags named raised.
  SaveOutcome save(const UserPage& p, std::initializer_list<int16_t state::SharedState::*> flags) {
    state::SharedState& sh = state::shared();
    sh.UM_Changed_Logon = sh.UM_Changed_Paths = sh.UM_Changed_General = sh.UM_Changed_Flags =
        sh.UM_Changed_Custom = 0;
    for (auto f : flags) sh.*f = -1;
    recorder->writes().clear();
    return directory::Save_W2K_User(p, mustChangeLoaded);
  }
  QSet<QString> johnWrites() const {
    return recorder->writes().attributesOf(QStringLiteral("cn=john smith"));
  }
  void customProperties() {
    ASSERT_TRUE(startup::writeSetting(state::reg(), "Custom", "Property1", "title"));
    ASSERT_TRUE(startup::writeSetting(state::reg(), "Custom", "Property3", "department"));
  }

  test::PageGroupsRecord lists;
  bool mustChangeLoaded = false;
};

INSTANTIATE_TEST_SUITE_P(Modes, AdUser, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Mixed" : "Native"; });

TEST_P(AdUser, LoadsEveryField) {
  customProperties();
  state::shared().UM_Changed_General = -1;
  const UserPage p = load();
  EXPECT_EQ(p.USERID, "John Smith");
  EXPECT_EQ(p.UM_Full_Name, "Smith, John");
  EXPECT_EQ(p.UM_Description, "Sales clerk");
  EXPECT_EQ(p.UM_Profile_Dir, "\\\\FS1\\profiles\\jsmith");
  EXPECT_EQ(p.UM_Home_Dir, "\\\\FS1\\home\\jsmith");
  EXPECT_EQ(p.UM_Logon_Script, "logon.bat");
  EXPECT_EQ(p.UM_Drive_Letter, "H:");
  EXPECT_EQ(p.UM_First, "John");
  EXPECT_EQ(p.UM_Last, "Smith");
  EXPECT_EQ(p.UM_Initails, "Q");
  EXPECT_EQ(p.UM_Office, "Room 12");
  EXPECT_EQ(p.UM_MailAddress, "john.smith@example.local");
  EXPECT_EQ(p.UM_PreW2K, "jsmith");
  EXPECT_EQ(p.UM_Logon_Name, "john.smith");
  EXPECT_EQ(p.UM_W2KDomain_Name, "@example.local");
  EXPECT_EQ(p.AccExpires, "Never");
  // Pairs 1 and 3 are configured; 2 and 4 are not, and stay empty.
  EXPECT_EQ(p.Custom_Value[0], "Clerk");
  EXPECT_EQ(p.Custom_Value[1], "");
  EXPECT_EQ(p.Custom_Value[2], "Sales");
  EXPECT_EQ(p.Custom_Value[3], "");
  EXPECT_EQ(state::shared().Primary_Group_ID, "513");
  EXPECT_FALSE(p.chkMustChange);
  EXPECT_FALSE(p.chkCantChange);
  EXPECT_FALSE(p.chkPwdNever);
  EXPECT_FALSE(p.chkAcctDisabled);
  EXPECT_FALSE(p.chkAcctLockedOut);
  EXPECT_FALSE(p.lockBoxShown);
  EXPECT_EQ(state::shared().UM_Changed_General, 0) << "a load leaves every change flag down";
}

TEST_P(AdUser, WithoutAPrincipalNameTheLogonFieldsKeepTheirClearedValues) {
  auto john = bind(johnPath());
  ASSERT_TRUE(john.PutEx(adsi::ADS_PROPERTY_CLEAR, "userPrincipalName", {}).ok());
  ASSERT_TRUE(john.SetInfo().ok());
  const UserPage p = load();
  EXPECT_EQ(p.UM_Logon_Name, "");
  EXPECT_EQ(p.UM_W2KDomain_Name, "@example.local");
}

// The five boxes, read from the account (three of them through its WinNT view).
TEST_P(AdUser, LoadsTheFlagsSetOnTheAccount) {
  auto john = bind(johnPath());
  ASSERT_TRUE(john.Put("pwdLastSet", 0).ok());
  ASSERT_TRUE(john.Put("AccountDisabled", true).ok());
  auto uac = john.Get("userAccountControl");
  ASSERT_TRUE(uac.ok());
  ASSERT_TRUE(john.Put("userAccountControl", uac->toInt() | adsi::uac::DONT_EXPIRE_PASSWORD).ok());
  ASSERT_TRUE(john.SetInfo().ok());
  auto nt = bind("WinNT://EXAMPLE/jsmith");
  ASSERT_TRUE(nt.Put("UserFlags", nt.Get("UserFlags")->toInt() | adsi::uac::PASSWD_CANT_CHANGE).ok());
  ASSERT_TRUE(nt.SetInfo().ok());
  lockAccount("jsmith");

  const UserPage p = load();
  EXPECT_TRUE(p.chkMustChange);
  EXPECT_TRUE(p.chkCantChange);
  EXPECT_TRUE(p.chkPwdNever);
  EXPECT_TRUE(p.chkAcctDisabled);
  EXPECT_TRUE(p.chkAcctLockedOut);
  EXPECT_TRUE(p.lockBoxShown) << "a locked account shows the lock box";
}

TEST_P(AdUser, AnExpiryDateIsShownWithItsTimeUnlessMidnight) {
  auto john = bind(johnPath());
  ASSERT_TRUE(john.Put("AccountExpirationDate", QDateTime(QDate(2027, 3, 31), QTime(0, 0))).ok());
  ASSERT_TRUE(john.SetInfo().ok());
  EXPECT_EQ(load().AccExpires, directory::expiryText(QDateTime(QDate(2027, 3, 31), QTime(0, 0))));
  EXPECT_EQ(directory::parseExpiry(load().AccExpires), QDateTime(QDate(2027, 3, 31), QTime(0, 0)));

  ASSERT_TRUE(john.Put("AccountExpirationDate", QDateTime(QDate(2027, 3, 31), QTime(17, 30))).ok());
  ASSERT_TRUE(john.SetInfo().ok());
  const QString text = load().AccExpires;
  EXPECT_TRUE(text.endsWith("17:30:00")) << text.toStdString();
  EXPECT_EQ(directory::parseExpiry(text), QDateTime(QDate(2027, 3, 31), QTime(17, 30)));
}

TEST_P(AdUser, GroupListsStartWithThePrimaryGroupNamedInTheStatusBar) {
  const QString domainUsers = groupPath("Domain Users", "CN=Users");
  lists.candidates = {{groupPath("Managers"), "Managers"},
                      {groupPath("sales team").toUpper(), "Sales Team"},  // keys match whatever their case
                      {domainUsers, "Domain Users"}};
  load();
  ASSERT_EQ(lists.memberTexts, (QStringList{"Domain Users", "Sales Team"}));
  EXPECT_EQ(lists.memberKeys.first().toLower(), domainUsers.toLower());
  EXPECT_EQ(lists.memberKeys.last().toLower(), groupPath("Sales Team").toLower());
  EXPECT_EQ(lists.memberIcons, (QStringList{"W2KGRP", "W2KGRP"}));
  EXPECT_EQ(lists.candidateTexts(), QStringList{"Managers"});
  EXPECT_EQ(lists.statuses, QStringList{"John Smith Primary Group is 'Domain Users'"});
}

// Saving one group of fields writes that group's attributes and nothing else.
TEST_P(AdUser, EachGroupOfFieldsIsWrittenAlone) {
  customProperties();
  struct Case {
    const char* name;
    int16_t state::SharedState::*flag;
    std::function<void(UserPage&)> edit;
    QSet<QString> allowed;
    std::function<void()> check;
  };
  const std::vector<Case> cases = {
      {"paths",
       &state::SharedState::UM_Changed_Paths,
       [](UserPage& p) {
         p.UM_Logon_Script = "new.bat";
         p.UM_Profile_Dir = "";
         p.UM_Drive_Letter = "K:";
         p.UM_Home_Dir = "\\\\FS2\\home\\jsmith";
         p.UM_Description = "not written";
       },
       {"scriptpath", "profilepath", "homedrive", "homedirectory"},
       [&] {
         EXPECT_EQ(read(johnPath(), "scriptPath").toString(), "new.bat");
         EXPECT_FALSE(read(johnPath(), "profilePath").isValid());
         EXPECT_EQ(read(johnPath(), "homeDrive").toString(), "K:");
         EXPECT_EQ(read(johnPath(), "homeDirectory").toString(), "\\\\FS2\\home\\jsmith");
         EXPECT_EQ(read(johnPath(), "description").toString(), "Sales clerk");
       }},
      {"logon",
       &state::SharedState::UM_Changed_Logon,
       [](UserPage& p) {
         p.AccExpires = directory::expiryText(QDateTime(QDate(2028, 1, 15), QTime(0, 0)));
         p.UM_MailAddress = "";
         p.UM_Logon_Name = "jsmith";
         p.UM_First = "not written";
       },
       {"accountexpires", "samaccountname", "mail", "userprincipalname"},
       [&] {
         EXPECT_EQ(read(johnPath(), "AccountExpirationDate").toDateTime(),
                   QDateTime(QDate(2028, 1, 15), QTime(0, 0)));
         EXPECT_FALSE(read(johnPath(), "mail").isValid());
         EXPECT_EQ(read(johnPath(), "userPrincipalName").toString(), "jsmith@example.local");
         EXPECT_EQ(read(johnPath(), "givenName").toString(), "John");
       }},
      {"general",
       &state::SharedState::UM_Changed_General,
       [](UserPage& p) {
         p.UM_Full_Name = "John Q. Smith";
         p.UM_Description = "";
         p.UM_First = "Jon";
         p.UM_Last = "Smyth";
         p.UM_Office = "Room 14";
         p.UM_Initails = "";
         p.UM_Logon_Script = "not written";
       },
       {"displayname", "description", "givenname", "sn", "physicaldeliveryofficename", "initials"},
       [&] {
         EXPECT_EQ(read(johnPath(), "displayName").toString(), "John Q. Smith");
         EXPECT_FALSE(read(johnPath(), "description").isValid());
         EXPECT_EQ(read(johnPath(), "givenName").toString(), "Jon");
         EXPECT_EQ(read(johnPath(), "sn").toString(), "Smyth");
         EXPECT_EQ(read(johnPath(), "physicalDeliveryOfficeName").toString(), "Room 14");
         EXPECT_FALSE(read(johnPath(), "initials").isValid());
         EXPECT_EQ(read(johnPath(), "scriptPath").toString(), "logon.bat");
       }},
      {"custom",
       &state::SharedState::UM_Changed_Custom,
       [](UserPage& p) {
         p.Custom_Shown = {true, false, true, false};
         p.Custom_Edited = {true, true, true, false};
         p.Custom_Value[0] = "Senior Clerk";
         p.Custom_Value[2] = "";
         p.Custom_Value[1] = "not configured";
       },
       {"title", "department"},
       [&] {
         EXPECT_EQ(read(johnPath(), "title").toString(), "Senior Clerk");
         EXPECT_FALSE(read(johnPath(), "department").isValid());
       }},
      {"flags",
       &state::SharedState::UM_Changed_Flags,
       [](UserPage& p) {
         p.chkAcctDisabled = true;
         p.chkPwdNever = true;
         p.chkCantChange = true;
         p.UM_Office = "not written";
       },
       // The must-change box was not touched: the password's age is not restarted.
       {"useraccountcontrol"},
       [&] {
         EXPECT_EQ(read(johnPath(), "AccountDisabled").toBool(), true);
         EXPECT_NE(read(johnPath(), "userAccountControl").toInt() & adsi::uac::DONT_EXPIRE_PASSWORD, 0);
         EXPECT_NE(read("WinNT://EXAMPLE/jsmith", "UserFlags").toInt() & adsi::uac::PASSWD_CANT_CHANGE, 0);
         EXPECT_EQ(read(johnPath(), "physicalDeliveryOfficeName").toString(), "Room 12");
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    build(GetParam());
    customProperties();
    UserPage p = load();
    c.edit(p);
    const SaveOutcome out = save(p, {c.flag});
    EXPECT_TRUE(out.saved) << out.message.toStdString();
    const QSet<QString> written = johnWrites();
    EXPECT_FALSE(written.isEmpty());
    for (const QString& a : written) EXPECT_TRUE(c.allowed.contains(a)) << a.toStdString() << " was written";
    c.check();
  }
}

// The custom pairs: a single text value is edited; several values or binary data are shown
// read-only and never written back; a pair the administrator did not edit is not written at all.
TEST_P(AdUser, CustomValuesAreWrittenOnlyWhenEditedAndNeverCollapsed) {
  ASSERT_TRUE(startup::writeSetting(state::reg(), "Custom", "Property1", "title"));
  ASSERT_TRUE(startup::writeSetting(state::reg(), "Custom", "Property2", "otherTelephone"));
  ASSERT_TRUE(startup::writeSetting(state::reg(), "Custom", "Property3", "logonHours"));
  ASSERT_TRUE(startup::writeSetting(state::reg(), "Custom", "Property4", "department"));
  const QByteArray hours(21, char(0xFF));
  auto john = bind(johnPath());
  ASSERT_TRUE(john.PutEx(adsi::ADS_PROPERTY_UPDATE, "otherTelephone", {"111", "222"}).ok());
  ASSERT_TRUE(john.Put("logonHours", hours).ok());
  ASSERT_TRUE(john.SetInfo().ok());
  auto phones = [&] {
    QStringList out;
    auto v = bind(johnPath()).GetEx("otherTelephone");
    if (v)
      for (const QVariant& e : *v) out << e.toString();
    out.sort();
    return out;
  };

  UserPage p = load();
  EXPECT_EQ(p.Custom_Value[0], "Clerk");
  EXPECT_EQ(p.Custom[0].readOnly, "");
  EXPECT_EQ(p.Custom[0].attribute, "title");
  EXPECT_TRUE(p.Custom_Value[1] == "111; 222" || p.Custom_Value[1] == "222; 111")
      << p.Custom_Value[1].toStdString();
  EXPECT_TRUE(p.Custom[1].readOnly.startsWith("otherTelephone holds 2 values"))
      << p.Custom[1].readOnly.toStdString();
  EXPECT_TRUE(p.Custom[1].readOnly.contains("\n111")) << p.Custom[1].readOnly.toStdString();
  EXPECT_TRUE(p.Custom_Value[2].startsWith("FF FF FF")) << p.Custom_Value[2].toStdString();
  EXPECT_EQ(p.Custom[2].readOnly, "logonHours holds binary data; it cannot be edited here.");
  EXPECT_EQ(p.Custom[3].readOnly, "");

  struct Case {
    const char* name;
    std::array<bool, 4> edited;
    QSet<QString> written;  // on John's entry
  } const cases[] = {
      // Another pair edited: the multi-valued and the binary one stay as they are.
      {"title edited", {true, false, false, false}, {"title"}},
      // Edits of read-only pairs (the boxes refuse them, but the page may say so) write nothing.
      {"read-only pairs", {false, true, true, false}, {}},
      {"department cleared", {false, false, false, true}, {"department"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UserPage edit = load();
    edit.Custom_Shown = {true, true, true, true};
    edit.Custom_Edited = c.edited;
    edit.Custom_Value[0] = "Senior Clerk";
    edit.Custom_Value[1] = "333";
    edit.Custom_Value[2] = "text";
    edit.Custom_Value[3] = "";
    const SaveOutcome out = save(edit, {&state::SharedState::UM_Changed_Custom});
    ASSERT_TRUE(out.saved) << out.message.toStdString();
    EXPECT_EQ(johnWrites(), c.written);
    EXPECT_EQ(phones(), (QStringList{"111", "222"}));
    EXPECT_EQ(read(johnPath(), "logonHours").toByteArray(), hours);
  }
  EXPECT_EQ(read(johnPath(), "title").toString(), "Senior Clerk");
  EXPECT_FALSE(read(johnPath(), "department").isValid());
}

// A value goes back to the attribute it was read from: when the settings name another attribute
// since the load, the pair is not written.
TEST_P(AdUser, ACustomValueIsNotWrittenToAnAttributeItWasNotReadFrom) {
  customProperties();
  UserPage p = load();
  p.Custom_Shown = {true, false, false, false};
  p.Custom_Edited = {true, false, false, false};
  p.Custom_Value[0] = "Senior Clerk";
  ASSERT_TRUE(startup::writeSetting(state::reg(), "Custom", "Property1", "department"));
  ASSERT_TRUE(save(p, {&state::SharedState::UM_Changed_Custom}).saved);
  EXPECT_EQ(read(johnPath(), "department").toString(), "Sales");
  EXPECT_EQ(read(johnPath(), "title").toString(), "Clerk");
}

// The logon name and its suffix make the principal name; a new one must be free in the forest
// and is checked before anything is written.
TEST_P(AdUser, ANewPrincipalNameIsCheckedBeforeItIsSaved) {
  const QString maryPath = QString::fromLatin1(kPath) + "CN=mjones,CN=Users,DC=example,DC=local";
  const char* badSuffix =
      "Error saving User Logon Name: the suffix must be \"@\" followed by a domain name: ";
  struct Case {
    const char* logon;
    const char* suffix;
    bool noCatalog;
    QString message;  // how the message starts; empty: saved
    const char* upn;  // John's afterwards
  } const cases[] = {
      {"john.smith", "@sales.example.local", false, "", "john.smith@sales.example.local"},
      {"JOHN.SMITH", "@EXAMPLE.LOCAL", false, "", "JOHN.SMITH@EXAMPLE.LOCAL"},  // his own, in other letters
      {"Mary", "@example.local", false, "UPN aleardy Exists: Mary@example.local", "john.smith@example.local"},
      {"john", "example.local", false, QString(badSuffix) + "example.local", "john.smith@example.local"},
      {"john", "@", false, QString(badSuffix) + "@", "john.smith@example.local"},
      {"john", "@a@b", false, QString(badSuffix) + "@a@b", "john.smith@example.local"},
      {"john", "@example.local", true, "UPN could not be checked: john@example.local (",
       "john.smith@example.local"},
      // Unchanged: no search is needed, so an unanswered catalog does not stop the save.
      {"john.smith", "@example.local", true, "", "john.smith@example.local"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.logon) + c.suffix);
    TearDown();
    build(GetParam());
    auto mary = bind(maryPath);
    ASSERT_TRUE(mary.Put("userPrincipalName", "mary@example.local").ok());
    ASSERT_TRUE(mary.SetInfo().ok());
    if (c.noCatalog)
      directory::setDirectory(
          std::make_shared<adsi::Directory>(std::make_shared<HidingBackend>(recorder, QStringList(), true)));
    UserPage p = load();
    p.UM_Logon_Name = c.logon;
    p.UM_W2KDomain_Name = c.suffix;
    p.UM_MailAddress = "changed@example.local";
    const SaveOutcome out = save(p, {&state::SharedState::UM_Changed_Logon});
    EXPECT_EQ(out.saved, c.message.isEmpty());
    EXPECT_TRUE(c.message.isEmpty() ? out.message.isEmpty() : out.message.startsWith(c.message))
        << out.message.toStdString();
    EXPECT_EQ(out.beep, !out.saved);
    EXPECT_EQ(read(johnPath(), "userPrincipalName").toString(), c.upn);
    EXPECT_EQ(read(johnPath(), "mail").toString(),
              out.saved ? "changed@example.local" : "john.smith@example.local")
        << "a refused name writes nothing";
  }
}

TEST_P(AdUser, MustChangeWritesThePasswordAgeOnlyWhenItChanged) {
  UserPage p = load();
  p.chkMustChange = true;
  ASSERT_TRUE(save(p, {&state::SharedState::UM_Changed_Flags}).saved);
  EXPECT_TRUE(johnWrites().contains("pwdlastset"));
  EXPECT_EQ(read("WinNT://EXAMPLE/jsmith", "PasswordExpired").toInt(), 1);

  p = load();
  EXPECT_TRUE(p.chkMustChange);
  p.chkMustChange = false;
  ASSERT_TRUE(save(p, {&state::SharedState::UM_Changed_Flags}).saved);
  EXPECT_TRUE(johnWrites().contains("pwdlastset"));
  EXPECT_EQ(read("WinNT://EXAMPLE/jsmith", "PasswordExpired").toInt(), 0);

  p = load();
  ASSERT_TRUE(save(p, {&state::SharedState::UM_Changed_Flags}).saved);
  EXPECT_FALSE(johnWrites().contains("pwdlastset")) << "an untouched box restarts nothing";
}

TEST_P(AdUser, UnlockingWritesOnlyWhenTheShownBoxIsCleared) {
  lockAccount("jsmith");
  UserPage p = load();
  ASSERT_TRUE(p.lockBoxShown);
  ASSERT_TRUE(save(p, {&state::SharedState::UM_Changed_Flags}).saved);
  EXPECT_TRUE(read("WinNT://EXAMPLE/jsmith", "IsAccountLocked").toBool()) << "a checked box unlocks nothing";
  p.chkAcctLockedOut = false;
  ASSERT_TRUE(save(p, {&state::SharedState::UM_Changed_Flags}).saved);
  EXPECT_FALSE(read("WinNT://EXAMPLE/jsmith", "IsAccountLocked").toBool());
}

// The pre-2000 name and a flag of the WinNT view in one save: the view is found by the new name.
TEST_P(AdUser, RenamingThePreWindows2000NameWithTheFlagsInOneSave) {
  UserPage p = load();
  p.UM_PreW2K = "jsmith2";
  p.chkCantChange = true;
  const SaveOutcome out =
      save(p, {&state::SharedState::UM_Changed_Logon, &state::SharedState::UM_Changed_Flags});
  ASSERT_TRUE(out.saved) << out.message.toStdString();
  EXPECT_EQ(read(johnPath(), "sAMAccountName").toString(), "jsmith2");
  EXPECT_NE(read("WinNT://EXAMPLE/jsmith2", "UserFlags").toInt() & adsi::uac::PASSWD_CANT_CHANGE, 0);
  EXPECT_TRUE(load().chkCantChange);
}

// The WinNT view is written after the object's commit: when it cannot be reached, the save says
// exactly that, and that the rest was stored.
TEST_P(AdUser, AFailedWinNTViewSaysTheOtherChangesWereSaved) {
  UserPage p = load();
  p.UM_Description = "changed";
  p.chkCantChange = true;
  state::shared().NetBIOS_Domain = "NOSUCH";
  const SaveOutcome out =
      save(p, {&state::SharedState::UM_Changed_General, &state::SharedState::UM_Changed_Flags});
  EXPECT_FALSE(out.saved);
  EXPECT_TRUE(
      out.message.startsWith("Error saving User Cannot Change Password (the other changes were saved): "))
      << out.message.toStdString();
  EXPECT_EQ(read(johnPath(), "description").toString(), "changed");
  EXPECT_EQ(read("WinNT://EXAMPLE/jsmith", "UserFlags").toInt() & adsi::uac::PASSWD_CANT_CHANGE, 0);
}

// Clearing a field clears its attribute, and clearing one the account does not have is no error.
TEST_P(AdUser, ClearingFieldsRemovesTheirAttributes) {
  UserPage p = load();
  for (QString* f : {&p.UM_Full_Name, &p.UM_Description, &p.UM_First, &p.UM_Last, &p.UM_Office,
                     &p.UM_Initails, &p.UM_Logon_Script, &p.UM_Profile_Dir, &p.UM_Drive_Letter,
                     &p.UM_Home_Dir, &p.UM_MailAddress, &p.UM_Logon_Name})
    f->clear();
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    const SaveOutcome out =
        save(p, {&state::SharedState::UM_Changed_General, &state::SharedState::UM_Changed_Paths,
                 &state::SharedState::UM_Changed_Logon});
    ASSERT_TRUE(out.saved) << out.message.toStdString();
    for (const char* a :
         {"displayName", "description", "givenName", "sn", "physicalDeliveryOfficeName", "initials",
          "scriptPath", "profilePath", "homeDrive", "homeDirectory", "mail", "userPrincipalName"})
      EXPECT_FALSE(read(johnPath(), a).isValid()) << a;
  }
  EXPECT_EQ(read(johnPath(), "sAMAccountName").toString(), "jsmith")
      << "an empty pre-2000 name writes nothing";
}

// Refusals are made before anything is written.
TEST_P(AdUser, RefusedFieldsWriteNothing) {
  struct Case {
    const char* drive;
    const char* expiry;
    bool saved;
    const char* status;
    const char* message;
  } const cases[] = {
      {"@:", "Never", false, "Home Drive Format Incorrect", ""},
      {"h:", "Never", false, "Home Drive Format Incorrect", ""},
      {"H", "Never", false, "Home Drive Format Incorrect", ""},
      {"ABC", "Never", false, "Home Drive Format Incorrect", ""},
      {"H:", "31/02/2027", false, "",
       "Error setting expiration date: 13 (enter Never, or a date in the form "},
      {"H:", "soon", false, "", "Error setting expiration date: 13 (enter Never, or a date in the form "},
      {"Z:", "nEvEr", true, "", ""},
      {"", "NEVER", true, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.drive) + " / " + c.expiry);
    UserPage p = load();
    p.UM_Drive_Letter = c.drive;
    p.AccExpires = c.expiry;
    p.UM_Description = "changed";
    const SaveOutcome out =
        save(p, {&state::SharedState::UM_Changed_Paths, &state::SharedState::UM_Changed_Logon,
                 &state::SharedState::UM_Changed_General});
    EXPECT_EQ(out.saved, c.saved);
    EXPECT_EQ(out.status, c.status);
    EXPECT_TRUE(*c.message ? out.message.startsWith(c.message) : out.message.isEmpty())
        << out.message.toStdString();
    EXPECT_EQ(out.beep, QString(c.status).size() > 0);
    if (!c.saved) {
      EXPECT_EQ(recorder->writes().commits(), 0);
      EXPECT_EQ(read(johnPath(), "description").toString(), "Sales clerk");
    } else {
      EXPECT_EQ(read(johnPath(), "AccountExpirationDate").toDateTime().date(), QDate(1970, 1, 1));
    }
  }
}

// A date the field cannot read is refused with the form it takes; the example given is one the
// save accepts.
TEST_P(AdUser, AnUnreadableExpiryDateSaysTheFormExpected) {
  UserPage p = load();
  p.AccExpires = "next spring";
  const SaveOutcome refused = save(p, {&state::SharedState::UM_Changed_Logon});
  ASSERT_FALSE(refused.saved);
  const QRegularExpression hint(
      "^Error setting expiration date: 13 \\(enter Never, or a date in the form (\\S+) such as (\\S+), "
      "with a time HH:mm when needed\\)$");
  const QRegularExpressionMatch m = hint.match(refused.message);
  ASSERT_TRUE(m.hasMatch()) << refused.message.toStdString();
  EXPECT_EQ(QDate::fromString(m.captured(2), m.captured(1)), QDate(2027, 12, 31));
  for (const QString& typed : {m.captured(2), m.captured(2) + " 17:30"}) {
    SCOPED_TRACE(typed.toStdString());
    p.AccExpires = typed;
    const SaveOutcome out = save(p, {&state::SharedState::UM_Changed_Logon});
    ASSERT_TRUE(out.saved) << out.message.toStdString();
    EXPECT_EQ(read(johnPath(), "AccountExpirationDate").toDateTime().date(), QDate(2027, 12, 31));
  }
}

TEST_P(AdUser, AFailedCommitSavesNothingAndSaysSo) {
  SIMNET_ONLY("a real DC cannot be told to refuse a commit");
  UserPage p = load();
  p.UM_Description = "changed";
  net->refuseNextCommit();
  const SaveOutcome out = save(p, {&state::SharedState::UM_Changed_General});
  EXPECT_FALSE(out.saved);
  // The answer names no attribute: every field of the commit is named, for none was stored.
  EXPECT_TRUE(out.message.startsWith(
      "Error saving Display Name, Description, First Name, Last Name, Office, Initials: "))
      << out.message.toStdString();
  EXPECT_EQ(read(johnPath(), "description").toString(), "Sales clerk");
}

// A commit the directory refuses for one value names that value's field.
TEST_P(AdUser, ARefusedCommitNamesTheFieldItRefused) {
  UserPage p = load();
  p.UM_First = QString(70, u'J');
  p.UM_Description = "changed";
  p.UM_Logon_Script = "new.bat";
  const SaveOutcome out =
      save(p, {&state::SharedState::UM_Changed_General, &state::SharedState::UM_Changed_Paths});
  EXPECT_FALSE(out.saved);
  EXPECT_TRUE(out.message.startsWith("Error saving First Name: ")) << out.message.toStdString();
  EXPECT_EQ(read(johnPath(), "givenName").toString(), "John");
  EXPECT_EQ(read(johnPath(), "description").toString(), "Sales clerk");
  EXPECT_EQ(read(johnPath(), "scriptPath").toString(), "logon.bat");
}

TEST_P(AdUser, NothingRaisedWritesNothing) {
  UserPage p = load();
  p.UM_Description = "changed";
  EXPECT_TRUE(save(p, {}).saved);
  EXPECT_EQ(recorder->writes().commits(), 0);
}

// ---------------------------------------------------------------------------------------------
// NT 4.0

class NtUser : public test::UserFixture {
 protected:
  void SetUp() override {
    SIMNET_ONLY("NT 4.0 domains exist only on the simulated network");
    build();
    ntMode();
  }
  UserPage load(bool* ok = nullptr) {
    UserPage p = clearedPage();
    const bool loaded = directory::Load_NT_User(p, "jdoe", lists);
    if (ok) *ok = loaded;
    mustChangeLoaded = p.chkMustChange;
    return p;
  }
  SaveOutcome save(const UserPage& p) {
    recorder->writes().clear();
    return directory::Save_NT_User(p, mustChangeLoaded);
  }
  test::PageGroupsRecord lists;
  bool mustChangeLoaded = false;
};

TEST_F(NtUser, LoadsEveryFieldAndTheGroupsWithThePrimaryOne) {
  lists.candidates = {{"", "Accounts "}, {"", "Auditors"}, {"", "printers"}, {"", "Domain Users"}};
  bool ok = false;
  const UserPage p = load(&ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(p.USERID, "jdoe");
  EXPECT_EQ(p.UM_Full_Name, "Jane Doe");
  EXPECT_EQ(p.UM_Description, "Accounts clerk");
  EXPECT_EQ(p.UM_Profile_Dir, "\\\\OLDPDC\\profiles\\jdoe");
  EXPECT_EQ(p.UM_Home_Dir, "\\\\OLDPDC\\home\\jdoe");
  EXPECT_EQ(p.UM_Logon_Script, "old.bat");
  EXPECT_EQ(p.UM_Drive_Letter, "J:");
  EXPECT_EQ(p.AccExpires, "Never");
  EXPECT_EQ(state::shared().Primary_Group_ID, "513");
  EXPECT_FALSE(p.chkAcctDisabled);
  EXPECT_FALSE(p.lockBoxShown);
  // The NT view lists the primary group among the groups.
  QStringList groups = lists.memberTexts;
  groups.sort();
  EXPECT_EQ(groups, (QStringList{"Accounts", "Domain Users", "Printers"}));
  for (qsizetype i = 0; i < lists.memberTexts.size(); ++i) {
    EXPECT_EQ(lists.memberKeys[i], "");
    EXPECT_EQ(lists.memberIcons[i], lists.memberTexts[i] == "Printers" ? "Local" : "Global")
        << lists.memberTexts[i].toStdString();
  }
  EXPECT_EQ(lists.candidateTexts(), QStringList{"Auditors"});
  EXPECT_EQ(lists.statuses, QStringList{"jdoe Primary Group is 'Domain Users'"});
}

// A value that cannot be read ends the load; those read before it are shown.
TEST_F(NtUser, AFlagThatCannotBeReadKeepsTheValuesReadBeforeIt) {
  auto jdoe = bind("WinNT://OLDCORP/jdoe");
  ASSERT_TRUE(jdoe.Put("PasswordExpired", 1).ok());
  ASSERT_TRUE(jdoe.SetInfo().ok());
  // Without userAccountControl the flags word and the disabled state cannot be read.
  directory::setDirectory(std::make_shared<adsi::Directory>(
      std::make_shared<HidingBackend>(recorder, QStringList{"userAccountControl"})));
  state::shared().Primary_Group_ID.clear();
  bool ok = true;
  const UserPage p = load(&ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(p.UM_Full_Name, "Jane Doe");
  EXPECT_EQ(state::shared().Primary_Group_ID, "513");
  EXPECT_TRUE(p.chkMustChange);
  EXPECT_FALSE(p.chkAcctDisabled);
}

TEST_F(NtUser, AnAccountThatIsGoneFailsTheLoad) {
  UserPage p = clearedPage();
  EXPECT_FALSE(directory::Load_NT_User(p, "nobody", lists));
}

TEST_F(NtUser, SavingWritesEveryFieldAndNeverMeansNoExpiry) {
  UserPage p = load();
  ASSERT_EQ(p.AccExpires, "Never");
  p.UM_Full_Name = "Jane Q. Doe";
  p.UM_Description = "";
  p.UM_Drive_Letter = "@:";
  EXPECT_EQ(save(p).status, "Home Drive Format Incorrect");
  EXPECT_EQ(recorder->writes().commits(), 0);

  p.UM_Drive_Letter = "K:";
  p.chkPwdNever = true;
  p.chkCantChange = true;
  p.chkAcctDisabled = true;
  const SaveOutcome out = save(p);
  ASSERT_TRUE(out.saved) << out.message.toStdString();
  EXPECT_EQ(recorder->writes().commits(), 1) << "one commit";
  EXPECT_FALSE(recorder->writes().attributesOf("cn=jdoe").contains("pwdlastset"));
  const UserPage again = load();
  EXPECT_EQ(again.UM_Full_Name, "Jane Q. Doe");
  EXPECT_EQ(again.UM_Description, "");
  EXPECT_EQ(again.UM_Drive_Letter, "K:");
  EXPECT_EQ(again.AccExpires, "Never") << "Never is stored as no expiry, not as a date in 1899";
  EXPECT_TRUE(again.chkPwdNever);
  EXPECT_TRUE(again.chkCantChange);
  EXPECT_TRUE(again.chkAcctDisabled);
}

TEST_F(NtUser, ARefusedCommitNamesTheFieldItRefused) {
  UserPage p = load();
  p.UM_Description = QString(1100, u'd');
  p.UM_Full_Name = "Jane Q. Doe";
  const SaveOutcome out = save(p);
  EXPECT_FALSE(out.saved);
  EXPECT_TRUE(out.message.startsWith("Error saving Description: ")) << out.message.toStdString();
  EXPECT_EQ(read("WinNT://OLDCORP/jdoe", "FullName").toString(), "Jane Doe");
}

TEST_F(NtUser, ExpiryDatesAndMustChange) {
  UserPage p = load();
  p.AccExpires = "not a date";
  EXPECT_TRUE(
      save(p).message.startsWith("Error setting expiration date: 13 (enter Never, or a date in the form "));
  EXPECT_EQ(recorder->writes().commits(), 0);

  p.AccExpires = directory::expiryText(QDateTime(QDate(2029, 6, 1), QTime(0, 0)));
  p.chkMustChange = !mustChangeLoaded;
  ASSERT_TRUE(save(p).saved);
  EXPECT_TRUE(recorder->writes().attributesOf("cn=jdoe").contains("pwdlastset"));
  const UserPage again = load();
  EXPECT_EQ(again.AccExpires, p.AccExpires);
  EXPECT_EQ(again.chkMustChange, p.chkMustChange);
}

}  // namespace
