#include "records/PropertyLists.h"

#include "Support.h"
#include "support/Fixtures.h"

#include <QDir>
#include <QFile>

using namespace tavrel;
using namespace tavrel::records;

namespace {

class PropertyListsTest : public test::AppFixture {};

TEST(PropertyLines, SplitAtLineEnds) {
  EXPECT_EQ(propertyLines("a\r\nb\r\n"), QStringList({"a", "b"}));
  EXPECT_EQ(propertyLines("a\r\nb"), QStringList({"a", "b"})) << "a last line without CR LF counts";
  EXPECT_EQ(propertyLines("a\nb\rc"), QStringList({"a", "b", "c"}));
  EXPECT_EQ(propertyLines("\r\n\r\n"), QStringList({"", ""}));
  EXPECT_EQ(propertyLines(""), QStringList());
  EXPECT_EQ(propertyLines("caf\xe9\r\n"), QStringList({QString::fromUtf8("caf\u00e9")}));
}

TEST(MailDat, FirstCommaSeparatesNameAndValue) {
  const auto list =
      parseMail("Container,Recipients\r\nTarget-Address,a,b,c\r\nno comma\r\n\r\n,empty name\r\n");
  ASSERT_EQ(list.rows.size(), 3);
  EXPECT_EQ(list.rows[0], (Mail_Attribute_Row{"Container", "Recipients"}));
  EXPECT_EQ(list.rows[1], (Mail_Attribute_Row{"Target-Address", "a,b,c"}));
  EXPECT_EQ(list.rows[2], (Mail_Attribute_Row{"", "empty name"}));
  ASSERT_EQ(list.warnings.size(), 1) << "the empty line is no warning";
  EXPECT_TRUE(list.warnings[0].contains("Mail.dat line 3"));
}

TEST(MailDat, EveryLineIsLoaded) {
  QByteArray bytes;
  for (int i = 1; i <= 60; ++i) bytes += QByteArray("attr") + QByteArray::number(i) + ",v\r\n";
  const auto list = parseMail(bytes);
  ASSERT_EQ(list.rows.size(), 60);
  EXPECT_EQ(list.rows[59].Name, "attr60");
}

TEST(W2KDat, TagNameAndValue) {
  const QString longValue(150, 'x');
  const QByteArray bytes = "p,department,Sales\r\nm,extensionAttribute1,a,b\r\nP,title,Boss\r\nx,company," +
                           longValue.toLatin1() + "\r\n";
  const auto list = parseW2K(bytes);
  EXPECT_TRUE(list.warnings.isEmpty());
  ASSERT_EQ(list.rows.size(), 4);
  EXPECT_EQ(list.rows[0], (W2K_Property_Row{kUserIcon, "department", "Sales"}));
  EXPECT_EQ(list.rows[1], (W2K_Property_Row{kMailIcon, "extensionAttribute1", "a,b"}));
  EXPECT_EQ(list.rows[2], (W2K_Property_Row{kMailIcon, "title", "Boss"}))
      << "only a lower-case p is a user attribute";
  EXPECT_EQ(list.rows[3].Value, longValue) << "values are not cut";
}

TEST(W2KDat, MalformedLinesAreSkippedWithAWarningAndLoadingGoesOn) {
  const auto list = parseW2K("p,a,1\r\n\r\np,nocomma\r\np\r\np,b,2\r\n");
  ASSERT_EQ(list.rows.size(), 2);
  EXPECT_EQ(list.rows[1].Name, "b");
  ASSERT_EQ(list.warnings.size(), 3);
  for (const QString& w : list.warnings) EXPECT_TRUE(w.startsWith("W2K.dat line ")) << w.toStdString();
  EXPECT_TRUE(list.warnings[0].contains("line 2"));
}

TEST(WTSDat, LineIIsRowI) {
  const auto five = parseWTS("a\r\nb\r\nZ:\r\nYes\r\nNo\r\n");
  EXPECT_EQ(five.rows, QStringList({"a", "b", "Z:", "Yes", "No"}));
  EXPECT_TRUE(five.warnings.isEmpty());

  QByteArray fourteen;
  for (int i = 1; i <= 14; ++i) fourteen += QByteArray::number(i) + "\r\n";
  const auto list = parseWTS(fourteen);
  EXPECT_EQ(list.rows.size(), 13);
  EXPECT_EQ(list.rows.last(), "13");
  ASSERT_EQ(list.warnings.size(), 1);
  EXPECT_TRUE(list.warnings[0].contains("WTS.dat"));
}

TEST(PropertyFormat, RowsBecomeCrLfLines) {
  EXPECT_EQ(formatMail({{"Container", "Recipients"}, {"x", "a,b"}}).value(),
            QByteArray("Container,Recipients\r\nx,a,b\r\n"));
  EXPECT_EQ(
      formatW2K({{kUserIcon, "department", "Sales"}, {kMailIcon, "title", "Boss"}, {"", "n", "v"}}).value(),
      QByteArray("p,department,Sales\r\nm,title,Boss\r\nm,n,v\r\n"));
  EXPECT_EQ(formatMail({}).value(), QByteArray());
  EXPECT_EQ(formatMail({{QString::fromUtf8("caf\u00e9"), QString::fromUtf8("\u4e2d")}}).value(),
            QByteArray("caf\xe9,?\r\n"));
}

TEST(PropertyFormat, FieldsThatWouldReadBackAsOtherRowsAreRefused) {
  const struct {
    QString name, value, expect;
  } cases[] = {
      {"a,b", "v", "comma"},
      {"a\r\nb", "v", "line break"},
      {"a", "v\nw", "line break"},
      {"a", "v\rw", "line break"},
  };
  for (const auto& c : cases) {
    auto mail = formatMail({{"ok", "ok"}, {c.name, c.value}});
    ASSERT_FALSE(mail.ok());
    EXPECT_TRUE(mail.message().contains(c.expect)) << mail.message().toStdString();
    EXPECT_TRUE(mail.message().contains("Mail.dat")) << mail.message().toStdString();
    EXPECT_TRUE(mail.message().contains("row 2")) << mail.message().toStdString();
    EXPECT_FALSE(formatW2K({{kUserIcon, c.name, c.value}}).ok());
  }
  EXPECT_TRUE(formatMail({{"name", "a,b"}}).ok()) << "a value may hold commas";
  QStringList wts(13, "x");
  EXPECT_TRUE(formatWTS(wts).ok());
  wts[4] = "a\r\nb";
  EXPECT_FALSE(formatWTS(wts).ok());
  EXPECT_FALSE(formatWTS(QStringList(12, "x")).ok());
}

TEST_F(PropertyListsTest, MissingMailDatIsCreatedWithTheThreeDefaultRows) {
  DatabaseFolder db(dir());
  auto list = loadMail(db);
  ASSERT_TRUE(list.ok()) << list.message().toStdString();
  EXPECT_TRUE(list->present);
  EXPECT_EQ(list->rows, defaultMailRows());
  const QByteArray file = test::readAll(dir() + "Mail.dat");
  EXPECT_TRUE(file.startsWith("Container,Recipients\r\nTarget-Address,%first%.%last%@"));
  EXPECT_TRUE(file.endsWith("\r\nReplication-Sensitivity,20\r\n"));
  EXPECT_EQ(file.count("\r\n"), 3);
}

TEST_F(PropertyListsTest, ExistingEmptyMailDatStaysEmpty) {
  ASSERT_TRUE(test::writeAll(dir() + "mail.dat", ""));
  auto list = loadMail(DatabaseFolder(dir()));
  ASSERT_TRUE(list.ok());
  EXPECT_TRUE(list->rows.isEmpty());
  EXPECT_EQ(test::readAll(dir() + "mail.dat"), QByteArray());
  EXPECT_FALSE(QFile::exists(dir() + "Mail.dat"));
}

TEST_F(PropertyListsTest, MissingW2KAndWTSAreNotCreated) {
  DatabaseFolder db(dir());
  auto w2k = loadW2K(db);
  auto wts = loadWTS(db);
  ASSERT_TRUE(w2k.ok());
  ASSERT_TRUE(wts.ok());
  EXPECT_FALSE(w2k->present);
  EXPECT_FALSE(wts->present);
  EXPECT_FALSE(QFile::exists(dir() + "W2K.dat"));
  EXPECT_FALSE(QFile::exists(dir() + "WTS.dat"));
}

TEST_F(PropertyListsTest, SaveAndLoadRoundTrip) {
  DatabaseFolder db(dir());
  const QList<W2K_Property_Row> rows = {{kUserIcon, "department", "Sales, North"}, {kMailIcon, "title", ""}};
  ASSERT_TRUE(saveW2K(db, rows));
  auto back = loadW2K(db);
  ASSERT_TRUE(back.ok());
  EXPECT_EQ(back->rows, rows);
  QStringList values;
  for (int i = 0; i < 13; ++i) values << QString("v%1").arg(i);
  ASSERT_TRUE(saveWTS(db, values));
  EXPECT_EQ(loadWTS(db)->rows, values);
  EXPECT_FALSE(QFile::exists(dir() + "W2K.dat.tmp")) << "no temporary file is left";
}

TEST_F(PropertyListsTest, RewriteKeepsTheFileNameItFound) {
  ASSERT_TRUE(test::writeAll(dir() + "w2k.dat", "p,a,1\r\n"));
  ASSERT_TRUE(saveW2K(DatabaseFolder(dir()), {{kUserIcon, "b", "2"}}));
  EXPECT_EQ(QDir(dir()).entryList(QDir::Files), QStringList({"w2k.dat"}));
  EXPECT_EQ(test::readAll(dir() + "w2k.dat"), QByteArray("p,b,2\r\n"));
}

TEST_F(PropertyListsTest, RefusedOrFailedRewriteKeepsThePreviousFile) {
  const QByteArray before = "Container,Recipients\r\n";
  ASSERT_TRUE(test::writeAll(dir() + "Mail.dat", before));
  EXPECT_FALSE(saveMail(DatabaseFolder(dir()), {{"a,b", "c"}}));
  EXPECT_EQ(test::readAll(dir() + "Mail.dat"), before);

  // A failure at any step of the rewrite.
  for (int k = 1;; ++k) {
    test::FaultyOps ops(k);
    Status s = saveMail(DatabaseFolder(dir(), ops), {{"New", "row"}});
    if (!ops.injected()) {
      ASSERT_TRUE(s) << s.message().toStdString();
      break;
    }
    EXPECT_FALSE(s) << "failure of " << ops.failedCall().toStdString() << " is reported";
    EXPECT_FALSE(s.message().isEmpty());
    EXPECT_EQ(test::readAll(dir() + "Mail.dat"), before) << ops.failedCall().toStdString();
    EXPECT_FALSE(QFile::exists(dir() + "Mail.dat.tmp"));
  }
  EXPECT_EQ(test::readAll(dir() + "Mail.dat"), QByteArray("New,row\r\n"));
}

TEST_F(PropertyListsTest, ReadOnlyFolderGivesErrors) {
  test::ReadOnlyOps ro;
  DatabaseFolder db(dir(), ro);
  auto mail = loadMail(db);
  EXPECT_FALSE(mail.ok()) << "the default Mail.dat can't be written";
  EXPECT_FALSE(mail.message().isEmpty());
  EXPECT_FALSE(saveWTS(db, QStringList(13, "x")));
  EXPECT_FALSE(QFile::exists(dir() + "WTS.dat"));
}

TEST_F(PropertyListsTest, MissingFolderGivesErrors) {
  DatabaseFolder db(dir() + "gone/");
  EXPECT_FALSE(loadMail(db).ok());
  EXPECT_FALSE(loadW2K(db).ok());
  EXPECT_FALSE(saveMail(db, {}));
}

}  // namespace
