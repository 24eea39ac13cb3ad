#pragma once
// The resource network with an account to move: jsmith in example.local, its old home and
// profile on FILESRV1 (D:), a site whose server is FILESRV2 and a template that puts the user's
// folders at E:\Home\<name> and E:\Prof\<name> with the shares <name>$ and <name>P$. FILESRV1
// also holds common shares (Users$ on D:\Users, Profiles on D:\Profiles), a share of the whole
// drive (DRoot on D:\) and other users' look-alike folders.

#include "platform/resources/ResourceNetwork.h"

#include "bulk/MoveUser.h"
#include "directory/DirectoryService.h"
#include "platform/adsi/Directory.h"
#include "platform/netapi/NetApi.h"
#include "platform/text/Cp1252.h"
#include "records/Records.h"
#include "state/SharedState.h"

#include <QDir>
#include <QFile>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) {
  *os << '"' << s.toStdString() << '"';
}

namespace tavrel::test {

class MoveHostStub : public bulk::MoveHost {
 public:
  bulk::MoveForm form;
  QStringList rows;      // colour + message
  QStringList statuses;  // Label3, in order
  int loads = 0, clears = 0;

  bulk::MoveForm load() override {
    ++loads;
    return form;
  }
  void status(const QString& text) override { statuses << text; }
  void logTab(const QString& colour, const QString& message) override { rows << colour + message; }
  void clear() override { ++clears; }
};

class MoveFixture : public ResourceNetwork {
 protected:
  static QString jsmithPath() {
    return QStringLiteral("LDAP://example.local/CN=jsmith,CN=Users,DC=example,DC=local");
  }

  void SetUp() override {
    ResourceNetwork::SetUp();
    if (HasFatalFailure()) return;
    state::SharedState& sh = state::shared();
    sh.Directory_Mode = 0;
    sh.Domain_Name = QStringLiteral("example.local");
    sh.NetBIOS_Domain = QStringLiteral("EXAMPLE");
    directory::setDirectory(std::make_shared<adsi::Directory>(net));
    // The common shares, the drive root share and other users' folders.
    for (const char* f : {"Users/jsmith2/x.txt", "Users/jsmith.old/y.txt", "Users/mjones/z.txt",
                          "Profiles/jsmith2/ntuser.dat", "Profiles/mjones/ntuser.dat", "Homes/mjones/m.txt",
                          "Profs/jsmith2/p.txt", "top.txt"})
      put('D', QString::fromLatin1(f), QByteArray("other: ") + f);
    addShare(QStringLiteral("FILESRV1"), QStringLiteral("Profiles"), QStringLiteral("D:\\Profiles"));
    addShare(QStringLiteral("FILESRV1"), QStringLiteral("DRoot"), QStringLiteral("D:\\"));
    mkdir(QStringLiteral("FILESRV2"), 'E', QStringLiteral("Home"));
    mkdir(QStringLiteral("FILESRV2"), 'E', QStringLiteral("Prof"));
    put('E', QStringLiteral("Home/jsmith2/h.txt"), "look-alike on the target");
    writeList(QStringLiteral("Permissions.dat"), {{-1, "%UserName%", "Full Control"}});
    host.form = template_();
  }
  void TearDown() override {
    directory::setDirectory(nullptr);
    ResourceNetwork::TearDown();
  }

  bulk::MoveForm template_() const {
    bulk::MoveForm f;
    f.dbpath = dir();
    f.server = QStringLiteral("FILESRV2");
    f.dataOption = 1;
    f.homeLocal = QStringLiteral("E:\\Home\\%UserName%");
    f.profileLocal = QStringLiteral("E:\\Prof\\%UserName%");
    f.homeUnc = QStringLiteral("\\\\%Server%\\%UserName%$");
    f.profileUnc = QStringLiteral("\\\\%Server%\\%UserName%P$");
    f.homeShareName = QStringLiteral("%UserName%$");
    f.profileShareName = QStringLiteral("%UserName%P$");
    f.homeDrive = QStringLiteral("H:");
    return f;
  }

  void mkdir(const QString& server, char drive, const QString& below) {
    ASSERT_TRUE(QDir().mkpath(drivePath(server, QChar::fromLatin1(drive), below)));
  }
  // A file on FILESRV1 (D) or FILESRV2 (E).
  void put(char drive, const QString& below, const QByteArray& bytes) {
    const QString server = drive == 'E' ? QStringLiteral("FILESRV2") : QStringLiteral("FILESRV1");
    const QString p = drivePath(server, QChar::fromLatin1(drive), below);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(p).path()));
    ASSERT_TRUE(writeAll(p, bytes));
  }
  void writeList(const QString& name, const QList<std::tuple<int16_t, const char*, const char*>>& rows) {
    QByteArray bytes;
    for (const auto& [security, account, access] : rows) {
      records::Permission_Record r;
      r.NewSecurity = security;
      r.Account = QString::fromLatin1(account);
      r.Access = QString::fromLatin1(access);
      bytes += r.encode();
    }
    ASSERT_TRUE(writeAll(dir() + name, bytes));
  }
  // SharePerm.dat that makes Create_Share_502 give `result`: a list (1), an empty list (2), a
  // list none of whose entries can be used (3).
  void sharePermFor(int result) {
    QFile::remove(dir() + QStringLiteral("SharePerm.dat"));
    if (result == 1) writeList(QStringLiteral("SharePerm.dat"), {{0, "Everyone", "Full Control"}});
    if (result == 2) writeList(QStringLiteral("SharePerm.dat"), {});
    if (result == 3) writeList(QStringLiteral("SharePerm.dat"), {{0, "Everyone", "Bogus"}});
  }

  // Every share of both servers: "SERVER\name=path".
  QStringList shareTable() const {
    QStringList out;
    for (const char* server : {"FILESRV1", "FILESRV2"}) {
      QList<netapi::SHARE_INFO_502> shares;
      netapi::NetShareEnum(QString::fromLatin1(server), shares);
      for (const auto& s : shares)
        out << QString::fromLatin1(server) + u'\\' + s.shi502_netname + u'=' + s.shi502_path;
    }
    out.sort(Qt::CaseInsensitive);
    return out;
  }

  QVariant attr(const QString& path, const QString& name) {
    adsi::Directory d(net);
    auto o = d.GetObject(path);
    if (!o) return QVariant();
    auto v = o->Get(name);
    return v ? *v : QVariant();
  }
  void setAttr(const QString& path, const QString& name, const QString& value) {
    adsi::Directory d(net);
    auto o = d.GetObject(path);
    ASSERT_TRUE(o.ok()) << path.toStdString();
    ASSERT_TRUE(o->Put(name, value).ok());
    ASSERT_TRUE(o->SetInfo().ok());
  }

  QStringList logLines() const {
    QStringList l =
        text::fromCp1252(readAll(dir() + QStringLiteral("Log.txt"))).split(QStringLiteral("\r\n"));
    if (!l.isEmpty() && l.last().isEmpty()) l.removeLast();
    return l;
  }

  MoveHostStub host;
};

}  // namespace tavrel::test
