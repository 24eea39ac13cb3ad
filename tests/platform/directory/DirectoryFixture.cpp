#include "DirectoryFixture.h"

namespace tavrel::test {

using namespace adsi;

void DirectoryFixture::SetUp() {
  ASSERT_TRUE(tmp.isValid());
  simnet::NetworkBuilder b(tmp.path());
  b.forest("example.local", "EXAMPLE", false, "DC1")
      .ou("example.local", "OU=Sales")
      .ou("example.local", "OU=East,OU=Sales")
      .user("example.local", "jsmith",
            simnet::UserSpec()
                .in("OU=Sales")
                .named("John Smith")
                .withPassword("Secret1")
                .with("givenName", "John")
                .with("sn", "Smith")
                .with("displayName", "John Smith")
                .with("userPrincipalName", "jsmith@example.local"))
      .user("example.local", "mjones", simnet::UserSpec().withPassword("Secret2"))
      .group("example.local", "Sales Team", simnet::GroupSpec().in("OU=Sales"))
      .member("example.local", "Sales Team", "jsmith")
      .password("example.local", "Administrator", "AdminPw1")
      .childDomain("example.local", "branch.example.local", "BRANCH", true, "BDC1")
      .nt4Domain("OLDCORP", "OLDPDC")
      .user("OLDCORP", "jdoe", simnet::UserSpec().withPassword("Secret3").with("displayName", "Jane Doe"))
      .group("OLDCORP", "Accounts")
      .member("OLDCORP", "Accounts", "jdoe")
      .loggedOn("EXAMPLE", "Administrator");
  auto built = b.build();
  ASSERT_TRUE(built.ok()) << built.error().message.toStdString();
  net = *built;
  dir = std::make_unique<Directory>(net);
}

void DirectoryFixture::lockAccount(const QString& domain, const QString& account) {
  ASSERT_TRUE(net->lockAccount(domain, account).ok());
}
void DirectoryFixture::setPolicy(const QString& domain, int minLength, bool complexity) {
  ASSERT_TRUE(net->setPasswordPolicy(domain, {minLength, complexity}).ok());
}
void DirectoryFixture::refuseNextCommit() {
  net->refuseNextCommit();
}
void DirectoryFixture::setReachable(const QString& name, bool reachable) {
  ASSERT_TRUE(net->setReachable(name, reachable).ok());
}
void DirectoryFixture::setSizeLimit(int limit) {
  ASSERT_TRUE(net->setSizeLimit(limit).ok());
}

std::unique_ptr<Directory> DirectoryFixture::freshDirectory() {
  return std::make_unique<Directory>(net);
}
QString DirectoryFixture::loggedOnUser() {
  auto who = net->loggedOnUser();
  return who ? who->domain + u'\\' + who->user : QString();
}
quint32 DirectoryFixture::logOn(const QString& domain, const QString& user) {
  return net->setLoggedOnUser({domain, user}).code();
}

AdsObject DirectoryFixture::bind(const QString& path) {
  auto o = dir->GetObject(path);
  EXPECT_TRUE(o.ok()) << path.toStdString() << ": " << o.error().hex().toStdString() << " "
                      << o.error().message.toStdString();
  return o.ok() ? *o : AdsObject();
}

quint32 DirectoryFixture::bindCode(const QString& path) {
  return dir->GetObject(path).code();
}

}  // namespace tavrel::test
