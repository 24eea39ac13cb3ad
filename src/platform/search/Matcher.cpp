#include "platform/search/Matcher.h"

#include <algorithm>
#include <vector>

namespace tavrel::search {

// ---- Entry

bool Entry::anyValue(const QString& lowerName, qxp::function_ref<bool(QStringView)> test) const {
  const QStringList all = values(lowerName);
  for (const QString& v : all)
    if (test(v)) return true;
  return false;
}

// ---- MapEntry

MapEntry::MapEntry(std::initializer_list<std::pair<QString, QStringList>> attributes) {
  for (const auto& [name, values] : attributes) set(name, values);
}

void MapEntry::set(const QString& name, const QStringList& values) {
  attributes_.insert(name.toLower(), values);
}

// ---- MatchRules

const MatchRules& MatchRules::activeDirectory() {
  static const MatchRules rules = [] {
    MatchRules r;
    for (const char* name : {"userAccountControl",
                             "groupType",
                             "primaryGroupID",
                             "sAMAccountType",
                             "pwdLastSet",
                             "accountExpires",
                             "lockoutTime",
                             "badPwdCount",
                             "badPasswordTime",
                             "logonCount",
                             "lastLogon",
                             "lastLogoff",
                             "lastLogonTimestamp",
                             "nTMixedDomain",
                             "instanceType",
                             "systemFlags",
                             "adminCount",
                             "countryCode",
                             "codePage",
                             "uSNChanged",
                             "uSNCreated",
                             "msDS-User-Account-Control-Computed",
                             "msExchUserAccountControl"})
      r.set(QString::fromLatin1(name), Syntax::Integer);
    for (const char* name :
         {"objectSid", "objectGUID", "sIDHistory", "tokenGroups", "logonHours", "nTSecurityDescriptor",
          "msExchMailboxGuid", "userCertificate", "thumbnailPhoto"})
      r.set(QString::fromLatin1(name), Syntax::Binary);
    r.set(QStringLiteral("objectCategory"), Syntax::ObjectCategory);
    return r;
  }();
  return rules;
}

MatchRules& MatchRules::set(const QString& attribute, Syntax syntax) {
  table_.insert(attribute.toLower(), syntax);
  return *this;
}

Syntax MatchRules::syntaxOf(const QString& attribute) const {
  return table_.value(attribute.toLower(), Syntax::CaseIgnoreString);
}

namespace {

Qt::CaseSensitivity caseOf(Syntax s) {
  return s == Syntax::CaseExactString || s == Syntax::Binary ? Qt::CaseSensitive : Qt::CaseInsensitive;
}

// The value of the first RDN of a DN ("Person" of "CN=Person,CN=Schema,..."); a value that is no
// DN is its own short name.
QStringView firstRdnValue(QStringView dn) {
  const qsizetype eq = dn.indexOf(u'=');
  if (eq < 0) return dn;
  qsizetype end = eq + 1;
  while (end < dn.size() && dn[end] != u',') end += dn[end] == u'\\' ? 2 : 1;
  return dn.sliced(eq + 1, qMin(end, dn.size()) - eq - 1);
}

// An RDN value with its DN escapes (RFC 4514: "\," or "\2C") resolved.
QString unescapeDnValue(QStringView value) {
  QByteArray out;
  for (qsizetype i = 0; i < value.size(); ++i) {
    if (value[i] == u'\\' && i + 1 < value.size()) {
      bool ok = false;
      const int byte = i + 2 < value.size() ? value.sliced(i + 1, 2).toInt(&ok, 16) : 0;
      if (ok) {
        out += char(byte);
        i += 2;
      } else {
        out += QStringView(value.sliced(i + 1, 1)).toUtf8();
        i += 1;
      }
    } else {
      out += QStringView(value.sliced(i, 1)).toUtf8();
    }
  }
  return QString::fromUtf8(out);
}

bool substringsMatch(QStringView v, const QString& initial, const QStringList& any, const QString& tail,
                     Qt::CaseSensitivity cs) {
  if (v.size() < initial.size() + tail.size()) return false;
  if (!v.startsWith(initial, cs)) return false;
  const qsizetype end = v.size() - tail.size();
  if (!v.sliced(end).startsWith(tail, cs)) return false;
  qsizetype pos = initial.size();
  for (const QString& part : any) {
    const qsizetype at = v.first(end).indexOf(part, pos, cs);
    if (at < 0) return false;
    pos = at + part.size();
  }
  return true;
}

int compareValues(QStringView a, QStringView b, Syntax syntax) {
  if (syntax == Syntax::Integer) {
    bool okA = false;
    bool okB = false;
    const qint64 x = a.toLongLong(&okA);
    const qint64 y = b.toLongLong(&okB);
    if (okA && okB) return x < y ? -1 : x > y ? 1 : 0;
    if (okA != okB) return okA ? -1 : 1;
  }
  const int c = QStringView(a).compare(b, caseOf(syntax));
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

}  // namespace

// ---- Matcher

struct Matcher::Node {
  Filter::Kind kind = Filter::Kind::Present;
  QString lowerName;
  Syntax syntax = Syntax::CaseIgnoreString;
  QString text;       // the assertion value in the attribute's syntax
  qint64 number = 0;  // Integer syntax and bitwise rules
  bool validNumber = false;
  bool categoryDn = false;  // objectCategory compared with a whole DN
  QString initial;          // Substrings
  QStringList any;
  QString finalPart;
  bool bitOr = false;  // Extensible: the OR rule rather than AND
  std::vector<Node> children;

  explicit Node(const Filter& f, const MatchRules& rules) : kind(f.kind) {
    for (const Filter& child : f.children) children.emplace_back(child, rules);
    // An & list stops at its first False member, and an | list at its first True one; neither
    // result depends on the order, so the cheapest and most selective tests go first.
    std::stable_sort(children.begin(), children.end(),
                     [](const Node& a, const Node& b) { return a.cost() < b.cost(); });
    if (children.size() || kind == Filter::Kind::And || kind == Filter::Kind::Or || kind == Filter::Kind::Not)
      return;
    lowerName = f.attribute.toLower();
    syntax = rules.syntaxOf(lowerName);
    const auto decode = [this](const QByteArray& raw) {
      return syntax == Syntax::Binary ? QString::fromLatin1(raw) : QString::fromUtf8(raw);
    };
    text = decode(f.value);
    initial = decode(f.subInitial);
    finalPart = decode(f.subFinal);
    for (const QByteArray& part : f.subAny) any.append(decode(part));
    number = QStringView(text).toLongLong(&validNumber);
    if (syntax == Syntax::ObjectCategory) categoryDn = text.contains(u'=');
    if (kind == Filter::Kind::Approx) kind = Filter::Kind::Equality;
    if (kind == Filter::Kind::Extensible && f.matchingRule.isEmpty()) kind = Filter::Kind::Equality;
    bitOr = f.matchingRule == QLatin1StringView(kBitOrRule);
  }

  // A rough rank of a test's cost and breadth: an equality on an ordinary attribute picks few
  // entries with one look-up; the category and the class chain match many entries; patterns and
  // compound tests cost more.
  int cost() const {
    switch (kind) {
      case Filter::Kind::Equality:
        return syntax == Syntax::ObjectCategory ? 1 : lowerName == QLatin1StringView("objectclass") ? 2 : 0;
      case Filter::Kind::And:
      case Filter::Kind::Or:
      case Filter::Kind::Not:
        return 4;
      default:
        return 3;
    }
  }

  bool equal(QStringView v) const {
    switch (syntax) {
      case Syntax::Integer: {
        bool ok = false;
        const qint64 n = v.toLongLong(&ok);
        return ok && n == number;
      }
      case Syntax::ObjectCategory:
        if (categoryDn) return v.compare(text, Qt::CaseInsensitive) == 0;
        {
          QStringView rdn = firstRdnValue(v);
          QString unescaped;
          if (rdn.contains(u'\\')) {
            unescaped = unescapeDnValue(rdn);
            rdn = unescaped;
          }
          return rdn.compare(text, Qt::CaseInsensitive) == 0;
        }
      default:
        return v.compare(text, caseOf(syntax)) == 0;
    }
  }

  bool valueMatches(QStringView v) const {
    switch (kind) {
      case Filter::Kind::Equality:
        return equal(v);
      case Filter::Kind::GreaterOrEqual:
      case Filter::Kind::LessOrEqual: {
        if (syntax == Syntax::Integer) {
          bool ok = false;
          const qint64 n = v.toLongLong(&ok);
          if (!ok) return false;  // a stored value that is no number is neither above nor below
          return kind == Filter::Kind::GreaterOrEqual ? n >= number : n <= number;
        }
        const int c = compareValues(v, text, syntax);
        return kind == Filter::Kind::GreaterOrEqual ? c >= 0 : c <= 0;
      }
      case Filter::Kind::Substrings:
        return substringsMatch(v, initial, any, finalPart, caseOf(syntax));
      case Filter::Kind::Extensible: {
        bool ok = false;
        const qint64 n = v.toLongLong(&ok);
        if (!ok) return false;
        return bitOr ? (n & number) != 0 : (n & number) == number;
      }
      default:
        return false;
    }
  }

  Truth evaluate(const Entry& entry) const {
    switch (kind) {
      case Filter::Kind::And:
      case Filter::Kind::Or: {
        // False decides an & list and True an | list; otherwise any Undefined member makes the
        // list Undefined.
        const Truth decisive = kind == Filter::Kind::And ? Truth::False : Truth::True;
        Truth result = kind == Filter::Kind::And ? Truth::True : Truth::False;
        for (const Node& child : children) {
          const Truth t = child.evaluate(entry);
          if (t == decisive) return decisive;
          if (t == Truth::Undefined) result = Truth::Undefined;
        }
        return result;
      }
      case Filter::Kind::Not: {
        const Truth t = children.front().evaluate(entry);
        return t == Truth::Undefined ? t : t == Truth::True ? Truth::False : Truth::True;
      }
      case Filter::Kind::Present:
        return entry.anyValue(lowerName, [](QStringView) { return true; }) ? Truth::True : Truth::False;
      default:
        break;
    }
    // An integer attribute tested against text that is no number cannot be judged.
    if (syntax == Syntax::Integer && !validNumber && kind != Filter::Kind::Substrings)
      return Truth::Undefined;
    return entry.anyValue(lowerName, [this](QStringView v) { return valueMatches(v); }) ? Truth::True
                                                                                        : Truth::False;
  }
};

Matcher::Matcher(const Filter& filter, const MatchRules& rules)
    : root_(std::make_unique<Node>(filter, rules)) {}
Matcher::~Matcher() = default;
Matcher::Matcher(Matcher&&) noexcept = default;
Matcher& Matcher::operator=(Matcher&&) noexcept = default;

Truth Matcher::evaluate(const Entry& entry) const {
  return root_->evaluate(entry);
}
bool Matcher::matches(const Entry& entry) const {
  return evaluate(entry) == Truth::True;
}

// ---- EntryOrder

EntryOrder::EntryOrder(const QString& attribute, const MatchRules& rules)
    : lowerName_(attribute.toLower()), syntax_(rules.syntaxOf(attribute)) {}

int EntryOrder::compare(const Entry& a, const Entry& b) const {
  const auto lowest = [this](const QStringList& values) -> const QString* {
    const QString* best = nullptr;
    for (const QString& v : values)
      if (!best || compareValues(v, *best, syntax_) < 0) best = &v;
    return best;
  };
  const QStringList va = a.values(lowerName_);
  const QStringList vb = b.values(lowerName_);
  const QString* x = lowest(va);
  const QString* y = lowest(vb);
  if (!x || !y) return x ? -1 : y ? 1 : 0;
  return compareValues(*x, *y, syntax_);
}

}  // namespace tavrel::search
