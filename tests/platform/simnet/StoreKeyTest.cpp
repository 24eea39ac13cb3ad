// The key an object is found by: its names from the top down, each in lower case, whatever the
// letters and escapes of the names.

#include "platform/simnet/Store.h"

#include <gtest/gtest.h>

namespace tavrel::test {
namespace {

TEST(StoreKey, IsEachNameLoweredFromTheTopDown) {
  const char* const dns[] = {
      "CN=John Smith,OU=Staff,DC=example,DC=local",
      "CN=Ölçek İnce,OU=ÇALIŞAN,DC=Example,DC=LOCAL",
      "CN=ΣΊΣΥΦΟΣ,OU=Straße,DC=example,DC=local",
      "CN=Smith\\, John+UID=JS,OU=A\\+B,DC=example,DC=local",
      "CN=Ends In A Backslash\\\\,OU=Two\\\\\\,Commas\\,,DC=example,DC=local",
      "CN=\\#Hash\\, \\ Spaces\\ ,OU=Tab\\09Here,DC=example,DC=local",
      "CN=\\,,DC=local",
      "DC=local",
      "",
  };
  for (const char* text : dns) {
    SCOPED_TRACE(text);
    const auto dn = adsi::Dn::parse(QString::fromUtf8(text));
    ASSERT_TRUE(dn.ok());
    QStringList parts;
    for (auto it = dn->rdns().crbegin(); it != dn->rdns().crend(); ++it) parts.append(it->key());
    EXPECT_EQ(simnet::reversedKey(*dn), parts.join(QChar(1)));
    // A name read back from its stored text gives the same key.
    EXPECT_EQ(simnet::reversedKey(adsi::Dn::fromFormatted(dn->toString())), parts.join(QChar(1)));
    // So does one made name by name.
    adsi::Dn built;
    for (auto it = dn->rdns().crbegin(); it != dn->rdns().crend(); ++it) built = built.child(*it);
    EXPECT_EQ(simnet::reversedKey(built), parts.join(QChar(1)));
  }
}

}  // namespace
}  // namespace tavrel::test
