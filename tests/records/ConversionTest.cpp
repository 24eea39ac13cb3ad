#include "records/Conversion.h"
#include "records/DatabaseFolder.h"
#include "records/Layout.h"
#include "records/Records.h"

#include "Support.h"
#include "platform/text/Cp1252.h"
#include "support/Fixtures.h"

#include <QFile>

#include <algorithm>
#include <functional>

using namespace tavrel;
using namespace tavrel::records;
using text::trimBlanks;

namespace {

const QString kComplete = "Conversion Complete";

template <class R>
R oldTemplate(const QString& name, int16_t deleted = 0, int16_t groups = 2) {
  R r;
  r.Deleted = deleted;
  r.GroupCount = groups;
  r.Name = name;
  r.ProfileShareUNC = "\\\\fs\\profiles\\" + name;
  r.HomeShareUNC = "\\\\fs\\home\\" + name;
  r.ProfileDirLocal = "D:\\Profiles\\" + name;
  r.HomeDirLocal = "D:\\Home\\" + name;
  r.ProfileShareName = name + "prof$";
  r.HomeShareName = name + "$";
  r.LogonScript = name + ".bat";
  r.HomeDrive = "H:";
  for (int i = 0; i < 51; ++i)
    r.Groups[i] = i < groups ? QString("%1-G%2").arg(name).arg(i) : QString("stale%1").arg(i);
  for (int i = 0; i < R::VarSlots; ++i) {
    r.VarName[i] = QString("N%1").arg(i);
    r.VarValue[i] = QString("%1-V%2").arg(name).arg(i);
  }
  for (int i = 0; i < 21; ++i) r.LogonHours[i] = static_cast<uint8_t>(i * 3 + name.size());
  return r;
}

Site_Record_V1 oldSite(const QString& name, int16_t deleted = 0) {
  Site_Record_V1 s;
  s.Deleted = deleted;
  s.SiteName = name;
  s.HomeServer = name + "-FS";
  s.ExchangeServer = name + "-EX";
  s.ExchOrg = "Org " + name;
  s.ExchSite = "Site " + name;
  return s;
}

Site_Record currentSite(const QString& name) {
  Site_Record s;
  s.SiteName = name;
  s.Exchange2000 = -1;
  s.MailStore = "Store";
  return s;
}

class ConversionTest : public test::FolderFixture {
 protected:
  ConvertHooks hooks() {
    return {[this](const QString& text, const QString& detail) {
              shown << text;
              details << detail;
            },
            [this] {
              ++versionWrites;
              return versionOk;
            }};
  }
  Status convert(int16_t kind, FileOps& ops = posixFileOps()) {
    shown.clear();
    details.clear();
    versionWrites = 0;
    return Convert_DB(db(), kind, hooks(), ops);
  }

  Result<RecordFile> openTemplates() {
    return DatabaseFolder(db()).open(names::Template, Template_Record::Length, RecordFile::Access::Read);
  }

  void writeKind1() {
    put("Site.dat", test::imageOf<Site_Record_V1>({oldSite("North"), oldSite("Gone", -1), oldSite("South")}));
    put("Template.dat", test::imageOf<Template_Record_V1>({oldTemplate<Template_Record_V1>("Staff"),
                                                           oldTemplate<Template_Record_V1>("Old", -1),
                                                           oldTemplate<Template_Record_V1>("Odd", 1, 0)}));
  }
  void writeKind2() {
    put("Template.dat",
        test::imageOf<Template_Record_V20>(
            {oldTemplate<Template_Record_V20>("Staff"), oldTemplate<Template_Record_V20>("Pupils", 0, 5)}));
  }
  void writeKind3() {
    put("Site.dat", test::imageOf<Site_Record>({currentSite("North"), currentSite("South")}));
    put("Template.dat",
        test::imageOf<Template_Record_V21>({oldTemplate<Template_Record_V21>("First"),
                                            oldTemplate<Template_Record_V21>("Second", -1),
                                            oldTemplate<Template_Record_V21>("Third", 0, 51)}));
  }
  void writeKind(int kind) {
    if (kind == 1) writeKind1();
    if (kind == 2) writeKind2();
    if (kind == 3) writeKind3();
  }

  QStringList shown;
  QStringList details;
  int versionWrites = 0;
  bool versionOk = true;
};

// Checks a converted template against the old record it came from.
template <class Old>
void expectConverted(const Template_Record& t, const Old& old) {
  EXPECT_EQ(t.Deleted, 0);
  EXPECT_EQ(t.GroupCount, old.GroupCount);
  EXPECT_EQ(trimBlanks(t.Name), trimBlanks(old.Name));
  EXPECT_EQ(trimBlanks(t.ProfileShareUNC), trimBlanks(old.ProfileShareUNC));
  EXPECT_EQ(trimBlanks(t.HomeShareUNC), trimBlanks(old.HomeShareUNC));
  EXPECT_EQ(trimBlanks(t.ProfileDirLocal), trimBlanks(old.ProfileDirLocal));
  EXPECT_EQ(trimBlanks(t.HomeDirLocal), trimBlanks(old.HomeDirLocal));
  EXPECT_EQ(trimBlanks(t.ProfileShareName), trimBlanks(old.ProfileShareName));
  EXPECT_EQ(trimBlanks(t.HomeShareName), trimBlanks(old.HomeShareName));
  EXPECT_EQ(trimBlanks(t.LogonScript), trimBlanks(old.LogonScript));
  EXPECT_EQ(t.HomeDrive, "H:");
  EXPECT_EQ(trimBlanks(t.PrimaryGroup), "Domain Users");
  for (int i = 0; i < Template_Record::GroupSlots; ++i) {
    if (i < old.GroupCount)
      EXPECT_EQ(trimBlanks(t.Groups[i]), trimBlanks(old.Groups[i])) << i;
    else
      EXPECT_EQ(trimBlanks(t.Groups[i]), "") << "unused slot " << i << " is blank";
  }
  for (int i = 0; i < Template_Record::VarSlots; ++i) {
    const bool had = i < Old::VarSlots;
    EXPECT_EQ(trimBlanks(t.VarName[i]), had ? trimBlanks(old.VarName[i]) : QString()) << i;
    EXPECT_EQ(trimBlanks(t.VarValue[i]), had ? trimBlanks(old.VarValue[i]) : QString()) << i;
  }
  if constexpr (Old::HasLogonHours)
    EXPECT_EQ(t.LogonHours, old.LogonHours);
  else
    for (uint8_t b : t.LogonHours) EXPECT_EQ(b, 255);
}

// The layout of a file is read from the file: its length, then its records' deleted flags where
// several layouts fit the length, and the copy a conversion keeps.
TEST_F(ConversionTest, FileLayoutsAreToldFromTheFiles) {
  // n sites of layout R, named S0, S1, ...
  const auto siteImage = []<class R>(int n, R) {
    QByteArray out;
    for (int i = 0; i < n; ++i) {
      R r;
      r.SiteName = QStringLiteral("S%1").arg(i);
      out += r.encode();
    }
    return out;
  };
  const auto sitesV1 = [&](int n) { return siteImage(n, Site_Record_V1{}); };
  const auto sites = [&](int n) { return siteImage(n, Site_Record{}); };
  const struct {
    const char* label;
    QByteArray bytes;
    bool keptCopy;
    std::optional<int16_t> layout;  // nullopt: no layout (missing or empty)
    bool ok;
  } cases[] = {
      {"empty", {}, false, std::nullopt, true},
      {"current", sites(3), false, 0, true},
      {"1.x", sitesV1(3), false, 1, true},
      {"77 of 1.x fit 51 current", sitesV1(77), false, 1, true},
      {"51 current fit 77 of 1.x", sites(51), false, 0, true},
      {"51 current with the kept copy", sites(51), true, 0, true},
      {"fits no layout", QByteArray(155, ' '), false, std::nullopt, false},
      {"fits both, plausible in neither", QByteArray(7854, ' '), false, std::nullopt, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    test::resetFolder(db());
    put("Site.dat", c.bytes);
    if (c.keptCopy) put("Site.v22", sitesV1(77));
    const DatabaseFolder folder(db());
    auto layout = detectFileLayout(folder, "Site.dat");
    EXPECT_EQ(layout.ok(), c.ok) << (layout.ok() ? "" : layout.message().toStdString());
    if (layout.ok()) {
      EXPECT_EQ(layout.value(), c.layout);
    }
  }
  test::resetFolder(db());
  const DatabaseFolder folder(db());
  EXPECT_FALSE(detectFileLayout(folder, "Site.dat").value().has_value()) << "a missing file";
  put("Template.dat",
      oldTemplate<Template_Record_V20>("A").encode() + oldTemplate<Template_Record_V20>("B").encode());
  EXPECT_EQ(detectConversionKind(folder).value(), 2);
  put("Site.dat", sitesV1(1));
  EXPECT_EQ(detectConversionKind(folder).value(), 1) << "old sites convert both files";
}

// A template file that cannot be converted stops the conversion before the sites are converted:
// the folder is left as it was, not half converted.
TEST_F(ConversionTest, ATemplateFileThatCannotBeConvertedLeavesTheSitesAsTheyWere) {
  put("Site.dat", test::imageOf<Site_Record_V1>({oldSite("North"), oldSite("South")}));
  put("Template.dat", QByteArray(2856, ' '));  // fits no layout
  const QByteArray sites = file("Site.dat");
  EXPECT_FALSE(convert(1).ok());
  EXPECT_EQ(file("Site.dat"), sites);
  EXPECT_FALSE(has("Site.v22"));
  EXPECT_FALSE(has("Site.new"));
  EXPECT_EQ(versionWrites, 0);
}

// Records marked with a flag other than 0 and -1 still tell the layout of a file whose length
// fits two layouts.
TEST_F(ConversionTest, SeventySevenOldSitesWithOddFlagsAreConverted) {
  QList<Site_Record_V1> sites;
  for (int i = 0; i < 77; ++i)
    sites.append(oldSite(QStringLiteral("S%1").arg(i), static_cast<int16_t>(i % 3 - 1)));
  put("Site.dat", test::imageOf<Site_Record_V1>(sites));
  ASSERT_TRUE(convert(1).ok()) << details.join(' ').toStdString();
  EXPECT_TRUE(has("Site.v22"));
}

TEST_F(ConversionTest, Kind3ConvertsTemplatesAndLeavesSitesAlone) {
  writeKind3();
  const QByteArray oldTemplates = file("Template.dat");
  const QByteArray sites = file("Site.dat");
  ASSERT_TRUE(convert(3));
  EXPECT_EQ(shown, QStringList({kComplete}));
  EXPECT_EQ(versionWrites, 1);
  EXPECT_EQ(file("Site.dat"), sites);
  EXPECT_FALSE(has("Site.v22"));
  EXPECT_EQ(file("Template.v22"), oldTemplates) << "the old file is kept unchanged";
  EXPECT_FALSE(has("Template.new"));

  auto f = openTemplates();
  ASSERT_EQ(f->byteLength().value(), 2 * 4324);
  expectConverted(f->readAs<Template_Record>(1).value(), oldTemplate<Template_Record_V21>("First"));
  expectConverted(f->readAs<Template_Record>(2).value(), oldTemplate<Template_Record_V21>("Third", 0, 51));
}

TEST_F(ConversionTest, Kind2PermitsEveryHourAndKeepsAllVariables) {
  writeKind2();
  ASSERT_TRUE(convert(2));
  auto f = openTemplates();
  ASSERT_EQ(f->count().value(), 2);
  const Template_Record t = f->readAs<Template_Record>(2).value();
  expectConverted(t, oldTemplate<Template_Record_V20>("Pupils", 0, 5));
  EXPECT_EQ(trimBlanks(t.VarValue[50]), "Pupils-V50");
}

TEST_F(ConversionTest, Kind1ConvertsSitesAndTemplates) {
  writeKind1();
  const QByteArray oldSites = file("Site.dat");
  ASSERT_TRUE(convert(1));
  EXPECT_EQ(shown, QStringList({kComplete}));
  EXPECT_EQ(file("Site.v22"), oldSites);

  auto sites = DatabaseFolder(db()).open(names::Site, Site_Record::Length, RecordFile::Access::Read);
  ASSERT_EQ(sites->byteLength().value(), 2 * 154);
  const Site_Record south = sites->readAs<Site_Record>(2).value();
  EXPECT_EQ(south.Deleted, 0);
  EXPECT_EQ(south.Exchange2000, 0);
  EXPECT_EQ(trimBlanks(south.SiteName), "South");
  EXPECT_EQ(trimBlanks(south.HomeServer), "South-FS");
  EXPECT_EQ(trimBlanks(south.ExchangeServer), "South-EX");
  EXPECT_EQ(south.ExchOrg, QString("Org South").leftJustified(30, ' '));
  EXPECT_EQ(south.ExchSite, QString("Site South").leftJustified(30, ' '));
  EXPECT_EQ(south.MailStore, QString(30, ' '));

  auto f = openTemplates();
  ASSERT_EQ(f->count().value(), 2);
  expectConverted(f->readAs<Template_Record>(1).value(), oldTemplate<Template_Record_V1>("Staff"));
  expectConverted(f->readAs<Template_Record>(2).value(), oldTemplate<Template_Record_V1>("Odd", 1, 0));
}

TEST_F(ConversionTest, SecondRunChangesNothing) {
  for (int kind = 1; kind <= 3; ++kind) {
    test::resetFolder(db());
    writeKind(kind);
    ASSERT_TRUE(convert(kind)) << kind;
    const auto after = test::snapshot(db());
    ASSERT_TRUE(convert(kind)) << kind;
    EXPECT_EQ(test::snapshot(db()), after) << "kind " << kind;
    EXPECT_EQ(shown, QStringList({kComplete}));
    EXPECT_EQ(versionWrites, 1);
  }
}

// The slots in use are those below the count: a negative count uses none, a count past the
// layout's slots uses them all. Neither stops the conversion of the folder.
TEST_F(ConversionTest, GroupCountsAreReadAsTheLayoutHoldsThem) {
  const struct {
    int16_t groups;
    int16_t converted;
  } cases[] = {{0, 0}, {51, 51}, {52, 51}, {-1, 0}, {-300, 0}, {1000, 51}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.groups);
    test::resetFolder(db());
    put(
        "Template.dat", oldTemplate<Template_Record_V21>("T", 0, 0).encode() + [&] {
          auto r = oldTemplate<Template_Record_V21>("U", 0, 51);
          r.GroupCount = c.groups;
          return r.encode();
        }());
    Status s = convert(3);
    ASSERT_TRUE(s.ok()) << s.message().toStdString();
    auto f = openTemplates();
    const Template_Record t = f->readAs<Template_Record>(2).value();
    EXPECT_EQ(t.GroupCount, c.converted);
    for (int i = 0; i < Template_Record::GroupSlots; ++i)
      EXPECT_EQ(trimBlanks(t.Groups[i]), i < c.converted ? QStringLiteral("U-G%1").arg(i) : QString()) << i;
    EXPECT_EQ(versionWrites, 1);
  }
}

TEST_F(ConversionTest, MissingSiteDatIsNothingToConvert) {
  writeKind1();
  QFile::remove(db() + "Site.dat");
  ASSERT_TRUE(convert(1));
  EXPECT_EQ(shown, QStringList({"Can't find " + db() + "Site.dat", kComplete}));
  EXPECT_EQ(versionWrites, 1);
  EXPECT_EQ(openTemplates()->count().value(), 2);
  EXPECT_FALSE(has("Site.dat"));
}

TEST_F(ConversionTest, MissingTemplateDatStillRecordsTheVersion) {
  for (int kind = 1; kind <= 3; ++kind) {
    test::resetFolder(db());
    writeKind(kind);
    QFile::remove(db() + "Template.dat");
    ASSERT_TRUE(convert(kind));
    EXPECT_EQ(shown, QStringList({"Can't find " + db() + "Template.dat", kComplete}));
    EXPECT_EQ(versionWrites, 1) << "converting again would find nothing to do";
    EXPECT_FALSE(has("Template.dat"));
  }
}

TEST_F(ConversionTest, OldFileNamesInOtherLetterCase) {
  put("site.dat", test::imageOf<Site_Record_V1>({oldSite("North")}));
  put("template.dat", test::imageOf<Template_Record_V1>({oldTemplate<Template_Record_V1>("Staff")}));
  ASSERT_TRUE(convert(1));
  EXPECT_EQ(file("site.dat").size(), 154);
  EXPECT_EQ(file("template.dat").size(), 4324);
  EXPECT_TRUE(has("Site.v22"));
  EXPECT_TRUE(has("Template.v22"));
}

TEST_F(ConversionTest, LeftoverNewFileIsNotCarriedOver) {
  writeKind3();
  put("Template.new", QByteArray(10 * 4324, 'x'));
  ASSERT_TRUE(convert(3));
  EXPECT_EQ(file("Template.dat").size(), 2 * 4324);
  EXPECT_FALSE(file("Template.dat").contains("xxxx"));
}

TEST_F(ConversionTest, ExistingV22CopyStopsTheConversionWithoutChanges) {
  writeKind3();
  put("template.V22", "earlier");
  const auto before = test::snapshot(db());
  EXPECT_FALSE(convert(3));
  EXPECT_EQ(shown, QStringList({"Error renaming template files. File may already exist."}));
  EXPECT_TRUE(details[0].contains("already exists")) << details[0].toStdString();
  EXPECT_EQ(test::snapshot(db()), before);
  EXPECT_EQ(versionWrites, 0);

  writeKind1();
  put("Site.v22", "earlier");
  EXPECT_FALSE(convert(1));
  EXPECT_EQ(shown, QStringList({"Error renaming Site File. File May Already exist"}));
  EXPECT_FALSE(has("Site.new"));
}

TEST_F(ConversionTest, FileOfNeitherLayoutIsAClearErrorAndStaysUnchanged) {
  put("Template.dat", QByteArray(1000, 'x'));
  EXPECT_FALSE(convert(3));
  EXPECT_EQ(shown, QStringList({"Error with template file ...."}));
  EXPECT_TRUE(details[0].contains("1000")) << details[0].toStdString();
  EXPECT_EQ(file("Template.dat"), QByteArray(1000, 'x'));
  EXPECT_EQ(versionWrites, 0);

  test::resetFolder(db());
  put("Site.dat", QByteArray(103, 'x'));
  EXPECT_FALSE(convert(1));
  EXPECT_EQ(shown, QStringList({"Error with site file..."}));
  EXPECT_FALSE(has("Site.v22"));
}

TEST_F(ConversionTest, TemplatesOfAnotherVersionAreNotMisread) {
  // A "2.0" file converted as if it were "2.1": 3757 is no whole number of 3778-byte records.
  writeKind2();
  const QByteArray before = file("Template.dat");
  EXPECT_FALSE(convert(3));
  EXPECT_EQ(file("Template.dat"), before);
}

TEST_F(ConversionTest, EmptyFilesAreLeftAlone) {
  put("Site.dat", "");
  put("Template.dat", "");
  ASSERT_TRUE(convert(1));
  EXPECT_EQ(shown, QStringList({kComplete}));
  EXPECT_EQ(versionWrites, 1);
  EXPECT_FALSE(has("Site.v22"));
  EXPECT_FALSE(has("Template.v22"));
}

TEST_F(ConversionTest, LengthFittingBothLayoutsIsJudgedByTheKeptCopy) {
  // 7,854 bytes are 77 records of 102 bytes and 51 of 154.
  QList<Site_Record_V1> old;
  for (int i = 0; i < 77; ++i) old << oldSite(QString("S%1").arg(i));
  put("Site.dat", test::imageOf(old));
  put("Template.dat", "");
  ASSERT_TRUE(convert(1));
  EXPECT_EQ(file("Site.dat").size(), 77 * 154) << "no kept copy: the file is of the old layout";

  QList<Site_Record> current;
  for (int i = 0; i < 51; ++i) current << currentSite(QString("S%1").arg(i));
  put("Site.dat", test::imageOf(current));
  ASSERT_TRUE(has("Site.v22"));
  ASSERT_TRUE(convert(1));
  EXPECT_EQ(file("Site.dat"), test::imageOf(current)) << "with the kept copy it was converted before";
}

TEST_F(ConversionTest, FailedVersionWriteIsReportedAndTheNextRunFinishes) {
  writeKind3();
  versionOk = false;
  EXPECT_FALSE(convert(3));
  EXPECT_EQ(shown, QStringList({"Error renaming template files. File may already exist."}));
  EXPECT_FALSE(details[0].isEmpty());
  const auto converted = test::snapshot(db());
  versionOk = true;
  ASSERT_TRUE(convert(3));
  EXPECT_EQ(shown, QStringList({kComplete}));
  EXPECT_EQ(versionWrites, 1);
  EXPECT_EQ(test::snapshot(db()), converted);
}

TEST_F(ConversionTest, MissingFolderIsAFailure) {
  shown.clear();
  Status s = Convert_DB(dir() + "nowhere/", 2, hooks());
  EXPECT_FALSE(s);
  EXPECT_EQ(shown, QStringList({"Error with template file ...."}));
  EXPECT_EQ(versionWrites, 0);
}

TEST_F(ConversionTest, OldFileIsCopiedWhereLinksAreRefused) {
  writeKind1();
  const auto before = test::snapshot(db());
  test::NoLinkOps ops;
  ASSERT_TRUE(convert(1, ops));
  EXPECT_EQ(file("Site.v22"), before["Site.dat"]);
  EXPECT_EQ(file("Template.v22"), before["Template.dat"]);
}

TEST_F(ConversionTest, FailureAtAnyStepLeavesTheOriginalsReadable) {
  for (int kind = 1; kind <= 3; ++kind) {
    test::resetFolder(db());
    writeKind(kind);
    const auto original = test::snapshot(db());
    ASSERT_TRUE(convert(kind));
    const auto converted = test::snapshot(db());

    for (int k = 1;; ++k) {
      test::resetFolder(db());
      writeKind(kind);
      test::FaultyOps ops(k);
      Status s = convert(kind, ops);
      if (!ops.injected()) {
        ASSERT_TRUE(s);
        EXPECT_EQ(test::snapshot(db()), converted);
        break;
      }
      const std::string where = "kind " + std::to_string(kind) + ", failed " +
                                ops.failedCall().toStdString() + " (call " + std::to_string(k) + ")";
      EXPECT_FALSE(s) << where;
      EXPECT_FALSE(shown.contains(kComplete)) << where;
      EXPECT_EQ(versionWrites, 0) << where;
      for (const QString& name : {QString("Site"), QString("Template")}) {
        const QString dat = name + ".dat", v22 = name + ".v22";
        if (!original.contains(dat)) continue;
        if (file(dat) == original[dat]) {
          EXPECT_FALSE(has(v22)) << where;
        } else {
          EXPECT_EQ(file(dat), converted[dat]) << where;
          EXPECT_EQ(file(v22), original[dat]) << where;
        }
        EXPECT_FALSE(has(name + ".new")) << where;
      }
      // Starting again finishes the work.
      ASSERT_TRUE(convert(kind)) << where;
      EXPECT_EQ(test::snapshot(db()), converted) << where;
    }
  }
}

}  // namespace
