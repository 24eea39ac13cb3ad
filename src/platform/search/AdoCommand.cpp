#include "platform/search/AdoCommand.h"

namespace tavrel::search {

namespace {

bool isBlank(QChar c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

bool isNameChar(QChar c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-' ||
         c == u'.';
}

SyntaxError shifted(SyntaxError e, qsizetype offset) {
  e.position += offset;
  return e;
}

// Splits an attribute list "adsPath, name ,name" into names; an empty or malformed name is an error.
Parsed<QStringList> parseAttributeList(QStringView list, qsizetype offset) {
  QStringList names;
  qsizetype start = 0;
  while (true) {
    qsizetype end = list.indexOf(u',', start);
    if (end < 0) end = list.size();
    const QStringView name = list.sliced(start, end - start).trimmed();
    const qsizetype at = offset + start;
    if (name.isEmpty()) return SyntaxError{QStringLiteral("empty attribute name in the attribute list"), at};
    for (const QChar c : name)
      if (!isNameChar(c)) return SyntaxError{QStringLiteral("bad attribute name '%1'").arg(name), at};
    names.append(name.toString());
    if (end == list.size()) break;
    start = end + 1;
  }
  return names;
}

Parsed<AdoQuery> parseLdapDialect(QStringView t, qsizetype pos) {
  AdoQuery q;
  q.dialect = Dialect::Ldap;
  // The base runs to the first '>' that is not escaped with a backslash.
  const qsizetype baseStart = pos + 1;
  qsizetype close = baseStart;
  while (close < t.size() && t[close] != u'>') close += t[close] == u'\\' ? 2 : 1;
  if (close >= t.size()) return SyntaxError{QStringLiteral("the search base is not closed with '>'"), pos};
  auto base = parseSearchBase(t.sliced(baseStart, close - baseStart));
  if (!base) return shifted(base.error(), baseStart);
  q.base = std::move(base).value();

  pos = close + 1;
  while (pos < t.size() && isBlank(t[pos])) ++pos;
  if (pos >= t.size() || t[pos] != u';')
    return SyntaxError{QStringLiteral("expected ';' and a filter after the search base"), pos};
  ++pos;

  // The filter runs to the first ';' outside its parentheses; a ';' inside a value stays in it.
  const qsizetype filterStart = pos;
  int depth = 0;
  while (pos < t.size() && !(t[pos] == u';' && depth <= 0)) {
    if (t[pos] == u'\\') {
      pos += 2;
      continue;
    }
    if (t[pos] == u'(') ++depth;
    if (t[pos] == u')') --depth;
    ++pos;
  }
  pos = qMin(pos, t.size());
  auto filter = parseFilter(t.sliced(filterStart, pos - filterStart));
  if (!filter) return shifted(filter.error(), filterStart);
  q.filter = std::move(filter).value();
  if (pos >= t.size())
    return SyntaxError{QStringLiteral("expected ';' and the attribute list after the filter"), pos};
  ++pos;

  const qsizetype attrStart = pos;
  qsizetype attrEnd = t.indexOf(u';', attrStart);
  if (attrEnd < 0) attrEnd = t.size();
  auto attributes = parseAttributeList(t.sliced(attrStart, attrEnd - attrStart), attrStart);
  if (!attributes) return attributes.error();
  q.attributes = std::move(attributes).value();

  q.scope = Scope::Subtree;
  if (attrEnd < t.size()) {
    const QStringView scope = t.sliced(attrEnd + 1).trimmed();
    if (scope.compare(u"base", Qt::CaseInsensitive) == 0)
      q.scope = Scope::Base;
    else if (scope.compare(u"onelevel", Qt::CaseInsensitive) == 0)
      q.scope = Scope::OneLevel;
    else if (scope.compare(u"subtree", Qt::CaseInsensitive) == 0)
      q.scope = Scope::Subtree;
    else
      return SyntaxError{QStringLiteral("unknown scope '%1'; expected base, onelevel or subtree").arg(scope),
                         attrEnd + 1};
  }
  return q;
}

// A reader for the SQL dialect: words, punctuation and quoted strings separated by blanks.
class SqlReader {
 public:
  explicit SqlReader(QStringView t) : t_(t) {}

  qsizetype pos() const { return pos_; }
  bool atEnd() {
    skipBlanks();
    return pos_ >= t_.size();
  }
  // Consumes `keyword` (any letter case) when it stands next as a whole word.
  bool keyword(QStringView word) {
    skipBlanks();
    if (t_.size() - pos_ < word.size() ||
        t_.sliced(pos_, word.size()).compare(word, Qt::CaseInsensitive) != 0)
      return false;
    const qsizetype after = pos_ + word.size();
    if (after < t_.size() && isNameChar(t_[after])) return false;
    pos_ = after;
    return true;
  }
  bool punct(QChar c) {
    skipBlanks();
    if (pos_ >= t_.size() || t_[pos_] != c) return false;
    ++pos_;
    return true;
  }
  QString name() {
    skipBlanks();
    const qsizetype start = pos_;
    while (pos_ < t_.size() && isNameChar(t_[pos_])) ++pos_;
    return t_.sliced(start, pos_ - start).toString();
  }
  // A string in single quotes, a doubled quote standing for one.
  std::optional<QString> quoted() {
    skipBlanks();
    if (pos_ >= t_.size() || t_[pos_] != u'\'') return std::nullopt;
    QString out;
    qsizetype p = pos_ + 1;
    while (p < t_.size()) {
      if (t_[p] == u'\'') {
        if (p + 1 < t_.size() && t_[p + 1] == u'\'') {
          out += u'\'';
          p += 2;
          continue;
        }
        pos_ = p + 1;
        return out;
      }
      out += t_[p++];
    }
    return std::nullopt;
  }

 private:
  void skipBlanks() {
    while (pos_ < t_.size() && isBlank(t_[pos_])) ++pos_;
  }
  QStringView t_;
  qsizetype pos_ = 0;
};

Parsed<AdoQuery> parseSqlDialect(QStringView t) {
  AdoQuery q;
  q.dialect = Dialect::Sql;
  q.scope = Scope::Subtree;
  SqlReader r(t);
  // Errors point at the next word after the blanks.
  const auto error = [&r](const char* message) {
    r.atEnd();
    return SyntaxError{QString::fromLatin1(message), r.pos()};
  };
  r.keyword(u"select");

  do {
    r.atEnd();
    const qsizetype at = r.pos();
    const QString attribute = r.name();
    if (attribute.isEmpty() || attribute.compare(u"from", Qt::CaseInsensitive) == 0)
      return SyntaxError{QStringLiteral("expected an attribute name in the select list"), at};
    q.attributes.append(attribute);
  } while (r.punct(u','));
  if (!r.keyword(u"from")) return error("expected FROM after the attribute list");

  r.atEnd();  // skips the blanks before the quote
  const qsizetype baseAt = r.pos() + 1;
  const auto basePath = r.quoted();
  if (!basePath) return error("expected the search base in single quotes after FROM");
  auto base = parseSearchBase(*basePath);
  if (!base) return shifted(base.error(), baseAt);
  q.base = std::move(base).value();

  if (!r.keyword(u"where")) return error("expected WHERE after the search base");
  r.atEnd();
  const qsizetype conditionAt = r.pos();
  const QString attribute = r.name();
  if (attribute.isEmpty()) return error("expected an attribute name after WHERE");
  if (!r.punct(u'='))
    return error("expected '=' in the WHERE condition; only <attribute> = '<value>' is supported");
  const auto value = r.quoted();
  if (!value) return error("expected a value in single quotes in the WHERE condition");

  // The value keeps its asterisks as wildcards; everything else is taken literally.
  QString escaped;
  for (const QChar c : *value) escaped += c == u'*' ? QString(c) : escapeFilterValue(QStringView(&c, 1));
  auto filter = parseFilter(QString(u'(' + attribute + u'=' + escaped + u')'));
  if (!filter) return SyntaxError{filter.error().message, conditionAt};
  q.filter = std::move(filter).value();

  if (r.keyword(u"order")) {
    if (!r.keyword(u"by")) return error("expected BY after ORDER");
    const QString orderBy = r.name();
    if (orderBy.isEmpty()) return error("expected an attribute name after ORDER BY");
    q.orderBy = orderBy;
  }
  if (!r.atEnd()) return error("unexpected text at the end of the command");
  return q;
}

}  // namespace

Parsed<SearchBase> parseSearchBase(QStringView path) {
  SearchBase b;
  b.path = path.toString();
  qsizetype lead = 0;
  while (lead < path.size() && isBlank(path[lead])) ++lead;
  const QStringView p = path.sliced(lead).trimmed();
  QStringView rest;
  if (p.startsWith(u"LDAP://")) {
    b.provider = QStringLiteral("LDAP");
    rest = p.sliced(7);
  } else if (p.startsWith(u"GC://")) {
    b.provider = QStringLiteral("GC");
    rest = p.sliced(5);
  } else if (p.startsWith(u"LDAP://", Qt::CaseInsensitive) || p.startsWith(u"GC://", Qt::CaseInsensitive)) {
    return SyntaxError{QStringLiteral("the provider name must be written LDAP or GC in capitals"), lead};
  } else {
    return SyntaxError{QStringLiteral("the search base must begin with LDAP:// or GC://"), lead};
  }
  const qsizetype restAt = lead + p.size() - rest.size();
  if (rest.isEmpty())
    return SyntaxError{QStringLiteral("the search base names no server and no object"), restAt};

  qsizetype slash = 0;
  while (slash < rest.size() && rest[slash] != u'/') slash += rest[slash] == u'\\' ? 2 : 1;
  slash = qMin(slash, rest.size());
  const QStringView head = rest.first(slash);
  QStringView dn;
  if (head.contains(u'=')) {
    dn = rest;
  } else {
    if (head.isEmpty())
      return SyntaxError{QStringLiteral("the search base has an empty server name"), restAt};
    b.server = head.toString();
    if (slash < rest.size()) dn = rest.sliced(slash + 1);
  }
  b.dn = dn.toString().replace(QStringLiteral("\\/"), QStringLiteral("/"));
  return b;
}

Parsed<AdoQuery> parseAdoCommand(QStringView text) {
  qsizetype pos = 0;
  while (pos < text.size() && isBlank(text[pos])) ++pos;
  if (pos >= text.size()) return SyntaxError{QStringLiteral("the command text is empty"), 0};
  if (text[pos] == u'<') return parseLdapDialect(text, pos);
  const QStringView rest = text.sliced(pos);
  if (rest.startsWith(u"select", Qt::CaseInsensitive) && rest.size() > 6 && isBlank(rest[6]))
    return parseSqlDialect(text);
  return SyntaxError{QStringLiteral("the command text is neither \"<base>;filter;attributes;scope\" nor "
                                    "\"select ... from '<base>' where ...\""),
                     pos};
}

}  // namespace tavrel::search
