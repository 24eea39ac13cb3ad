#pragma once
// The file service of a server as the WinNT provider shows it: the container
// "WinNT://<server>/lanmanserver" and its share objects "WinNT://<server>/lanmanserver/<share>"
// with the properties Name and Path (IADsFileShare).

#include "platform/adsi/Result.h"
#include "platform/netapi/NetApi.h"

#include <QList>

namespace tavrel::netapi {

class FileShare {
 public:
  FileShare(QString server, SHARE_INFO_502 info) : server_(std::move(server)), info_(std::move(info)) {}
  QString Name() const { return info_.shi502_netname; }
  QString Path() const { return info_.shi502_path; }
  QString Description() const { return info_.shi502_remark; }
  qint32 MaxUserCount() const { return info_.shi502_max_uses; }
  QString Class() const { return QStringLiteral("FileShare"); }
  QString ADsPath() const;
  QString Parent() const;
  const SHARE_INFO_502& info() const { return info_; }

 private:
  QString server_;
  SHARE_INFO_502 info_;
};

class FileService {
 public:
  explicit FileService(QString server) : server_(std::move(server)) {}
  QString Name() const { return QStringLiteral("lanmanserver"); }
  QString Class() const { return QStringLiteral("FileService"); }
  QString ADsPath() const;
  const QString& server() const { return server_; }

  adsi::Result<QList<FileShare>> Children();  // the shares, administrative ones left out
  // `className` "fileshare" (any case).
  adsi::Result<FileShare> GetObject(const QString& className, const QString& name);
  adsi::Status Delete(const QString& className, const QString& name);

 private:
  QString server_;
};

// Binds "WinNT://<server>/lanmanserver" (optionally ",FileService").
adsi::Result<FileService> bindFileService(const QString& path);
// Binds "WinNT://<server>/lanmanserver/<share>" (optionally ",FileShare").
adsi::Result<FileShare> bindFileShare(const QString& path);

// A NET_API_STATUS as the HRESULT the provider reports (0x8007 and the number).
quint32 hresultFromNetStatus(NET_API_STATUS status);

}  // namespace tavrel::netapi
