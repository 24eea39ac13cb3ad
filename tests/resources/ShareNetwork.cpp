#include "ShareNetwork.h"

#include "platform/security/AccountLookup.h"
#include "platform/security/FileSecurity.h"
#include "records/Records.h"
#include "state/SharedState.h"

namespace tavrel::test {

void ShareNetwork::SetUp() {
  ResourceNetwork::SetUp();
  if (HasFatalFailure()) return;
  state::shared().Domain_Name = QStringLiteral("example.local");
  state::shared().NetBIOS_Domain = QStringLiteral("EXAMPLE");
  log = std::make_unique<startup::LogFile>(dir());
  run = std::make_unique<resources::ResourceRun>(*log, dir());
  run->LOG_TAB = [this](const QString& colour, const QString& message) { screen.append(colour + u' ' + message); };
}

void ShareNetwork::TearDown() {
  run.reset();
  log.reset();
  ResourceNetwork::TearDown();
}

void ShareNetwork::writeList(const QString& name, const QList<PermRow>& rows) {
  QByteArray bytes;
  for (const PermRow& r : rows) {
    records::Permission_Record rec;
    rec.NewSecurity = r.newSecurity;
    rec.Account = QString::fromLatin1(r.account);
    rec.Access = QString::fromLatin1(r.access);
    bytes += rec.encode();
  }
  ASSERT_TRUE(writeAll(dir() + name, bytes));
}

void ShareNetwork::writeSharePerm(const QList<PermRow>& rows) {
  writeList(QStringLiteral("SharePerm.dat"), rows);
}

void ShareNetwork::writePermissions(const QList<PermRow>& rows) {
  writeList(QStringLiteral("Permissions.dat"), rows);
}

QString ShareNetwork::logText() const {
  return QString::fromLatin1(readAll(dir() + QStringLiteral("Log.txt")));
}

QStringList ShareNetwork::logLines() const {
  return logText().split(QStringLiteral("\r\n"));
}

security::Sid ShareNetwork::sidOf(const QString& account) const {
  auto found = security::LookupAccountName(QString(), account);
  EXPECT_TRUE(found) << account.toStdString();
  return found ? found->sid : security::Sid();
}

std::optional<netapi::SHARE_INFO_502> ShareNetwork::shareInfo(const QString& server, const QString& name) const {
  netapi::SHARE_INFO_502 info;
  if (netapi::NetShareGetInfo(server, name, info) != netapi::NERR_Success) return std::nullopt;
  return info;
}

security::Acl ShareNetwork::daclOf(const QString& path) const {
  auto sd = security::GetFileSecurity(path, security::info::DACL);
  EXPECT_TRUE(sd) << path.toStdString();
  return sd && sd->dacl ? *sd->dacl : security::Acl();
}

std::optional<security::Sid> ShareNetwork::ownerOf(const QString& path) const {
  auto sd = security::GetFileSecurity(path, security::info::OWNER);
  return sd ? sd->owner : std::nullopt;
}

}  // namespace tavrel::test
