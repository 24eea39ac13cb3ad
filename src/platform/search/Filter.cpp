#include "platform/search/Filter.h"

namespace tavrel::search {

namespace {

constexpr int kMaxDepth = 200;

bool isAsciiAlpha(QChar c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}
bool isAsciiDigit(QChar c) {
  return c >= u'0' && c <= u'9';
}

int hexValue(QChar c) {
  if (isAsciiDigit(c)) return c.unicode() - u'0';
  if (c >= u'a' && c <= u'f') return c.unicode() - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c.unicode() - u'A' + 10;
  return -1;
}

QString describe(QChar c) {
  if (c.unicode() < 0x20) return QStringLiteral("character 0x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
  return QStringLiteral("'%1'").arg(c);
}

bool isDecimalInteger(const QByteArray& v) {
  bool ok = false;
  v.toLongLong(&ok);
  return ok && !v.startsWith('+') && !v.contains(' ');
}

class FilterParser {
 public:
  explicit FilterParser(QStringView text) : t_(text) {}

  Parsed<Filter> run() {
    skipBlanks();
    if (atEnd()) return SyntaxError{QStringLiteral("the filter is empty"), pos_};
    Filter f;
    if (!parseFilter(f, 0)) return error_;
    skipBlanks();
    if (!atEnd()) {
      fail(QStringLiteral("unexpected %1 after the end of the filter").arg(describe(peek())));
      return error_;
    }
    return f;
  }

 private:
  bool atEnd() const { return pos_ >= t_.size(); }
  QChar peek() const { return t_[pos_]; }
  void skipBlanks() {
    while (!atEnd() && (peek() == u' ' || peek() == u'\t' || peek() == u'\r' || peek() == u'\n')) ++pos_;
  }
  bool fail(const QString& message) {
    error_ = SyntaxError{message, pos_};
    return false;
  }
  bool failMissingClose() { return fail(QStringLiteral("unbalanced parentheses: a ')' is missing")); }

  bool parseFilter(Filter& out, int depth) {
    if (depth > kMaxDepth) return fail(QStringLiteral("the filter is nested too deeply"));
    if (atEnd()) return failMissingClose();
    if (peek() != u'(') return fail(QStringLiteral("expected '(' but found %1").arg(describe(peek())));
    ++pos_;
    if (atEnd()) return failMissingClose();
    const QChar c = peek();
    if (c == u'&' || c == u'|') {
      out.kind = c == u'&' ? Filter::Kind::And : Filter::Kind::Or;
      ++pos_;
      skipBlanks();
      while (!atEnd() && peek() == u'(') {
        Filter child;
        if (!parseFilter(child, depth + 1)) return false;
        out.children.push_back(std::move(child));
        skipBlanks();
      }
      if (out.children.empty() && !atEnd() && peek() == u')')
        return fail(QStringLiteral("the '%1' list holds no filter").arg(c));
    } else if (c == u'!') {
      out.kind = Filter::Kind::Not;
      ++pos_;
      skipBlanks();
      Filter child;
      if (!parseFilter(child, depth + 1)) return false;
      out.children.push_back(std::move(child));
      skipBlanks();
    } else if (!parseItem(out)) {
      return false;
    }
    if (atEnd()) return failMissingClose();
    if (peek() != u')') return fail(QStringLiteral("unexpected %1").arg(describe(peek())));
    ++pos_;
    return true;
  }

  bool parseAttribute(QString& name) {
    const qsizetype start = pos_;
    if (atEnd()) return failMissingClose();
    if (isAsciiAlpha(peek())) {
      while (!atEnd() && (isAsciiAlpha(peek()) || isAsciiDigit(peek()) || peek() == u'-')) ++pos_;
    } else if (isAsciiDigit(peek())) {
      // A numeric OID: digits separated by single dots.
      while (!atEnd() && (isAsciiDigit(peek()) || peek() == u'.')) ++pos_;
      const QStringView oid = t_.sliced(start, pos_ - start);
      if (oid.endsWith(u'.') || oid.contains(QStringView(u".."))) {
        pos_ = start;
        return fail(QStringLiteral("bad attribute OID"));
      }
    } else if (peek() == u')') {
      return fail(QStringLiteral("empty filter item"));
    } else {
      return fail(QStringLiteral("expected an attribute name but found %1").arg(describe(peek())));
    }
    if (!atEnd() && peek() == u';') return fail(QStringLiteral("attribute options are not supported"));
    name = t_.sliced(start, pos_ - start).toString();
    return true;
  }

  // Reads an assertion value up to the closing parenthesis (not consumed). With `parts` given,
  // unescaped asterisks split the value into parts; otherwise an asterisk is an error.
  bool parseValue(QByteArray& value, QList<QByteArray>* parts) {
    QString run;  // unescaped characters not yet converted to UTF-8
    auto flush = [&] {
      value += run.toUtf8();
      run.clear();
    };
    while (true) {
      if (atEnd()) return failMissingClose();
      const QChar c = peek();
      if (c == u')') break;
      if (c == u'(') return fail(QStringLiteral("unescaped '(' in a value"));
      if (c.unicode() == 0) return fail(QStringLiteral("unescaped NUL in a value"));
      if (c == u'*') {
        if (!parts) return fail(QStringLiteral("unescaped '*' in a value"));
        flush();
        parts->append(value);
        value.clear();
        ++pos_;
        continue;
      }
      if (c == u'\\') {
        const int hi = pos_ + 1 < t_.size() ? hexValue(t_[pos_ + 1]) : -1;
        const int lo = pos_ + 2 < t_.size() ? hexValue(t_[pos_ + 2]) : -1;
        if (hi < 0 || lo < 0)
          return fail(QStringLiteral("a backslash in a value must be followed by two hexadecimal digits"));
        flush();
        value += char(hi * 16 + lo);
        pos_ += 3;
        continue;
      }
      run += c;
      ++pos_;
    }
    flush();
    if (parts) parts->append(value);
    return true;
  }

  bool parseItem(Filter& out) {
    if (!atEnd() && peek() == u':')
      return fail(QStringLiteral("an extensible match without an attribute is not supported"));
    if (!parseAttribute(out.attribute)) return false;
    if (atEnd()) return failMissingClose();
    const QChar c = peek();
    const QChar next = pos_ + 1 < t_.size() ? t_[pos_ + 1] : QChar();
    if (c == u'=') {
      ++pos_;
      QList<QByteArray> parts;
      QByteArray last;
      if (!parseValue(last, &parts)) return false;
      if (parts.size() == 1) {
        out.kind = Filter::Kind::Equality;
        out.value = parts.front();
      } else if (parts.size() == 2 && parts[0].isEmpty() && parts[1].isEmpty()) {
        out.kind = Filter::Kind::Present;
      } else {
        out.kind = Filter::Kind::Substrings;
        out.subInitial = parts.front();
        out.subFinal = parts.back();
        for (qsizetype i = 1; i + 1 < parts.size(); ++i)
          if (!parts[i].isEmpty()) out.subAny.append(parts[i]);
      }
      return true;
    }
    if ((c == u'~' || c == u'>' || c == u'<') && next == u'=') {
      out.kind = c == u'~'   ? Filter::Kind::Approx
                 : c == u'>' ? Filter::Kind::GreaterOrEqual
                             : Filter::Kind::LessOrEqual;
      pos_ += 2;
      return parseValue(out.value, nullptr);
    }
    if (c == u':') return parseExtensible(out);
    return fail(QStringLiteral("expected '=', '~=', '>=', '<=' or ':' after the attribute name, found %1")
                    .arg(describe(c)));
  }

  bool parseExtensible(Filter& out) {
    out.kind = Filter::Kind::Extensible;
    ++pos_;  // the first ':'
    if (!atEnd() && peek() != u'=') {
      const qsizetype start = pos_;
      while (!atEnd() && peek() != u':' && peek() != u'=' && peek() != u')') ++pos_;
      const QStringView token = t_.sliced(start, pos_ - start);
      if (token.compare(u"dn", Qt::CaseInsensitive) == 0) {
        pos_ = start;
        return fail(QStringLiteral("the dn flag of an extensible match is not supported"));
      }
      if (token != QLatin1StringView(kBitAndRule) && token != QLatin1StringView(kBitOrRule)) {
        pos_ = start;
        return fail(QStringLiteral("unsupported matching rule '%1'").arg(token));
      }
      out.matchingRule = token.toString();
      if (atEnd() || peek() != u':') return fail(QStringLiteral("expected ':=' after the matching rule"));
      ++pos_;
    }
    if (atEnd() || peek() != u'=') return fail(QStringLiteral("expected ':=' in an extensible match"));
    ++pos_;
    const qsizetype valueStart = pos_;
    if (!parseValue(out.value, nullptr)) return false;
    if (!out.matchingRule.isEmpty() && !isDecimalInteger(out.value)) {
      pos_ = valueStart;
      return fail(QStringLiteral("a bitwise matching rule needs a decimal integer value"));
    }
    return true;
  }

  QStringView t_;
  qsizetype pos_ = 0;
  SyntaxError error_;
};

QString renderValue(const QByteArray& value) {
  QString out;
  out.reserve(value.size());
  for (const char ch : value) {
    const auto b = static_cast<unsigned char>(ch);
    if (b >= 0x20 && b < 0x7f && b != '*' && b != '(' && b != ')' && b != '\\')
      out += QChar(b);
    else
      out += QStringLiteral("\\%1").arg(b, 2, 16, QLatin1Char('0'));
  }
  return out;
}

void collectTerms(const Filter& f, QList<EqualityTerm>& out) {
  if (f.kind == Filter::Kind::Equality) {
    out.append({f.attribute.toLower(), f.value});
  } else if (f.kind == Filter::Kind::And) {
    for (const Filter& child : f.children) collectTerms(child, out);
  }
}

}  // namespace

QString Filter::toString() const {
  switch (kind) {
    case Kind::And:
    case Kind::Or:
    case Kind::Not: {
      QString out = kind == Kind::And  ? QStringLiteral("(&")
                    : kind == Kind::Or ? QStringLiteral("(|")
                                       : QStringLiteral("(!");
      for (const Filter& child : children) out += child.toString();
      return out + u')';
    }
    case Kind::Equality:
      return u'(' + attribute + u'=' + renderValue(value) + u')';
    case Kind::Approx:
      return u'(' + attribute + QStringLiteral("~=") + renderValue(value) + u')';
    case Kind::GreaterOrEqual:
      return u'(' + attribute + QStringLiteral(">=") + renderValue(value) + u')';
    case Kind::LessOrEqual:
      return u'(' + attribute + QStringLiteral("<=") + renderValue(value) + u')';
    case Kind::Present:
      return u'(' + attribute + QStringLiteral("=*)");
    case Kind::Substrings: {
      // With every part empty, "(a=*)" would read back as a presence test; "(a=**)" does not.
      if (subInitial.isEmpty() && subAny.isEmpty() && subFinal.isEmpty())
        return u'(' + attribute + QStringLiteral("=**)");
      QString out = u'(' + attribute + u'=' + renderValue(subInitial) + u'*';
      for (const QByteArray& part : subAny) out += renderValue(part) + u'*';
      return out + renderValue(subFinal) + u')';
    }
    case Kind::Extensible:
      return u'(' + attribute + (matchingRule.isEmpty() ? QString() : u':' + matchingRule) +
             QStringLiteral(":=") + renderValue(value) + u')';
  }
  return {};
}

Parsed<Filter> parseFilter(QStringView text) {
  return FilterParser(text).run();
}

QString escapeFilterValue(QStringView value) {
  QString out;
  out.reserve(value.size());
  for (const QChar c : value) {
    if (c == u'*' || c == u'(' || c == u')' || c == u'\\' || c.unicode() == 0)
      out += QStringLiteral("\\%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
    else
      out += c;
  }
  return out;
}

QList<EqualityTerm> indexableTerms(const Filter& filter) {
  QList<EqualityTerm> out;
  collectTerms(filter, out);
  return out;
}

}  // namespace tavrel::search
