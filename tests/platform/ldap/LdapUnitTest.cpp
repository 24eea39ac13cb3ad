// The LDAP back end's parts that need no server: the error table, the reading of AD's
// diagnostics, the DACL rewrite behind "cannot change password", the locator and the
// configuration file.

#include "platform/ldap/DcSchema.h"
#include "platform/ldap/LdapBackend.h"
#include "platform/ldap/LdapConfig.h"
#include "platform/ldap/Locator.h"
#include "platform/ldap/SecurityDescriptor.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

namespace tavrel::test {
namespace {

using namespace adsi;
namespace tl = tavrel::ldap;

TEST(LdapErrors, ResultCodesAndExtendedErrorsMapToTheLoggedHresults) {
  struct Case {
    int rc;
    const char* diagnostic;
    quint32 code;
  };
  const Case cases[] = {
      {16, "0000200A: samldb: attribute 'frob' was not found in the schema!", hr::NO_ATTRIBUTE_OR_VALUE},
      {17, "", hr::ATTRIBUTE_TYPE_UNDEFINED},
      {19, "0000052D: Constraint violation - check_password_restrictions: the password is too short",
       hr::PASSWORD_POLICY},
      {19, "0000202F: samldb: sAMAccountName contains invalid characters", hr::CONSTRAINT_VIOLATION},
      // A Windows DC's texts: the "data" value after the leading code is not the error.
      {19,
       "0000052D: AtrErr: DSID-03190F80, #1:\n\t0: 0000052D: DSID-03190F80, problem 1005 "
       "(CONSTRAINT_ATT_TYPE), "
       "data 0, Att 9005a (unicodePwd)\n",
       hr::PASSWORD_POLICY},
      {19,
       "00000056: AtrErr: DSID-03190F80, #1:\n\t0: 00000056: DSID-03190F80, problem 1005 "
       "(CONSTRAINT_ATT_TYPE), "
       "data 0, Att 9005a (unicodePwd)\n",
       hr::CONSTRAINT_VIOLATION},
      {19,
       "0000202F: AtrErr: DSID-03152D2C, #1:\n\t0: 0000202F: DSID-03152D2C, problem 1005 "
       "(CONSTRAINT_ATT_TYPE), "
       "data 52d, Att 90022 (countryCode)\n",
       hr::CONSTRAINT_VIOLATION},
      {20, "0000200D: SINGLE-VALUE attribute description on CN=x specified more than once",
       hr::ATTRIBUTE_OR_VALUE_EXISTS},
      {21, "0000200B: objectclass_attrs: attribute 'initials' on entry 'CN=x' contains an invalid value!",
       hr::INVALID_ATTRIBUTE_SYNTAX},
      {32, "0000208D: NameErr: DSID-03100213, problem 2001 (NO_OBJECT)", hr::NO_SUCH_OBJECT},
      {34, "", hr::INVALID_DN_SYNTAX},
      {49, "80090308: LdapErr: DSID-0C0903A9, comment: AcceptSecurityContext error, data 773, v1db1",
       hr::LOGON_FAILURE},
      {50, "", hr::ACCESS_DENIED},
      {53, "00002035: The primary group isn't settable on add operations!", hr::UNWILLING_TO_PERFORM},
      {64, "", hr::NAMING_VIOLATION},
      {65, "00002014: objectclass: not permitted to change the structural objectClass",
       hr::OBJ_CLASS_VIOLATION},
      {66, "00002015: Cannot delete a non-leaf", hr::NOT_ON_NON_LEAF},
      {67, "00002016: Modify of the RDN 'cn' is not permitted", hr::CANT_ON_RDN},
      {68, "00002071: samldb: samAccountName 'JSMITH' already in use!", hr::ALREADY_EXISTS},
      {68, "Entry CN=x,DC=example,DC=local already exists", hr::ALREADY_EXISTS},
      {80, "00000057: setup_last_set_field: pwdLastSet must be 0 or -1 only!", hr::DS_GENERIC},
      {1, "00002020: Operation unavailable without authentication", hr::OPERATIONS_ERROR},
      {8, "BindSimple: Transport encryption required.", hr::STRONG_AUTH_REQUIRED},
      {13, "", hr::CONFIDENTIALITY_REQUIRED},
      {-1, "", hr::SERVER_DOWN},   // server down
      {-11, "", hr::SERVER_DOWN},  // connect error
      {-5, "", hr::TIMEOUT},
      {-7, "", hr::FILTER_UNKNOWN},
      {-6, "", hr::AUTH_UNKNOWN},
      {-10, "", hr::OUTOFMEMORY},
      {9999, "", hr::E_FAIL},
  };
  for (const Case& c : cases) {
    const Error e = tl::errorFromLdap(c.rc, QString::fromLatin1(c.diagnostic), QStringLiteral("doing it"));
    EXPECT_EQ(e.code, c.code) << c.rc << " " << c.diagnostic << " gave " << e.hex().toStdString();
    EXPECT_EQ(e.ldapCode, c.rc);
    EXPECT_TRUE(e.message.startsWith(QLatin1String("doing it: "))) << e.message.toStdString();
  }
}

TEST(LdapErrors, ExtendedErrorIsTheLeadingCodeOrABindsDataCode) {
  using Op = tl::LdapOperation;
  struct Case {
    const char* diagnostic;
    Op operation;
    quint32 extended;
  };
  const Case cases[] = {
      // Samba's texts: the leading code alone.
      {"0000052D: Constraint violation", Op::Other, 0x52D},
      {"0000052D: Constraint violation - check_password_restrictions: the password is too short", Op::Other,
       0x52D},
      // A Windows DC's attribute errors name "data 0" (or another value) after the leading code.
      {"0000052D: AtrErr: DSID-03190F80, #1:\n\t0: 0000052D: DSID-03190F80, problem 1005 "
       "(CONSTRAINT_ATT_TYPE), "
       "data 0, Att 9005a (unicodePwd)\n",
       Op::Other, 0x52D},
      {"00002082: AtrErr: DSID-03152D2C, #1:\n\t0: 00002082: DSID-03152D2C, problem 1005 "
       "(CONSTRAINT_ATT_TYPE), "
       "data 52d, Att 90022 (countryCode)\n",
       Op::Other, 0x2082},
      {"00000005: SecErr: DSID-03152857, problem 4003 (INSUFF_ACCESS_RIGHTS), data 0\n", Op::Other, 0x5},
      {"0000208D: NameErr: DSID-03100241, problem 2001 (NO_OBJECT), data 0, best match "
       "of:\n\t'DC=example,DC=local'\n",
       Op::Other, 0x208D},
      // A bind's "data" is why the logon failed; the leading code is the security package's.
      {"80090308: LdapErr: DSID-0C09030B, comment: AcceptSecurityContext error, data 775, v893", Op::Bind,
       0x775},
      {"80090308: LdapErr: DSID-0C09044E, comment: AcceptSecurityContext error, data 52e, v4563", Op::Bind,
       0x52E},
      {"80090308: LdapErr: DSID-0C09044E, comment: AcceptSecurityContext error, data 52e, v4563", Op::Other,
       0x80090308},
      {"80090308: LdapErr: DSID-0C0903A9, comment: no data value", Op::Bind, 0x80090308},
      // No code at all.
      {"Entry already exists", Op::Other, 0},
      {"Entry already exists", Op::Bind, 0},
      {"0000052: too short to be a code", Op::Other, 0},
      {"", Op::Bind, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(tl::extendedError(QString::fromLatin1(c.diagnostic), c.operation), c.extended)
        << c.diagnostic << (c.operation == Op::Bind ? " (bind)" : "");
  // Without text the library's own wording is the message.
  EXPECT_FALSE(tl::errorFromLdap(-1, QString(), QStringLiteral("x")).message.endsWith(QLatin1String(": ")));
}

// A self-relative descriptor: revision 1, DACL present, the ACEs given.
QByteArray descriptor(const QList<QByteArray>& aces, quint16 control = 0x8004) {
  QByteArray acl(8, '\0');
  acl[0] = 4;
  for (const QByteArray& a : aces) acl += a;
  qToLittleEndian<quint16>(static_cast<quint16>(acl.size()), acl.data() + 2);
  qToLittleEndian<quint16>(static_cast<quint16>(aces.size()), acl.data() + 4);
  QByteArray sd(20, '\0');
  sd[0] = 1;
  qToLittleEndian<quint16>(control, sd.data() + 2);
  qToLittleEndian<quint32>(20, sd.data() + 16);
  return sd + acl;
}

QByteArray sid(const char* hex) {
  return QByteArray::fromHex(hex);
}

// An ACE of `type` with `flags`, mask, and for object ACEs the change-password GUID.
QByteArray ace(quint8 type, quint8 flags, const QByteArray& who, bool object) {
  QByteArray body(4, '\0');
  qToLittleEndian<quint32>(0x100, body.data());
  if (object) {
    QByteArray f(4, '\0');
    qToLittleEndian<quint32>(1, f.data());
    body += f + QByteArray::fromHex("531a72ab2f1ed011981900aa0040529b");
  }
  body += who;
  QByteArray head(4, '\0');
  head[0] = static_cast<char>(type);
  head[1] = static_cast<char>(flags);
  qToLittleEndian<quint16>(static_cast<quint16>(4 + body.size()), head.data() + 2);
  return head + body;
}

const QByteArray kEveryone = sid("010100000000000100000000");
const QByteArray kSelf = sid("01010000000000050a000000");
const QByteArray kAdmins = sid("01020000000000052000000020020000");

TEST(CannotChangePassword, DenyAcesAreAddedFirstAndRemovedKeepingTheRest) {
  const QByteArray allowAdmins = ace(0x00, 0x02, kAdmins, false);
  const QByteArray allowSelfObject = ace(0x05, 0x00, kSelf, true);
  const QByteArray sd = descriptor({allowAdmins, allowSelfObject}, 0x9404);
  EXPECT_EQ(tl::deniesPasswordChange(sd), false);

  auto denied = tl::withPasswordChangeDenied(sd, true);
  ASSERT_TRUE(denied);
  EXPECT_EQ(tl::deniesPasswordChange(*denied), true);
  // Protected/auto-inherited flags survive; only the DACL is written.
  EXPECT_EQ(qFromLittleEndian<quint16>(denied->constData() + 2), 0x9404);
  EXPECT_EQ(qFromLittleEndian<quint32>(denied->constData() + 4), 0u);
  // The denies come first, the other ACEs follow unchanged.
  EXPECT_EQ(denied->mid(28, 4).at(0), char(0x06));
  EXPECT_TRUE(denied->endsWith(allowAdmins + allowSelfObject));

  // Adding twice does not duplicate; removing restores the original ACE list.
  auto twice = tl::withPasswordChangeDenied(*denied, true);
  ASSERT_TRUE(twice);
  EXPECT_EQ(*twice, *denied);
  auto cleared = tl::withPasswordChangeDenied(*denied, false);
  ASSERT_TRUE(cleared);
  EXPECT_EQ(tl::deniesPasswordChange(*cleared), false);
  EXPECT_EQ(cleared->mid(20), sd.mid(20));
}

TEST(CannotChangePassword, InheritedOrOtherDeniesDoNotCountAndAreKept) {
  const QByteArray inherited = ace(0x06, 0x10, kEveryone, true);  // inherited from the OU
  const QByteArray otherSid = ace(0x06, 0x00, kAdmins, true);
  const QByteArray sd = descriptor({inherited, otherSid});
  EXPECT_EQ(tl::deniesPasswordChange(sd), false);
  auto cleared = tl::withPasswordChangeDenied(sd, false);
  ASSERT_TRUE(cleared);
  EXPECT_TRUE(cleared->endsWith(inherited + otherSid));
  // Either explicit deny is enough for the flag.
  EXPECT_EQ(tl::deniesPasswordChange(descriptor({ace(0x06, 0, kSelf, true)})), true);
}

TEST(CannotChangePassword, DamagedDescriptorsAreRefusedNotRead) {
  const QByteArray good = descriptor({ace(0x06, 0, kEveryone, true)});
  QByteArray badOffset = good;
  qToLittleEndian<quint32>(0x7FFFFFF0, badOffset.data() + 16);
  QByteArray badCount = good;
  qToLittleEndian<quint16>(50, badCount.data() + 24);
  QByteArray badAceSize = good;
  qToLittleEndian<quint16>(2, badAceSize.data() + 30);
  for (const QByteArray& sd : {QByteArray(), QByteArray("\x02", 1) + good.mid(1), good.left(30), badOffset, badCount,
                               badAceSize}) {
    EXPECT_FALSE(tl::deniesPasswordChange(sd).has_value()) << sd.toHex().toStdString();
    EXPECT_FALSE(tl::withPasswordChangeDenied(sd, true).has_value());
  }
  // No DACL at all: nothing is denied, and a DACL is made.
  QByteArray noDacl(20, '\0');
  noDacl[0] = 1;
  EXPECT_EQ(tl::deniesPasswordChange(noDacl), false);
  auto made = tl::withPasswordChangeDenied(noDacl, true);
  ASSERT_TRUE(made);
  EXPECT_EQ(tl::deniesPasswordChange(*made), true);
}

TEST(Locator, HostMapPortsAndTransports) {
  tl::LdapConfig c;
  c.hosts.insert("example.local", "10.0.0.5");
  c.hosts.insert("branch", "dc7.branch.example.local:3890");
  struct Case {
    tl::Transport transport;
    const char* name;
    bool gc;
    const char* url;
  };
  const Case cases[] = {
      {tl::Transport::Ldaps, "example.local", false, "ldaps://10.0.0.5:636"},
      {tl::Transport::Ldaps, "EXAMPLE.local", true, "ldaps://10.0.0.5:3269"},
      {tl::Transport::StartTls, "example.local", false, "ldap://10.0.0.5:389"},
      {tl::Transport::StartTls, "example.local", true, "ldap://10.0.0.5:3268"},
      {tl::Transport::Ldaps, "branch", false, "ldap://dc7.branch.example.local:3890"},
      {tl::Transport::Ldaps, "branch", true, "ldaps://dc7.branch.example.local:3269"},
      {tl::Transport::Ldaps, "dc2:389", false, "ldap://dc2:389"},
      {tl::Transport::StartTls, "dc2:636", false, "ldaps://dc2:636"},
      {tl::Transport::Ldaps, "192.0.2.7", false, "ldaps://192.0.2.7:636"},
      {tl::Transport::Ldaps, "[::1]:636", false, "ldaps://[::1]:636"},
  };
  for (const Case& k : cases) {
    c.transport = k.transport;
    auto u = tl::locateServer(c, k.name, k.gc);
    ASSERT_TRUE(u.ok()) << k.name;
    EXPECT_EQ(*u, QString::fromLatin1(k.url)) << k.name;
  }
  EXPECT_EQ(tl::plainUrl("ldaps://dc1:636"), "ldap://dc1:389");
  EXPECT_EQ(tl::plainUrl("ldaps://dc1:3269"), "ldap://dc1:3268");
  EXPECT_EQ(tl::plainUrl("ldap://dc1:389"), "ldap://dc1:389");
}

TEST(Locator, NamesThatAreNotHostsAreRefusedBeforeReachingTheLibrary) {
  tl::LdapConfig c;
  for (const char* name : {"evil/host", "a b", "ldap://x", "x?y", "dc1:", "dc1:99999", "dc1:0", "-dash", "a..b",
                           "x\ny", "[::1", "%41"}) {
    auto u = tl::locateServer(c, QString::fromLatin1(name), false);
    EXPECT_EQ(u.code(), hr::BAD_NETPATH) << name;
  }
  c.hosts.insert("bad", "two words");
  EXPECT_EQ(tl::locateServer(c, "bad", false).code(), hr::BAD_NETPATH);
  EXPECT_FALSE(tl::validHostName(QString(300, u'a')));
}

TEST(LdapConfigFile, ReadsEverySettingAndRefusesWhatIsWrong) {
  QTemporaryDir tmp;
  const QString ca = tmp.filePath("ca.pem");
  QFile(ca).open(QIODevice::WriteOnly);
  auto write = [&](const QString& text) {
    const QString f = tmp.filePath("d.conf");
    QFile out(f);
    out.open(QIODevice::WriteOnly | QIODevice::Truncate);
    out.write(text.toUtf8());
    return f;
  };
  auto good = tl::LdapConfig::load(write(QStringLiteral(
      "[directory]\nbackend=ldap\ndomain=example.local\nbind=simple\nuser=EXAMPLE\\\\admin\npassword=pw\n"
      "transport=starttls\nca_file=%1\ntimeout=7\n[hosts]\nExample.Local=dc1.example.local\n")
                                                      .arg(ca)));
  ASSERT_TRUE(good.ok()) << good.error().message.toStdString();
  EXPECT_EQ(good->domain, "example.local");
  EXPECT_EQ(good->bind, tl::BindMethod::Simple);
  EXPECT_EQ(good->user, "EXAMPLE\\admin");
  EXPECT_EQ(good->transport, tl::Transport::StartTls);
  EXPECT_EQ(good->caFile, ca);
  EXPECT_EQ(good->timeoutSeconds, 7);
  EXPECT_EQ(good->hosts.value("example.local"), "dc1.example.local");
  EXPECT_TRUE(tl::wantsLdap(tmp.filePath("d.conf")));

  auto defaults = tl::LdapConfig::load(write("[directory]\ndomain=example.local\n"));
  ASSERT_TRUE(defaults.ok());
  EXPECT_EQ(defaults->bind, tl::BindMethod::Gssapi);
  EXPECT_EQ(defaults->transport, tl::Transport::Ldaps);
  EXPECT_FALSE(tl::wantsLdap(tmp.filePath("d.conf")));

  for (const char* text : {"[directory]\n", "[directory]\ndomain=x\nbind=ntlm\n",
                           "[directory]\ndomain=x\nbind=simple\nuser=a\n", "[directory]\ndomain=x\ntransport=plain\n",
                           "[directory]\ndomain=x\nca_file=/nonexistent/ca.pem\n", "[directory]\ndomain=x\ntimeout=0\n",
                           "[directory]\ndomain=x\ntimeout=soon\n", "[directory]\ndomain=x\n[hosts]\nx=\n",
                           // A single backslash would be read as an escape and vanish.
                           "[directory]\ndomain=x\nbind=simple\nuser=CORP\\admin\npassword=p\n",
                           "[directory]\ndomain=x\nbind=simple\nuser=a@x\npassword=p\\w\\\\\n"}) {
    auto r = tl::LdapConfig::load(write(QString::fromLatin1(text)));
    EXPECT_EQ(r.code(), hr::E_INVALIDARG) << text;
    if (!r.ok()) {
      EXPECT_TRUE(r.error().message.contains(tmp.filePath("d.conf")));
    }
  }
  EXPECT_EQ(tl::LdapConfig::load(tmp.filePath("missing.conf")).code(), hr::E_INVALIDARG);
}

TEST(DcSchemaSyntax, AttributeSyntaxesBecomeTheProgramsSyntaxes) {
  struct Case {
    const char* oid;
    int om;
    Syntax syntax;
  };
  const Case cases[] = {{"2.5.5.1", 127, Syntax::DnValue},      {"2.5.5.2", 6, Syntax::Oid},
                        {"2.5.5.8", 1, Syntax::Boolean},        {"2.5.5.9", 2, Syntax::Integer},
                        {"2.5.5.10", 4, Syntax::Octets},        {"2.5.5.11", 24, Syntax::Time},
                        {"2.5.5.12", 64, Syntax::String},       {"2.5.5.15", 66, Syntax::Octets},
                        {"2.5.5.16", 65, Syntax::LargeInteger}, {"2.5.5.17", 4, Syntax::Sid},
                        {"2.5.5.7", 127, Syntax::String},       {"9.9.9", 0, Syntax::String}};
  for (const Case& c : cases) EXPECT_EQ(tl::syntaxFromSchema(c.oid, c.om), c.syntax) << c.oid;
}

}  // namespace
}  // namespace tavrel::test
