#include "platform/ldap/LdapConfig.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>

namespace tavrel::ldap {

using adsi::hr::E_INVALIDARG;
using adsi::makeError;

namespace {

adsi::Error bad(const QString& file, const QString& what) {
  return makeError(E_INVALIDARG, QStringLiteral("%1: %2").arg(file, what));
}

}  // namespace

adsi::Result<LdapConfig> LdapConfig::load(const QString& file) {
  if (!QFileInfo(file).isReadable()) return bad(file, QStringLiteral("cannot be read"));
  QSettings ini(file, QSettings::IniFormat);
  if (ini.status() != QSettings::NoError) return bad(file, QStringLiteral("is not a valid INI file"));
  // An INI value reads "\a" as an escape, so "CORP\admin" would silently lose its backslash:
  // a single backslash in the user or password is refused rather than misread.
  {
    QFile raw(file);
    if (!raw.open(QIODevice::ReadOnly)) return bad(file, QStringLiteral("cannot be read"));
    static const QRegularExpression key(QStringLiteral("^\\s*(user|password)\\s*=(.*)$"),
                                        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression single(QStringLiteral("(^|[^\\\\])(\\\\\\\\)*\\\\([^\\\\]|$)"));
    for (const QByteArray& line : raw.readAll().split('\n')) {
      auto m = key.match(QString::fromUtf8(line).trimmed());
      if (m.hasMatch() && single.match(m.captured(2)).hasMatch())
        return bad(file, QStringLiteral("%1= holds a single backslash; write it twice (CORP\\\\admin)")
                             .arg(m.captured(1).toLower()));
    }
  }

  LdapConfig c;
  ini.beginGroup(QStringLiteral("directory"));
  c.domain = ini.value(QStringLiteral("domain")).toString().trimmed();
  const QString bind = ini.value(QStringLiteral("bind"), QStringLiteral("gssapi")).toString().trimmed().toLower();
  if (bind == QLatin1String("gssapi"))
    c.bind = BindMethod::Gssapi;
  else if (bind == QLatin1String("simple"))
    c.bind = BindMethod::Simple;
  else
    return bad(file, QStringLiteral("bind must be \"gssapi\" or \"simple\", not \"%1\"").arg(bind));
  c.user = ini.value(QStringLiteral("user")).toString().trimmed();
  c.password = ini.value(QStringLiteral("password")).toString();
  const QString transport =
      ini.value(QStringLiteral("transport"), QStringLiteral("ldaps")).toString().trimmed().toLower();
  if (transport == QLatin1String("ldaps"))
    c.transport = Transport::Ldaps;
  else if (transport == QLatin1String("starttls"))
    c.transport = Transport::StartTls;
  else
    return bad(file, QStringLiteral("transport must be \"ldaps\" or \"starttls\", not \"%1\"").arg(transport));
  c.caFile = ini.value(QStringLiteral("ca_file")).toString().trimmed();
  if (!c.caFile.isEmpty() && !QFileInfo(c.caFile).isReadable())
    return bad(file, QStringLiteral("the CA file %1 cannot be read").arg(c.caFile));
  bool ok = true;
  if (ini.contains(QStringLiteral("timeout"))) c.timeoutSeconds = ini.value(QStringLiteral("timeout")).toInt(&ok);
  if (!ok || c.timeoutSeconds < 1 || c.timeoutSeconds > 600)
    return bad(file, QStringLiteral("timeout must be a number of seconds from 1 to 600"));
  ini.endGroup();

  if (c.domain.isEmpty()) return bad(file, QStringLiteral("no domain is given ([directory] domain=)"));
  if (c.bind == BindMethod::Simple && (c.user.isEmpty() || c.password.isEmpty()))
    return bad(file, QStringLiteral("a simple bind needs user= and password="));

  ini.beginGroup(QStringLiteral("hosts"));
  for (const QString& key : ini.childKeys()) {
    const QString host = ini.value(key).toString().trimmed();
    if (host.isEmpty()) return bad(file, QStringLiteral("no host given for %1").arg(key));
    c.hosts.insert(key.trimmed().toLower(), host);
  }
  ini.endGroup();
  return c;
}

std::optional<QString> directoryConfigFile() {
  const QString env = qEnvironmentVariable("TAVREL_DIRECTORY_CONFIG");
  if (!env.isEmpty()) return env;
  const QString file = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                       QStringLiteral("/Morvane/Tavrel-directory.conf");
  if (QFileInfo::exists(file)) return file;
  return std::nullopt;
}

bool wantsLdap(const QString& file) {
  QSettings ini(file, QSettings::IniFormat);
  return ini.value(QStringLiteral("directory/backend")).toString().trimmed().compare(QLatin1String("ldap"),
                                                                                     Qt::CaseInsensitive) == 0;
}

}  // namespace tavrel::ldap
