// Security descriptors and error texts as a domain controller sends them. A descriptor either is
// refused or reads consistently: adding the "cannot change password" denies makes it deny, taking
// them away makes it not deny, both keep every other ACE, and a rewrite reads back the same. A
// diagnostic text always gives an error with the code of its LDAP result.

#include "FuzzSupport.h"
#include "platform/ldap/LdapBackend.h"
#include "platform/ldap/SecurityDescriptor.h"

using namespace tavrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray sd = fuzz::bytes(data, size);
  const auto denies = ldap::deniesPasswordChange(sd);
  const auto denied = ldap::withPasswordChangeDenied(sd, true);
  const auto allowed = ldap::withPasswordChangeDenied(sd, false);
  TAVREL_FUZZ_CHECK(denies.has_value() == denied.has_value(), QString::fromLatin1(sd.toHex()));
  TAVREL_FUZZ_CHECK(denies.has_value() == allowed.has_value(), QString::fromLatin1(sd.toHex()));
  if (denied) {
    TAVREL_FUZZ_CHECK(ldap::deniesPasswordChange(*denied) == true, QString::fromLatin1(sd.toHex()));
    TAVREL_FUZZ_CHECK(ldap::deniesPasswordChange(*allowed) == false, QString::fromLatin1(sd.toHex()));
    const auto back = ldap::withPasswordChangeDenied(*denied, false);
    TAVREL_FUZZ_CHECK(back && *back == *allowed, QString::fromLatin1(sd.toHex()));
    const auto again = ldap::withPasswordChangeDenied(*denied, true);
    TAVREL_FUZZ_CHECK(again && *again == *denied, QString::fromLatin1(sd.toHex()));
  }

  const QString text = fuzz::text(data, size);
  const adsi::Error e = ldap::errorFromLdap(19, text, QStringLiteral("x"));
  TAVREL_FUZZ_CHECK(e.ldapCode == 19, text);
  TAVREL_FUZZ_CHECK(e.code == adsi::hr::CONSTRAINT_VIOLATION || e.code == adsi::hr::PASSWORD_POLICY, text);
  return 0;
}
