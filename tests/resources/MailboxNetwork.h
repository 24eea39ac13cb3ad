#pragma once
// The resource network with an Exchange 5.5 server: EXCH55 of the organisation Example, site
// Head Office, its CN=Recipients container with the sub-container CN=Sales and the distribution
// list All Staff. EXAMPLE\exadmin (password "Secret1") administers it; the logged-on
// EXAMPLE\Administrator does not.

#include "platform/resources/ResourceNetwork.h"

#include "platform/adsi/Directory.h"
#include "platform/simnet/Exchange55.h"
#include "resources/Mailbox.h"

namespace tavrel::test {

class MailboxNetwork : public ResourceNetwork {
 protected:
  void SetUp() override;
  void TearDown() override;

  QString logText() const;
  // The Exchange object at `dn` ("CN=jsmith,CN=Recipients,OU=Head Office,O=Example"), bound as
  // the Exchange administrator; null when it does not exist.
  adsi::AdsObject exchangeObject(const QString& dn);
  QVariant value(const QString& dn, const QString& attribute);
  // A form with the administrator's usual choices and the given mail rows.
  resources::MailboxForm form(std::vector<records::Mail_Attribute_Row> rows) const;

  static inline const QString kAdmin = QStringLiteral("EXAMPLE\\exadmin");
  static inline const QString kPassword = QStringLiteral("Secret1");
  static inline const QString kRecipients = QStringLiteral("CN=Recipients,OU=Head Office,O=Example");
  std::shared_ptr<simnet::SimExchange55> exch;
  QString exchangeServer = QStringLiteral("EXCH55");  // how exchangeObject reaches the server
};

}  // namespace tavrel::test
