#include "records/Records.h"

#include "platform/text/Cp1252.h"

#include <QtGlobal>

namespace tavrel::records {
namespace {

// Each layout lists its fields once, in a function that takes either a Writer (encoding a record)
// or a Reader (decoding one); both offer the same calls.

class Writer {
 public:
  explicit Writer(int length) : bytes_(length, ' ') {}
  void int16(int offset, int16_t v) {
    const auto u = static_cast<uint16_t>(v);
    bytes_[offset] = static_cast<char>(u & 0xFF);
    bytes_[offset + 1] = static_cast<char>(u >> 8);
  }
  void text(int offset, int width, const QString& s) {
    bytes_.replace(offset, width, text::fixedField(s, width));
  }
  template <size_t N>
  void raw(int offset, const std::array<uint8_t, N>& a) {
    for (size_t i = 0; i < N; ++i) bytes_[offset + static_cast<int>(i)] = static_cast<char>(a[i]);
  }
  template <size_t N>
  void texts(int offset, int width, const std::array<QString, N>& a) {
    for (size_t i = 0; i < N; ++i) text(offset + width * static_cast<int>(i), width, a[i]);
  }
  const QByteArray& bytes() const { return bytes_; }

 private:
  QByteArray bytes_;
};

class Reader {
 public:
  Reader(const QByteArray& bytes, int length) : bytes_(bytes) { Q_ASSERT(bytes.size() >= length); }
  void int16(int offset, int16_t& v) const {
    const auto lo = static_cast<uint8_t>(bytes_[offset]);
    const auto hi = static_cast<uint8_t>(bytes_[offset + 1]);
    v = static_cast<int16_t>(static_cast<uint16_t>(lo | (hi << 8)));
  }
  void text(int offset, int width, QString& s) const { s = text::fromCp1252(bytes_.mid(offset, width)); }
  template <size_t N>
  void raw(int offset, std::array<uint8_t, N>& a) const {
    for (size_t i = 0; i < N; ++i) a[i] = static_cast<uint8_t>(bytes_[offset + static_cast<int>(i)]);
  }
  template <size_t N>
  void texts(int offset, int width, std::array<QString, N>& a) const {
    for (size_t i = 0; i < N; ++i) text(offset + width * static_cast<int>(i), width, a[i]);
  }

 private:
  const QByteArray& bytes_;
};

template <class R, class Fields>
QByteArray encodeWith(const R& r, Fields fields) {
  Writer w(R::Length);
  fields(w, r);
  return w.bytes();
}

template <class R, class Fields>
R decodeWith(const QByteArray& bytes, Fields fields) {
  Reader reader(bytes, R::Length);
  R r;
  fields(reader, r);
  return r;
}

// The first 391 bytes, the same in every template layout.
template <class Io, class T>
void templateHead(Io& io, T& r) {
  io.int16(0, r.Deleted);
  io.int16(2, r.GroupCount);
  io.text(4, 25, r.Name);
  io.text(29, 75, r.ProfileShareUNC);
  io.text(104, 75, r.HomeShareUNC);
  io.text(179, 75, r.ProfileDirLocal);
  io.text(254, 75, r.HomeDirLocal);
  io.text(329, 20, r.ProfileShareName);
  io.text(349, 20, r.HomeShareName);
  io.text(369, 20, r.LogonScript);
  io.text(389, 2, r.HomeDrive);
}

const auto siteFields = [](auto& io, auto& r) {
  io.int16(0, r.Deleted);
  io.int16(2, r.Exchange2000);
  io.text(4, 20, r.SiteName);
  io.text(24, 20, r.HomeServer);
  io.text(44, 20, r.ExchangeServer);
  io.text(64, 30, r.ExchOrg);
  io.text(94, 30, r.ExchSite);
  io.text(124, 30, r.MailStore);
};

const auto templateFields = [](auto& io, auto& r) {
  templateHead(io, r);
  io.raw(391, r.LogonHours);
  io.text(412, 21, r.PrimaryGroup);
  io.texts(433, 21, r.Groups);
  io.texts(2029, 15, r.VarName);
  io.texts(2794, 30, r.VarValue);
};

const auto permissionFields = [](auto& io, auto& r) {
  io.int16(0, r.NewSecurity);
  io.text(2, 50, r.Account);
  io.text(52, 12, r.Access);
};

const auto siteV1Fields = [](auto& io, auto& r) {
  io.int16(0, r.Deleted);
  io.text(2, 20, r.SiteName);
  io.text(22, 20, r.HomeServer);
  io.text(42, 20, r.ExchangeServer);
  io.text(62, 20, r.ExchOrg);
  io.text(82, 20, r.ExchSite);
};

template <const OldTemplateLayout& L>
struct OldTemplateFields {
  template <class Io, class R>
  void operator()(Io& io, R& r) const {
    templateHead(io, r);
    if constexpr (L.hoursOffset >= 0) io.raw(L.hoursOffset, r.LogonHours);
    io.texts(L.groupsOffset, 21, r.Groups);
    io.texts(L.varNameOffset, 15, r.VarName);
    io.texts(L.varValueOffset, 30, r.VarValue);
  }
};

}  // namespace

QByteArray Site_Record::encode() const {
  return encodeWith(*this, siteFields);
}
Site_Record Site_Record::decode(const QByteArray& bytes) {
  return decodeWith<Site_Record>(bytes, siteFields);
}

QByteArray Template_Record::encode() const {
  return encodeWith(*this, templateFields);
}
Template_Record Template_Record::decode(const QByteArray& bytes) {
  return decodeWith<Template_Record>(bytes, templateFields);
}

QByteArray Permission_Record::encode() const {
  return encodeWith(*this, permissionFields);
}
Permission_Record Permission_Record::decode(const QByteArray& bytes) {
  return decodeWith<Permission_Record>(bytes, permissionFields);
}

QByteArray Site_Record_V1::encode() const {
  return encodeWith(*this, siteV1Fields);
}
Site_Record_V1 Site_Record_V1::decode(const QByteArray& bytes) {
  return decodeWith<Site_Record_V1>(bytes, siteV1Fields);
}

template <const OldTemplateLayout& L>
QByteArray OldTemplateRecord<L>::encode() const {
  return encodeWith(*this, OldTemplateFields<L>{});
}

template <const OldTemplateLayout& L>
OldTemplateRecord<L> OldTemplateRecord<L>::decode(const QByteArray& bytes) {
  return decodeWith<OldTemplateRecord>(bytes, OldTemplateFields<L>{});
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
