#pragma once
// The resource network with what the share, permission and rename procedures need: the domain
// names in the shared state, permission lists written into the database folder, a run over an
// open Log.txt, and readers of shares and DACLs.

#include "platform/resources/ResourceNetwork.h"

#include "platform/netapi/NetApi.h"
#include "platform/security/SecurityDescriptor.h"
#include "resources/ResourceRun.h"
#include "startup/LogFile.h"

#include <QStringList>

#include <memory>
#include <optional>

namespace tavrel::test {

// One record of a permission list.
struct PermRow {
  int16_t newSecurity;
  const char* account;
  const char* access;
};

class ShareNetwork : public ResourceNetwork {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes the records as Permissions.dat or SharePerm.dat of the database folder.
  void writeList(const QString& name, const QList<PermRow>& rows);
  void writeSharePerm(const QList<PermRow>& rows);
  void writePermissions(const QList<PermRow>& rows);

  // The run's log so far (closes nothing: the file is flushed line by line).
  QString logText() const;
  QStringList logLines() const;
  bool logHas(const QString& line) const { return logLines().contains(line); }

  security::Sid sidOf(const QString& account) const;
  std::optional<netapi::SHARE_INFO_502> shareInfo(const QString& server, const QString& name) const;
  // The DACL of a path (effective, as GetFileSecurity gives it).
  security::Acl daclOf(const QString& path) const;
  std::optional<security::Sid> ownerOf(const QString& path) const;

  std::unique_ptr<startup::LogFile> log;
  std::unique_ptr<resources::ResourceRun> run;
  QStringList screen;  // the on-screen lines, "COLOUR message"
};

}  // namespace tavrel::test
