#include "platform/exchange/MailboxStore.h"

#include "platform/adsi/AdsPath.h"
#include "platform/security/SecurityDescriptor.h"

#include <QRandomGenerator>

namespace tavrel::exchange {
namespace {

// The mailbox right the owner gets on the new mailbox.
constexpr quint32 kFullMailboxAccess = 0x1;

QString rdnValue(const adsi::Dn& dn, int fromLeaf) {
  return fromLeaf < dn.depth() ? dn.rdns().at(fromLeaf).value() : QString();
}

bool hasClass(adsi::AdsObject& obj, const QString& cls) {
  auto v = obj.GetEx(QStringLiteral("objectClass"));
  if (!v) return false;
  for (const QVariant& c : *v)
    if (c.toString().compare(cls, Qt::CaseInsensitive) == 0) return true;
  return false;
}

}  // namespace

const QStringList& mailboxAttributes() {
  static const QStringList names{QStringLiteral("homeMDB"),
                                 QStringLiteral("homeMTA"),
                                 QStringLiteral("msExchHomeServerName"),
                                 QStringLiteral("mailNickname"),
                                 QStringLiteral("legacyExchangeDN"),
                                 QStringLiteral("msExchMailboxGuid"),
                                 QStringLiteral("msExchMailboxSecurityDescriptor"),
                                 QStringLiteral("mDBUseDefaults"),
                                 QStringLiteral("msExchUserAccountControl")};
  return names;
}

adsi::Result<QString> MailboxStore::HomeMDB() {
  auto v = user_.Get(QStringLiteral("homeMDB"));
  if (!v) {
    if (v.code() == adsi::hr::PROPERTY_NOT_FOUND) return QString();
    return v.error();
  }
  return v->toString();
}

adsi::Status MailboxStore::CreateMailbox(const QString& homeMDBUrl) {
  auto current = HomeMDB();
  if (!current) return current.error();
  if (!current->isEmpty())
    return adsi::makeError(adsi::hr::ALREADY_EXISTS,
                           QStringLiteral("the user has a mailbox already (%1)").arg(*current));
  auto path = adsi::AdsPath::parse(homeMDBUrl);
  if (!path) return path.error();
  if (path->provider != adsi::Provider::Ldap || path->kind != adsi::AdsPath::Kind::Object)
    return adsi::makeError(adsi::hr::BAD_PATHNAME,
                           QStringLiteral("\"%1\" is not the path of a mailbox store").arg(homeMDBUrl));
  auto store = dir_.GetObject(homeMDBUrl);
  if (!store) return store.error();
  if (!hasClass(*store, QStringLiteral("msExchPrivateMDB")))
    return adsi::makeError(adsi::hr::E_INVALIDARG,
                           QStringLiteral("\"%1\" is not a mailbox store").arg(homeMDBUrl));

  // CN=<store>,CN=<group>,CN=InformationStore,CN=<server>,CN=Servers,CN=<admin group>,
  // CN=Administrative Groups,CN=<organisation>,...
  const adsi::Dn storeDn = path->dn;
  const QString server = rdnValue(storeDn, 3);
  const QString adminGroup = rdnValue(storeDn, 5);
  const QString org = rdnValue(storeDn, 7);
  adsi::Dn serverDn = storeDn.parent().parent().parent();
  adsi::Dn mta = serverDn.child(adsi::Rdn(QStringLiteral("CN"), QStringLiteral("Microsoft MTA")));

  QString alias;
  if (auto nick = user_.Get(QStringLiteral("mailNickname")); nick && !nick->toString().isEmpty())
    alias = nick->toString();
  else if (auto sam = user_.Get(QStringLiteral("sAMAccountName")))
    alias = sam->toString();
  if (alias.isEmpty())
    return adsi::makeError(adsi::hr::E_INVALIDARG, QStringLiteral("the user has no account name"));

  auto sidValue = user_.Get(QStringLiteral("objectSid"));
  if (!sidValue) return sidValue.error();
  const auto sid = security::Sid::fromBinary(sidValue->toByteArray());
  if (!sid) return adsi::makeError(adsi::hr::E_INVALIDARG, QStringLiteral("the user has no valid SID"));
  security::SecurityDescriptor sd;
  sd.owner = *sid;
  sd.group = *sid;
  security::Acl dacl;
  dacl.add(security::Ace::allow(*sid, kFullMailboxAccess, security::ace::CONTAINER_INHERIT));
  sd.dacl = dacl;

  QByteArray guid(16, '\0');
  QRandomGenerator::global()->generate(reinterpret_cast<quint32*>(guid.data()),
                                       reinterpret_cast<quint32*>(guid.data() + guid.size()));

  const QString exchangeBase = QStringLiteral("/o=%1/ou=%2").arg(org, adminGroup);
  const std::pair<QString, QVariant> values[] = {
      {QStringLiteral("homeMDB"), storeDn.toString()},
      {QStringLiteral("homeMTA"), mta.toString()},
      {QStringLiteral("msExchHomeServerName"), exchangeBase + QStringLiteral("/cn=Configuration/cn=Servers/cn=") + server},
      {QStringLiteral("mailNickname"), alias},
      {QStringLiteral("legacyExchangeDN"), exchangeBase + QStringLiteral("/cn=Recipients/cn=") + alias},
      {QStringLiteral("msExchMailboxGuid"), guid},
      {QStringLiteral("msExchMailboxSecurityDescriptor"), sd.toSelfRelative()},
      {QStringLiteral("mDBUseDefaults"), true},
  };
  for (const auto& [name, value] : values)
    if (adsi::Status s = user_.Put(name, value); !s) return s;
  return {};
}

adsi::Status MailboxStore::DeleteMailbox() {
  auto current = HomeMDB();
  if (!current) return current.error();
  if (current->isEmpty())
    return adsi::makeError(adsi::hr::E_FAIL, QStringLiteral("the user has no mailbox"));
  for (const QString& name : mailboxAttributes())
    if (adsi::Status s = user_.PutEx(adsi::ADS_PROPERTY_CLEAR, name, {}); !s) return s;
  return {};
}

}  // namespace tavrel::exchange
