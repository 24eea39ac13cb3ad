#pragma once
// The fixed-length records of the database folder, each encoded and decoded at its exact byte
// offsets. Integers are 16-bit signed little-endian; text fields are Windows-1252, cut at their
// width and padded with blanks. A decoded text field holds the whole field as stored, trailing
// blanks included (the lists show names that way); compare through text::trimBlanks.

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

namespace tavrel::records {

// The value of `Deleted` in a record marked deleted; live records hold 0.
inline constexpr int16_t kDeletedFlag = -1;

// One site (Site.dat).
struct Site_Record {
  static constexpr int Length = 154;

  int16_t Deleted = 0;
  int16_t Exchange2000 = 0;  // -1: Exchange 2000; any other value: Exchange 5.5
  QString SiteName;          // 20
  QString HomeServer;        // 20
  QString ExchangeServer;    // 20
  QString ExchOrg;           // 30
  QString ExchSite;          // 30
  QString MailStore;         // 30

  QByteArray encode() const;
  // `bytes` holds at least Length bytes; the first Length are decoded.
  static Site_Record decode(const QByteArray& bytes);
  bool operator==(const Site_Record&) const = default;
};

// One template (Template.dat).
struct Template_Record {
  static constexpr int Length = 4324;
  static constexpr int GroupSlots = 76;
  static constexpr int VarSlots = 51;  // slot 0 is never used

  int16_t Deleted = 0;
  int16_t GroupCount = 0;                  // slots 0 .. GroupCount-1 of Groups are used
  QString Name;                            // 25
  QString ProfileShareUNC;                 // 75
  QString HomeShareUNC;                    // 75
  QString ProfileDirLocal;                 // 75
  QString HomeDirLocal;                    // 75
  QString ProfileShareName;                // 20
  QString HomeShareName;                   // 20
  QString LogonScript;                     // 20
  QString HomeDrive;                       // 2
  std::array<uint8_t, 21> LogonHours;      // every hour permitted unless set otherwise
  QString PrimaryGroup;                    // 21
  std::array<QString, GroupSlots> Groups;  // 21 each
  std::array<QString, VarSlots> VarName;   // 15 each
  std::array<QString, VarSlots> VarValue;  // 30 each

  Template_Record() { LogonHours.fill(255); }
  QByteArray encode() const;
  static Template_Record decode(const QByteArray& bytes);
  bool operator==(const Template_Record&) const = default;
};

// One template variable as the variables list holds it: a name and its value, trimmed.
struct TemplateVariable {
  QString name;
  QString value;
  bool operator==(const TemplateVariable&) const = default;
};

// One entry of a permission list (Permissions.dat, SharePerm.dat). There is no deleted flag.
struct Permission_Record {
  static constexpr int Length = 64;

  int16_t NewSecurity = 0;  // -1 only in record 1 of the directory list: replace, don't add
  QString Account;          // 50
  QString Access;           // 12: "Full Control", "Change", "Read"

  QByteArray encode() const;
  static Permission_Record decode(const QByteArray& bytes);
  bool operator==(const Permission_Record&) const = default;
};

// A site of version 1.x.
struct Site_Record_V1 {
  static constexpr int Length = 102;

  int16_t Deleted = 0;
  QString SiteName;        // 20
  QString HomeServer;      // 20
  QString ExchangeServer;  // 20
  QString ExchOrg;         // 20
  QString ExchSite;        // 20

  QByteArray encode() const;
  static Site_Record_V1 decode(const QByteArray& bytes);
  bool operator==(const Site_Record_V1&) const = default;
};

// Where the parts of an older template record lie. All three share the first 391 bytes with
// Template_Record and have 51 group slots; none has a primary group.
struct OldTemplateLayout {
  int kind;  // the conversion's Kind: 1 = 1.x, 2 = "2.0", 3 = "2.1"
  int length;
  int hoursOffset;  // -1: the layout has no logon hours
  int groupsOffset;
  int varNameOffset;
  int varValueOffset;
  int varSlots;
};

inline constexpr OldTemplateLayout kTemplateLayoutV1{1, 2407, -1, 391, 1462, 1777, 21};
inline constexpr OldTemplateLayout kTemplateLayoutV20{2, 3757, -1, 391, 1462, 2227, 51};
inline constexpr OldTemplateLayout kTemplateLayoutV21{3, 3778, 391, 412, 1483, 2248, 51};

template <const OldTemplateLayout& L>
struct OldTemplateRecord {
  static constexpr int Length = L.length;
  static constexpr int GroupSlots = 51;
  static constexpr int VarSlots = L.varSlots;
  static constexpr bool HasLogonHours = L.hoursOffset >= 0;

  int16_t Deleted = 0;
  int16_t GroupCount = 0;
  QString Name;
  QString ProfileShareUNC;
  QString HomeShareUNC;
  QString ProfileDirLocal;
  QString HomeDirLocal;
  QString ProfileShareName;
  QString HomeShareName;
  QString LogonScript;
  QString HomeDrive;
  std::array<uint8_t, 21> LogonHours{};  // encoded only when HasLogonHours
  std::array<QString, GroupSlots> Groups;
  std::array<QString, VarSlots> VarName;
  std::array<QString, VarSlots> VarValue;

  QByteArray encode() const;
  static OldTemplateRecord decode(const QByteArray& bytes);
  bool operator==(const OldTemplateRecord&) const = default;
};

using Template_Record_V1 = OldTemplateRecord<kTemplateLayoutV1>;
using Template_Record_V20 = OldTemplateRecord<kTemplateLayoutV20>;
using Template_Record_V21 = OldTemplateRecord<kTemplateLayoutV21>;

extern template struct OldTemplateRecord<kTemplateLayoutV1>;
extern template struct OldTemplateRecord<kTemplateLayoutV20>;
extern template struct OldTemplateRecord<kTemplateLayoutV21>;

}  // namespace tavrel::records
