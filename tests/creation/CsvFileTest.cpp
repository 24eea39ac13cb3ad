// Reading the import file: records and fields (quoted fields, unquoted lines split at every
// comma, line breaks of every kind, blank lines), the encoding chosen from the bytes, and the
// records' bytes kept as they stand in the file.

#include "creation/CsvFile.h"

#include <gtest/gtest.h>

using namespace tavrel::creation;

namespace {

struct Parsed {
  QList<QStringList> fields;
  QList<QByteArray> raw;
};

Parsed parse(const QByteArray& bytes) {
  CsvReader reader(bytes);
  Parsed out;
  while (auto r = reader.next()) {
    out.fields << r->fields;
    out.raw << r->raw;
  }
  return out;
}

struct Case {
  const char* what;
  QByteArray bytes;
  QList<QStringList> fields;
  QList<QByteArray> raw;
};

TEST(CsvFile, RecordsAndFields) {
  const Case cases[] = {
      {"empty file", "", {}, {}},
      {"plain lines, CRLF",
       "John,,Smith\r\nAnn,B,Lee\r\n",
       {{"John", "", "Smith"}, {"Ann", "B", "Lee"}},
       {"John,,Smith", "Ann,B,Lee"}},
      {"LF, CR and no break at the end",
       "a,b\nc,d\re,f",
       {{"a", "b"}, {"c", "d"}, {"e", "f"}},
       {"a,b", "c,d", "e,f"}},
      {"blank lines are records without fields",
       "a,b\r\n\r\n\nc",
       {{"a", "b"}, {}, {}, {"c"}},
       {"a,b", "", "", "c"}},
      {"spaces are kept", " John , Smith ", {{" John ", " Smith "}}, {" John , Smith "}},
      {"trailing commas give empty fields", "a,b,\r\n,", {{"a", "b", ""}, {"", ""}}, {"a,b,", ","}},
      {"a quoted comma", "\"Smith, Jr\",John,x", {{"Smith, Jr", "John", "x"}}, {"\"Smith, Jr\",John,x"}},
      {"doubled quotes", "\"say \"\"hi\"\"\",b", {{"say \"hi\"", "b"}}, {"\"say \"\"hi\"\"\",b"}},
      {"a quoted line break belongs to the field",
       "\"12 High St\r\nLeeds\",b\r\nc,d",
       {{"12 High St\r\nLeeds", "b"}, {"c", "d"}},
       {"\"12 High St\r\nLeeds\",b", "c,d"}},
      {"an empty quoted field", "\"\",b", {{"", "b"}}, {"\"\",b"}},
      {"a quote inside a field is a character", "O\"Brien,b", {{"O\"Brien", "b"}}, {"O\"Brien,b"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Parsed p = parse(c.bytes);
    EXPECT_EQ(p.fields, c.fields);
    EXPECT_EQ(p.raw, c.raw);
  }
}

// Where a quote does not close its field, the record is its first line split at every comma, and
// every line of the file still lands in exactly one record, in order.
TEST(CsvFile, AStrayQuoteNeverSwallowsTheLinesAfterIt) {
  struct Rec {
    qsizetype line, lines;
    bool malformed;
    QStringList fields;
  };
  struct Malformed {
    const char* what;
    QByteArray bytes;
    QList<Rec> records;
  };
  const Malformed cases[] = {
      {"an opening quote, a plain line, then a quote followed by text",
       "\"ann,x,lee\r\nbob,x,ray\r\n\"cy\",x,zed\r\n",
       {{1, 1, true, {"\"ann", "x", "lee"}},
        {2, 1, false, {"bob", "x", "ray"}},
        {3, 1, false, {"cy", "x", "zed"}}}},
      {"a quote never closed, at the end of the file",
       "a,b\n\"c,d\ne,f",
       {{1, 1, false, {"a", "b"}}, {2, 1, true, {"\"c", "d"}}, {3, 1, false, {"e", "f"}}}},
      {"text after a closing quote on the same line",
       "\"ab\"c,d\r\ne,f",
       {{1, 1, true, {"\"ab\"c", "d"}}, {2, 1, false, {"e", "f"}}}},
      {"a closing quote lines later, followed by text",
       "\"a,b\rc,d\rx\"y,z\r",
       {{1, 1, true, {"\"a", "b"}}, {2, 1, false, {"c", "d"}}, {3, 1, false, {"x\"y", "z"}}}},
      {"a later field's quote not closed",
       "\"a\",b,\"c\nd,e",
       {{1, 1, true, {"\"a\"", "b", "\"c"}}, {2, 1, false, {"d", "e"}}}},
      {"a sound quoted line break, then a bad quote on its second line",
       "\"a\nb\",c,\"d\ne,f",
       {{1, 1, true, {"\"a"}}, {2, 1, true, {"b\"", "c", "\"d"}}, {3, 1, false, {"e", "f"}}}},
      {"a sound quoted line break spans its lines",
       "x,y\r\n\"a\r\nb\r\nc\",d\r\ne,f",
       {{1, 1, false, {"x", "y"}}, {2, 3, false, {"a\r\nb\r\nc", "d"}}, {5, 1, false, {"e", "f"}}}},
      {"only a quote", "\"", {{1, 1, true, {"\""}}}},
      {"doubled quotes only, never closed",
       "\"\"\"\"\"\na,b",
       {{1, 1, true, {"\"\"\"\"\""}}, {2, 1, false, {"a", "b"}}}},
      {"blank lines around a bad quote",
       "\n\"\n\n",
       {{1, 1, false, {}}, {2, 1, true, {"\""}}, {3, 1, false, {}}}},
  };
  for (const Malformed& c : cases) {
    SCOPED_TRACE(c.what);
    CsvReader reader(c.bytes);
    QList<Rec> got;
    QByteArray joined;
    while (auto r = reader.next()) {
      got << Rec{r->line, r->lines, r->malformed, r->fields};
      joined += r->raw + "|";
    }
    ASSERT_EQ(got.size(), c.records.size()) << joined.toStdString();
    for (qsizetype k = 0; k < got.size(); ++k) {
      SCOPED_TRACE(k);
      EXPECT_EQ(got[k].line, c.records[k].line);
      EXPECT_EQ(got[k].lines, c.records[k].lines);
      EXPECT_EQ(got[k].malformed, c.records[k].malformed);
      EXPECT_EQ(got[k].fields, c.records[k].fields);
    }
  }
}

TEST(CsvFile, ALineOfAnyLengthKeepsEveryField) {
  QByteArray line;
  for (int k = 1; k <= 250; ++k) line += (k > 1 ? "," : "") + QByteArray::number(k);
  const Parsed p = parse(line);
  ASSERT_EQ(p.fields.size(), 1);
  ASSERT_EQ(p.fields[0].size(), 250);
  EXPECT_EQ(p.fields[0][249], "250");
}

TEST(CsvFile, EncodingFollowsTheBytes) {
  struct Enc {
    const char* what;
    QByteArray bytes;
    CsvEncoding encoding;
    QString first;
  };
  const Enc cases[] = {
      {"ASCII is UTF-8", "Jose,Diaz", CsvEncoding::Utf8, "Jose"},
      {"UTF-8 accents",
       "Jos\xC3\xA9,D\xC3\xAD"
       "az",
       CsvEncoding::Utf8, QString::fromUtf8("José")},
      {"a byte-order mark is dropped", "\xEF\xBB\xBFJos\xC3\xA9,x", CsvEncoding::Utf8Bom,
       QString::fromUtf8("José")},
      {"Windows-1252 accents", "Jos\xE9,Fran\xE7ois", CsvEncoding::Windows1252, QString::fromUtf8("José")},
      {"the euro sign in Windows-1252", "\x80uro,x", CsvEncoding::Windows1252, QString::fromUtf8("€uro")},
      {"one bad byte late in the file makes it all Windows-1252", "J\xC3\xA9,x\r\ny,\xE9",
       CsvEncoding::Windows1252, QString::fromUtf8("JÃ©")},
  };
  for (const Enc& c : cases) {
    SCOPED_TRACE(c.what);
    CsvReader reader(c.bytes);
    EXPECT_EQ(reader.encoding(), c.encoding);
    auto r = reader.next();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->fields.value(0), c.first);
  }
  // Only the file's first U+FEFF is a byte-order mark; any other is a character of its field.
  CsvReader inner(
      "\xEF\xBB\xBF\xEF\xBB\xBF"
      "a,b\r\n\xEF\xBB\xBF"
      "c,d");
  EXPECT_EQ(inner.next()->fields, QStringList({QStringLiteral("\uFEFFa"), "b"}));
  const auto second = inner.next();
  EXPECT_EQ(second->fields, QStringList({QStringLiteral("\uFEFFc"), "d"}));
  EXPECT_EQ(second->text, QStringLiteral("\uFEFFc,d"));
  // The raw bytes of a record never include the byte-order mark, and are the file's own.
  CsvReader bom(
      "\xEF\xBB\xBF"
      "a,\xC3\xA9");
  EXPECT_EQ(bom.next()->raw, QByteArray("a,\xC3\xA9"));
}

}  // namespace
