#include "ResourceNetwork.h"

#include "platform/files/FileSystem.h"
#include "platform/netapi/FileService.h"
#include "platform/wts/Wts.h"

#include <QDir>

namespace tavrel::test {
namespace {

using namespace netapi;

class NetTest : public ResourceNetwork {};

TEST_F(NetTest, DomainControllerLocator) {
  struct Case {
    const char* server;
    const char* domain;
    NET_API_STATUS status;
    const char* dc;
  };
  const Case cases[] = {
      {"", "EXAMPLE", NERR_Success, "\\\\EXDC01"},
      {"", "example.local", NERR_Success, "\\\\EXDC01"},
      {"\\\\FILESRV1", "example", NERR_Success, "\\\\EXDC01"},
      {"", "BRANCH", NERR_Success, "\\\\BRDC01"},
      {"", "OLDCORP", NERR_Success, "\\\\OLDPDC"},
      {"", "NOWHERE", NERR_DCNotFound, ""},
      {"", "FILESRV1", NERR_DCNotFound, ""},  // a server's name is no domain
      {"", "", NERR_DCNotFound, ""},
      {"NOSUCH", "EXAMPLE", ERROR_BAD_NETPATH, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.server) + " / " + c.domain);
    QString dc = QStringLiteral("junk");
    EXPECT_EQ(NetGetDCName(QString::fromLatin1(c.server), QString::fromLatin1(c.domain), dc), c.status);
    EXPECT_EQ(dc, QString::fromLatin1(c.dc));
  }
  // The primary controller down: no controller (the locator names the primary only).
  ASSERT_TRUE(net->setReachable(QStringLiteral("EXDC01"), false));
  QString dc;
  EXPECT_EQ(NetGetDCName(QString(), QStringLiteral("EXAMPLE"), dc), NERR_DCNotFound);
  ASSERT_TRUE(net->setReachable(QStringLiteral("OLDCORP"), false));
  EXPECT_EQ(NetGetDCName(QString(), QStringLiteral("OLDCORP"), dc), NERR_DCNotFound);
}

SHARE_INFO_502 shareOf(const QString& name, const QString& path) {
  SHARE_INFO_502 i;
  i.shi502_netname = name;
  i.shi502_remark = QStringLiteral("Users Home Share");
  i.shi502_permissions = 1;
  i.shi502_path = path;
  security::SecurityDescriptor sd;
  security::Acl acl;
  acl.add(security::Ace::allow(security::wellknown::everyone(), security::access::GENERIC_READ |
                                                                    security::access::GENERIC_EXECUTE));
  acl.add(security::Ace::allow(security::wellknown::builtinAdministrators(), security::access::GENERIC_ALL));
  acl.add(security::Ace::allow(security::wellknown::localSystem(), security::access::GENERIC_ALL));
  sd.dacl = acl;
  i.shi502_security_descriptor = sd;
  return i;
}

TEST_F(NetTest, SharesThroughTheLanmanserverView) {
  QDir().mkpath(drivePath("FILESRV1", 'D', "Users/jsmith"));
  const SHARE_INFO_502 info = shareOf(QStringLiteral("jsmith$"), QStringLiteral("D:\\Users\\jsmith"));
  ASSERT_EQ(NetShareAdd(QStringLiteral("\\\\FILESRV1"), 502, info), NERR_Success);
  // The share table is where \\SERVER\share leads.
  EXPECT_TRUE(files::exists(QStringLiteral("\\\\FILESRV1\\JSMITH$")));
  auto loc = files::resolve(QStringLiteral("\\\\FILESRV1\\jsmith$\\x"));
  ASSERT_TRUE(loc);
  EXPECT_EQ(loc->components, (QStringList{"Users", "jsmith", "x"}));

  auto share = bindFileShare(QStringLiteral("WinNT://FILESRV1/lanmanserver/jsmith$"));
  ASSERT_TRUE(share) << share.error().message.toStdString();
  EXPECT_EQ(share->Name(), "jsmith$");
  EXPECT_EQ(share->Path(), "D:\\Users\\jsmith");
  EXPECT_EQ(share->Description(), "Users Home Share");
  EXPECT_EQ(share->ADsPath(), "WinNT://FILESRV1/lanmanserver/jsmith$");
  EXPECT_EQ(share->info().shi502_security_descriptor, info.shi502_security_descriptor);

  auto service = bindFileService(QStringLiteral("WinNT://FILESRV1/lanmanserver"));
  ASSERT_TRUE(service);
  auto children = service->Children();
  ASSERT_TRUE(children);
  QStringList names;
  for (const FileShare& s : *children) names.append(s.Name());
  EXPECT_EQ(names, (QStringList{"jsmith$", "Users$"}));  // administrative shares left out

  QList<SHARE_INFO_502> all;
  ASSERT_EQ(NetShareEnum(QStringLiteral("FILESRV1"), all), NERR_Success);
  ASSERT_EQ(all.size(), 4);
  EXPECT_EQ(all[0].shi502_netname, "C$");
  EXPECT_TRUE(all[0].shi502_type & STYPE_SPECIAL);

  ASSERT_TRUE(service->Delete(QStringLiteral("fileshare"), QStringLiteral("JSMITH$")));
  EXPECT_FALSE(bindFileShare(QStringLiteral("WinNT://FILESRV1/lanmanserver/jsmith$")));
  EXPECT_EQ(service->Delete(QStringLiteral("fileshare"), QStringLiteral("jsmith$")).code(),
            hresultFromNetStatus(NERR_NetNameNotFound));
  EXPECT_FALSE(files::exists(QStringLiteral("\\\\FILESRV1\\jsmith$")));
  EXPECT_TRUE(QDir(drivePath("FILESRV1", 'D', "Users/jsmith")).exists());  // the folder stays
}

TEST_F(NetTest, ShareAddFailures) {
  QDir().mkpath(drivePath("FILESRV1", 'D', "Users/jsmith"));
  struct Case {
    const char* server;
    SHARE_INFO_502 info;
    quint32 level;
    NET_API_STATUS status;
  };
  SHARE_INFO_502 badName = shareOf(QStringLiteral("a/b"), QStringLiteral("D:\\Users\\jsmith"));
  const Case cases[] = {
      {"FILESRV1", shareOf(QStringLiteral("Users$"), QStringLiteral("D:\\Users\\jsmith")), 502, NERR_DuplicateShare},
      {"FILESRV1", shareOf(QStringLiteral("users$"), QStringLiteral("D:\\Users\\jsmith")), 502, NERR_DuplicateShare},
      {"FILESRV1", shareOf(QStringLiteral("D$"), QStringLiteral("D:\\Users\\jsmith")), 502, NERR_DuplicateShare},
      {"FILESRV1", shareOf(QStringLiteral("home$"), QStringLiteral("D:\\Users\\nobody")), 502, NERR_UnknownDevDir},
      {"FILESRV1", shareOf(QStringLiteral("home$"), QStringLiteral("Q:\\Users")), 502, NERR_UnknownDevDir},
      {"FILESRV1", shareOf(QStringLiteral("home$"), QString()), 502, ERROR_INVALID_PARAMETER},
      {"FILESRV1", shareOf(QStringLiteral("home$"), QStringLiteral("D:\\..\\..")), 502, ERROR_INVALID_PARAMETER},
      {"FILESRV1", badName, 502, ERROR_INVALID_NAME},
      {"FILESRV1", shareOf(QStringLiteral("home$"), QStringLiteral("D:\\Users\\jsmith")), 2, ERROR_INVALID_LEVEL},
      {"NOSUCH", shareOf(QStringLiteral("home$"), QStringLiteral("D:\\Users\\jsmith")), 502, ERROR_BAD_NETPATH},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.info.shi502_netname.toStdString() + " " + c.info.shi502_path.toStdString());
    EXPECT_EQ(NetShareAdd(QString::fromLatin1(c.server), c.level, c.info), c.status);
  }
  // The existing share is unchanged by the refused duplicate.
  SHARE_INFO_502 kept;
  ASSERT_EQ(NetShareGetInfo(QStringLiteral("FILESRV1"), QStringLiteral("Users$"), kept), NERR_Success);
  EXPECT_EQ(kept.shi502_path, "D:\\Users");
  ASSERT_TRUE(net->refuseShareAdd(QStringLiteral("FILESRV1")));
  EXPECT_EQ(NetShareAdd(QStringLiteral("FILESRV1"), 502, shareOf(QStringLiteral("y$"), QStringLiteral("D:\\Users"))),
            ERROR_ACCESS_DENIED);
  ASSERT_TRUE(net->setReachable(QStringLiteral("FILESRV1"), false));
  EXPECT_FALSE(bindFileService(QStringLiteral("WinNT://FILESRV1/lanmanserver")));
}

TEST_F(NetTest, TerminalServicesValuesPerUser) {
  using namespace wts;
  EXPECT_EQ(WTSSetUserConfig(QStringLiteral("\\\\EXDC01"), QStringLiteral("jsmith"),
                             WTSUserConfigTerminalServerProfilePath, WtsValue::string(QStringLiteral("\\\\F\\p\\jsmith"))),
            0u);
  EXPECT_EQ(WTSSetUserConfig(QStringLiteral("EXDC02"), QStringLiteral("JSMITH"), WTSUserConfigTimeoutSettingsIdle,
                             WtsValue::dword(1800000)),
            0u);
  WtsValue v;
  ASSERT_EQ(WTSQueryUserConfig(QStringLiteral("EXDC01"), QStringLiteral("jsmith"),
                               WTSUserConfigTerminalServerProfilePath, v), 0u);
  EXPECT_EQ(v, WtsValue::string(QStringLiteral("\\\\F\\p\\jsmith")));
  ASSERT_EQ(WTSQueryUserConfig(QStringLiteral("EXDC01"), QStringLiteral("jsmith"), WTSUserConfigTimeoutSettingsIdle, v), 0u);
  EXPECT_EQ(v, WtsValue::dword(1800000));
  ASSERT_EQ(WTSQueryUserConfig(QStringLiteral("EXDC01"), QStringLiteral("mjones"), WTSUserConfigTimeoutSettingsIdle, v), 0u);
  EXPECT_EQ(v, WtsValue::dword(0));

  struct Case {
    const char* server;
    const char* user;
    quint32 cls;
    WtsValue value;
    quint32 error;
  };
  const Case cases[] = {
      {"EXDC01", "nobody", WTSUserConfigTimeoutSettingsIdle, WtsValue::dword(1), NERR_UserNotFound},
      {"EXDC01", "jdoe", WTSUserConfigTimeoutSettingsIdle, WtsValue::dword(1), NERR_UserNotFound},  // other domain
      {"FILESRV1", "jsmith", WTSUserConfigTimeoutSettingsIdle, WtsValue::dword(1), RPC_S_SERVER_UNAVAILABLE},
      {"EXDC01", "jsmith", WTSUserConfigTimeoutSettingsIdle, WtsValue::string(QStringLiteral("1")), wts::ERROR_INVALID_PARAMETER},
      {"EXDC01", "jsmith", WTSUserConfigInitialProgram, WtsValue::dword(1), wts::ERROR_INVALID_PARAMETER},
      {"EXDC01", "jsmith", 99, WtsValue::dword(1), wts::ERROR_INVALID_PARAMETER},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.server) + " " + c.user);
    EXPECT_EQ(WTSSetUserConfig(QString::fromLatin1(c.server), QString::fromLatin1(c.user), c.cls, c.value), c.error);
  }
  ASSERT_TRUE(net->refuseWtsWrite(QStringLiteral("EXDC01")));
  EXPECT_EQ(WTSSetUserConfig(QStringLiteral("EXDC01"), QStringLiteral("jsmith"), WTSUserConfigTimeoutSettingsIdle,
                             WtsValue::dword(5)),
            wts::ERROR_ACCESS_DENIED);
  ASSERT_TRUE(net->setReachable(QStringLiteral("EXDC01"), false));
  EXPECT_EQ(WTSSetUserConfig(QStringLiteral("EXDC01"), QStringLiteral("jsmith"), WTSUserConfigTimeoutSettingsIdle,
                             WtsValue::dword(5)),
            RPC_S_SERVER_UNAVAILABLE);
}

// A user's values written together: every one of them, or none when one is refused, wherever the
// refusal comes from (the parameters, the account, the server or the store).
TEST_F(NetTest, TerminalServicesValuesWrittenTogetherAllOrNone) {
  using namespace wts;
  const QString dc = QStringLiteral("\\\\EXDC01");
  const QString jsmith = QStringLiteral("jsmith");
  auto valueOf = [&](quint32 cls) {
    WtsValue v;
    EXPECT_EQ(WTSQueryUserConfig(dc, jsmith, cls, v), 0u);
    return v;
  };
  const QList<WtsSetting> first = {{WTSUserConfigTerminalServerProfilePath, WtsValue::string(QStringLiteral("\\\\F\\p"))},
                                   {WTSUserConfigTimeoutSettingsIdle, WtsValue::dword(600000)},
                                   {WTSUserConfigfAllowLogonTerminalServer, WtsValue::dword(1)}};
  qsizetype failed = 99;
  ASSERT_EQ(WTSSetUserConfigs(dc, jsmith, first, &failed), 0u);
  EXPECT_EQ(failed, -1);
  EXPECT_EQ(valueOf(WTSUserConfigTerminalServerProfilePath), WtsValue::string(QStringLiteral("\\\\F\\p")));
  EXPECT_EQ(valueOf(WTSUserConfigTimeoutSettingsIdle), WtsValue::dword(600000));
  EXPECT_EQ(valueOf(WTSUserConfigfAllowLogonTerminalServer), WtsValue::dword(1));
  EXPECT_EQ(WTSSetUserConfigs(QStringLiteral("NOSUCH"), jsmith, {}, &failed), 0u);  // nothing to write, nothing asked

  // Each batch would change the three values; the one at `bad` is refused.
  auto batch = [](quint32 idle, const WtsValue& third) {
    return QList<WtsSetting>{{WTSUserConfigTerminalServerProfilePath, WtsValue::string(QStringLiteral("\\\\G\\q"))},
                             {WTSUserConfigTimeoutSettingsIdle, WtsValue::dword(idle)},
                             {WTSUserConfigfAllowLogonTerminalServer, third}};
  };
  struct Case {
    const char* what;
    const char* server;
    const char* user;
    QList<WtsSetting> settings;
    quint32 error;
    qsizetype failed;
  };
  const Case cases[] = {
      {"a value of the wrong kind", "EXDC01", "jsmith", batch(5, WtsValue::string(QStringLiteral("1"))),
       wts::ERROR_INVALID_PARAMETER, 2},
      {"an unknown class", "EXDC01", "jsmith",
       {{WTSUserConfigTimeoutSettingsIdle, WtsValue::dword(5)}, {99, WtsValue::dword(1)}}, wts::ERROR_INVALID_PARAMETER, 1},
      {"no account name", "EXDC01", " ", batch(5, WtsValue::dword(0)), wts::ERROR_INVALID_PARAMETER, 0},
      {"an unknown account", "EXDC01", "nobody", batch(5, WtsValue::dword(0)), NERR_UserNotFound, 0},
      {"no domain controller", "FILESRV1", "jsmith", batch(5, WtsValue::dword(0)), RPC_S_SERVER_UNAVAILABLE, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(WTSSetUserConfigs(QString::fromLatin1(c.server), QString::fromLatin1(c.user), c.settings, &failed), c.error);
    EXPECT_EQ(failed, c.failed);
  }
  ASSERT_TRUE(net->refuseWtsWrite(QStringLiteral("EXDC01")));
  EXPECT_EQ(WTSSetUserConfigs(dc, jsmith, batch(5, WtsValue::dword(0)), &failed), wts::ERROR_ACCESS_DENIED);
  EXPECT_EQ(failed, 0);
  ASSERT_TRUE(net->refuseWtsWrite(QStringLiteral("EXDC01"), false));

  // The store refuses the third value after the first two were written: those are rolled back.
  refuseStoredWtsClass(WTSUserConfigfAllowLogonTerminalServer);
  EXPECT_EQ(WTSSetUserConfigs(dc, jsmith, batch(5, WtsValue::dword(0)), &failed), wts::ERROR_ACCESS_DENIED);
  EXPECT_EQ(failed, 2);

  // Whatever was refused, the first batch's values are still there.
  EXPECT_EQ(valueOf(WTSUserConfigTerminalServerProfilePath), WtsValue::string(QStringLiteral("\\\\F\\p")));
  EXPECT_EQ(valueOf(WTSUserConfigTimeoutSettingsIdle), WtsValue::dword(600000));
  EXPECT_EQ(valueOf(WTSUserConfigfAllowLogonTerminalServer), WtsValue::dword(1));
}

}  // namespace
}  // namespace tavrel::test
