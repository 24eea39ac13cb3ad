#include "platform/exchange/Exchange55.h"

#include "platform/adsi/AdsPath.h"

namespace tavrel::exchange {
namespace {

class NoServers : public adsi::DirectoryBackend {
 public:
  adsi::Result<std::shared_ptr<adsi::DirectoryConnection>> bind(const QString& server, adsi::Protocol,
                                                                const std::optional<adsi::Credentials>&) override {
    return adsi::ldapError(adsi::ldap::SERVER_DOWN,
                           QStringLiteral("no Exchange 5.5 server is known; %1 can't be reached").arg(server));
  }
  QList<adsi::DomainInfo> browseDomains() override { return {}; }
};

std::shared_ptr<adsi::DirectoryBackend>& installed() {
  static std::shared_ptr<adsi::DirectoryBackend> servers;
  return servers;
}

}  // namespace

std::shared_ptr<const adsi::SchemaCatalog> exchange55Schema() {
  static const std::shared_ptr<const adsi::SchemaCatalog> schema = [] {
    using S = adsi::Syntax;
    QList<adsi::AttributeDef> attrs;
    auto a = [&attrs](const char* name, S syntax, bool single = true, int upper = 0) {
      adsi::AttributeDef d;
      d.name = QString::fromLatin1(name);
      d.syntax = syntax;
      d.singleValued = single;
      d.rangeUpper = upper;
      attrs.append(d);
    };
    a("objectClass", S::Oid, false);
    a("cn", S::String, true, 64);
    a("ou", S::String, true, 64);
    a("o", S::String, true, 64);
    a("name", S::String, true, 64);
    a("uid", S::String, true, 64);
    a("mail", S::String, true, 256);
    a("rfc822Mailbox", S::String, true, 256);
    a("otherMailbox", S::String, false, 256);
    a("textEncodedORaddress", S::String, true, 256);
    a("givenName", S::String, true, 64);
    a("sn", S::String, true, 64);
    a("initials", S::String, true, 6);
    a("title", S::String, true, 64);
    a("department", S::String, true, 64);
    a("company", S::String, true, 64);
    a("physicalDeliveryOfficeName", S::String, true, 128);
    a("telephoneNumber", S::String, false, 64);
    a("facsimileTelephoneNumber", S::String, false, 64);
    a("mobile", S::String, false, 64);
    a("postalAddress", S::String, true, 128);
    a("postalCode", S::String, true, 40);
    a("l", S::String, true, 128);
    a("st", S::String, true, 128);
    a("co", S::String, true, 128);
    a("c", S::String, true, 2);
    a("info", S::String, true, 1024);
    a("Admin-Display-Name", S::String, true, 256);
    a("Assoc-NT-Account", S::Octets);
    a("NT-Security-Descriptor", S::Octets);
    a("Home-MTA", S::String);
    a("Home-MDB", S::String);
    a("MAPI-Recipient", S::Boolean);
    a("Hide-From-Address-Book", S::Boolean);
    a("MailPreferenceOption", S::Integer);
    a("Target-Address", S::String, true, 1024);
    a("member", S::DnValue, false);
    for (int i = 1; i <= 15; ++i) {
      const QByteArray name = "Extension-Attribute-" + QByteArray::number(i);
      a(name.constData(), S::String, true, 1024);
    }
    QList<adsi::ClassDef> classes;
    auto c = [&classes](const char* name, const char* rdn, QStringList superiors) {
      adsi::ClassDef d;
      d.name = QString::fromLatin1(name);
      d.chain = {QStringLiteral("top"), d.name};
      d.rdnType = QString::fromLatin1(rdn);
      d.possibleSuperiors = std::move(superiors);
      d.category = d.name;
      classes.append(d);
    };
    c("organization", "O", {});
    c("organizationalUnit", "OU", {QStringLiteral("organization")});
    c("Container", "CN", {QStringLiteral("organizationalUnit"), QStringLiteral("Container")});
    c("organizationalPerson", "CN", {QStringLiteral("Container")});
    c("groupOfNames", "CN", {QStringLiteral("Container")});
    c("Remote-Address", "CN", {QStringLiteral("Container")});
    return std::make_shared<const adsi::SchemaCatalog>(std::move(attrs), std::move(classes));
  }();
  return schema;
}

std::shared_ptr<adsi::DirectoryBackend> exchange55Directory() {
  static const std::shared_ptr<adsi::DirectoryBackend> none = std::make_shared<NoServers>();
  return installed() ? installed() : none;
}

void setExchange55Directory(std::shared_ptr<adsi::DirectoryBackend> servers) {
  installed() = std::move(servers);
}

adsi::Status addListMember(adsi::AdsObject& list, const QString& memberPath) {
  auto path = adsi::AdsPath::parse(memberPath);
  if (!path) return path.error();
  if (path->provider != adsi::Provider::Ldap || path->kind != adsi::AdsPath::Kind::Object)
    return adsi::makeError(adsi::hr::BAD_PATHNAME,
                           QStringLiteral("\"%1\" is not the path of a directory object").arg(memberPath));
  if (adsi::Status s = list.PutEx(adsi::ADS_PROPERTY_APPEND, QStringLiteral("member"),
                                  {QVariant(path->dn.toString())});
      !s)
    return s;
  return list.SetInfo();
}

}  // namespace tavrel::exchange
