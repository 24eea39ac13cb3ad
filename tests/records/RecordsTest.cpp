#include "records/Records.h"

#include "platform/text/Cp1252.h"

#include <gtest/gtest.h>

using namespace tavrel::records;
using tavrel::text::trimBlanks;

namespace {

// Builds a golden record by hand: each piece is declared with the offset where it must begin.
class Golden {
 public:
  Golden& at(int offset, const QByteArray& piece) {
    EXPECT_EQ(bytes_.size(), offset) << "piece declared at " << offset;
    bytes_ += piece;
    return *this;
  }
  Golden& text(int offset, const char* s, int width) {
    QByteArray piece(s);
    piece += QByteArray(width - piece.size(), ' ');
    return at(offset, piece);
  }
  Golden& blanks(int offset, int count) { return at(offset, QByteArray(count, ' ')); }
  const QByteArray& bytes() const { return bytes_; }

 private:
  QByteArray bytes_;
};

QByteArray raw(const char* s, int n) {
  return QByteArray(s, n);
}

// ---- Site_Record -----------------------------------------------------------------------------

QByteArray goldenSite() {
  Golden g;
  g.at(0, raw("\xff\xff", 2))      // Deleted -1
      .at(2, raw("\xff\xff", 2))   // Exchange2000 -1
      .text(4, "Head Office", 20)  // SiteName
      .text(24, "FS01", 20)        // HomeServer
      .text(44, "EX01", 20)        // ExchangeServer
      .text(64, "Morvane", 30)     // ExchOrg
      .text(94, "First Storage Group", 30)
      .text(124, "Mailbox Store (EX01)", 30);
  EXPECT_EQ(g.bytes().size(), 154);
  return g.bytes();
}

TEST(SiteRecord, GoldenBytesDecodeAndEncode) {
  const QByteArray golden = goldenSite();
  const Site_Record r = Site_Record::decode(golden);
  EXPECT_EQ(r.Deleted, -1);
  EXPECT_EQ(r.Exchange2000, -1);
  EXPECT_EQ(r.SiteName, "Head Office         ") << "kept as stored, blanks included";
  EXPECT_EQ(trimBlanks(r.HomeServer), "FS01");
  EXPECT_EQ(trimBlanks(r.ExchangeServer), "EX01");
  EXPECT_EQ(trimBlanks(r.ExchOrg), "Morvane");
  EXPECT_EQ(trimBlanks(r.ExchSite), "First Storage Group");
  EXPECT_EQ(trimBlanks(r.MailStore), "Mailbox Store (EX01)");
  EXPECT_EQ(r.encode(), golden);

  Site_Record fresh;
  fresh.Deleted = -1;
  fresh.Exchange2000 = -1;
  fresh.SiteName = "Head Office";
  fresh.HomeServer = "FS01";
  fresh.ExchangeServer = "EX01";
  fresh.ExchOrg = "Morvane";
  fresh.ExchSite = "First Storage Group";
  fresh.MailStore = "Mailbox Store (EX01)";
  EXPECT_EQ(fresh.encode(), golden) << "unpadded texts are padded on write";
}

TEST(SiteRecord, TextIsCutAtItsWidthAndForeignCharactersBecomeQuestionMarks) {
  Site_Record r;
  r.SiteName = "ABCDEFGHIJKLMNOPQRSTUVWXY";  // 25 characters into 20
  r.HomeServer = QString::fromUtf8("Caf\u00e9 \u4e2d\u20ac");
  const QByteArray bytes = r.encode();
  ASSERT_EQ(bytes.size(), 154);
  EXPECT_EQ(bytes.mid(4, 20), QByteArray("ABCDEFGHIJKLMNOPQRST"));
  EXPECT_EQ(bytes.mid(24, 20), QByteArray("Caf\xe9 ?\x80             "));
  EXPECT_EQ(bytes.mid(44, 20), QByteArray(20, ' '));
}

TEST(SiteRecord, IntegersAreSignedLittleEndian) {
  Site_Record r;
  r.Deleted = 1;
  r.Exchange2000 = 0x0203;
  const QByteArray bytes = r.encode();
  EXPECT_EQ(bytes.left(4), raw("\x01\x00\x03\x02", 4));
  EXPECT_EQ(Site_Record::decode(bytes).Exchange2000, 0x0203);
}

// ---- Template_Record -------------------------------------------------------------------------

QByteArray goldenTemplate() {
  QByteArray hours;
  for (int i = 0; i < 21; ++i) hours.append(static_cast<char>(i * 12));  // 0, 12, .., 240
  Golden g;
  g.at(0, raw("\x00\x00", 2))                              // Deleted 0
      .at(2, raw("\x02\x00", 2))                           // GroupCount 2
      .text(4, "Staff", 25)                                // Name
      .text(29, "\\\\%server%\\profiles\\%username%", 75)  // ProfileShareUNC
      .text(104, "\\\\%server%\\%username%$", 75)          // HomeShareUNC
      .text(179, "D:\\Profiles\\%username%", 75)           // ProfileDirLocal
      .text(254, "D:\\Users\\%username%", 75)              // HomeDirLocal
      .text(329, "%username%prof$", 20)                    // ProfileShareName
      .text(349, "%username%$", 20)                        // HomeShareName
      .text(369, "logon.bat", 20)                          // LogonScript
      .text(389, "Z:", 2)                                  // HomeDrive
      .at(391, hours)                                      // LogonHours
      .text(412, "Domain Users", 21)                       // PrimaryGroup
      .text(433, "Sales", 21)                              // Groups(0)
      .text(454, "Caf\xe9 Staff", 21)                      // Groups(1), Windows-1252
      .blanks(475, 74 * 21)                                // Groups(2..75)
      .blanks(2029, 15)                                    // VarName(0), never used
      .text(2044, "dept", 15)                              // VarName(1)
      .blanks(2059, 48 * 15)                               // VarName(2..49)
      .text(2779, "LASTVAR", 15)                           // VarName(50)
      .blanks(2794, 30)                                    // VarValue(0)
      .text(2824, "Accounts", 30)                          // VarValue(1)
      .blanks(2854, 48 * 30)                               // VarValue(2..49)
      .text(4294, "the last one", 30);                     // VarValue(50)
  EXPECT_EQ(g.bytes().size(), 4324);
  return g.bytes();
}

TEST(TemplateRecord, GoldenBytesDecodeAndEncode) {
  const QByteArray golden = goldenTemplate();
  const Template_Record r = Template_Record::decode(golden);
  EXPECT_EQ(r.Deleted, 0);
  EXPECT_EQ(r.GroupCount, 2);
  EXPECT_EQ(r.Name, QString("Staff") + QString(20, ' '));
  EXPECT_EQ(trimBlanks(r.ProfileShareUNC), "\\\\%server%\\profiles\\%username%");
  EXPECT_EQ(trimBlanks(r.HomeShareUNC), "\\\\%server%\\%username%$");
  EXPECT_EQ(trimBlanks(r.ProfileDirLocal), "D:\\Profiles\\%username%");
  EXPECT_EQ(trimBlanks(r.HomeDirLocal), "D:\\Users\\%username%");
  EXPECT_EQ(trimBlanks(r.ProfileShareName), "%username%prof$");
  EXPECT_EQ(trimBlanks(r.HomeShareName), "%username%$");
  EXPECT_EQ(trimBlanks(r.LogonScript), "logon.bat");
  EXPECT_EQ(r.HomeDrive, "Z:");
  for (int i = 0; i < 21; ++i) EXPECT_EQ(r.LogonHours[i], i * 12);
  EXPECT_EQ(trimBlanks(r.PrimaryGroup), "Domain Users");
  EXPECT_EQ(trimBlanks(r.Groups[0]), "Sales");
  EXPECT_EQ(trimBlanks(r.Groups[1]), QString::fromUtf8("Caf\u00e9 Staff"));
  EXPECT_EQ(trimBlanks(r.Groups[75]), "");
  EXPECT_EQ(trimBlanks(r.VarName[1]), "dept");
  EXPECT_EQ(trimBlanks(r.VarValue[1]), "Accounts");
  EXPECT_EQ(trimBlanks(r.VarName[50]), "LASTVAR");
  EXPECT_EQ(trimBlanks(r.VarValue[50]), "the last one");
  EXPECT_EQ(r.encode(), golden);
}

TEST(TemplateRecord, EverySlotLandsAtItsOffset) {
  Template_Record r;
  for (int i = 0; i < Template_Record::GroupSlots; ++i) r.Groups[i] = QString("G%1").arg(i);
  for (int i = 0; i < Template_Record::VarSlots; ++i) {
    r.VarName[i] = QString("N%1").arg(i);
    r.VarValue[i] = QString("V%1").arg(i);
  }
  const QByteArray bytes = r.encode();
  ASSERT_EQ(bytes.size(), 4324);
  for (int i = 0; i < Template_Record::GroupSlots; ++i)
    EXPECT_EQ(bytes.mid(433 + 21 * i, 21).trimmed(), QString("G%1").arg(i).toLatin1());
  for (int i = 0; i < Template_Record::VarSlots; ++i) {
    EXPECT_EQ(bytes.mid(2029 + 15 * i, 15).trimmed(), QString("N%1").arg(i).toLatin1());
    EXPECT_EQ(bytes.mid(2794 + 30 * i, 30).trimmed(), QString("V%1").arg(i).toLatin1());
  }
  EXPECT_EQ(Template_Record::decode(bytes).encode(), bytes);
  EXPECT_EQ(bytes.mid(391, 21), QByteArray(21, '\xff')) << "a new record permits every hour";
}

// ---- Permission_Record -----------------------------------------------------------------------

TEST(PermissionRecord, GoldenBytesDecodeAndEncode) {
  Golden g;
  g.at(0, raw("\xff\xff", 2)).text(2, "%Domain%\\%UserName%", 50).text(52, "Full Control", 12);
  const QByteArray golden = g.bytes();
  ASSERT_EQ(golden.size(), 64);
  const Permission_Record r = Permission_Record::decode(golden);
  EXPECT_EQ(r.NewSecurity, -1);
  EXPECT_EQ(trimBlanks(r.Account), "%Domain%\\%UserName%");
  EXPECT_EQ(r.Access, "Full Control") << "exactly the field's width";
  EXPECT_EQ(r.encode(), golden);
}

// ---- Older layouts ---------------------------------------------------------------------------

TEST(SiteRecordV1, FieldsAtTheirOffsets) {
  Site_Record_V1 r;
  r.Deleted = -1;
  r.SiteName = "Branch";
  r.HomeServer = "FS02";
  r.ExchangeServer = "EX02";
  r.ExchOrg = "Org";
  r.ExchSite = "Site";
  const QByteArray bytes = r.encode();
  ASSERT_EQ(bytes.size(), 102);
  EXPECT_EQ(bytes.left(2), raw("\xff\xff", 2));
  const std::pair<int, const char*> fields[] = {
      {2, "Branch"}, {22, "FS02"}, {42, "EX02"}, {62, "Org"}, {82, "Site"}};
  for (const auto& [offset, text] : fields)
    EXPECT_EQ(bytes.mid(offset, 20).trimmed(), QByteArray(text)) << offset;
  EXPECT_EQ(Site_Record_V1::decode(bytes).encode(), bytes);
}

template <class T>
class OldTemplate : public ::testing::Test {};
using OldTemplates = ::testing::Types<Template_Record_V1, Template_Record_V20, Template_Record_V21>;
TYPED_TEST_SUITE(OldTemplate, OldTemplates);

TYPED_TEST(OldTemplate, FieldsAtTheirOffsets) {
  using R = TypeParam;
  struct Offsets {
    int length, hours, groups, varName, varValue, varSlots;
  };
  // The documented layouts, written out independently of the record definitions.
  const Offsets o = R::Length == 2407   ? Offsets{2407, -1, 391, 1462, 1777, 21}
                    : R::Length == 3757 ? Offsets{3757, -1, 391, 1462, 2227, 51}
                                        : Offsets{3778, 391, 412, 1483, 2248, 51};
  R r;
  r.Deleted = -1;
  r.GroupCount = 51;
  r.Name = "Old";
  r.HomeDrive = "H:";
  for (int i = 0; i < 21; ++i) r.LogonHours[i] = static_cast<uint8_t>(i + 1);
  for (int i = 0; i < 51; ++i) r.Groups[i] = QString("G%1").arg(i);
  for (int i = 0; i < R::VarSlots; ++i) {
    r.VarName[i] = QString("N%1").arg(i);
    r.VarValue[i] = QString("V%1").arg(i);
  }
  const QByteArray bytes = r.encode();
  ASSERT_EQ(bytes.size(), o.length);
  EXPECT_EQ(bytes.left(4), raw("\xff\xff\x33\x00", 4));
  EXPECT_EQ(bytes.mid(4, 25).trimmed(), QByteArray("Old"));
  EXPECT_EQ(bytes.mid(389, 2), QByteArray("H:"));
  if (o.hours >= 0) {
    for (int i = 0; i < 21; ++i) EXPECT_EQ(static_cast<uint8_t>(bytes[o.hours + i]), i + 1);
  }
  for (int i = 0; i < 51; ++i)
    EXPECT_EQ(bytes.mid(o.groups + 21 * i, 21).trimmed(), QString("G%1").arg(i).toLatin1());
  ASSERT_EQ(R::VarSlots, o.varSlots);
  for (int i = 0; i < o.varSlots; ++i) {
    EXPECT_EQ(bytes.mid(o.varName + 15 * i, 15).trimmed(), QString("N%1").arg(i).toLatin1());
    EXPECT_EQ(bytes.mid(o.varValue + 30 * i, 30).trimmed(), QString("V%1").arg(i).toLatin1());
  }
  EXPECT_EQ(R::decode(bytes).encode(), bytes);
  EXPECT_EQ(R::decode(bytes).GroupCount, 51);
}

}  // namespace
