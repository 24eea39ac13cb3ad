#include "directory/UserEditor.h"

#include "directory/DirectoryService.h"
#include "directory/GroupMembership.h"
#include "directory/UpnSearch.h"
#include "platform/adsi/AdoSearch.h"
#include "platform/adsi/AdsPath.h"
#include "platform/adsi/Properties.h"
#include "platform/adsi/Values.h"
#include "startup/Settings.h"
#include "state/SharedState.h"

#include <QLocale>
#include <QRegularExpression>

namespace tavrel::directory {
namespace {

using adsi::AdsObject;

const QString kNever = QStringLiteral("Never");
const QString kW2KGroup = QStringLiteral("W2KGRP");
// VB's "Type mismatch": a text that is no date.
constexpr int kTypeMismatch = 13;

// The short date as the system writes it, always with a four-digit year; the C locale's spells
// the month out, so it gets the numeric day-first form.
QString shortDateFormat() {
  const QLocale locale = QLocale::system();
  if (locale.language() == QLocale::C) return QStringLiteral("dd/MM/yyyy");
  QString f = locale.dateFormat(QLocale::ShortFormat);
  if (!f.contains(QLatin1String("yyyy"))) f.replace(QLatin1String("yy"), QLatin1String("yyyy"));
  return f;
}

// The text of a property, or nullopt when it cannot be read.
std::optional<QString> text(AdsObject& o, const QString& name) {
  auto v = o.Get(name);
  if (!v) return std::nullopt;
  if (v->typeId() == QMetaType::QVariantList) {
    QStringList parts;
    for (const QVariant& e : v->toList()) parts << e.toString();
    return parts.join(QStringLiteral(", "));
  }
  return v->toString();
}

void fill(QString& field, AdsObject& o, const QString& name) {
  if (auto t = text(o, name)) field = *t;
}

std::optional<qint64> number(AdsObject& o, const QString& name) {
  auto v = o.Get(name);
  if (!v) return std::nullopt;
  bool ok = false;
  const qint64 n = v->toLongLong(&ok);
  return ok ? std::optional<qint64>(n) : std::nullopt;
}

std::optional<bool> flag(AdsObject& o, const QString& name) {
  auto v = o.Get(name);
  if (!v) return std::nullopt;
  return v->toBool();
}

// The attribute named by the custom pair's "Property" setting, when configured.
std::optional<QString> customAttribute(int pair) {
  const startup::Stored s = startup::readSetting(state::reg(), QStringLiteral("Custom"),
                                                 QStringLiteral("Property") + QString::number(pair + 1));
  if (!s.found || s.value.trimmed().isEmpty()) return std::nullopt;
  return s.value.trimmed();
}

// Whether the schema of the directory at `server` gives `attribute` a binary syntax.
bool binarySyntax(const QString& server, const QString& attribute) {
  auto dir = requireDirectory();
  if (!dir) return false;
  auto property =
      (*dir)->GetObject(QStringLiteral("LDAP://") + (server.isEmpty() ? QString() : server + u'/') +
                        QStringLiteral("Schema/") + attribute);
  if (!property) return false;
  auto syntax = property->Get(QStringLiteral("Syntax"));
  return syntax && syntax->toString().compare(QLatin1String("OctetString"), Qt::CaseInsensitive) == 0;
}

// A binary value as hex digits; a long one is cut short, for it is only shown.
QString hexText(const QByteArray& bytes) {
  constexpr qsizetype kShown = 32;
  QString out = QString::fromLatin1(bytes.left(kShown).toHex(' ').toUpper());
  if (bytes.size() > kShown) out += QStringLiteral(" ... (%1 bytes)").arg(bytes.size());
  return out;
}

// Fills custom pair `k` from `attribute` of `user`. A single text value can be edited; a binary
// attribute, or one holding several values, is shown read-only: one text box can write back
// neither without changing it.
void loadCustom(UserPage& page, int k, AdsObject& user, const QString& server, const QString& attribute) {
  page.Custom[k].attribute = attribute;
  page.Custom[k].readOnly.clear();
  auto values = user.GetEx(attribute);
  const QVariantList list = values ? *values : QVariantList();
  bool binary = binarySyntax(server, attribute);
  for (const QVariant& v : list) binary = binary || v.typeId() == QMetaType::QByteArray;
  QStringList shown;
  for (const QVariant& v : list) shown << (binary ? hexText(v.toByteArray()) : v.toString());
  page.Custom_Value[k] = shown.join(QStringLiteral("; "));
  if (binary) {
    page.Custom[k].readOnly = attribute + QStringLiteral(" holds binary data; it cannot be edited here.");
  } else if (list.size() > 1) {
    page.Custom[k].readOnly =
        attribute + QStringLiteral(" holds %1 values; it cannot be edited here:\n").arg(list.size()) +
        shown.join(u'\n');
  }
}

QString filterEscapeBinary(const QByteArray& bytes) {
  QString out;
  for (const char c : bytes)
    out += QStringLiteral("\\%1").arg(static_cast<unsigned char>(c), 2, 16, QLatin1Char('0'));
  return out;
}

QString withoutType(const QString& relativeName, int limit) {
  return relativeName.mid(3, limit);
}

void clearChangeFlags() {
  state::SharedState& sh = state::shared();
  sh.UM_Changed_Logon = sh.UM_Changed_Paths = sh.UM_Changed_General = sh.UM_Changed_Flags =
      sh.UM_Changed_Custom = 0;
}

// The three flags an Active Directory account shows through its WinNT view.
void loadNtViewFlags(UserPage& page) {
  page.chkAcctLockedOut = false;
  page.lockBoxShown = false;
  auto dir = requireDirectory();
  if (!dir || page.UM_PreW2K.isEmpty()) return;
  auto nt =
      (*dir)->GetObject(QStringLiteral("WinNT://") + state::shared().NetBIOS_Domain + u'/' + page.UM_PreW2K);
  if (!nt) return;
  if (auto expired = number(*nt, QStringLiteral("PasswordExpired"))) page.chkMustChange = *expired == 1;
  if (auto flags = number(*nt, QStringLiteral("userFlags")))
    page.chkCantChange = (*flags & adsi::uac::PASSWD_CANT_CHANGE) != 0;
  if (auto locked = flag(*nt, QStringLiteral("IsAccountLocked"))) {
    page.chkAcctLockedOut = *locked;
    page.lockBoxShown = *locked;
  }
}

// ---------------------------------------------------------------------------------------------
// Saving

SaveOutcome notSaved(const QString& what, const adsi::Error& e) {
  return SaveOutcome{
      false, false, QString(),
      QStringLiteral("Error saving ") + what + QStringLiteral(": ") + QString::number(e.number())};
}

// One save: the failure of a step names what was not stored.
struct Saver {
  AdsObject& obj;
  bool winnt = false;
  std::optional<SaveOutcome> failed;
  QList<std::pair<QString, QString>> staged;  // attribute, field: what the commit is to store

  bool ok() const { return !failed.has_value(); }
  void fail(const QString& what, const adsi::Error& e) {
    if (!failed) failed = notSaved(what, e);
  }
  void stage(const QString& property, const QString& what) {
    bool known = true;
    const adsi::PropertyMapping m =
        winnt ? adsi::mapWinNTProperty(property, &known) : adsi::mapLdapProperty(property);
    staged.append({m.attribute.isEmpty() ? property : m.attribute, what});
  }
  // An empty field clears the attribute behind `property`; any other text is written.
  void setOrClear(const QString& property, const QString& value, const QString& what) {
    if (!ok()) return;
    adsi::Status s = value.isEmpty() ? obj.PutEx(adsi::ADS_PROPERTY_CLEAR, property, {QString()})
                                     : obj.Put(property, value);
    if (!s) return fail(what, s.error());
    stage(property, what);
  }
  void put(const QString& property, const QVariant& value, const QString& what) {
    if (!ok()) return;
    if (adsi::Status s = obj.Put(property, value); !s) return fail(what, s.error());
    stage(property, what);
  }
  // Commits the staged changes. A refusal names the fields whose attributes the directory's
  // answer names, or, when it names none, every field of the commit: none of them was stored.
  std::optional<SaveOutcome> commit() {
    adsi::Status c = obj.SetInfo();
    if (c) return std::nullopt;
    QStringList named, all;
    for (const auto& [attribute, what] : staged) {
      if (!all.contains(what)) all << what;
      const QRegularExpression word(
          QStringLiteral("\\b") + QRegularExpression::escape(attribute) + QStringLiteral("\\b"),
          QRegularExpression::CaseInsensitiveOption);
      if (c.error().message.contains(word) && !named.contains(what)) named << what;
    }
    return notSaved((named.isEmpty() ? all : named).join(QStringLiteral(", ")), c.error());
  }
};

SaveOutcome refusedDrive() {
  return SaveOutcome{false, true, QStringLiteral("Home Drive Format Incorrect"), QString()};
}

// The number, then what the field takes: "Never", or a date in the form expiryText writes.
SaveOutcome refusedExpiry(int number) {
  const QString format = shortDateFormat();
  return SaveOutcome{false, false, QString(),
                     QStringLiteral("Error setting expiration date: ") + QString::number(number) +
                         QStringLiteral(" (enter Never, or a date in the form ") + format +
                         QStringLiteral(" such as ") + QDate(2027, 12, 31).toString(format) +
                         QStringLiteral(", with a time HH:mm when needed)")};
}

// The expiry date `text` asks for: 1 January 1970 for "never" in Active Directory, the date value
// -1 (29 December 1899), which the WinNT provider stores as "no expiry", in NT.
std::optional<QDateTime> expiryValue(const QString& text, bool winnt) {
  if (text.trimmed().toUpper() == QLatin1String("NEVER"))
    return winnt ? QDateTime(QDate(1899, 12, 29), QTime(0, 0)) : QDateTime(QDate(1970, 1, 1), QTime(0, 0));
  return parseExpiry(text);
}

// The flags word with `bit` set or cleared as `on` asks.
qint64 withBit(qint64 word, qint64 bit, bool on) {
  return on ? (word | bit) : (word & ~bit);
}

}  // namespace

QString expiryText(const QDateTime& when) {
  if (when.date() == QDate(1970, 1, 1)) return kNever;
  QString out = when.date().toString(shortDateFormat());
  if (when.time() != QTime(0, 0)) out += u' ' + when.time().toString(QStringLiteral("HH:mm:ss"));
  return out;
}

std::optional<QDateTime> parseExpiry(const QString& text) {
  const QString t = text.trimmed();
  if (t.isEmpty()) return std::nullopt;
  const QString date = shortDateFormat();
  for (const QString& f : {date + QStringLiteral(" HH:mm:ss"), date + QStringLiteral(" HH:mm")}) {
    const QDateTime dt = QDateTime::fromString(t, f);
    if (dt.isValid()) return dt;
  }
  const QDate d = QDate::fromString(t, date);
  if (d.isValid()) return QDateTime(d, QTime(0, 0));
  const QDateTime iso = QDateTime::fromString(t, Qt::ISODate);
  if (iso.isValid()) return iso;
  const QDate isoDate = QDate::fromString(t, Qt::ISODate);
  if (isoDate.isValid()) return QDateTime(isoDate, QTime(0, 0));
  return std::nullopt;
}

bool validHomeDrive(const QString& drive) {
  if (drive.isEmpty()) return true;
  return drive.size() == 2 && drive[0] >= u'A' && drive[0] <= u'Z' && drive[1] == u':';
}

// ---------------------------------------------------------------------------------------------
// Active Directory

void Load_W2K_User(UserPage& page, const QString& userPath, UserGroupView& groups) {
  state::SharedState& sh = state::shared();
  auto dir = requireDirectory();
  std::optional<AdsObject> user;
  if (dir) {
    auto bound = (*dir)->GetObject(userPath);
    if (bound) user = *bound;
  }
  if (user) {
    page.USERID = withoutType(user->Name(), 100);
    fill(page.UM_Full_Name, *user, QStringLiteral("FullName"));
    fill(page.UM_Description, *user, QStringLiteral("Description"));
    fill(page.UM_Profile_Dir, *user, QStringLiteral("Profile"));
    fill(page.UM_Home_Dir, *user, QStringLiteral("HomeDirectory"));
    fill(page.UM_Logon_Script, *user, QStringLiteral("LoginScript"));
    fill(page.UM_Drive_Letter, *user, QStringLiteral("HomeDrive"));
    fill(page.UM_First, *user, QStringLiteral("FirstName"));
    fill(page.UM_Last, *user, QStringLiteral("LastName"));
    fill(page.UM_Office, *user, QStringLiteral("OfficeLocations"));
    fill(page.UM_MailAddress, *user, QStringLiteral("EmailAddress"));
    if (auto id = text(*user, QStringLiteral("PrimaryGroupID"))) sh.Primary_Group_ID = *id;
    fill(page.UM_PreW2K, *user, QStringLiteral("samAccountName"));
    if (auto upn = text(*user, QStringLiteral("userPrincipalName"))) {
      const qsizetype at = upn->indexOf(u'@');
      if (at >= 0) {
        page.UM_W2KDomain_Name = upn->mid(at, 100);
        page.UM_Logon_Name = upn->left(at);
      }
    }
    fill(page.UM_Initails, *user, QStringLiteral("initials"));
    auto expires = user->Get(QStringLiteral("AccountExpirationDate"));
    page.AccExpires = expires ? expiryText(expires->toDateTime()) : kNever;
    const auto where = adsi::AdsPath::parse(user->ADsPath());
    const QString server = where ? where->server : QString();
    for (int k = 0; k < 4; ++k)
      if (auto attribute = customAttribute(k)) loadCustom(page, k, *user, server, *attribute);
  }
  loadNtViewFlags(page);
  if (user) {
    if (auto control = number(*user, QStringLiteral("UserAccountControl")))
      page.chkPwdNever = (*control & adsi::uac::DONT_EXPIRE_PASSWORD) != 0;
    if (auto disabled = flag(*user, QStringLiteral("AccountDisabled"))) page.chkAcctDisabled = *disabled;
  }
  clearChangeFlags();
  if (user) Load_W2K_User_Groups(*user, groups);
}

void Load_W2K_User_Groups(AdsObject& user, UserGroupView& groups) {
  groups.clearMembers();
  // The primary group is not among the account's groups: it is the domain's group whose SID is
  // the domain's SID with the primary group identifier as the last part.
  bool ridOk = false;
  const quint32 rid = state::shared().Primary_Group_ID.toUInt(&ridOk);
  auto sid = user.Get(QStringLiteral("objectSid"));
  auto path = adsi::AdsPath::parse(user.ADsPath());
  if (ridOk && sid && sid->typeId() == QMetaType::QByteArray && path) {
    const QByteArray groupSid = adsi::sidWithRid(adsi::sidDomain(sid->toByteArray()), rid);
    adsi::Result<adsi::AdoRecordset> found = adsi::makeError(adsi::hr::SERVER_DOWN, QString());
    if (auto dir = requireDirectory()) {
      adsi::AdoConnection connection(**dir);
      if (connection.Open(QStringLiteral("Active Directory Provider")))
        found =
            connection.Execute(QStringLiteral("<LDAP://") + path->server + QStringLiteral(">;(objectSid=") +
                               filterEscapeBinary(groupSid) + QStringLiteral(");adsPath,name;subtree"));
    }
    if (found && !found->EOF()) {
      const QString key = found->Fields(0).toString();
      const QString name = found->Fields(1).toString();
      groups.setStatus(withoutType(user.Name(), 50) + QStringLiteral(" Primary Group is '") + name + u'\'');
      groups.addMember(key, name, kW2KGroup);
      groups.removeCandidate(key, true);
    }
  }
  auto memberOf = user.Groups();
  if (!memberOf) return;
  for (AdsObject& g : *memberOf) {
    const QString key = g.ADsPath();
    groups.addMember(key, withoutType(g.Name(), 100), kW2KGroup);
    groups.removeCandidate(key, true);
  }
}

SaveOutcome Save_W2K_User(const UserPage& page, bool mustChangeAsLoaded) {
  const state::SharedState& sh = state::shared();
  auto dir = requireDirectory();
  if (!dir) return notSaved(QStringLiteral("user ") + page.USERID, dir.error());
  auto bound = (*dir)->GetObject(page.USERID_W2K.trimmed());
  if (!bound) return notSaved(QStringLiteral("user ") + page.USERID, bound.error());
  AdsObject user = *bound;

  // Everything is checked before anything is written.
  if (!validHomeDrive(page.UM_Drive_Letter)) return refusedDrive();
  std::optional<QDateTime> expiry;
  if (sh.UM_Changed_Logon) {
    expiry = expiryValue(page.AccExpires, false);
    if (!expiry) return refusedExpiry(kTypeMismatch);
  }

  // A new user principal name must be free in the forest, as at creation.
  const QString upn = page.UM_Logon_Name.isEmpty() ? QString() : page.UM_Logon_Name + page.UM_W2KDomain_Name;
  if (sh.UM_Changed_Logon && !upn.isEmpty()) {
    if (!page.UM_W2KDomain_Name.startsWith(u'@') || page.UM_W2KDomain_Name.size() < 2 ||
        page.UM_W2KDomain_Name.indexOf(u'@', 1) >= 0)
      return SaveOutcome{
          false, true, QString(),
          QStringLiteral("Error saving User Logon Name: the suffix must be \"@\" followed by a "
                         "domain name: ") +
              page.UM_W2KDomain_Name};
    const std::optional<QString> current = text(user, QStringLiteral("userPrincipalName"));
    if (!current || current->compare(upn, Qt::CaseInsensitive) != 0) {
      const UpnAnswer found = Find_UPN(upn);
      if (found.state == UpnState::Exists)
        return SaveOutcome{false, true, QString(), QStringLiteral("UPN aleardy Exists: ") + upn};
      if (found.state == UpnState::Unknown)
        return SaveOutcome{
            false, true, QString(),
            QStringLiteral("UPN could not be checked: ") + upn +
                (found.error ? QStringLiteral(" (") + found.error->message + u')' : QString())};
    }
  }

  Saver s{user, false, std::nullopt, {}};
  if (sh.UM_Changed_Paths) {
    s.setOrClear(QStringLiteral("LoginScript"), page.UM_Logon_Script, QStringLiteral("Logon Script"));
    s.setOrClear(QStringLiteral("Profile"), page.UM_Profile_Dir, QStringLiteral("Profile Path"));
    s.setOrClear(QStringLiteral("HomeDrive"), page.UM_Drive_Letter, QStringLiteral("Drive Letter"));
    s.setOrClear(QStringLiteral("HomeDirectory"), page.UM_Home_Dir, QStringLiteral("Home Directory"));
  }
  if (sh.UM_Changed_Logon) {
    s.put(QStringLiteral("AccountExpirationDate"), *expiry, QStringLiteral("Account Expires"));
    if (!page.UM_PreW2K.isEmpty())
      s.put(QStringLiteral("samAccountName"), page.UM_PreW2K, QStringLiteral("Pre Windows 2000"));
    s.setOrClear(QStringLiteral("EmailAddress"), page.UM_MailAddress, QStringLiteral("Mail Address"));
    s.setOrClear(QStringLiteral("userPrincipalName"), upn, QStringLiteral("User Logon Name"));
  }
  if (sh.UM_Changed_General) {
    s.setOrClear(QStringLiteral("FullName"), page.UM_Full_Name, QStringLiteral("Display Name"));
    s.setOrClear(QStringLiteral("Description"), page.UM_Description, QStringLiteral("Description"));
    s.setOrClear(QStringLiteral("FirstName"), page.UM_First, QStringLiteral("First Name"));
    s.setOrClear(QStringLiteral("LastName"), page.UM_Last, QStringLiteral("Last Name"));
    s.setOrClear(QStringLiteral("OfficeLocations"), page.UM_Office, QStringLiteral("Office"));
    s.setOrClear(QStringLiteral("initials"), page.UM_Initails, QStringLiteral("Initials"));
  }
  if (sh.UM_Changed_Custom)
    for (int k = 0; k < 4; ++k) {
      // Only a value the administrator edited is written, and only to the attribute it was read
      // from while the settings still name that attribute.
      const CustomPair& pair = page.Custom[k];
      if (!page.Custom_Shown[k] || !page.Custom_Edited[k] || !pair.readOnly.isEmpty() ||
          pair.attribute.isEmpty())
        continue;
      const auto attribute = customAttribute(k);
      if (attribute && attribute->compare(pair.attribute, Qt::CaseInsensitive) == 0)
        s.setOrClear(pair.attribute, page.Custom_Value[k], pair.attribute);
    }
  if (sh.UM_Changed_Flags) {
    // The password's age restarts only when the must-change box itself was changed.
    if (page.chkMustChange != mustChangeAsLoaded)
      s.put(QStringLiteral("pwdLastSet"), qint32(page.chkMustChange ? 0 : -1),
            QStringLiteral("User Must Change Password at Next Logon"));
    if (page.lockBoxShown && !page.chkAcctLockedOut)
      s.put(QStringLiteral("IsAccountLocked"), false, QStringLiteral("Account Locked Out"));
    s.put(QStringLiteral("AccountDisabled"), page.chkAcctDisabled, QStringLiteral("Account Disabled"));
    if (s.ok()) {
      auto control = number(user, QStringLiteral("UserAccountControl"));
      if (!control)
        s.fail(QStringLiteral("Password Never Expires"),
               user.Get(QStringLiteral("UserAccountControl")).error());
      else if (withBit(*control, adsi::uac::DONT_EXPIRE_PASSWORD, page.chkPwdNever) != *control)
        s.put(QStringLiteral("UserAccountControl"),
              qint32(withBit(*control, adsi::uac::DONT_EXPIRE_PASSWORD, page.chkPwdNever)),
              QStringLiteral("Password Never Expires"));
    }
  }
  if (!s.ok()) return *s.failed;
  // One commit: all of these changes are stored, or none.
  if (auto refused = s.commit()) return *refused;

  if (sh.UM_Changed_Flags) {
    // "User cannot change password" through the account's WinNT view, found by the name the
    // account has now that the commit above is made (it may just have been renamed).
    const QString what = QStringLiteral("User Cannot Change Password (the other changes were saved)");
    auto afterCommit = [&what](const adsi::Error& e) {
      SaveOutcome out = notSaved(what, e);
      out.committed = true;
      return out;
    };
    auto sam = text(user, QStringLiteral("samAccountName"));
    adsi::Result<AdsObject> nt =
        sam ? (*dir)->GetObject(QStringLiteral("WinNT://") + sh.NetBIOS_Domain + u'/' + *sam)
            : adsi::Result<AdsObject>(user.Get(QStringLiteral("samAccountName")).error());
    if (!nt) return afterCommit(nt.error());
    auto flags = number(*nt, QStringLiteral("UserFlags"));
    if (!flags) return afterCommit(nt->Get(QStringLiteral("UserFlags")).error());
    const qint64 next = withBit(*flags, adsi::uac::PASSWD_CANT_CHANGE, page.chkCantChange);
    if (next != *flags) {
      adsi::Status w = nt->Put(QStringLiteral("UserFlags"), qint32(next));
      if (w) w = nt->SetInfo();
      if (!w) return afterCommit(w.error());
    }
  }
  return SaveOutcome{true, false, QString(), QString(), true};
}

// ---------------------------------------------------------------------------------------------
// NT 4.0

bool Load_NT_User(UserPage& page, const QString& userName, UserGroupView& groups) {
  state::SharedState& sh = state::shared();
  auto dir = requireDirectory();
  if (!dir) return false;
  AdsObject& domain = NT_Domain_Object();
  if (domain.isNull()) {
    auto bound = (*dir)->GetObject(QStringLiteral("WinNT://") + sh.Domain_Name);
    if (!bound) return false;
    domain = *bound;
  }
  auto found = domain.GetObject(QStringLiteral("user"), userName);
  if (!found) return false;
  AdsObject user = *found;
  page.USERID = user.Name();
  const std::pair<QString*, const char*> fields[] = {
      {&page.UM_Full_Name, "FullName"},       {&page.UM_Description, "Description"},
      {&page.UM_Profile_Dir, "Profile"},      {&page.UM_Home_Dir, "HomeDirectory"},
      {&page.UM_Logon_Script, "LoginScript"}, {&page.UM_Drive_Letter, "HomeDirDrive"}};
  for (const auto& [field, name] : fields) {
    auto t = text(user, QString::fromLatin1(name));
    if (!t) return false;
    *field = *t;
  }
  auto expires = user.Get(QStringLiteral("AccountExpirationDate"));
  page.AccExpires = expires ? expiryText(expires->toDateTime()) : kNever;
  // Each value is shown as soon as it is read; the first that cannot be read ends the load.
  auto primary = text(user, QStringLiteral("PrimaryGroupID"));
  if (!primary) return false;
  sh.Primary_Group_ID = *primary;
  auto expired = number(user, QStringLiteral("PasswordExpired"));
  if (!expired) return false;
  page.chkMustChange = *expired == 1;
  auto flags = number(user, QStringLiteral("userFlags"));
  if (!flags) return false;
  page.chkCantChange = (*flags & adsi::uac::PASSWD_CANT_CHANGE) != 0;
  page.chkPwdNever = (*flags & adsi::uac::DONT_EXPIRE_PASSWORD) != 0;
  auto disabled = flag(user, QStringLiteral("AccountDisabled"));
  if (!disabled) return false;
  page.chkAcctDisabled = *disabled;
  page.chkAcctLockedOut = false;
  auto locked = flag(user, QStringLiteral("IsAccountLocked"));
  if (!locked) return false;
  page.chkAcctLockedOut = *locked;
  page.lockBoxShown = *locked;
  return Load_NT_User_Groups(user, groups).ok();
}

adsi::Status Load_NT_User_Groups(AdsObject& user, UserGroupView& groups) {
  groups.clearMembers();
  auto memberOf = user.Groups();
  if (!memberOf) return memberOf.error();
  for (AdsObject& g : *memberOf) {
    const QString name = g.Name();
    auto rid = Get_Group_RID_NT(name);
    if (!rid) return rid.error();
    if (QString::number(*rid) == state::shared().Primary_Group_ID)
      groups.setStatus(user.Name() + QStringLiteral(" Primary Group is '") + name + u'\'');
    auto type = number(g, QStringLiteral("groupType"));
    if (!type) return g.Get(QStringLiteral("groupType")).error();
    groups.addMember(QString(), name, *type == 2 ? QStringLiteral("Global") : QStringLiteral("Local"));
    groups.removeCandidate(name.trimmed(), false);
  }
  return {};
}

SaveOutcome Save_NT_User(const UserPage& page, bool mustChangeAsLoaded) {
  const state::SharedState& sh = state::shared();
  auto dir = requireDirectory();
  if (!dir) return notSaved(QStringLiteral("user ") + page.USERID, dir.error());
  auto bound = (*dir)->GetObject(QStringLiteral("WinNT://") + sh.Domain_Name + u'/' + page.USERID.trimmed());
  if (!bound) return notSaved(QStringLiteral("user ") + page.USERID, bound.error());
  AdsObject user = *bound;

  if (!validHomeDrive(page.UM_Drive_Letter)) return refusedDrive();
  const std::optional<QDateTime> expiry = expiryValue(page.AccExpires, true);
  if (!expiry) return refusedExpiry(kTypeMismatch);

  Saver s{user, true, std::nullopt, {}};
  s.put(QStringLiteral("AccountExpirationDate"), *expiry, QStringLiteral("Account Expires"));
  s.put(QStringLiteral("FullName"), page.UM_Full_Name, QStringLiteral("Full Name"));
  s.put(QStringLiteral("HomeDirectory"), page.UM_Home_Dir, QStringLiteral("Home Directory"));
  s.put(QStringLiteral("LoginScript"), page.UM_Logon_Script, QStringLiteral("Logon Script"));
  s.put(QStringLiteral("Profile"), page.UM_Profile_Dir, QStringLiteral("Profile Path"));
  s.put(QStringLiteral("Description"), page.UM_Description, QStringLiteral("Description"));
  s.put(QStringLiteral("HomeDirDrive"), page.UM_Drive_Letter, QStringLiteral("Drive Letter"));
  // The password's age restarts only when the must-change box itself was changed.
  if (page.chkMustChange != mustChangeAsLoaded)
    s.put(QStringLiteral("PasswordExpired"), qint32(page.chkMustChange ? 1 : 0),
          QStringLiteral("User Must Change Password at Next Logon"));
  if (page.lockBoxShown && !page.chkAcctLockedOut)
    s.put(QStringLiteral("IsAccountLocked"), false, QStringLiteral("Account Locked Out"));
  s.put(QStringLiteral("AccountDisabled"), page.chkAcctDisabled, QStringLiteral("Account Disabled"));
  if (s.ok()) {
    auto flags = number(user, QStringLiteral("UserFlags"));
    if (!flags) {
      s.fail(QStringLiteral("User Cannot Change Password"), user.Get(QStringLiteral("UserFlags")).error());
    } else {
      const qint64 next = withBit(withBit(*flags, adsi::uac::PASSWD_CANT_CHANGE, page.chkCantChange),
                                  adsi::uac::DONT_EXPIRE_PASSWORD, page.chkPwdNever);
      if (next != *flags)
        s.put(QStringLiteral("UserFlags"), qint32(next), QStringLiteral("Password Never Expires"));
    }
  }
  if (!s.ok()) return *s.failed;
  if (auto refused = s.commit()) return *refused;
  return SaveOutcome{true, false, QString(), QString(), true};
}

}  // namespace tavrel::directory
