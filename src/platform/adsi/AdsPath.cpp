#include "platform/adsi/AdsPath.h"

namespace tavrel::adsi {
namespace {

Error badPath(const QString& text, const QString& why) {
  return makeError(hr::BAD_PATHNAME, QStringLiteral("invalid path \"%1\": %2").arg(text, why));
}

// Index of the first '/' not escaped by a backslash, or -1.
qsizetype firstUnescapedSlash(const QString& s) {
  for (qsizetype i = 0; i < s.size(); ++i) {
    if (s[i] == u'\\') {
      ++i;
      continue;
    }
    if (s[i] == u'/') return i;
  }
  return -1;
}

// "\/" becomes "/"; every other escape is left for the DN parser.
QString unescapeSlashes(const QString& s) {
  QString out;
  out.reserve(s.size());
  for (qsizetype i = 0; i < s.size(); ++i) {
    if (s[i] == u'\\' && i + 1 < s.size() && s[i + 1] == u'/') {
      out += u'/';
      ++i;
      continue;
    }
    if (s[i] == u'\\' && i + 1 < s.size()) {
      out += s[i];
      out += s[i + 1];
      ++i;
      continue;
    }
    out += s[i];
  }
  return out;
}

bool validServer(const QString& s) {
  if (s.isEmpty() || s.size() > 255) return false;
  for (const QChar c : s)
    if (!(c.isLetterOrNumber() || c == u'.' || c == u'-' || c == u'_' || c == u':')) return false;
  return true;
}

Result<AdsPath> parseLdapLike(const QString& text, Provider provider, const QString& rest) {
  AdsPath p;
  p.provider = provider;
  if (rest.isEmpty()) return badPath(text, QStringLiteral("nothing after the provider"));
  QString server;
  QString object;
  const qsizetype slash = firstUnescapedSlash(rest);
  // "LDAP:///CN=x": an empty server is no serverless path (and "LDAP:///Schema/x" would print as a
  // schema path).
  if (slash == 0) return badPath(text, QStringLiteral("empty server name"));
  const QString head = slash < 0 ? rest : rest.left(slash);
  if (head.contains(u'=')) {
    object = rest;  // serverless DN
  } else if (slash < 0) {
    server = rest;
  } else {
    server = head;
    object = rest.mid(slash + 1);
    if (object.isEmpty()) return badPath(text, QStringLiteral("nothing after the server"));
  }
  if (provider == Provider::Ldap && object.isEmpty() &&
      server.compare(QLatin1String("RootDSE"), Qt::CaseInsensitive) == 0) {
    p.kind = AdsPath::Kind::RootDse;
    return p;
  }
  if (provider == Provider::Ldap && object.isEmpty() &&
      server.compare(QLatin1String("Schema"), Qt::CaseInsensitive) == 0) {
    p.kind = AdsPath::Kind::Schema;
    return p;
  }
  if (provider == Provider::Ldap && server.compare(QLatin1String("Schema"), Qt::CaseInsensitive) == 0 &&
      !object.contains(u'=')) {
    p.kind = AdsPath::Kind::Schema;
    p.schemaName = object;
    return p;
  }
  if (!server.isEmpty() && !validServer(server)) return badPath(text, QStringLiteral("bad server name"));
  p.server = server;
  if (object.isEmpty()) {
    p.kind = AdsPath::Kind::ServerOnly;
    return p;
  }
  if (provider == Provider::Ldap && object.compare(QLatin1String("RootDSE"), Qt::CaseInsensitive) == 0) {
    p.kind = AdsPath::Kind::RootDse;
    return p;
  }
  if (provider == Provider::Ldap && object.compare(QLatin1String("Schema"), Qt::CaseInsensitive) == 0) {
    p.kind = AdsPath::Kind::Schema;
    return p;
  }
  if (provider == Provider::Ldap && object.startsWith(QLatin1String("Schema/"), Qt::CaseInsensitive)) {
    p.kind = AdsPath::Kind::Schema;
    p.schemaName = object.mid(7);
    return p;
  }
  auto dn = Dn::parse(unescapeSlashes(object));
  if (!dn) return badPath(text, dn.error().message);
  if (dn->isEmpty()) return badPath(text, QStringLiteral("empty DN"));
  p.kind = AdsPath::Kind::Object;
  p.dn = std::move(*dn);
  return p;
}

Result<AdsPath> parseWinNT(const QString& text, const QString& rest) {
  AdsPath p;
  p.provider = Provider::WinNT;
  const QStringList parts = rest.split(u'/');
  for (const QString& part : parts)
    if (part.trimmed().isEmpty()) return badPath(text, QStringLiteral("empty component"));
  if (parts.size() == 1) {
    if (parts[0].contains(u',')) return badPath(text, QStringLiteral("class on a domain"));
    p.kind = AdsPath::Kind::WinNTDomain;
    p.domain = parts[0];
    return p;
  }
  if (parts.size() != 2) return badPath(text, QStringLiteral("too many components"));
  p.kind = AdsPath::Kind::WinNTObject;
  p.domain = parts[0];
  QString name = parts[1];
  const qsizetype comma = name.lastIndexOf(u',');
  if (comma >= 0) {
    p.className = name.mid(comma + 1).trimmed();
    name = name.left(comma);
    if (p.className.isEmpty() || name.isEmpty()) return badPath(text, QStringLiteral("bad class suffix"));
  }
  p.name = name;
  return p;
}

}  // namespace

QString providerPrefix(Provider p) {
  switch (p) {
    case Provider::Ldap:
      return QStringLiteral("LDAP:");
    case Provider::GC:
      return QStringLiteral("GC:");
    case Provider::WinNT:
      return QStringLiteral("WinNT:");
  }
  return {};
}

QString formatLdapPath(Provider p, const QString& server, const Dn& dn) {
  QString dnText = dn.toString();
  dnText.replace(u'/', QLatin1String("\\/"));
  QString out = providerPrefix(p) + QLatin1String("//");
  if (!server.isEmpty()) {
    out += server;
    if (!dnText.isEmpty()) out += u'/';
  }
  return out + dnText;
}

QString formatWinNTPath(const QString& domain, const QString& name) {
  QString out = QStringLiteral("WinNT://") + domain;
  if (!name.isEmpty()) out += u'/' + name;
  return out;
}

Result<AdsPath> AdsPath::parse(const QString& text) {
  if (text.size() > kMaxPathLength) return badPath(text.left(64), QStringLiteral("too long"));
  const qsizetype colon = text.indexOf(u':');
  if (colon <= 0) return makeError(hr::INVALID_SYNTAX, QStringLiteral("no provider in \"%1\"").arg(text));
  const QString prefix = text.left(colon);
  Provider provider;
  if (prefix == QLatin1String("LDAP"))
    provider = Provider::Ldap;
  else if (prefix == QLatin1String("GC"))
    provider = Provider::GC;
  else if (prefix == QLatin1String("WinNT"))
    provider = Provider::WinNT;
  else
    return makeError(hr::INVALID_SYNTAX, QStringLiteral("unknown provider \"%1\"").arg(prefix));
  const QString after = text.mid(colon + 1);
  if (after.isEmpty()) {
    AdsPath p;
    p.provider = provider;
    p.kind = Kind::Namespace;
    return p;
  }
  if (!after.startsWith(QLatin1String("//"))) return badPath(text, QStringLiteral("expected \"//\""));
  const QString rest = after.mid(2);
  if (provider == Provider::WinNT) return parseWinNT(text, rest);
  return parseLdapLike(text, provider, rest);
}

QString AdsPath::toString() const {
  switch (kind) {
    case Kind::Namespace:
      return providerPrefix(provider);
    case Kind::RootDse:
      return providerPrefix(provider) + QLatin1String("//") + (server.isEmpty() ? QString() : server + u'/') +
             QLatin1String("RootDSE");
    case Kind::Schema:
      return providerPrefix(provider) + QLatin1String("//") + (server.isEmpty() ? QString() : server + u'/') +
             QLatin1String("Schema") + (schemaName.isEmpty() ? QString() : u'/' + schemaName);
    case Kind::ServerOnly:
      return providerPrefix(provider) + QLatin1String("//") + server;
    case Kind::Object:
      return formatLdapPath(provider, server, dn);
    case Kind::WinNTDomain:
      return formatWinNTPath(domain);
    case Kind::WinNTObject:
      return formatWinNTPath(domain, name) + (className.isEmpty() ? QString() : u',' + className);
  }
  return {};
}

}  // namespace tavrel::adsi
