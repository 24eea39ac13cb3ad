// Importing users from a CSV file through the main window: the command's checks and messages,
// the preview, the run over many kinds of lines, Import.err, the halts, Stop, the expiry and
// group columns, the import options window and its settings, and a large import that the tree
// shows after a restart.

#include "DomainFixture.h"

#include "support/CreationRecords.h"

#include "creation/CsvFile.h"
#include "mainwindow/ImportWindows.h"
#include "platform/adsi/Counters.h"
#include "platform/security/AccountLookup.h"
#include "platform/simnet/Resources.h"
#include "records/Records.h"
#include "startup/Clock.h"

#include <QApplication>
#include <QLayout>
#include <QRegularExpression>
#include <QTimer>

using namespace tavrel;
using mainwindow::CSV_Import;
using test::DomainFixture;

namespace {

const QString kDomainDn = QStringLiteral("DC=example,DC=local");
const QString kStaff = QStringLiteral("OU=Staff,") + kDomainDn;
const QByteArray kStars(41, '*');

class Import : public DomainFixture {
 protected:
  // example.local with OU=Staff, the groups Teachers and Printing, the file server FS1 (simulated
  // beside the test DC there), the Staff template and the Main site; accounts only, no folders.
  void network() {
    if (!dc) builder->forest("example.local", "EXAMPLE");
    builder->ou("example.local", "OU=Staff")
        .group("example.local", "Teachers", simnet::GroupSpec().in("OU=Staff"))
        .group("example.local", "Printing");
    install();
    std::unique_ptr<simnet::NetworkBuilder> files =
        dc ? std::make_unique<simnet::NetworkBuilder>(dir() + "files") : nullptr;
    simnet::NetworkBuilder& fs = files ? *files : *builder;
    if (files) files->forest("example.local", "EXAMPLE");
    fs.fileServer("FS1", "example.local", "D");
    auto built = fs.build();
    ASSERT_TRUE(built.ok()) << built.error().message.toStdString();
    fileNet_ = *built;
    simnet::installPlatformLayers(fileNet_);
    security::setAccountDirectory(backend());
    ASSERT_TRUE(test::writeAll(db() + "Template.dat", test::staffTemplate({"Teachers"}).encode()));
    ASSERT_TRUE(test::writeAll(db() + "Site.dat", test::mainSite().encode()));
    ASSERT_TRUE(connect("example.local"));
    w->Load_Databases();
    w->nutemplate->setCurrentIndex(0);
    w->NUsitename->setCurrentIndex(0);
    w->setupid->setText("1%first%%last%");
    w->defaultpassword->setText("Start-Pw1");
    w->FN_Format->setText("%first% %last%");
    w->Create_User_Account->setChecked(true);
    select(kStaff);
  }
  // A fresh window and network for the next case of a table.
  void restart() {
    TearDown();
    QDir(dir() + "net").removeRecursively();
    QDir(dir() + "files").removeRecursively();
    QDir(db()).removeRecursively();
    SetUp();
  }
  void select(const QString& key) {
    QTreeWidgetItem* n = node(key);
    ASSERT_NE(n, nullptr) << key.toStdString();
    w->TreeView1->setCurrentItem(n);
  }
  void setting(const char* name, const QString& value) {
    state::reg().Write_Value(registry::HKEY_LOCAL_MACHINE, registry::subkey("Setup"), name, value);
  }
  QString csv(const QByteArray& bytes, const QString& name = "users.csv") {
    const QString path = dir() + name;
    EXPECT_TRUE(test::writeAll(path, bytes));
    return path;
  }
  // Import.err's lines after its byte-order mark and four header lines; "<bad header>" when the
  // header is not as it should be.
  QList<QByteArray> errLines() const {
    const QByteArray bytes = test::readAll(db() + "Import.err");
    if (!bytes.startsWith("\xEF\xBB\xBF")) return {QByteArray("<bad header>")};
    QList<QByteArray> lines = bytes.mid(3).split('\n');
    for (QByteArray& l : lines)
      if (l.endsWith('\r')) l.chop(1);
    if (lines.size() < 5 || lines[0] != kStars || lines[2] != "The following users were not created." ||
        lines[3] != kStars || !lines.last().isEmpty())
      return {QByteArray("<bad header>")};
    return lines.mid(4, lines.size() - 5);
  }
  QStringList staff() const {
    QStringList out;
    for (const QString& t : childTexts(node(kStaff))) out << t.trimmed();
    return out;
  }
  // The options window is read again from the settings at its next use.
  static void reloadOptions() { mainwindow::ImportGrps::unload(); }
  QStringList log() const {
    QStringList out;
    for (int i = 0; i < w->ListView1->topLevelItemCount(); ++i) {
      QTreeWidgetItem* row = w->ListView1->topLevelItem(i);
      out << row->data(0, Qt::UserRole).toString() + "|" + row->text(0);
    }
    return out;
  }
  QString lastLog() const { return log().value(log().size() - 1); }
  QStringList redRows() const { return log().filter(QRegularExpression("^RED\\|")); }
  QString errPath() const { return db() + "Import.err"; }
  // The on-screen summary of an import that made `added` users and refused `refused` lines.
  QString summary(int added, int refused, const QString& file = "users.csv") const {
    const QString count = "Number of Users Imported from " + file + " = " + QString::number(added);
    if (refused == 0) return "GREEN|" + count;
    return "YELLOW|" + count + ", not imported = " + QString::number(refused) + ", in " + errPath();
  }
  QStringList logLines() const { return QString::fromLatin1(test::readAll(db() + "Log.txt")).split("\r\n"); }
  adsi::Result<adsi::AdsObject> user(const QString& cn) {
    return admin().GetObject("LDAP://CN=" + cn + "," + kStaff);
  }

  // Runs "Import Users" with `path` chosen in the file dialog; `answer` presses OK or Cancel in
  // the preview (or closes it with its close box when null), which is left in `preview`.
  void importUsers(const QString& path,
                   QPushButton* mainwindow::CSV_Import::*answer = &mainwindow::CSV_Import::Command1) {
    prompts.answerText(path);
    QTimer::singleShot(0, [this, answer] {
      auto* p = qobject_cast<mainwindow::CSV_Import*>(QApplication::activeModalWidget());
      if (!p) return;
      seen.file = p->File_Name->text();
      seen.encoding = p->Encoding->text();
      seen.rows = p->ListView1->count();
      if (answer)
        (p->*answer)->click();
      else
        p->close();
    });
    w->Import_Users_Click();
  }
  struct Seen {
    QString file, encoding;
    int rows = -1;
  } seen;

  std::shared_ptr<simnet::SimNetwork> fileNet_;
};

TEST_F(Import, TheCommandChecksTheSelections) {
  network();
  auto* ou = node(kStaff);
  QTreeWidgetItem* root = w->TreeView1->topLevelItem(0);
  const QString w2k =
      "To Import Users you must select a Template and a Site\r\nand select an OU from the treeview.";
  const QString copy =
      "To Import Users you must select a Template and a Site\r\nand select an User from the treeview.\r\nor "
      "turn "
      "off 'copy user' function, and select an OU";
  struct Case {
    const char* what;
    int mode;
    bool noTemplate, copyUser;
    QTreeWidgetItem* selected;
    QString message;
  };
  const Case cases[] = {
      {"no template", 0, true, false, ou, w2k},
      {"a domain node", 0, false, false, root, w2k},
      {"copy user on an OU", 1, false, true, ou, copy},
      {"NT mode without a template", 2, true, false, ou,
       "To Import Users you must select a Template and a Site."},
      {"NT mode, copy user on an OU", 2, false, true, ou,
       "To Import Users you must select a Template and a Site."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    prompts.asked.clear();
    state::shared().Directory_Mode = c.mode;
    w->nutemplate->setCurrentIndex(c.noTemplate ? -1 : 0);
    w->Copy_User->setChecked(c.copyUser);
    w->TreeView1->setCurrentItem(c.selected);
    w->strFirst->setText("left over");
    w->Import_Users_Click();
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].prompt, c.message);
    EXPECT_EQ(prompts.asked[0].title, "Can't Import Users");
    EXPECT_EQ(prompts.asked[0].style, ui::kStyleCritical);
    EXPECT_EQ(w->strFirst->text(), "") << "the name fields are cleared first";
    EXPECT_EQ(w->SSTab1->currentIndex(), int(mainwindow::form1::kNewUserPage));
  }
  // No node selected: the command ends without a word.
  state::shared().Directory_Mode = 0;
  w->TreeView1->setCurrentItem(nullptr);
  prompts.asked.clear();
  w->Import_Users_Click();
  EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(Import, CancellingTheFileDialogOrThePreviewImportsNothing) {
  network();
  const QString path = csv("ann,x,lee\r\nbob,y,ray\r\n");
  prompts.answerText(std::nullopt);
  w->Import_Users_Click();
  importUsers(path, &CSV_Import::Command2);
  EXPECT_EQ(seen.rows, 2);
  // The close box after an accepted import does not start one either.
  importUsers(path, nullptr);
  EXPECT_EQ(seen.rows, 2);
  EXPECT_TRUE(staff().isEmpty());
  EXPECT_FALSE(QFile::exists(db() + "Import.err"));
}

TEST_F(Import, AnImportFromTheMenuCreatesEveryLinesUserAndSaysSo) {
  network();
  w->STOP_ON_RED[0]->setChecked(false);
  const QString path = csv("ann,,lee\r\n\r\nsolo\r\nbob,\"x, y\",\"ray\"\r\n");
  importUsers(path);
  EXPECT_EQ(seen.file, path.size() >= 41 ? "..." + path.right(37) : path);
  EXPECT_EQ(seen.encoding, "Characters read as UTF-8");
  EXPECT_EQ(staff(), QStringList({"Ann Lee", "Bob Ray"}));
  EXPECT_EQ(errLines(), QList<QByteArray>({"", "solo"}));
  EXPECT_EQ(status(), "Import Complete. 2 users Added, 2 not added. Check " + errPath() + " for errors.");
  EXPECT_EQ(redRows(),
            QStringList({"RED| Line 2 not imported: the line is empty",
                         "RED| Line 3 not imported: the line has no comma, so it holds no last name"}));
  EXPECT_EQ(lastLog(), summary(2, 2));
  EXPECT_EQ(w->Import_Text->text(), "");
  EXPECT_FALSE(state::shared().Import_Mode);
  EXPECT_TRUE(w->isEnabled());
  // Log.txt: the start and end blocks around the users' own.
  const QStringList lines = QString::fromLatin1(test::readAll(db() + "Log.txt")).split("\r\n");
  EXPECT_TRUE(lines.contains("Starting Import from: " + path));
  EXPECT_EQ(lines.value(lines.size() - 2), "Import Finished");
  EXPECT_TRUE(lines.contains("Line 3 not imported: the line has no comma, so it holds no last name"));

  // A file whose every line made a user: GREEN, and the status names Import.err all the same.
  importUsers(csv("cal,x,ng\r\n", "more.csv"));
  EXPECT_EQ(status(), "Import Complete. 1 users Added. Check " + errPath() + " for errors.");
  EXPECT_EQ(lastLog(), summary(1, 0, "more.csv"));
}

TEST_F(Import, LinesOfEveryKind) {
  network();
  QByteArray wide = "wide,many";
  for (int k = 3; k <= 130; ++k) wide += "," + QByteArray::number(k);
  struct Case {
    const char* what;
    QByteArray bytes;
    QStringList users;  // the Staff OU's users afterwards
    QList<QByteArray> err;
    int refused;
  };
  const Case cases[] = {
      {"an empty file", "", {}, {}, 0},
      {"two fields: an empty last name", "amy,x\r\n", {"Amy"}, {}, 0},
      {"an empty middle name; spaces dropped from the names only",
       " John ,,Smith\r\n",
       {"John Smith"},
       {},
       0},
      {"quoted commas; a quoted line break in a name makes no user",
       "\"Ann\",\"M, K\",\"Lee\"\r\n\"Bo\r\nb\",x,Ray\r\n",
       {"Ann Lee"},
       {"\"Bo", "b\",x,Ray"},
       1},
      {"a byte-order mark",
       "\xEF\xBB\xBFJos\xC3\xA9,x,D\xC3\xAD"
       "az\r\n",
       {QString::fromUtf8("José Díaz")},
       {},
       0},
      {"Windows-1252 accents", "Fran\xE7ois,x,M\xFCller\r\n", {QString::fromUtf8("François Müller")}, {}, 0},
      {"blank lines and a line without a comma",
       "\r\n\r\nalone\r\ncal,x,ng\r\n",
       {"Cal Ng"},
       {"", "", "alone"},
       3},
      {"a line of more than 100 fields", wide, {"Wide 3"}, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    restart();
    network();
    ASSERT_TRUE(w->Run_Import(csv(c.bytes)));
    EXPECT_EQ(staff(), c.users);
    EXPECT_EQ(errLines(), c.err);
    EXPECT_EQ(lastLog(), summary(int(c.users.size()), c.refused));
    EXPECT_EQ(redRows().size(), c.refused);
  }
  EXPECT_EQ(state::shared().Import_Field_Count, 130) << "the whole count of the last line";
  EXPECT_EQ(state::shared().ImportField[130], "130");
}

TEST_F(Import, FieldsKeepTheirSpacesWhileTheNamesDropThem) {
  network();
  w->Description->setText("[%IMPORT1%]");
  ASSERT_TRUE(w->Run_Import(csv(" John ,,Smith,\"a, b\"\r\n")));
  auto u = user("JSmith");
  ASSERT_TRUE(u.ok());
  EXPECT_EQ(u->Get("givenName")->toString(), "John");
  EXPECT_EQ(u->Get("description")->toString(), "[ John ]");
  EXPECT_EQ(state::shared().ImportField[4], "a, b");
  // Only spaces go: a no-break space is part of the name, as everywhere else in the program.
  ASSERT_TRUE(w->Run_Import(csv("kim, \xC2\xA0M\xC2\xA0 ,lee\r\n")));
  EXPECT_EQ(state::shared().Users_Added_Count, 1);
  EXPECT_EQ(w->StrMiddle->text(), QStringLiteral("\u00A0M\u00A0"));
}

// The lines a file has (a line break at its very end starts none).
qsizetype linesIn(const QByteArray& bytes) {
  qsizetype n = 0;
  for (qsizetype k = 0; k < bytes.size(); ++k) {
    if (bytes[k] != '\r' && bytes[k] != '\n') continue;
    if (bytes[k] == '\r' && k + 1 < bytes.size() && bytes[k + 1] == '\n') ++k;
    ++n;
  }
  return n + (!bytes.isEmpty() && !bytes.endsWith('\n') && !bytes.endsWith('\r') ? 1 : 0);
}

// Malformed quoting: a stray quote never takes the lines after it, and every line of the file
// ends either in a record that made a user or in Import.err, with a line on screen saying why.
TEST_F(Import, EveryLineMakesAUserOrIsInImportErr) {
  struct Case {
    const char* what;
    QByteArray bytes;
    QStringList users;
    qsizetype userLines;  // the lines of the records that made the users
    QList<QByteArray> err;
    QStringList said;  // the YELLOW and RED rows, each row's start
  };
  const QString quoteRead =
      ": a quote does not close its field; the line is read as it stands, split at every comma";
  const QString badId = " not imported: the User ID holds characters an account name cannot hold";
  const Case cases[] = {
      {"an opening quote never closed, then a quote followed by text",
       "\"ann,x,lee\r\nbob,x,ray\r\n\"cy\",x,zed\r\n",
       {"Bob Ray", "Cy Zed"},
       2,
       {"\"ann,x,lee"},
       {"YELLOW| Line 1" + quoteRead, "RED| Line 1" + badId}},
      {"a closing quote lines later, followed by text",
       "\"al,x,lee\rbo,x,ray\rcy,q\"r,zed\r",
       {"Bo Ray", "Cy Zed"},
       2,
       {"\"al,x,lee"},
       {"YELLOW| Line 1" + quoteRead, "RED| Line 1" + badId}},
      {"a later field's quote never closed",
       "ann,x,\"lee\r\nbob,x,ray",
       {"Bob Ray"},
       1,
       {"ann,x,\"lee"},
       {"YELLOW| Line 1" + quoteRead, "RED| Line 1" + badId}},
      {"an unclosed quote on the last line",
       "ann,x,lee\n\"bob,x,ray",
       {"Ann Lee"},
       1,
       {"\"bob,x,ray"},
       {"YELLOW| Line 2" + quoteRead, "RED| Line 2" + badId}},
      {"a malformed line without a comma",
       "\"solo\r\nbob,x,ray\r\n",
       {"Bob Ray"},
       1,
       {"\"solo"},
       {"YELLOW| Line 1" + quoteRead,
        "RED| Line 1 not imported: the line has no comma, so it holds no last name"}},
      {"a sound quoted line break in a name",
       "ann,x,lee\n\"bo\nb\",x,ray\ncal,x,ng\n",
       {"Ann Lee", "Cal Ng"},
       2,
       {"\"bo", "b\",x,ray"},
       {"RED| Lines 2-3 not imported: the first name holds a line break or another control character: "
        "bo<LF>b"}},
      {"a sound quoted line break in another field",
       "\"ann\",x,lee,\"12 High St\r\nLeeds\"\r\nbob,x,ray\r\n",
       {"Ann Lee", "Bob Ray"},
       3,
       {},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    restart();
    network();
    w->STOP_ON_RED[0]->setChecked(false);
    w->ListView1->clear();
    ASSERT_TRUE(w->Run_Import(csv(c.bytes)));
    EXPECT_EQ(staff(), c.users);
    EXPECT_EQ(errLines(), c.err);
    EXPECT_EQ(c.userLines + errLines().size(), linesIn(c.bytes)) << "every line is in one place";
    QStringList said = log().filter(QRegularExpression("^(RED|YELLOW)\\| Line"));
    ASSERT_EQ(said.size(), c.said.size()) << said.join('\n').toStdString();
    for (qsizetype k = 0; k < said.size(); ++k)
      EXPECT_TRUE(said[k].startsWith(c.said[k])) << said[k].toStdString();
    EXPECT_EQ(lastLog(), summary(int(c.users.size()), c.err.isEmpty() ? 0 : 1));
  }
}

// A name or ID holding a line break or another control character makes no user; the record goes
// to Import.err whole, and the lines that say why show the character by name.
TEST_F(Import, ANameOrIdWithAControlCharacterMakesNoUser) {
  struct Case {
    const char* what;
    QByteArray bytes;
    QString why;  // after "Line(s) ... not imported: "
    QList<QByteArray> err;
  };
  const QString held = " holds a line break or another control character: ";
  const Case cases[] = {
      {"a tab inside the first name", "a\tb,x,lee", "the first name" + held + "a<TAB>b", {"a\tb,x,lee"}},
      {"a leading tab is no blank: it is not trimmed away",
       "\tjohn,x,lee",
       "the first name" + held + "<TAB>john",
       {"\tjohn,x,lee"}},
      {"a quoted carriage return in the last name (a line break of its own)",
       "ann,x,\"le\re\"",
       "the last name" + held + "le<CR>e",
       {"ann,x,\"le\re\""}},
      {"DEL in the middle name",
       "ann,m\x7Fm,lee",
       "the middle name" + held + "m<U+007F>m",
       {"ann,m\x7Fm,lee"}},
      {"a C1 control in the last name",
       "ann,x,le\xC2\x85"
       "e",
       "the last name" + held + "le<U+0085>e",
       {"ann,x,le\xC2\x85"
        "e"}},
      {"a line separator in the first name",
       "a\xE2\x80\xA8n,x,lee",
       "the first name" + held + "a<U+2028>n",
       {"a\xE2\x80\xA8n,x,lee"}},
      {"an ID taking a field with DEL",
       "ann,x,lee,k\x7Fl",
       "the User ID" + held + "ak<U+007F>l",
       {"ann,x,lee,k\x7Fl"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    restart();
    network();
    w->setupid->setText("1%first%%IMPORT4%");
    w->STOP_ON_RED[0]->setChecked(false);
    ASSERT_TRUE(w->Run_Import(csv(c.bytes + "\r\nbob,x,ray,z\r\n")));
    EXPECT_EQ(staff(), QStringList({"Bob Ray"})) << "the next line is imported";
    EXPECT_EQ(errLines(), c.err);
    const QString line =
        (c.bytes.contains('\r') ? "Lines 1-2" : "Line 1") + QString(" not imported: ") + c.why;
    EXPECT_EQ(redRows(), QStringList({"RED| " + line}));
    EXPECT_TRUE(logLines().contains(line)) << "Log.txt says it on one line";
    // No byte of Log.txt is a control character other than the CR LF that end its lines.
    const QByteArray logBytes = test::readAll(db() + "Log.txt");
    for (qsizetype k = 0; k < logBytes.size(); ++k) {
      const uchar b = uchar(logBytes[k]);
      const bool lineEnd = (b == '\r' && k + 1 < logBytes.size() && logBytes[k + 1] == '\n') ||
                           (b == '\n' && k > 0 && logBytes[k - 1] == '\r');
      ASSERT_TRUE(lineEnd || (b >= 0x20 && b != 0x7F)) << "byte " << k << ": " << int(b);
    }
    for (const QString& row : log())
      EXPECT_FALSE(row.contains(QRegularExpression("[\\x00-\\x1F\\x7F-\\x9F\\x{2028}\\x{2029}]")));
  }
}

TEST_F(Import, ALineWhoseUserExistsGoesToImportErrAsItStandsWithoutAQuestion) {
  network();
  w->ALTID->clear();
  // The same person twice, the second time in Windows-1252 with a quoted line break in field 4.
  const QByteArray second = "\"Ann\",x,Lee,\"Caf\xE9\r\nBar\"";
  ASSERT_TRUE(w->Run_Import(csv("ann,,lee\r\n" + second + "\r\n")));
  EXPECT_EQ(staff(), QStringList({"Ann Lee"}));
  EXPECT_EQ(errLines(), QList<QByteArray>({"\"Ann\",x,Lee,\"Caf\xC3\xA9", "Bar\""}))
      << "the record's text, in UTF-8";
  EXPECT_TRUE(prompts.asked.empty());
  EXPECT_EQ(lastLog(), summary(1, 1));
  EXPECT_EQ(redRows().value(redRows().size() - 1),
            "RED| Lines 2-3 not imported: User Name ALee already exist");
}

TEST_F(Import, HaltsFollowThePreferences) {
  // A first name too long for the directory fails the account (RED); an expiry that is no date
  // is a warning (YELLOW).
  const QByteArray bad = QByteArray(70, 'a') + ",x,long,2030-01-01";
  const QByteArray warned = "wes,x,ward,soon";
  const QByteArray good = "gil,x,good,2030-01-01";
  struct Case {
    const char* what;
    bool onErrors, onWarnings;
    QByteArray lines;
    bool result;
    QString verdict;
    QByteArray errLast;
    int added;
  };
  const Case cases[] = {
      {"halt on errors", true, false, bad + "\r\n" + good, false,
       "RED| Import Halted because errors were detected", "Import Halted because error were detected", 0},
      {"errors without the halt go on", false, false, bad + "\r\n" + good, true,
       "YELLOW|Number of Users Imported from users.csv = 1, not imported = 1, in ", bad, 1},
      {"halt on warnings", false, true, warned + "\r\n" + good, false,
       "YELLOW| Import Halted because WARNINGS were detected", "Import Halted because warnings were detected",
       1},
      {"warnings without the halt go on",
       true,
       false,
       warned + "\r\n" + good,
       true,
       "GREEN|Number of Users Imported from users.csv = 2",
       {},
       2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    restart();
    network();
    setting("AccountExpire", "%IMPORT4%");
    reloadOptions();
    w->STOP_ON_RED[0]->setChecked(c.onErrors);
    w->STOP_ON_RED[1]->setChecked(c.onWarnings);
    beeps.resetBeeps();
    EXPECT_EQ(w->Run_Import(csv(c.lines + "\r\n")), c.result);
    EXPECT_EQ(lastLog(), c.verdict + (c.verdict.startsWith("YELLOW|Number") ? errPath() : QString()));
    EXPECT_EQ(state::shared().Users_Added_Count, c.added);
    EXPECT_EQ(errLines().value(errLines().size() - 1), c.errLast);
    EXPECT_TRUE(w->isEnabled());
    EXPECT_FALSE(state::shared().Import_Mode);
    if (!c.result) {
      EXPECT_GE(beeps.beeps(), 1);
      // The line never read goes before the halt line, so Import.err holds every line not made.
      EXPECT_EQ(errLines().value(errLines().size() - 2), good);
      EXPECT_TRUE(
          logLines().contains("Import halted after line 1 of 2; the 1 lines not read are in " + errPath()));
    }
  }
}

TEST_F(Import, ExpiryDatesAndGroupColumnsAreApplied) {
  network();
  setting("AccountExpire", "%IMPORT4%");
  setting("ImportGroupsStart", "5");
  setting("ImportGroupsFinish", "6");
  reloadOptions();
  ASSERT_TRUE(
      w->Run_Import(csv("ann,x,lee,2031-06-30,nosuch,printing,Printing\r\nbob,x,ray,,,,Printing\r\n")));
  auto ann = user("ALee");
  ASSERT_TRUE(ann.ok());
  EXPECT_EQ(ann->Get("AccountExpirationDate")->toDateTime().date(), QDate(2031, 6, 30));
  auto bob = user("BRay");
  ASSERT_TRUE(bob.ok());
  EXPECT_NE(bob->Get("AccountExpirationDate")->toDateTime().date(), QDate(2031, 6, 30))
      << "an empty field sets none";
  auto printing = admin().GetObject("LDAP://CN=Printing,CN=Users," + kDomainDn);
  EXPECT_TRUE(printing->IsMember(ann->ADsPath()).value()) << "field 6";
  EXPECT_FALSE(printing->IsMember(bob->ADsPath()).value()) << "field 7 is outside the range";
}

TEST_F(Import, StopInTheMiddleKeepsTheUsersSoFar) {
  network();
  QByteArray lines;
  for (char c = 'a'; c <= 'h'; ++c) lines += QByteArray(1, c) + "n,x,lee" + QByteArray(1, c) + "\r\n";
  // Stop is pressed while the third user is being made: that user is finished, the fourth is not.
  int created = 0;
  QObject::connect(w->ListView1->model(), &QAbstractItemModel::rowsInserted, w.get(), [&] {
    if (!lastLog().contains("Created User") || ++created != 3) return;
    for (QWidget* top : QApplication::topLevelWidgets())
      if (auto* c = qobject_cast<mainwindow::CancelImport*>(top); c && c->isVisible())
        QMetaObject::invokeMethod(c->CancelButton, &QPushButton::click, Qt::QueuedConnection);
  });
  EXPECT_TRUE(w->Run_Import(csv(lines)));
  EXPECT_EQ(staff().size(), 3);
  EXPECT_EQ(state::shared().Users_Added_Count, 3);
  EXPECT_EQ(
      log().mid(log().size() - 2),
      QStringList({"GREEN| Import Halted by User",
                   "YELLOW| Import stopped after line 3 of 8; the 5 lines not read are in " + errPath()}));
  EXPECT_EQ(errLines(), QList<QByteArray>({"dn,x,leed", "en,x,leee", "fn,x,leef", "gn,x,leeg", "hn,x,leeh"}));
  for (QWidget* top : QApplication::topLevelWidgets())
    EXPECT_FALSE(qobject_cast<mainwindow::CancelImport*>(top) && top->isVisible())
        << "the cancel window is closed";
}

// Stop is clicked (when the event loop next turns) once the `n`th user of the import is made.
void stopAfterUser(mainwindow::form1& w, int n, std::function<void(const QString&)> seen = {}) {
  auto created = std::make_shared<int>(0);
  QObject::connect(w.ListView1->model(), &QAbstractItemModel::rowsInserted, &w,
                   [&w, n, created, seen](const QModelIndex&, int first) {
                     const QString text = w.ListView1->topLevelItem(first)->text(0);
                     if (seen) seen(text);
                     if (!text.startsWith(" Created User") || ++*created != n) return;
                     for (QWidget* top : QApplication::topLevelWidgets())
                       if (auto* c = qobject_cast<mainwindow::CancelImport*>(top); c && c->isVisible())
                         QMetaObject::invokeMethod(c->CancelButton, &QPushButton::click,
                                                   Qt::QueuedConnection);
                   });
}

// Twenty lines, one refused for its characters and one whose ID is too long: each says why on
// screen and in Log.txt, and the summary counts both.
TEST_F(Import, EveryLineThatMadeNoUserIsSaidOnScreenAndInTheLog) {
  network();
  w->STOP_ON_RED[0]->setChecked(false);
  QList<QByteArray> lines;
  for (int i = 1; i <= 20; ++i) lines << "u" + QByteArray::number(i) + ",x,s" + QByteArray::number(i);
  lines[6] = "ann,x,o'neil";
  lines[12] = "bob,x," + QByteArray(25, 'q');
  importUsers(csv(lines.join("\r\n") + "\r\n"));
  EXPECT_EQ(state::shared().Users_Added_Count, 18);
  const QStringList red = redRows();
  ASSERT_EQ(red.size(), 2) << red.join('\n').toStdString();
  EXPECT_EQ(
      red[0],
      "RED| Line 7 not imported: the User ID holds characters an account name cannot hold ('): AO'neil");
  EXPECT_EQ(red[1], "RED| Line 13 not imported: the User ID is longer than 20 characters: B" +
                        QString(25, 'q').replace(0, 1, "Q"));
  EXPECT_EQ(lastLog(), summary(18, 2));
  EXPECT_EQ(status(), "Import Complete. 18 users Added, 2 not added. Check " + errPath() + " for errors.");
  EXPECT_EQ(errLines(), QList<QByteArray>({lines[6], lines[12]}));
  const QStringList logged = logLines();
  for (const QString& row : red) EXPECT_TRUE(logged.contains(row.mid(5))) << row.toStdString();
}

// 3,000 lines stopped midway: Import.err holds exactly the lines that made no user, the refused
// ones first and then every line not read, and imported again as it is it makes the rest.
TEST_F(Import, AStoppedImportLeavesImportErrHoldingExactlyTheLinesNotMade) {
  network();
  w->STOP_ON_RED[0]->setChecked(false);
  QList<QByteArray> lines;
  for (int i = 1; i <= 3000; ++i) lines << "u" + QByteArray::number(i) + ",x,s" + QByteArray::number(i);
  lines[9] = "solo";
  lines[19] = "long,x," + QByteArray(25, 'q');
  QString statusAtLine10, statusBetweenUsers;
  stopAfterUser(*w, 1500, [&](const QString& row) {
    if (row.startsWith(" Line 10 not imported")) statusAtLine10 = status();
    // What the window shows when the event loop turns after the 1,500th user.
    if (row == " Created User US1502")
      QMetaObject::invokeMethod(
          w.get(), [&] { statusBetweenUsers = status(); }, Qt::QueuedConnection);
  });
  importUsers(csv(lines.join("\r\n") + "\r\n"));
  EXPECT_EQ(statusAtLine10, "Importing Users.... user 10 of 3000");
  EXPECT_EQ(statusBetweenUsers, "Importing Users.... user 1502 of 3000");
  EXPECT_EQ(state::shared().Users_Added_Count, 1500);
  // The 1,500th user came from line 1502; line 1503 was never read.
  QList<QByteArray> notMade{lines[9], lines[19]};
  notMade += lines.mid(1502);
  EXPECT_EQ(errLines(), notMade);
  EXPECT_EQ(status(),
            "Import Stopped after line 1502 of 3000. 1500 users Added, 2 not added. The lines not imported "
            "are in " +
                errPath());
  EXPECT_EQ(lastLog(),
            "YELLOW| Import stopped after line 1502 of 3000; the 1498 lines not read are in " + errPath());
  EXPECT_TRUE(logLines().contains("Import stopped after line 1502 of 3000; the 1498 lines not read are in " +
                                  errPath()));

  const QString again = dir() + "again.csv";
  ASSERT_TRUE(test::writeAll(again, test::readAll(errPath())));
  importUsers(again);
  EXPECT_EQ(state::shared().Users_Added_Count, 1498);
  EXPECT_EQ(staff().size(), 2998);
  // The old header's four lines have no comma; the two refused lines are refused again.
  const QList<QByteArray> left = errLines();
  ASSERT_EQ(left.size(), 6);
  EXPECT_EQ(left.mid(4), QList<QByteArray>({lines[9], lines[19]}));
}

// Import.err reads back as the file was read, whatever its encoding: a Windows-1252 line that
// happens to be valid UTF-8 on its own keeps the reading the whole file gave it.
TEST_F(Import, ImportErrReadsBackAsTheFileWasRead) {
  struct Case {
    const char* what;
    QByteArray bytes;
    QString first;  // the first name line 2 gives
  };
  const Case cases[] = {
      {"Windows-1252, every line left valid UTF-8", "zo\xE9,x,one\r\nRen\xC3\xA9,x,two\r\n",
       QString::fromUtf8("Ren\u00c3\u00a9")},
      {"Windows-1252 throughout",
       "zo\xE9,x,one\r\nRen\xC3\xA9,x,two\r\nL\xE9"
       "a,x,three\r\n",
       QString::fromUtf8("Ren\u00c3\u00a9")},
      {"UTF-8",
       "zo\xC3\xA9,x,one\r\nRen\xC3\xA9,x,two\r\nL\xC3\xA9"
       "a,x,three\r\n",
       QString::fromUtf8("Ren\u00e9")},
      {"UTF-8 with a byte-order mark", "\xEF\xBB\xBFzo,x,one\r\nRen\xC3\xA9,x,two\r\n",
       QString::fromUtf8("Ren\u00e9")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    restart();
    network();
    stopAfterUser(*w, 1);
    ASSERT_TRUE(w->Run_Import(csv(c.bytes)));
    ASSERT_EQ(state::shared().Users_Added_Count, 1);
    // The records after Import.err's header are the file's unread records, read the same.
    creation::CsvReader file(c.bytes), err(test::readAll(errPath()));
    file.next();
    for (int k = 0; k < 4; ++k) err.next();
    while (auto expected = file.next()) {
      auto got = err.next();
      ASSERT_TRUE(got);
      EXPECT_EQ(got->text, expected->text);
      EXPECT_EQ(got->fields, expected->fields);
    }
    EXPECT_FALSE(err.next());
    // Imported again, it makes the user the file would have made.
    const QString again = dir() + "again.csv";
    ASSERT_TRUE(test::writeAll(again, test::readAll(errPath())));
    ASSERT_TRUE(w->Run_Import(again));
    auto u = user("RTwo");
    ASSERT_TRUE(u.ok());
    EXPECT_EQ(u->Get("givenName")->toString(), c.first);
  }
}

TEST_F(Import, AFileThatCannotBeReadEndsWithAMessage) {
  network();
  importUsers(dir() + "missing.csv");
  EXPECT_EQ(seen.rows, 0);
  EXPECT_GE(beeps.beeps(), 1) << "the preview beeps";
  ASSERT_FALSE(prompts.asked.empty());
  EXPECT_EQ(prompts.asked.back().prompt, "Errors during Import. Check log files for details.");
  EXPECT_EQ(prompts.asked.back().title, "Import error");
  EXPECT_EQ(w->StatusBar1->panelText(1), "Errors during Import. Check log files for details.")
      << "the status bar no longer says that the import runs";
  EXPECT_TRUE(lastLog().startsWith("RED| Import failed: cannot read " + dir() + "missing.csv"))
      << lastLog().toStdString();
  EXPECT_TRUE(errLines().isEmpty()) << "the header only";
  EXPECT_TRUE(w->isEnabled());
}

TEST_F(Import, ThePreviewShowsTwoLinesAsImportColumns) {
  struct Case {
    const char* what;
    QByteArray bytes;
    QStringList headers;
    QList<QStringList> rows;
    int beeps;
  };
  const Case cases[] = {
      {"three then five fields",
       "a,b,c\r\nd,e,f,g,h\r\nnot shown\r\n",
       {"%IMPORT1%", "%IMPORT2%", "%IMPORT3%", "%IMPORT4%", "%IMPORT5%"},
       {{"a", "b", "c", "", ""}, {"d", "e", "f", "g", "h"}},
       0},
      {"quoted fields, Windows-1252",
       "\"L\xE9o, Jr\",x\r\ny,z\r\n",
       {"%IMPORT1%", "%IMPORT2%"},
       {{QString::fromUtf8("Léo, Jr"), "x"}, {"y", "z"}},
       0},
      {"one line: empty list and a beep", "a,b,c\r\n", {}, {}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    beeps.resetBeeps();
    CSV_Import p;
    p.Form_Load(csv(c.bytes));
    QStringList headers;
    for (int i = 0; i < p.ListView1->columnCount() && !c.headers.isEmpty(); ++i)
      headers << p.ListView1->headerItem()->text(i);
    EXPECT_EQ(headers, c.headers);
    QList<QStringList> rows;
    for (int r = 1; r <= p.ListView1->count(); ++r) {
      QStringList row{p.ListView1->text(r)};
      for (int j = 1; j < c.headers.size(); ++j) row << p.ListView1->subItem(r, j);
      rows << row;
    }
    EXPECT_EQ(rows, c.rows);
    EXPECT_EQ(beeps.beeps(), c.beeps);
    EXPECT_FALSE(p.Import_Accepted);
  }
  const std::pair<QString, QString> paths[] = {
      {QString(40, 'p'), QString(40, 'p')},
      {QString(4, 'q') + QString(37, 'p'), "..." + QString(37, 'p')},
      {"/home/admin/imports/2026/autumn/new-staff-list.csv", "...mports/2026/autumn/new-staff-list.csv"},
  };
  for (const auto& [path, shown] : paths) EXPECT_EQ(CSV_Import::shownPath(path), shown) << path.toStdString();
}

TEST_F(Import, TheOptionsWindowValidatesAndStoresItsSettings) {
  using mainwindow::ImportGrps;
  // Loading: the option follows the stored texts exactly.
  struct Load {
    const char *start, *finish;
    int option;
    bool boxes;
  };
  const Load loads[] = {{"0", "0", 0, false}, {"0", "99", 1, false}, {"00", "0", 2, true},
                        {" 0", "0", 2, true}, {"3", "120", 2, true}, {nullptr, nullptr, 0, false}};
  for (const Load& l : loads) {
    SCOPED_TRACE(l.start ? l.start : "missing");
    if (l.start) {
      setting("ImportGroupsStart", l.start);
      setting("ImportGroupsFinish", l.finish);
    } else {
      state::reg().Delete_Value(registry::HKEY_LOCAL_MACHINE, registry::subkey("Setup"), "ImportGroupsStart");
      state::reg().Delete_Value(registry::HKEY_LOCAL_MACHINE, registry::subkey("Setup"),
                                "ImportGroupsFinish");
    }
    ImportGrps::unload();
    ImportGrps& g = ImportGrps::instance();
    EXPECT_TRUE(g.Grp_Range[size_t(l.option)]->isChecked());
    EXPECT_EQ(g.LowerRange->isEnabled(), l.boxes);
    EXPECT_EQ(g.LowerRange->text(), l.start ? l.start : "0") << "shown unchanged";
  }

  ImportGrps::unload();
  ImportGrps& g = ImportGrps::instance();
  g.Grp_Range_Click(1);
  EXPECT_EQ(g.LowerRange->text() + "/" + g.UpperRange->text(), "0/99");
  g.Grp_Range_Click(2);
  EXPECT_TRUE(g.UpperRange->isEnabled());
  // Every edit is checked as typed.
  const std::pair<const char*, bool> edits[] = {{"", true},    {"5", false}, {"99", false},
                                                {"100", true}, {"-1", true}, {"x", true}};
  for (const auto& [text, said] : edits) {
    prompts.asked.clear();
    g.LowerRange->clear();
    g.LowerRange->insert(text);  // as typed
    g.Range_Change(g.LowerRange);
    ASSERT_EQ(prompts.asked.empty(), !said) << text;
    if (said) {
      EXPECT_EQ(prompts.asked.back().prompt, "Enter Number 0-99");
    }
  }
  // Start above finish is refused; equal is one field.
  g.LowerRange->setText("5");
  g.UpperRange->setText("3");
  g.Expiredate->setText("2030-01-31");
  prompts.asked.clear();
  g.OKButton_Click();
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].prompt, "Start value cannot be greater then Finish value");
  QString stored;
  EXPECT_FALSE(state::reg().Read_Value(registry::HKEY_LOCAL_MACHINE, registry::subkey("Setup"),
                                       "AccountExpire", stored));
  g.UpperRange->setText("5");
  g.OKButton_Click();
  for (const auto& [name, value] : {std::pair{"ImportGroupsStart", "5"}, std::pair{"ImportGroupsFinish", "5"},
                                    std::pair{"AccountExpire", "2030-01-31"}}) {
    ASSERT_TRUE(
        state::reg().Read_Value(registry::HKEY_LOCAL_MACHINE, registry::subkey("Setup"), name, stored));
    EXPECT_EQ(stored, value) << name;
  }
}

// A thousand users, then a fresh program on the same network: the tree shows every one.
TEST_F(Import, AThousandUsersAreInTheTreeAfterARestart) {
  network();
  QByteArray lines;
  for (int i = 0; i < 1000; ++i)
    lines += "user" + QByteArray::number(i) + ",x,staff" + QByteArray::number(i) + "\r\n";
  ASSERT_TRUE(w->Run_Import(csv(lines)));
  EXPECT_EQ(state::shared().Users_Added_Count, 1000);
  EXPECT_TRUE(errLines().isEmpty());
  w = std::make_unique<mainwindow::form1>();
  w->dbpath->setText(db());
  w->DisplayName->setChecked(true);
  ASSERT_TRUE(connect("example.local"));
  const QStringList users = staff();
  EXPECT_EQ(users.size(), 1000);
  EXPECT_TRUE(users.contains("User0 Staff0"));
  EXPECT_TRUE(users.contains("User999 Staff999"));
}

// What one imported user costs the directory, counted by the back ends: the writes the creation
// makes and no more, few searches, one connection for the whole import (a real directory) and
// one write transaction per user (the simulated network).
TEST_F(Import, WhatEachImportedUserCostsTheDirectory) {
  network();
  constexpr int kUsers = 10;
  QByteArray lines;
  const QString tag = QString::number(QDateTime::currentMSecsSinceEpoch() % 100000);
  for (int i = 0; i < kUsers; ++i)
    lines += "cost,x,c" + tag.toLatin1() + "n" + QByteArray::number(i) + "\r\n";
  const QString path = csv(lines);
  const adsi::Counts before = adsi::counts();
  ASSERT_TRUE(w->Run_Import(path));
  const adsi::Counts cost = adsi::counts() - before;
  ASSERT_EQ(state::shared().Users_Added_Count, kUsers);
  SCOPED_TRACE(cost.toString(kUsers).toStdString());
  // The account, its names, its password, its flags, its group and its primary group.
  EXPECT_EQ(cost[adsi::Counter::Writes], 6u * kUsers);
  // Three per user (the logon name, the name in the container, the account's flags before they
  // are written), and once per import the container, the password policy and the group with its
  // RID.
  EXPECT_LE(cost[adsi::Counter::Searches], 3u * kUsers + 4);
  if (dc) {
    EXPECT_LE(cost[adsi::Counter::Connections], 1u);
    EXPECT_LE(cost[adsi::Counter::TlsHandshakes], 1u);
    EXPECT_LE(cost[adsi::Counter::Binds], 1u);
  } else {
    EXPECT_EQ(cost[adsi::Counter::Transactions], std::uint64_t(kUsers));
  }
}

// An import lays the window's labels out only at its paint turns; when it ends, whatever they
// asked for meanwhile has been laid out: nothing in the window is left owing a layout.
TEST_F(Import, TheWindowIsLaidOutWhenTheImportEnds) {
  network();
  w->show();
  QCoreApplication::processEvents();
  // Pages never shown are laid out by nothing but this.
  for (QLayout* layout : w->findChildren<QLayout*>()) layout->activate();
  QByteArray lines;
  for (int i = 0; i < 5; ++i) lines += "lay,x,out" + QByteArray::number(i) + "\r\n";
  ASSERT_TRUE(w->Run_Import(csv(lines)));
  ASSERT_EQ(state::shared().Users_Added_Count, 5);
  QCoreApplication::processEvents();
  // (Those of pages not on screen wait until they are shown, import or not.)
  for (QLayout* layout : w->findChildren<QLayout*>()) {
    if (layout->parentWidget()->isVisible()) {
      EXPECT_FALSE(layout->activate()) << layout->parentWidget()->objectName().toStdString();
    }
  }
}

// An import paints the window only at its paint turns, and only what changed; once it ends, what
// the window shows is what it holds, and the window is painted as usual again.
TEST_F(Import, TheWindowShowsTheLastUserAndIsPaintedAgainAfterTheImport) {
  network();
  w->show();
  QCoreApplication::processEvents();
  // What the last paint of the status and of the on-screen log showed.
  struct Painted : QObject {
    QLabel* status;
    QTreeWidget* log;
    QString statusText;
    int logRows = -1;
    Painted(QLabel* s, QTreeWidget* t) : status(s), log(t) {}
    bool eventFilter(QObject* o, QEvent* e) override {
      if (e->type() == QEvent::Paint && o == status) statusText = status->text();
      if (e->type() == QEvent::Paint && o == log->viewport()) logRows = log->topLevelItemCount();
      return false;
    }
  } painted(w->StatusBar1->panel(1), w->ListView1);
  qApp->installEventFilter(&painted);
  ASSERT_TRUE(w->Run_Import(csv("ann,,lee\r\nbob,,ray\r\ncid,,fox\r\n")));
  ASSERT_EQ(state::shared().Users_Added_Count, 3);
  QCoreApplication::processEvents();
  EXPECT_EQ(painted.statusText, QStringLiteral("Importing Users.... user 3 of 3"));
  EXPECT_EQ(painted.logRows, w->ListView1->topLevelItemCount());
  // After the import, a change is painted at the next turn of the event loop.
  w->StatusBar1->setPanelText(1, QStringLiteral("after"));
  w->LOG_TAB(QStringLiteral("GREEN"), QStringLiteral(" after"));
  QCoreApplication::processEvents();
  EXPECT_EQ(painted.statusText, QStringLiteral("after"));
  EXPECT_EQ(painted.logRows, w->ListView1->topLevelItemCount());
  qApp->removeEventFilter(&painted);
}

// The import sets a record's three names as typing them would: each field that changes makes the
// user ID preview from the fields as they then stand, and a preview that fails says so in red. A
// long first name beside the last line's long last name overflows the format once, between the
// two fields; the unchanged middle name makes no preview.
TEST_F(Import, EachNameThatChangesMakesThePreviewItsChangeWouldMake) {
  network();
  w->setupid->setText(QStringLiteral("%first%%last%"));
  const QByteArray longName(20000, 'x');
  ASSERT_TRUE(w->Run_Import(csv("ann,,L" + longName + "\r\nF" + longName + ",,bob\r\n")));
  QStringList overflows;
  int lineOneRows = -1, lineTwoRows = -1;
  for (int i = 0; i < w->ListView1->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* row = w->ListView1->topLevelItem(i);
    if (row->text(0).contains(QStringLiteral("expands to more than"))) overflows << QString::number(i);
    if (row->text(0).startsWith(QStringLiteral(" Line 1 not imported"))) lineOneRows = i;
    if (row->text(0).startsWith(QStringLiteral(" Line 2 not imported"))) lineTwoRows = i;
  }
  ASSERT_EQ(overflows.size(), 1) << overflows.join(u',').toStdString();
  EXPECT_GT(overflows[0].toInt(), lineOneRows);
  EXPECT_LT(overflows[0].toInt(), lineTwoRows);
  EXPECT_EQ(w->UserID_Box->text(), QStringLiteral("F") + longName + QStringLiteral("Bob"));
}

// A record whose names are those of the record before makes no preview: its ID is not the last
// user's but the one the format gives for its own line.
TEST_F(Import, ARecordWithTheNamesOfTheOneBeforeGetsAnIdOfItsOwn) {
  network();
  w->setupid->setText(QStringLiteral("%first%%IMPORT4%"));
  ASSERT_TRUE(w->Run_Import(csv("Ann,,Lee,x1\r\nAnn,,Lee,x2\r\n")));
  EXPECT_EQ(state::shared().Users_Added_Count, 2);
  for (const QString cn : {"AnnX1", "AnnX2"}) {
    auto u = user(cn);
    EXPECT_TRUE(u.ok()) << cn.toStdString();
  }
}

// An import reads the template again only when its file changed: a template saved while the
// import runs (another instance, between two users) applies from the next user on.
TEST_F(Import, ATemplateSavedDuringAnImportAppliesFromTheNextUser) {
  network();
  const QString path = csv("ann,,lee\r\nbob,,ray\r\ncid,,fox\r\n");
  records::Template_Record changed = test::staffTemplate({"Teachers"});
  changed.LogonScript = "other.bat";
  // Saved at the first turn of the event loop, which an import gives after each user.
  QTimer::singleShot(0, [&] { ASSERT_TRUE(test::writeAll(db() + "Template.dat", changed.encode())); });
  ASSERT_TRUE(w->Run_Import(path));
  ASSERT_EQ(state::shared().Users_Added_Count, 3);
  for (const QString cn : {"BRay", "CFox"}) {
    auto u = user(cn);
    ASSERT_TRUE(u.ok()) << cn.toStdString();
    EXPECT_EQ(u->Get("scriptPath")->toString(), "other.bat") << cn.toStdString();
  }
}

// The same holds for a template saved in place whose file keeps its size and times, as two saves
// within one tick of the file system's clock leave it: the edit still applies from the next user.
TEST_F(Import, ATemplateRewrittenInPlaceWithItsTimesKeptAppliesFromTheNextUser) {
  network();
  const QString path = csv("ann,,lee\r\nbob,,ray\r\ncid,,fox\r\n");
  records::Template_Record changed = test::staffTemplate({"Teachers"});
  changed.LogonScript = "other.bat";
  QTimer::singleShot(0, [&] { ASSERT_TRUE(test::overwriteKeepingTimes(db() + "Template.dat", changed.encode())); });
  ASSERT_TRUE(w->Run_Import(path));
  ASSERT_EQ(state::shared().Users_Added_Count, 3);
  EXPECT_EQ(user("ALee")->Get("scriptPath")->toString(), "staff.bat") << "read before the edit";
  for (const QString cn : {"BRay", "CFox"}) {
    auto u = user(cn);
    ASSERT_TRUE(u.ok()) << cn.toStdString();
    EXPECT_EQ(u->Get("scriptPath")->toString(), "other.bat") << cn.toStdString();
  }
}

// The same import into a real directory: 200 users, every one created.
TEST_F(Import, TwoHundredUsersIntoTheDirectory) {
  network();
  QByteArray lines;
  const QString tag = QString::number(QDateTime::currentMSecsSinceEpoch() % 100000);
  for (int i = 0; i < 200; ++i) lines += "imp,x,t" + tag.toLatin1() + "n" + QByteArray::number(i) + "\r\n";
  ASSERT_TRUE(w->Run_Import(csv(lines)));
  EXPECT_EQ(state::shared().Users_Added_Count, 200);
  EXPECT_TRUE(errLines().isEmpty());
  EXPECT_EQ(staff().size(), 200);
}

}  // namespace
