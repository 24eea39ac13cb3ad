#include "directory/AdoQuery.h"

#include "directory/DirectoryService.h"

namespace tavrel::directory {

adsi::Result<adsi::AdoRecordset> runAdoSearch(const QString& commandText) {
  auto dir = requireDirectory();
  if (!dir) return dir.error();
  adsi::AdoConnection connection(**dir);
  connection.ConnectionTimeout = 30;
  connection.Provider = QStringLiteral("ADsDSOObject");
  if (adsi::Status s = connection.Open(QStringLiteral("Active Directory Provider"), QString(), QString(), -1);
      !s)
    return s.error();
  adsi::AdoCommand command;
  command.CommandTimeout = 30;
  command.ActiveConnection = &connection;
  command.CommandText = commandText;
  auto records = command.Execute();
  connection.Close();
  return records;
}

}  // namespace tavrel::directory
