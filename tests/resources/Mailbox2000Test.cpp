#include "MailboxNetwork.h"

#include "platform/exchange/MailboxStore.h"
#include "platform/simnet/ExchangeSeed.h"
#include "startup/LogFile.h"
#include "state/SharedState.h"

namespace tavrel::test {
namespace {

using namespace resources;
using records::W2K_Property_Row;

class Mailbox2000Test : public MailboxNetwork {
 protected:
  void SetUp() override {
    MailboxNetwork::SetUp();
    if (HasFatalFailure()) return;
    const simnet::Exchange2000Spec spec{QStringLiteral("Example"),
                                        QStringLiteral("First Administrative Group"),
                                        QStringLiteral("EXCH2K"),
                                        {{QStringLiteral("First Storage Group"), {QStringLiteral("Staff Mailboxes")}, {}}}};
    ASSERT_TRUE(simnet::addExchange2000Server(*net, QStringLiteral("example.local"), spec));
    directory = std::make_unique<adsi::Directory>(net);
  }
  adsi::AdsObject user(const QString& account) {
    auto u = directory->GetObject(QStringLiteral("LDAP://example.local/CN=") + account +
                                  QStringLiteral(",CN=Users,DC=example,DC=local"));
    EXPECT_TRUE(u) << u.error().message.toStdString();
    return u ? *u : adsi::AdsObject();
  }
  QVariant stored(const QString& account, const QString& attribute) {
    auto v = user(account).Get(attribute);
    return v ? *v : QVariant();
  }
  bool create(adsi::AdsObject& u, const MailboxForm& f, adsi::Error* failure = nullptr,
              const QString& store = QStringLiteral("Staff Mailboxes")) {
    startup::LogFile log(dir());
    return Create_Mailbox_2000(QStringLiteral("Example"), QStringLiteral("EXCH2K"), QStringLiteral("First Storage Group"),
                               store, QStringLiteral("DC=example,DC=local"), u, *directory, f, log, failure);
  }
  MailboxForm rows(std::vector<W2K_Property_Row> r) const {
    MailboxForm f = form({});
    f.ListView7 = std::move(r);
    return f;
  }
  static inline const QString kStoreDn = QStringLiteral(
      "CN=Staff Mailboxes,CN=First Storage Group,CN=InformationStore,CN=EXCH2K,CN=Servers,CN=First Administrative "
      "Group,CN=Administrative Groups,CN=Example,CN=Microsoft Exchange,CN=Services,CN=Configuration,DC=example,"
      "DC=local");
  std::unique_ptr<adsi::Directory> directory;
};

TEST(MailboxStoreUrl, NamesTheServerTwiceAndEndsWithTheDomain) {
  EXPECT_EQ(Mailbox_Store_URL(QStringLiteral("Example"), QStringLiteral("EXCH2K"), QStringLiteral("SG1"),
                              QStringLiteral("Store A"), QStringLiteral("DC=example,DC=local")),
            "LDAP://EXCH2K/CN=Store A,CN=SG1,CN=InformationStore,CN=EXCH2K,CN=Servers,CN=First Administrative "
            "Group,CN=Administrative Groups,CN=Example,CN=Microsoft Exchange,CN=Services,CN=Configuration,"
            "DC=example,DC=local");
}

TEST_F(Mailbox2000Test, CreatesTheMailboxOnTheStore) {
  adsi::AdsObject u = user(QStringLiteral("jsmith"));
  ASSERT_TRUE(create(u, rows({})));
  EXPECT_EQ(stored(QStringLiteral("jsmith"), QStringLiteral("homeMDB")), kStoreDn);
  EXPECT_EQ(stored(QStringLiteral("jsmith"), QStringLiteral("mailNickname")), QStringLiteral("jsmith"));
  EXPECT_EQ(stored(QStringLiteral("jsmith"), QStringLiteral("msExchHomeServerName")),
            QStringLiteral("/o=Example/ou=First Administrative Group/cn=Configuration/cn=Servers/cn=EXCH2K"));
  EXPECT_EQ(stored(QStringLiteral("jsmith"), QStringLiteral("legacyExchangeDN")),
            QStringLiteral("/o=Example/ou=First Administrative Group/cn=Recipients/cn=jsmith"));
  EXPECT_EQ(stored(QStringLiteral("jsmith"), QStringLiteral("msExchMailboxGuid")).toByteArray().size(), 16);
  EXPECT_EQ(stored(QStringLiteral("jsmith"), QStringLiteral("mDBUseDefaults")), true);
}

TEST_F(Mailbox2000Test, AccountControlFollowsTheAccount) {
  for (const bool disabled : {false, true}) {
    SCOPED_TRACE(disabled);
    adsi::AdsObject u = user(QStringLiteral("pbrown"));
    ASSERT_TRUE(u.Put(QStringLiteral("AccountDisabled"), disabled));
    ASSERT_TRUE(u.SetInfo());
    ASSERT_TRUE(create(u, rows({})));
    EXPECT_EQ(stored(QStringLiteral("pbrown"), QStringLiteral("msExchUserAccountControl")), disabled ? 2 : 0);
    ASSERT_EQ(Delete_Mailbox_2000(u, *directory).value(), true);
  }
}

TEST_F(Mailbox2000Test, MailRows) {
  state::SharedState& sh = state::shared();
  sh.Import_Mode = true;
  sh.Import_Field_Count = 2;
  sh.ImportField[2] = QStringLiteral("Ext 42");
  prompts.answerText(QStringLiteral("Room 7"));
  adsi::AdsObject u = user(QStringLiteral("jsmith"));
  ASSERT_TRUE(create(u, rows({{records::kMailIcon, QStringLiteral("mail"), QStringLiteral("%first%.%last%%Domain%")},
                              {records::kUserIcon, QStringLiteral("title"), QStringLiteral("Not mine")},
                              {records::kMailIcon, QStringLiteral("physicalDeliveryOfficeName"), QStringLiteral("Prompt")},
                              {records::kMailIcon, QStringLiteral("telephoneNumber"), QStringLiteral("%IMPORT2%")},
                              {records::kMailIcon, QStringLiteral("description"), QStringLiteral("50% off")}})));
  EXPECT_EQ(stored(QStringLiteral("jsmith"), QStringLiteral("mail")), QStringLiteral("John.Smith@example.local"));
  EXPECT_EQ(stored(QStringLiteral("jsmith"), QStringLiteral("title")), QVariant()) << "not a mailbox row";
  EXPECT_EQ(stored(QStringLiteral("jsmith"), QStringLiteral("physicalDeliveryOfficeName")), QStringLiteral("Room 7"))
      << "a prompted value is committed";
  EXPECT_EQ(stored(QStringLiteral("jsmith"), QStringLiteral("telephoneNumber")), QStringLiteral("Ext 42"));
  EXPECT_EQ(stored(QStringLiteral("jsmith"), QStringLiteral("description")), QVariant())
      << "a value with a % left is not written";
  EXPECT_FALSE(sh.Mail_Warning_Flag);
}

TEST_F(Mailbox2000Test, PromptsAnsweredEmptyOrSkippedWriteNothing) {
  state::shared().Import_Mode = true;
  adsi::AdsObject u = user(QStringLiteral("jsmith"));
  MailboxForm f = rows({{records::kMailIcon, QStringLiteral("physicalDeliveryOfficeName"), QStringLiteral("PROMPT")}});
  f.Skip_Prompt_Fields = true;
  ASSERT_TRUE(create(u, f));
  EXPECT_TRUE(prompts.asked.empty());
  EXPECT_EQ(stored(QStringLiteral("jsmith"), QStringLiteral("physicalDeliveryOfficeName")), QVariant());
  ASSERT_EQ(Delete_Mailbox_2000(u, *directory).value(), true);
  prompts.answerText(QString());
  f.Skip_Prompt_Fields = false;
  ASSERT_TRUE(create(u, f));
  EXPECT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(stored(QStringLiteral("jsmith"), QStringLiteral("physicalDeliveryOfficeName")), QVariant());
}

// A prompted value is committed when it is given: neither a last row nor a failing row after it
// loses it.
TEST_F(Mailbox2000Test, APromptedValueIsCommittedAtOnce) {
  struct Case {
    const char* name;
    std::vector<W2K_Property_Row> after;  // the rows after the prompted one
    bool warned;
  };
  const Case cases[] = {
      {"the last row", {}, false},
      {"a failing row follows",
       {{records::kMailIcon, QStringLiteral("noSuchAttribute"), QStringLiteral("x")}},
       true},
      {"a row of another kind follows",
       {{records::kUserIcon, QStringLiteral("title"), QStringLiteral("x")}},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    prompts.answerText(QStringLiteral("Room 7"));
    std::vector<W2K_Property_Row> r{
        {records::kMailIcon, QStringLiteral("physicalDeliveryOfficeName"), QStringLiteral("PROMPT")}};
    r.insert(r.end(), c.after.begin(), c.after.end());
    adsi::AdsObject u = user(QStringLiteral("jsmith"));
    ASSERT_TRUE(create(u, rows(r)));
    EXPECT_EQ(state::shared().Mail_Warning_Flag, c.warned);
    EXPECT_EQ(stored(QStringLiteral("jsmith"), QStringLiteral("physicalDeliveryOfficeName")),
              QStringLiteral("Room 7"));
    // Cleared for the next case, through an object read afresh.
    adsi::AdsObject again = user(QStringLiteral("jsmith"));
    ASSERT_EQ(Delete_Mailbox_2000(again, *directory).value(), true);
    ASSERT_TRUE(again.PutEx(adsi::ADS_PROPERTY_CLEAR, QStringLiteral("physicalDeliveryOfficeName"), {}));
    ASSERT_TRUE(again.SetInfo());
  }
}

TEST_F(Mailbox2000Test, AFailingRowWarnsAndKeepsTheMailbox) {
  adsi::AdsObject u = user(QStringLiteral("jsmith"));
  ASSERT_TRUE(create(u, rows({{records::kMailIcon, QStringLiteral("noSuchAttribute"), QStringLiteral("x")},
                              {records::kMailIcon, QStringLiteral("mail"), QStringLiteral("a@b")}})));
  EXPECT_TRUE(state::shared().Mail_Warning_Flag);
  EXPECT_TRUE(logText().contains(QStringLiteral("Error with Attribute: noSuchAttribute")));
  EXPECT_EQ(stored(QStringLiteral("jsmith"), QStringLiteral("homeMDB")), kStoreDn);
}

// A change the directory refuses, staged on the user before, goes out with the mailbox: the
// mailbox is refused with it, and nothing of either is written.
TEST_F(Mailbox2000Test, AMailboxRefusedWithTheUsersOtherChangesWritesNothing) {
  adsi::AdsObject u = user(QStringLiteral("jsmith"));
  ASSERT_TRUE(u.Put(QStringLiteral("userAccountControl"), 0));  // no account type: refused
  adsi::Error failure;
  EXPECT_FALSE(create(u, rows({}), &failure));
  EXPECT_EQ(failure.code, adsi::hr::UNWILLING_TO_PERFORM) << failure.message.toStdString();
  EXPECT_EQ(stored(QStringLiteral("jsmith"), QStringLiteral("homeMDB")), QVariant());
  EXPECT_EQ(stored(QStringLiteral("jsmith"), QStringLiteral("msExchUserAccountControl")), QVariant());
  EXPECT_NE(stored(QStringLiteral("jsmith"), QStringLiteral("userAccountControl")).toInt(), 0);
}

// The rows are written with the mailbox, but a refused row keeps the mailbox, the rows before it
// and its warning, and no row after it is written.
TEST_F(Mailbox2000Test, ARefusedRowKeepsTheMailboxAndTheRowsBeforeIt) {
  struct Case {
    const char* name;
    std::vector<W2K_Property_Row> rows;
    QStringList written;
    QStringList absent;
  } cases[] = {
      {"the first row",
       {{records::kMailIcon, QStringLiteral("noSuchAttribute"), QStringLiteral("x")},
        {records::kMailIcon, QStringLiteral("mail"), QStringLiteral("a@b")}},
       {},
       {QStringLiteral("mail")}},
      {"a row in the middle",
       {{records::kMailIcon, QStringLiteral("mail"), QStringLiteral("a@b")},
        {records::kUserIcon, QStringLiteral("title"), QStringLiteral("Not mine")},
        {records::kMailIcon, QStringLiteral("noSuchAttribute"), QStringLiteral("x")},
        {records::kMailIcon, QStringLiteral("telephoneNumber"), QStringLiteral("42")}},
       {QStringLiteral("mail")},
       {QStringLiteral("title"), QStringLiteral("telephoneNumber")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    state::shared().Mail_Warning_Flag = false;
    adsi::AdsObject u = user(QStringLiteral("jsmith"));
    ASSERT_TRUE(create(u, rows(c.rows)));
    EXPECT_TRUE(state::shared().Mail_Warning_Flag);
    EXPECT_TRUE(logText().contains(QStringLiteral("Error with Attribute: noSuchAttribute")));
    EXPECT_EQ(stored(QStringLiteral("jsmith"), QStringLiteral("homeMDB")), kStoreDn);
    EXPECT_EQ(stored(QStringLiteral("jsmith"), QStringLiteral("msExchUserAccountControl")), 0);
    for (const QString& a : c.written) EXPECT_NE(stored(QStringLiteral("jsmith"), a), QVariant()) << a.toStdString();
    for (const QString& a : c.absent) EXPECT_EQ(stored(QStringLiteral("jsmith"), a), QVariant()) << a.toStdString();
    adsi::AdsObject again = user(QStringLiteral("jsmith"));
    ASSERT_EQ(Delete_Mailbox_2000(again, *directory).value(), true);
    ASSERT_TRUE(again.PutEx(adsi::ADS_PROPERTY_CLEAR, QStringLiteral("mail"), {}));
    ASSERT_TRUE(again.SetInfo());
  }
}

TEST_F(Mailbox2000Test, AWrongStoreCreatesNothing) {
  adsi::AdsObject u = user(QStringLiteral("jsmith"));
  adsi::Error failure;
  EXPECT_FALSE(create(u, rows({}), &failure, QStringLiteral("No Such Store")));
  EXPECT_EQ(failure.code, adsi::hr::NO_SUCH_OBJECT);
  EXPECT_EQ(stored(QStringLiteral("jsmith"), QStringLiteral("homeMDB")), QVariant());
  EXPECT_EQ(stored(QStringLiteral("jsmith"), QStringLiteral("msExchUserAccountControl")), QVariant());
}

TEST_F(Mailbox2000Test, DeleteRemovesTheMailboxOnly) {
  adsi::AdsObject u = user(QStringLiteral("jsmith"));
  EXPECT_EQ(Delete_Mailbox_2000(u, *directory).value(), false) << "a user without a mailbox is not touched";
  ASSERT_TRUE(create(u, rows({})));
  adsi::AdsObject again = user(QStringLiteral("jsmith"));
  EXPECT_EQ(Delete_Mailbox_2000(again, *directory).value(), true);
  for (const QString& attribute : exchange::mailboxAttributes())
    EXPECT_EQ(stored(QStringLiteral("jsmith"), attribute), QVariant()) << attribute.toStdString();
  EXPECT_EQ(stored(QStringLiteral("jsmith"), QStringLiteral("sAMAccountName")), QStringLiteral("jsmith"));
}

}  // namespace
}  // namespace tavrel::test
