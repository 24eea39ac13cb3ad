#include "MailboxNetwork.h"

#include "platform/security/AccountLookup.h"
#include "platform/security/SecurityDescriptor.h"
#include "startup/LogFile.h"
#include "state/SharedState.h"

namespace tavrel::test {
namespace {

using namespace resources;
using records::Mail_Attribute_Row;
using ui::MsgBoxResult;

class CreateMailboxTest : public MailboxNetwork {
 protected:
  // Creates the mailbox of `account` (John Smith) with `f`, as the Exchange administrator unless
  // other credentials are given.
  bool create(const QString& account, const MailboxForm& f, const QString& admin = kAdmin,
              const QString& password = kPassword) {
    startup::LogFile log(dir());
    target.clear();
    return Create_Mailbox(QStringLiteral("EXDC01"), QStringLiteral("EXAMPLE"), admin, password, account, target,
                          QStringLiteral("John"), QStringLiteral("Smith"), QStringLiteral("EXCH55"),
                          QStringLiteral("Head Office"), QStringLiteral("Example"), f, log);
  }
  static std::vector<Mail_Attribute_Row> basic() {
    return {{QStringLiteral("TARGET-ADDRESS"), QStringLiteral("SMTP:%first%.%last%@%Domain%.example.com")},
            {QStringLiteral("CONTAINER"), QStringLiteral("Recipients")}};
  }
  QString mailboxDn(const QString& account, const QString& container = kRecipients) const {
    return QStringLiteral("CN=") + account + u',' + container;
  }
  security::Sid sidOf(const QString& account) {
    auto info = security::LookupAccountName(QString(), QStringLiteral("EXAMPLE\\") + account);
    EXPECT_TRUE(info);
    return info ? info->sid : security::Sid();
  }
  QString target;
};

TEST_F(CreateMailboxTest, WritesEveryAttributeOfTheMailbox) {
  auto rows = basic();
  rows.push_back({QStringLiteral("OTHERMAILBOX"), QStringLiteral(" X400$c=US;o=%EXOrg%;s=%last% ")});
  rows.push_back({QStringLiteral("OTHERMAILBOX"), QStringLiteral("MS$EXAMPLE/%UserName%")});
  rows.push_back({QStringLiteral("department"), QStringLiteral("Sales at %ExSite%")});
  ASSERT_TRUE(create(QStringLiteral("jsmith"), form(rows)));
  EXPECT_EQ(target, "SMTP:John.Smith@EXAMPLE.example.com");
  EXPECT_FALSE(state::shared().Mail_Warning_Flag);
  EXPECT_EQ(state::shared().Mail_Container_Path, "LDAP://EXCH55/CN=Recipients,OU=Head Office,O=Example");

  const QString dn = mailboxDn(QStringLiteral("jsmith"));
  const security::Sid sid = sidOf(QStringLiteral("jsmith"));
  struct Expect {
    const char* attribute;
    QVariant value;
  };
  const Expect want[] = {
      {"MailPreferenceOption", 0},
      {"Assoc-NT-Account", sid.hex().toLatin1()},
      {"Home-MTA", QStringLiteral("cn=Microsoft MTA,cn=EXCH55,cn=Servers,cn=Configuration,ou=Head Office,o=Example")},
      {"Home-MDB",
       QStringLiteral("cn=Microsoft Private MDB,cn=EXCH55,cn=Servers,cn=Configuration,ou=Head Office,o=Example")},
      {"uid", QStringLiteral("jsmith")},
      {"name", QStringLiteral("jsmith")},
      {"givenName", QStringLiteral("John")},
      {"sn", QStringLiteral("Smith")},
      {"cn", QStringLiteral("John Smith")},
      {"initials", QStringLiteral("JS")},
      {"MAPI-Recipient", true},
      {"mail", QStringLiteral("SMTP:John.Smith@EXAMPLE.example.com")},
      {"department", QStringLiteral("Sales at Head Office")},
  };
  for (const Expect& e : want) EXPECT_EQ(value(dn, QString::fromLatin1(e.attribute)), e.value) << e.attribute;
  EXPECT_EQ(value(dn, QStringLiteral("Assoc-NT-Account")).toByteArray().size(), 2 * sid.length())
      << "exactly the SID's hex digits";
  EXPECT_EQ(value(dn, QStringLiteral("otherMailbox")).toList(),
            (QVariantList{QStringLiteral("X400$c=US;o=Example;s=Smith"), QStringLiteral("MS$EXAMPLE/jsmith")}));

  // The descriptor: hex digits and two zero bytes; owner and group the user, one entry 0x1A.
  const QByteArray sdHex = value(dn, QStringLiteral("NT-Security-Descriptor")).toByteArray();
  ASSERT_TRUE(sdHex.endsWith(QByteArray(2, '\0')));
  const auto sd = security::SecurityDescriptor::fromSelfRelative(QByteArray::fromHex(sdHex.chopped(2)));
  ASSERT_TRUE(sd);
  EXPECT_EQ(sdHex.chopped(2), sdHex.chopped(2).toUpper());
  EXPECT_EQ(sd->owner, sid);
  EXPECT_EQ(sd->group, sid);
  ASSERT_TRUE(sd->dacl);
  ASSERT_EQ(sd->dacl->count(), 1);
  EXPECT_EQ(sd->dacl->aces()[0], security::Ace::allow(sid, 0x1A));

  const QString log = logText();
  for (const char* line : {"Connect to Object:LDAP://EXCH55/CN=Recipients,OU=Head Office,O=Example", "Assoc NT Account",
                           "Home MTA done", "Home MDB done", "NT-Security-Descriptor", "Set OtherMailBoxs",
                           "Set Mail Address :SMTP:John.Smith@EXAMPLE.example.com", "department: Sales at Head Office"})
    EXPECT_TRUE(log.contains(QString::fromLatin1(line))) << line;
  EXPECT_FALSE(log.contains(kPassword)) << "the administrator's password is never logged";
  EXPECT_EQ(beeps.beeps(), 0);
}

TEST_F(CreateMailboxTest, SpecialRows) {
  struct Case {
    const char* what;
    std::vector<Mail_Attribute_Row> rows;
    QString port;
    const char* path;         // Mail_Container_Path
    const char* mail;         // the mail attribute
    const char* attribute;    // one attribute to look at (may be null)
    QVariant attributeValue;  // its value (null: not written)
  };
  const Case cases[] = {
      {"container given with CN=",
       {{"TARGET-ADDRESS", "a@b"}, {"container", "CN=Recipients"}},
       {}, "LDAP://EXCH55/CN=Recipients,OU=Head Office,O=Example", "a@b", nullptr, {}},
      {"port of the server",
       {{"TARGET-ADDRESS", "a@b"}, {"CONTAINER", "Recipients"}},
       "390", "LDAP://EXCH55:390/CN=Recipients,OU=Head Office,O=Example", "a@b", nullptr, {}},
      {"the second target address wins",
       {{"TARGET-ADDRESS", "first@b"}, {"CONTAINER", "Recipients"}, {"Target-Address", "second@b"}},
       {}, "LDAP://EXCH55/CN=Recipients,OU=Head Office,O=Example", "second@b", nullptr, {}},
      {"a sub-container",
       {{"TARGET-ADDRESS", "a@b"}, {"CONTAINER", "Sales,CN=Recipients"}},
       {}, "LDAP://EXCH55/CN=Sales,CN=Recipients,OU=Head Office,O=Example", "a@b", nullptr, {}},
      {"country is never written",
       {{"TARGET-ADDRESS", "a@b"}, {"CONTAINER", "Recipients"}, {"COUNTRY", "US"}, {"c", "GB"}},
       {}, "LDAP://EXCH55/CN=Recipients,OU=Head Office,O=Example", "a@b", "c", QStringLiteral("GB")},
      {"a value with one % is written",
       {{"TARGET-ADDRESS", "a@b"}, {"CONTAINER", "Recipients"}, {"info", "100% %first%"}},
       {}, "LDAP://EXCH55/CN=Recipients,OU=Head Office,O=Example", "a@b", "info", QStringLiteral("100% John")},
      {"a value with a placeholder left is not written",
       {{"TARGET-ADDRESS", "a@b"}, {"CONTAINER", "Recipients"}, {"info", "%nosuch% here"}},
       {}, "LDAP://EXCH55/CN=Recipients,OU=Head Office,O=Example", "a@b", "info", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const int port = c.port.isEmpty() ? 389 : c.port.toInt();
    ASSERT_TRUE(exch->addServer({QStringLiteral("EXCH55"), QStringLiteral("example.local"), QStringLiteral("Example"),
                                 QStringLiteral("Head Office"), port, {kAdmin}}));
    MailboxForm f = form(c.rows);
    f.PORT = c.port;
    exchangeServer = c.port.isEmpty() ? QStringLiteral("EXCH55") : QStringLiteral("EXCH55:") + c.port;
    ASSERT_TRUE(create(QStringLiteral("jsmith"), f));
    EXPECT_EQ(state::shared().Mail_Container_Path, QString::fromLatin1(c.path));
    const QString container = state::shared().Mail_Container_Path.section(u'/', 3);
    const QString dn = mailboxDn(QStringLiteral("jsmith"), container);
    EXPECT_EQ(value(dn, QStringLiteral("mail")), QString::fromLatin1(c.mail));
    if (c.attribute) {
      EXPECT_EQ(value(dn, QString::fromLatin1(c.attribute)), c.attributeValue);
    }
    EXPECT_FALSE(logText().contains(QStringLiteral("COUNTRY:")));
    ASSERT_TRUE(exchangeObject(container).Delete(QStringLiteral("organizationalPerson"), QStringLiteral("CN=jsmith")));
  }
}

TEST_F(CreateMailboxTest, MemberOfAddsToTheListWithTheAdministratorsCredentials) {
  auto rows = basic();
  rows.push_back({QStringLiteral("MEMBEROF"),
                  QStringLiteral("LDAP://EXCH55/CN=All Staff,CN=Recipients,OU=%ExSite%,O=%EXOrg%")});
  rows.push_back({QStringLiteral("title"), QStringLiteral("After the list")});
  // The logged-on Administrator may not change the Exchange directory; the typed account may.
  ASSERT_TRUE(create(QStringLiteral("jsmith"), form(rows)));
  EXPECT_FALSE(state::shared().Mail_Warning_Flag) << logText().toStdString();
  EXPECT_EQ(value(QStringLiteral("CN=All Staff,") + kRecipients, QStringLiteral("member")),
            mailboxDn(QStringLiteral("jsmith")));
  EXPECT_EQ(value(mailboxDn(QStringLiteral("jsmith")), QStringLiteral("title")), QStringLiteral("After the list"));
  EXPECT_TRUE(logText().contains(
      QStringLiteral("Adding to Distribution List\r\nMEMBEROF: LDAP://EXCH55/CN=All Staff,CN=Recipients,OU=Head "
                     "Office,O=Example")));
}

TEST_F(CreateMailboxTest, PromptRows) {
  struct Case {
    const char* what;
    bool import;
    bool skip;
    std::optional<QString> answer;  // nullopt: no box expected
    QVariant written;
  };
  const Case cases[] = {
      {"answered", false, false, QStringLiteral("Floor 3"), QStringLiteral("Floor 3")},
      {"answered empty", false, false, QString(), {}},
      {"skipped during an import", true, true, std::nullopt, {}},
      {"asked during an import without the skip", true, false, QStringLiteral("Floor 4"), QStringLiteral("Floor 4")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    state::shared().Import_Mode = c.import;
    prompts.asked.clear();
    if (c.answer) prompts.answerText(*c.answer);
    auto rows = basic();
    rows.push_back({QStringLiteral("physicalDeliveryOfficeName"), QStringLiteral("prompt")});
    MailboxForm f = form(rows);
    f.Skip_Prompt_Fields = c.skip;
    ASSERT_TRUE(create(QStringLiteral("jsmith"), f));
    ASSERT_EQ(prompts.asked.size(), c.answer ? 1u : 0u);
    if (c.answer) {
      EXPECT_EQ(prompts.asked[0].prompt, "Enter Value for physicalDeliveryOfficeName");
      EXPECT_EQ(prompts.asked[0].title, "Enter value");
    }
    EXPECT_EQ(value(mailboxDn(QStringLiteral("jsmith")), QStringLiteral("physicalDeliveryOfficeName")), c.written);
    ASSERT_TRUE(exchangeObject(kRecipients).Delete(QStringLiteral("organizationalPerson"), QStringLiteral("CN=jsmith")));
  }
}

TEST_F(CreateMailboxTest, ImportTokensInRows) {
  state::SharedState& sh = state::shared();
  sh.Import_Mode = true;
  sh.Import_Field_Count = 4;
  sh.ImportField[4] = QStringLiteral("Room 12");
  auto rows = basic();
  rows.push_back({QStringLiteral("physicalDeliveryOfficeName"), QStringLiteral("%IMPORT4%")});
  ASSERT_TRUE(create(QStringLiteral("jsmith"), form(rows)));
  EXPECT_EQ(value(mailboxDn(QStringLiteral("jsmith")), QStringLiteral("physicalDeliveryOfficeName")),
            QStringLiteral("Room 12"));
}

TEST_F(CreateMailboxTest, WrongCredentialsAreALogonError) {
  EXPECT_FALSE(create(QStringLiteral("jsmith"), form(basic()), kAdmin, QStringLiteral("wrong")));
  EXPECT_TRUE(logText().contains(QStringLiteral("Exchange Logon Error...")));
  EXPECT_FALSE(logText().contains(QStringLiteral("wrong")));
  EXPECT_TRUE(exchangeObject(mailboxDn(QStringLiteral("jsmith"))).isNull());
  EXPECT_EQ(beeps.beeps(), 1);
}

TEST_F(CreateMailboxTest, CurrentCredentialsWithoutExchangeRightsFailTheCreation) {
  MailboxForm f = form(basic());
  f.Mail_Logon = true;
  EXPECT_FALSE(create(QStringLiteral("jsmith"), f, QString(), QString()));
  EXPECT_TRUE(logText().contains(QStringLiteral("Error Number: 80070005\r\nFailed to set Target-Mail Address")))
      << logText().toStdString();
  EXPECT_TRUE(exchangeObject(mailboxDn(QStringLiteral("jsmith"))).isNull());
}

TEST_F(CreateMailboxTest, BlankTargetOrContainerCreatesNothing) {
  EXPECT_FALSE(create(QStringLiteral("jsmith"), form({{QStringLiteral("CONTAINER"), QStringLiteral("Recipients")}})));
  EXPECT_TRUE(logText().contains(QStringLiteral("Error Number: 0\r\nTarget-Address and Container cannot be blank.\r\n"
                                                "Target-Address: \r\nContainer: Recipients")));
  EXPECT_TRUE(exchangeObject(mailboxDn(QStringLiteral("jsmith"))).isNull());
}

TEST_F(CreateMailboxTest, AServerThatDoesNotAnswer) {
  ASSERT_TRUE(net->setReachable(QStringLiteral("EXCH55"), false));
  EXPECT_FALSE(create(QStringLiteral("jsmith"), form(basic())));
  EXPECT_TRUE(logText().contains(QStringLiteral(
      "Error Number: 8007203A\r\nFailed to Connect to: LDAP://EXCH55/CN=Recipients,OU=Head Office,O=Example")));
}

TEST_F(CreateMailboxTest, AFailingAttributeRowWarnsAndKeepsTheMailbox) {
  auto rows = basic();
  rows.push_back({QStringLiteral("title"), QStringLiteral("Before")});
  rows.push_back({QStringLiteral("Frobnicate"), QStringLiteral("x")});
  rows.push_back({QStringLiteral("department"), QStringLiteral("After")});
  EXPECT_TRUE(create(QStringLiteral("jsmith"), form(rows)));
  EXPECT_TRUE(state::shared().Mail_Warning_Flag);
  EXPECT_TRUE(logText().contains(QStringLiteral("Error with Attribute: Frobnicate")));
  const QString dn = mailboxDn(QStringLiteral("jsmith"));
  EXPECT_EQ(value(dn, QStringLiteral("title")), QStringLiteral("Before"));
  EXPECT_EQ(value(dn, QStringLiteral("department")), QVariant()) << "the rows after the failure are not written";
  EXPECT_EQ(beeps.beeps(), 1);
}

TEST_F(CreateMailboxTest, AFailureAfterTheFirstCommitRemovesTheMailbox) {
  struct Case {
    const char* what;
    const char* account;
    const char* refused;  // attribute the server refuses
    bool deletesRefused;
    const char* logged;
  };
  const Case cases[] = {
      {"no NT account of that name", "nobody", nullptr, false,
       "Error Number: 80070534\r\nError setting default Settings\r\nThe incomplete mailbox was deleted: nobody"},
      {"the descriptor refused", "jsmith", "NT-Security-Descriptor", false,
       "Error Number: 80072035\r\nError setting Security-Descriptor\r\nThe incomplete mailbox was deleted: jsmith"},
      {"and it can't be deleted either", "jsmith", "NT-Security-Descriptor", true,
       "The incomplete mailbox remains and must be deleted by hand: "
       "CN=jsmith,CN=Recipients,OU=Head Office,O=Example"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    exch->refuseAttribute(c.refused ? QString::fromLatin1(c.refused) : QString());
    exch->refuseDeletes(c.deletesRefused);
    auto rows = basic();
    EXPECT_FALSE(create(QString::fromLatin1(c.account), form(rows)));
    EXPECT_TRUE(logText().contains(QString::fromLatin1(c.logged))) << logText().toStdString();
    EXPECT_EQ(exchangeObject(mailboxDn(QString::fromLatin1(c.account))).isNull(), !c.deletesRefused);
  }
}

TEST_F(CreateMailboxTest, GetSidSucceedsOnlyWithTheAccountsSid) {
  struct Case {
    const char* server;
    const char* domain;
    const char* account;
    bool found;
  };
  const Case cases[] = {
      {"EXDC01", "EXAMPLE", "jsmith", true},  {"EXDC01", "EXAMPLE", "nobody", false},
      {"OLDPDC", "OLDCORP", "jdoe", true},    {"OLDPDC", "OLDCORP", "jsmith", false},  // another domain's
      {"EXDC01", "NOWHERE", "jsmith", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.account);
    QByteArray sid("stale");
    const int r = GetSID(QString::fromLatin1(c.server), QString::fromLatin1(c.domain),
                         QString::fromLatin1(c.account), sid);
    EXPECT_EQ(r, c.found ? 1 : 0);
    if (!c.found) {
      EXPECT_TRUE(sid.isEmpty());
      continue;
    }
    auto expected = security::LookupAccountName(QString(), QStringLiteral("%1\\%2").arg(c.domain, c.account));
    ASSERT_TRUE(expected);
    EXPECT_EQ(sid, expected->sid.binary());
  }
}

// The account is found for its SID (on the system's domain) but not where the descriptor is built
// (another domain): the descriptor step fails as itself, writes no descriptor, and the mailbox goes.
TEST_F(CreateMailboxTest, ADescriptorThatCannotBeBuiltFailsTheCreation) {
  startup::LogFile log(dir());
  EXPECT_FALSE(Create_Mailbox(QStringLiteral("OLDPDC"), QStringLiteral("OLDCORP"), kAdmin, kPassword,
                              QStringLiteral("jsmith"), target, QStringLiteral("John"),
                              QStringLiteral("Smith"), QStringLiteral("EXCH55"),
                              QStringLiteral("Head Office"), QStringLiteral("Example"), form(basic()), log));
  const QString text = logText();
  EXPECT_TRUE(text.contains(QStringLiteral("Assoc NT Account"))) << "the SID step passed";
  EXPECT_TRUE(
      text.contains(QStringLiteral("Error Number: 80070534\r\nError setting Security-Descriptor\r\n"
                                   "The incomplete mailbox was deleted: jsmith")))
      << text.toStdString();
  EXPECT_FALSE(text.contains(QStringLiteral("\r\nNT-Security-Descriptor\r\n")));
  EXPECT_TRUE(exchangeObject(mailboxDn(QStringLiteral("jsmith"))).isNull());
}

class DeleteMailboxTest : public CreateMailboxTest {
 protected:
  void SetUp() override {
    CreateMailboxTest::SetUp();
    if (HasFatalFailure()) return;
    auto rows = basic();
    rows.push_back({QStringLiteral("MEMBEROF"), QStringLiteral("LDAP://EXCH55/CN=All Staff,") + kRecipients});
    ASSERT_TRUE(create(QStringLiteral("jsmith"), form(rows)));
    QFile::remove(dir() + QStringLiteral("Log.txt"));
  }
  bool remove(const MailboxForm& f, const QString& name = QStringLiteral("jsmith")) {
    startup::LogFile log(dir());
    return Delete_Mailbox(kAdmin, kPassword, name, QStringLiteral("EXCH55"), QStringLiteral("Head Office"),
                          QStringLiteral("Example"), f, log);
  }
};

TEST_F(DeleteMailboxTest, ConfirmationRules) {
  struct Case {
    const char* what;
    bool confirm;
    bool bulk;
    bool noPrompting;
    std::optional<MsgBoxResult> answer;  // nullopt: no box
    bool deleted;
  };
  const Case cases[] = {
      {"confirmed", true, false, false, MsgBoxResult::Yes, true},
      {"declined", true, false, false, MsgBoxResult::No, false},
      {"no confirmation asked for", false, false, false, std::nullopt, true},
      {"bulk delete without prompting", true, true, true, std::nullopt, true},
      {"bulk delete with prompting", true, true, false, MsgBoxResult::Yes, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (exchangeObject(mailboxDn(QStringLiteral("jsmith"))).isNull()) {
      ASSERT_TRUE(create(QStringLiteral("jsmith"), form(basic())));
    }
    state::shared().Bulk_Delete_Running = c.bulk ? -1 : 0;
    prompts.asked.clear();
    if (c.answer) prompts.answer(*c.answer);
    MailboxForm f = form(basic());
    f.Confirm_Deletes = c.confirm;
    f.No_Prompting = c.noPrompting;
    EXPECT_EQ(remove(f), c.deleted);
    ASSERT_EQ(prompts.asked.size(), c.answer ? 1u : 0u);
    if (c.answer) {
      EXPECT_EQ(prompts.asked[0].title, "Delete Mailbox");
      EXPECT_EQ(prompts.asked[0].prompt,
                "Sure to Delete Mailbox\r\nLDAP://EXCH55/CN=Recipients,OU=Head Office,O=Example\r\ncn=jsmith");
      EXPECT_EQ(prompts.asked[0].style, ui::kStyleYesNoQuestion);
    }
    EXPECT_EQ(exchangeObject(mailboxDn(QStringLiteral("jsmith"))).isNull(), c.deleted);
    EXPECT_FALSE(logText().contains(QStringLiteral("Error Number")));
  }
}

TEST_F(DeleteMailboxTest, DeletionLeavesTheDistributionList) {
  ASSERT_TRUE(remove(form(basic())));
  EXPECT_EQ(value(QStringLiteral("CN=All Staff,") + kRecipients, QStringLiteral("member")), QVariant());
  EXPECT_TRUE(logText().contains(QStringLiteral("Connect Object:LDAP://EXCH55/CN=Recipients,OU=Head Office,O=Example.")));
}

TEST_F(DeleteMailboxTest, AMissingMailboxOrWrongPasswordIsLogged) {
  EXPECT_FALSE(remove(form(basic()), QStringLiteral("nobody")));
  EXPECT_TRUE(logText().contains(QStringLiteral("Error Number: 80072030")));
  startup::LogFile log(dir());
  EXPECT_FALSE(Delete_Mailbox(kAdmin, QStringLiteral("bad"), QStringLiteral("jsmith"), QStringLiteral("EXCH55"),
                              QStringLiteral("Head Office"), QStringLiteral("Example"), form(basic()), log));
  log.close();
  EXPECT_TRUE(logText().contains(QStringLiteral("Error Number: 8007052E")));
  EXPECT_FALSE(exchangeObject(mailboxDn(QStringLiteral("jsmith"))).isNull());
}

TEST_F(DeleteMailboxTest, APlaceholderContainerOffersTheSearchForTheDeletedUser) {
  const std::vector<Mail_Attribute_Row> rows{{QStringLiteral("CONTAINER"), QStringLiteral("%Department%")}};
  // Declined: nothing happens.
  prompts.answer(MsgBoxResult::No);
  QStringList searched;
  MailboxForm f = form(rows);
  f.Serach_Mail = [&](const QString& name) {
    searched << name;
    state::shared().Mail_Container = QStringLiteral("CN=Recipients");
  };
  EXPECT_FALSE(remove(f));
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].title, "Can't Find Mailox to Delete");
  EXPECT_EQ(prompts.asked[0].prompt,
            "A Variable was used in the 'Container' field to create the mailbox\r\nDo you wish to Search the Exchange "
            "server for the\r\nMailbox to delete ?");
  EXPECT_TRUE(searched.isEmpty());
  // Accepted: the window searches for the user being deleted and gives the container.
  prompts.answer(MsgBoxResult::Yes);
  EXPECT_TRUE(remove(f));
  EXPECT_EQ(searched, QStringList{QStringLiteral("jsmith")});
  EXPECT_TRUE(exchangeObject(mailboxDn(QStringLiteral("jsmith"))).isNull());
}

TEST_F(DeleteMailboxTest, TheContainerComesFromTheRowsOnly) {
  state::shared().Mail_Container = QStringLiteral("Recipients");
  EXPECT_FALSE(remove(form({})));
  EXPECT_FALSE(exchangeObject(mailboxDn(QStringLiteral("jsmith"))).isNull());
}

// ---------------------------------------------------------------------------------------------
// The search

class MailSearchTest : public CreateMailboxTest {};

TEST_F(MailSearchTest, FindsTheUserOneLevelDownAndNoOneElse) {
  auto rows = basic();
  rows[1].Value = QStringLiteral("Sales,CN=Recipients");
  ASSERT_TRUE(create(QStringLiteral("jsmith"), form(rows)));
  ASSERT_TRUE(create(QStringLiteral("pbrown"), form(basic())));
  MailSearchResult r = searchMailboxes(QStringLiteral("Example"), QStringLiteral("EXCH55"),
                                       QStringLiteral("Head Office"), QStringLiteral("JSMITH"), kAdmin, kPassword,
                                       form({}));
  ASSERT_TRUE(r.connected) << r.error.message.toStdString();
  EXPECT_EQ(r.count, 1);
  EXPECT_EQ(r.root.text, "Head Office");
  ASSERT_EQ(r.root.children.size(), 1u) << "the Configuration container is not listed";
  const MailSearchNode& recipients = r.root.children[0];
  EXPECT_EQ(recipients.text, "Recipients");
  ASSERT_EQ(recipients.children.size(), 1u) << "pbrown is not listed";
  const MailSearchNode& sales = recipients.children[0];
  EXPECT_EQ(sales.text, "Sales");
  EXPECT_FALSE(sales.isMailbox);
  ASSERT_EQ(sales.children.size(), 1u);
  EXPECT_EQ(sales.children[0].text, "jsmith");
  EXPECT_TRUE(sales.children[0].isMailbox);

  r = searchMailboxes(QStringLiteral("Example"), QStringLiteral("EXCH55"), QStringLiteral("Head Office"),
                      QStringLiteral("mjones"), kAdmin, kPassword, form({}));
  EXPECT_TRUE(r.connected);
  EXPECT_EQ(r.count, 0);
  r = searchMailboxes(QStringLiteral("Example"), QStringLiteral("EXCH55"), QStringLiteral("Head Office"),
                      QStringLiteral("jsmith"), kAdmin, QStringLiteral("bad"), form({}));
  EXPECT_FALSE(r.connected);
  EXPECT_EQ(r.error.code, adsi::hr::LOGON_FAILURE);
}

}  // namespace
}  // namespace tavrel::test
