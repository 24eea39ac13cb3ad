#include "platform/simnet/FilterMatch.h"

#include "platform/adsi/Schema.h"
#include "platform/adsi/Values.h"

#include <memory>

namespace tavrel::simnet {
namespace {

using adsi::Syntax;

adsi::Error filterError(const QString& text, const QString& why) {
  return adsi::ldapError(adsi::ldap::FILTER_ERROR, QStringLiteral("bad filter \"%1\": %2").arg(text, why));
}

int hexValue(QChar c) {
  if (c >= u'0' && c <= u'9') return c.unicode() - '0';
  if (c >= u'a' && c <= u'f') return c.unicode() - 'a' + 10;
  if (c >= u'A' && c <= u'F') return c.unicode() - 'A' + 10;
  return -1;
}

// Undoes "\xx" escapes; the result is the value's octets.
std::optional<QByteArray> unescape(const QString& s) {
  QByteArray out;
  const QByteArray utf8 = s.toUtf8();
  for (qsizetype i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == '\\') {
      if (i + 2 >= utf8.size()) return std::nullopt;
      const int h = hexValue(QChar(utf8[i + 1])), l = hexValue(QChar(utf8[i + 2]));
      if (h < 0 || l < 0) return std::nullopt;
      out.append(char(h * 16 + l));
      i += 2;
    } else {
      out.append(utf8[i]);
    }
  }
  return out;
}

bool caseFoldedEqual(const QByteArray& a, const QByteArray& b) {
  return QString::fromUtf8(a).compare(QString::fromUtf8(b), Qt::CaseInsensitive) == 0;
}

bool valueEquals(const QString& attribute, Syntax syntax, const QByteArray& stored,
                 const QByteArray& wanted) {
  switch (syntax) {
    case Syntax::Integer:
    case Syntax::LargeInteger: {
      bool ok = false;
      const qint64 w = wanted.toLongLong(&ok);
      return ok && stored.toLongLong() == w;
    }
    case Syntax::Octets:
    case Syntax::Sid:
      return stored == wanted;
    case Syntax::DnValue:
      if (attribute.compare(QLatin1String("objectCategory"), Qt::CaseInsensitive) == 0 &&
          !wanted.contains('=')) {
        // A short name stands for the category of the class it names.
        const QString cat = adsi::categoryForName(QString::fromUtf8(wanted));
        const QString s = QString::fromUtf8(stored);
        const qsizetype comma = s.indexOf(u',');
        return s.mid(3, comma < 0 ? -1 : comma - 3).compare(cat, Qt::CaseInsensitive) == 0;
      }
      return caseFoldedEqual(stored, wanted);
    default:
      return caseFoldedEqual(stored, wanted);
  }
}

struct Node;
using NodePtr = std::shared_ptr<Node>;
struct Node {
  enum class Op { And, Or, Not, Equal, Present, Substring } op = Op::Equal;
  QList<NodePtr> children;
  QString attribute;
  QByteArray value;          // Equal
  QList<QByteArray> pieces;  // Substring: initial, any..., final (empty initial/final allowed)
};

bool evaluate(const Node& n, const AttributeSource& src) {
  switch (n.op) {
    case Node::Op::And:
      for (const NodePtr& c : n.children)
        if (!evaluate(*c, src)) return false;
      return true;
    case Node::Op::Or:
      for (const NodePtr& c : n.children)
        if (evaluate(*c, src)) return true;
      return false;
    case Node::Op::Not:
      return !evaluate(*n.children.first(), src);
    case Node::Op::Present:
      return !src.values(n.attribute).isEmpty();
    case Node::Op::Equal: {
      const Syntax syntax = adsi::syntaxOf(n.attribute);
      for (const QByteArray& v : src.values(n.attribute))
        if (valueEquals(n.attribute, syntax, v, n.value)) return true;
      return false;
    }
    case Node::Op::Substring: {
      for (const QByteArray& raw : src.values(n.attribute)) {
        const QString v = QString::fromUtf8(raw);
        qsizetype pos = 0;
        bool ok = true;
        for (qsizetype i = 0; i < n.pieces.size() && ok; ++i) {
          const QString piece = QString::fromUtf8(n.pieces[i]);
          if (piece.isEmpty()) continue;
          if (i == 0) {
            ok = v.startsWith(piece, Qt::CaseInsensitive);
            pos = piece.size();
          } else if (i == n.pieces.size() - 1) {
            ok = v.size() - pos >= piece.size() && v.endsWith(piece, Qt::CaseInsensitive);
          } else {
            const qsizetype at = v.indexOf(piece, pos, Qt::CaseInsensitive);
            ok = at >= 0;
            pos = at + piece.size();
          }
        }
        if (ok) return true;
      }
      return false;
    }
  }
  return false;
}

class Parser {
 public:
  explicit Parser(const QString& t) : text_(t) {}

  adsi::Result<NodePtr> parse() {
    skipBlanks();
    auto n = parseFilter();
    if (!n) return n;
    skipBlanks();
    if (pos_ != text_.size()) return filterError(text_, QStringLiteral("text after the filter"));
    return n;
  }

 private:
  void skipBlanks() {
    while (pos_ < text_.size() && text_[pos_] == u' ') ++pos_;
  }

  adsi::Result<NodePtr> parseFilter() {
    if (++depth_ > 64) return filterError(text_, QStringLiteral("nested too deeply"));
    if (pos_ >= text_.size() || text_[pos_] != u'(')
      return filterError(text_, QStringLiteral("expected '('"));
    ++pos_;
    auto node = std::make_shared<Node>();
    if (pos_ < text_.size() && (text_[pos_] == u'&' || text_[pos_] == u'|' || text_[pos_] == u'!')) {
      const QChar op = text_[pos_++];
      node->op = op == u'&' ? Node::Op::And : op == u'|' ? Node::Op::Or : Node::Op::Not;
      skipBlanks();
      while (pos_ < text_.size() && text_[pos_] == u'(') {
        auto c = parseFilter();
        if (!c) return c;
        node->children.append(*c);
        skipBlanks();
      }
      if (node->children.isEmpty() || (node->op == Node::Op::Not && node->children.size() != 1))
        return filterError(text_, QStringLiteral("bad operand list"));
    } else {
      const qsizetype start = pos_;
      while (pos_ < text_.size() && text_[pos_] != u'=' && text_[pos_] != u'(' && text_[pos_] != u')') ++pos_;
      if (pos_ >= text_.size() || text_[pos_] != u'=')
        return filterError(text_, QStringLiteral("expected '='"));
      node->attribute = text_.mid(start, pos_ - start).trimmed();
      if (node->attribute.isEmpty() || node->attribute.endsWith(u'~') || node->attribute.endsWith(u'>') ||
          node->attribute.endsWith(u'<') || node->attribute.endsWith(u':'))
        return filterError(text_, QStringLiteral("unsupported comparison"));
      ++pos_;
      const qsizetype vstart = pos_;
      while (pos_ < text_.size() && text_[pos_] != u')' && text_[pos_] != u'(') ++pos_;
      if (pos_ >= text_.size() || text_[pos_] != u')')
        return filterError(text_, QStringLiteral("unbalanced parentheses"));
      const QString raw = text_.mid(vstart, pos_ - vstart);
      if (raw == QLatin1String("*")) {
        node->op = Node::Op::Present;
      } else if (raw.contains(u'*')) {
        node->op = Node::Op::Substring;
        for (const QString& piece : raw.split(u'*')) {
          auto v = unescape(piece);
          if (!v) return filterError(text_, QStringLiteral("bad escape"));
          node->pieces.append(*v);
        }
      } else {
        auto v = unescape(raw);
        if (!v) return filterError(text_, QStringLiteral("bad escape"));
        node->value = *v;
      }
    }
    if (pos_ >= text_.size() || text_[pos_] != u')')
      return filterError(text_, QStringLiteral("expected ')'"));
    ++pos_;
    --depth_;
    return node;
  }

  QString text_;
  qsizetype pos_ = 0;
  int depth_ = 0;
};

}  // namespace

adsi::Result<FilterPredicate> compileFilter(const QString& text) {
  Parser p(text);
  auto root = p.parse();
  if (!root) return root.error();
  NodePtr node = *root;
  return FilterPredicate([node](const AttributeSource& src) { return evaluate(*node, src); });
}

}  // namespace tavrel::simnet
