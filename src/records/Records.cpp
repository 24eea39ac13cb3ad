#include "records/Records.h"

#include "platform/text/Cp1252.h"

#include <QtGlobal>

namespace tavrel::records {
namespace {

// Writes and reads the fields of one record image.
class Image {
 public:
  explicit Image(int length) : bytes_(length, ' ') {}
  explicit Image(const QByteArray& bytes) : bytes_(bytes) {}

  void int16(int offset, int16_t v) {
    const auto u = static_cast<uint16_t>(v);
    bytes_[offset] = static_cast<char>(u & 0xFF);
    bytes_[offset + 1] = static_cast<char>(u >> 8);
  }
  int16_t int16(int offset) const {
    const auto lo = static_cast<uint8_t>(bytes_[offset]);
    const auto hi = static_cast<uint8_t>(bytes_[offset + 1]);
    return static_cast<int16_t>(static_cast<uint16_t>(lo | (hi << 8)));
  }
  void text(int offset, int width, const QString& s) {
    bytes_.replace(offset, width, text::fixedField(s, width));
  }
  QString text(int offset, int width) const { return text::fromCp1252(bytes_.mid(offset, width)); }
  template <size_t N>
  void raw(int offset, const std::array<uint8_t, N>& a) {
    for (size_t i = 0; i < N; ++i) bytes_[offset + static_cast<int>(i)] = static_cast<char>(a[i]);
  }
  template <size_t N>
  void raw(int offset, std::array<uint8_t, N>& a) const {
    for (size_t i = 0; i < N; ++i) a[i] = static_cast<uint8_t>(bytes_[offset + static_cast<int>(i)]);
  }
  template <size_t N>
  void texts(int offset, int width, const std::array<QString, N>& a) {
    for (size_t i = 0; i < N; ++i) text(offset + width * static_cast<int>(i), width, a[i]);
  }
  template <size_t N>
  void texts(int offset, int width, std::array<QString, N>& a) const {
    for (size_t i = 0; i < N; ++i) a[i] = text(offset + width * static_cast<int>(i), width);
  }
  const QByteArray& bytes() const { return bytes_; }

 private:
  QByteArray bytes_;
};

// The first 391 bytes, the same in every template layout.
template <class T>
void encodeHead(Image& img, const T& r) {
  img.int16(0, r.Deleted);
  img.int16(2, r.GroupCount);
  img.text(4, 25, r.Name);
  img.text(29, 75, r.ProfileShareUNC);
  img.text(104, 75, r.HomeShareUNC);
  img.text(179, 75, r.ProfileDirLocal);
  img.text(254, 75, r.HomeDirLocal);
  img.text(329, 20, r.ProfileShareName);
  img.text(349, 20, r.HomeShareName);
  img.text(369, 20, r.LogonScript);
  img.text(389, 2, r.HomeDrive);
}

template <class T>
void decodeHead(const Image& img, T& r) {
  r.Deleted = img.int16(0);
  r.GroupCount = img.int16(2);
  r.Name = img.text(4, 25);
  r.ProfileShareUNC = img.text(29, 75);
  r.HomeShareUNC = img.text(104, 75);
  r.ProfileDirLocal = img.text(179, 75);
  r.HomeDirLocal = img.text(254, 75);
  r.ProfileShareName = img.text(329, 20);
  r.HomeShareName = img.text(349, 20);
  r.LogonScript = img.text(369, 20);
  r.HomeDrive = img.text(389, 2);
}

Image imageOf(const QByteArray& bytes, int length) {
  Q_ASSERT(bytes.size() >= length);
  return Image(bytes.left(length));
}

}  // namespace

QByteArray Site_Record::encode() const {
  Image img(Length);
  img.int16(0, Deleted);
  img.int16(2, Exchange2000);
  img.text(4, 20, SiteName);
  img.text(24, 20, HomeServer);
  img.text(44, 20, ExchangeServer);
  img.text(64, 30, ExchOrg);
  img.text(94, 30, ExchSite);
  img.text(124, 30, MailStore);
  return img.bytes();
}

Site_Record Site_Record::decode(const QByteArray& bytes) {
  const Image img = imageOf(bytes, Length);
  Site_Record r;
  r.Deleted = img.int16(0);
  r.Exchange2000 = img.int16(2);
  r.SiteName = img.text(4, 20);
  r.HomeServer = img.text(24, 20);
  r.ExchangeServer = img.text(44, 20);
  r.ExchOrg = img.text(64, 30);
  r.ExchSite = img.text(94, 30);
  r.MailStore = img.text(124, 30);
  return r;
}

QByteArray Template_Record::encode() const {
  Image img(Length);
  encodeHead(img, *this);
  img.raw(391, LogonHours);
  img.text(412, 21, PrimaryGroup);
  img.texts(433, 21, Groups);
  img.texts(2029, 15, VarName);
  img.texts(2794, 30, VarValue);
  return img.bytes();
}

Template_Record Template_Record::decode(const QByteArray& bytes) {
  const Image img = imageOf(bytes, Length);
  Template_Record r;
  decodeHead(img, r);
  img.raw(391, r.LogonHours);
  r.PrimaryGroup = img.text(412, 21);
  img.texts(433, 21, r.Groups);
  img.texts(2029, 15, r.VarName);
  img.texts(2794, 30, r.VarValue);
  return r;
}

QByteArray Permission_Record::encode() const {
  Image img(Length);
  img.int16(0, NewSecurity);
  img.text(2, 50, Account);
  img.text(52, 12, Access);
  return img.bytes();
}

Permission_Record Permission_Record::decode(const QByteArray& bytes) {
  const Image img = imageOf(bytes, Length);
  Permission_Record r;
  r.NewSecurity = img.int16(0);
  r.Account = img.text(2, 50);
  r.Access = img.text(52, 12);
  return r;
}

QByteArray Site_Record_V1::encode() const {
  Image img(Length);
  img.int16(0, Deleted);
  img.text(2, 20, SiteName);
  img.text(22, 20, HomeServer);
  img.text(42, 20, ExchangeServer);
  img.text(62, 20, ExchOrg);
  img.text(82, 20, ExchSite);
  return img.bytes();
}

Site_Record_V1 Site_Record_V1::decode(const QByteArray& bytes) {
  const Image img = imageOf(bytes, Length);
  Site_Record_V1 r;
  r.Deleted = img.int16(0);
  r.SiteName = img.text(2, 20);
  r.HomeServer = img.text(22, 20);
  r.ExchangeServer = img.text(42, 20);
  r.ExchOrg = img.text(62, 20);
  r.ExchSite = img.text(82, 20);
  return r;
}

template <const OldTemplateLayout& L>
QByteArray OldTemplateRecord<L>::encode() const {
  Image img(Length);
  encodeHead(img, *this);
  if constexpr (HasLogonHours) img.raw(L.hoursOffset, LogonHours);
  img.texts(L.groupsOffset, 21, Groups);
  img.texts(L.varNameOffset, 15, VarName);
  img.texts(L.varValueOffset, 30, VarValue);
  return img.bytes();
}

template <const OldTemplateLayout& L>
OldTemplateRecord<L> OldTemplateRecord<L>::decode(const QByteArray& bytes) {
  const Image img = imageOf(bytes, Length);
  OldTemplateRecord r;
  decodeHead(img, r);
  if constexpr (HasLogonHours) img.raw(L.hoursOffset, r.LogonHours);
  img.texts(L.groupsOffset, 21, r.Groups);
  img.texts(L.varNameOffset, 15, r.VarName);
  img.texts(L.varValueOffset, 30, r.VarValue);
  return r;
}

template struct OldTemplateRecord<kTemplateLayoutV1>;
template struct OldTemplateRecord<kTemplateLayoutV20>;
template struct OldTemplateRecord<kTemplateLayoutV21>;

// Each layout's arrays end where the record ends.
static_assert(kTemplateLayoutV1.varValueOffset + 30 * kTemplateLayoutV1.varSlots == kTemplateLayoutV1.length);
static_assert(kTemplateLayoutV20.varValueOffset + 30 * kTemplateLayoutV20.varSlots ==
              kTemplateLayoutV20.length);
static_assert(kTemplateLayoutV21.varValueOffset + 30 * kTemplateLayoutV21.varSlots ==
              kTemplateLayoutV21.length);
static_assert(2794 + 30 * Template_Record::VarSlots == Template_Record::Length);

}  // namespace tavrel::records
