#include "MailboxNetwork.h"

#include "platform/exchange/Exchange55.h"
#include "state/SharedState.h"

namespace tavrel::test {

using namespace simnet;

void MailboxNetwork::SetUp() {
  ResourceNetwork::SetUp();
  if (HasFatalFailure()) return;
  const QString dom = QStringLiteral("example.local");
  NetworkBuilder b(net);
  b.user(dom, QStringLiteral("exadmin"), UserSpec().withPassword(kPassword))
      .user(dom, QStringLiteral("pbrown"), UserSpec().withPassword(QStringLiteral("Welcome1")))
      .password(dom, QStringLiteral("Administrator"), QStringLiteral("Password1"));
  auto built = b.build();
  ASSERT_TRUE(built) << built.error().message.toStdString();
  exch = installExchange55(net);
  ASSERT_TRUE(exch->addServer({QStringLiteral("EXCH55"), dom, QStringLiteral("Example"), QStringLiteral("Head Office"),
                               389, {kAdmin}}));
  auto cls = [](const char* c) { return adsi::Attribute{QStringLiteral("objectClass"), {"top", c}}; };
  const adsi::Dn recipients = *adsi::Dn::parse(kRecipients);
  ASSERT_TRUE(exch->addObject(QStringLiteral("Example"),
                              recipients.child(adsi::Rdn(QStringLiteral("CN"), QStringLiteral("Sales"))),
                              {cls("Container")}));
  ASSERT_TRUE(exch->addObject(QStringLiteral("Example"),
                              recipients.child(adsi::Rdn(QStringLiteral("CN"), QStringLiteral("All Staff"))),
                              {cls("groupOfNames")}));
  state::shared().NetBIOS_Domain = QStringLiteral("EXAMPLE");
  state::shared().Domain_Name = dom;
}

void MailboxNetwork::TearDown() {
  exchange::setExchange55Directory(nullptr);
  exch.reset();
  ResourceNetwork::TearDown();
}

QString MailboxNetwork::logText() const {
  return QString::fromLatin1(readAll(dir() + QStringLiteral("Log.txt")));
}

adsi::AdsObject MailboxNetwork::exchangeObject(const QString& dn) {
  adsi::Directory d(exchange::exchange55Directory());
  auto o = d.OpenDSObject(QStringLiteral("LDAP://") + exchangeServer + u'/' + dn, kAdmin, kPassword, adsi::ADS_SECURE_AUTHENTICATION);
  return o ? *o : adsi::AdsObject();
}

QVariant MailboxNetwork::value(const QString& dn, const QString& attribute) {
  adsi::AdsObject o = exchangeObject(dn);
  if (o.isNull()) return {};
  auto v = o.Get(attribute);
  return v ? *v : QVariant();
}

resources::MailboxForm MailboxNetwork::form(std::vector<records::Mail_Attribute_Row> rows) const {
  resources::MailboxForm f;
  f.ListView8 = std::move(rows);
  f.strFirst = QStringLiteral("John");
  f.strLast = QStringLiteral("Smith");
  f.TreeRootText = QStringLiteral("example.local");
  return f;
}

}  // namespace tavrel::test
