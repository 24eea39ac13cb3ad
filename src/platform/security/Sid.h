#pragma once
// Security identifiers: the binary layout (revision, sub-authority count, a 6-byte big-endian
// authority, then 32-bit sub-authorities least significant byte first), the text form
// "S-1-5-21-...", and the well-known identifiers the program grants rights to.

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace tavrel::security {

class Sid {
 public:
  Sid() = default;
  // nullopt unless `bytes` is exactly one valid SID.
  static std::optional<Sid> fromBinary(QByteArrayView bytes);
  // A valid SID at the start of `bytes`, which may go on; its length is length().
  static std::optional<Sid> readFrom(QByteArrayView bytes);
  static std::optional<Sid> fromString(const QString& text);
  // AllocateAndInitializeSid: an authority and up to 15 sub-authorities.
  static std::optional<Sid> make(quint64 authority, const QList<quint32>& subAuthorities);

  bool isValid() const { return !bytes_.isEmpty(); }
  const QByteArray& binary() const { return bytes_; }
  int length() const { return static_cast<int>(bytes_.size()); }  // GetLengthSid
  QString toString() const;
  // The bytes as upper-case hex, high nibble first ("010500..."), as the Exchange 5.5 directory
  // keeps an account's SID.
  QString hex() const;
  quint64 authority() const;
  QList<quint32> subAuthorities() const;
  quint32 rid() const;         // the last sub-authority (0 when there is none)
  Sid domain() const;          // without the last sub-authority
  Sid withRid(quint32 rid) const;
  bool isPrefixOf(const Sid& other) const;  // other = this domain + one RID

  // EqualSid: both valid, same length, same bytes.
  bool operator==(const Sid& o) const { return isValid() && bytes_ == o.bytes_; }
  bool operator!=(const Sid& o) const { return !(*this == o); }

 private:
  explicit Sid(QByteArray b) : bytes_(std::move(b)) {}
  QByteArray bytes_;
};

// The SIDs named without a lookup.
namespace wellknown {
Sid everyone();              // S-1-1-0, "Everyone"
Sid creatorOwner();          // S-1-3-0, "CREATOR OWNER"
Sid localSystem();           // S-1-5-18, NT AUTHORITY\SYSTEM
Sid authenticatedUsers();    // S-1-5-11
Sid builtinAdministrators(); // S-1-5-32-544
Sid builtinUsers();          // S-1-5-32-545
}  // namespace wellknown

// Relative identifiers of a domain's well-known accounts.
namespace rid {
constexpr quint32 ADMINISTRATOR = 500;
constexpr quint32 DOMAIN_ADMINS = 512;
constexpr quint32 DOMAIN_USERS = 513;
}  // namespace rid

}  // namespace tavrel::security
