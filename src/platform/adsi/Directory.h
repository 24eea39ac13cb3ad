#pragma once
// The directory object model: bind by path, objects with their property cache, containers,
// users and groups, over the LDAP, GC and WinNT providers.
//
//   adsi::Directory dir(backend);
//   auto users = dir.GetObject("LDAP://example.local/CN=Users,DC=example,DC=local");
//   auto u = users->Create("user", "CN=" + adsi::escapeDnValue(id));
//   u->Put("sAMAccountName", id);  u->SetInfo();
//   auto nt = dir.GetObject("WinNT://EXAMPLE/" + id);  nt->Get("PasswordExpired");
//
// Every call returns a Result or Status carrying the HRESULT the directory service reports.

#include "platform/adsi/AdsPath.h"
#include "platform/adsi/DirectoryBackend.h"
#include "platform/adsi/Result.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantHash>

#include <memory>

namespace tavrel::adsi {

// PutEx control codes.
enum PutExControl { ADS_PROPERTY_CLEAR = 1, ADS_PROPERTY_UPDATE = 2, ADS_PROPERTY_APPEND = 3 };
// OpenDSObject flags.
constexpr long ADS_SECURE_AUTHENTICATION = 1;

class ObjectImpl;
struct Session;

class AdsObject {
 public:
  AdsObject() = default;
  explicit AdsObject(std::shared_ptr<ObjectImpl> impl) : d_(std::move(impl)) {}
  bool isNull() const { return !d_; }

  // IADs
  QString Name() const;     // LDAP: the RDN with its type ("CN=John Smith"); WinNT: the account name
  QString Class() const;    // "user", "group", "organizationalUnit", ... ; WinNT "User", "Group", "Domain"
  QString ADsPath() const;  // keeps the server part the object was bound or found with
  QString Parent() const;
  Result<QVariant> Get(const QString& name);        // one value, or a QVariantList for several
  Result<QVariantList> GetEx(const QString& name);  // always a list
  Status Put(const QString& name, const QVariant& value);
  Status PutEx(int control, const QString& name, const QVariantList& values);
  Status SetInfo();  // commits every staged change at once
  // Puts each value (one attribute each) and commits them, with whatever was staged before, as one
  // change. When a put or the commit is refused, or two values would fall on one attribute,
  // nothing of `values` stays staged and the error is returned.
  Status PutAndSetInfo(const QList<std::pair<QString, QVariant>>& values);
  Status GetInfo();  // reloads the cache (discarding nothing that is staged)
  // Reloads the named attributes only (LDAP display names), discarding nothing that is staged;
  // asking later for an attribute it did not read reads the whole entry. Providers without
  // partial reads reload everything.
  Status GetInfoEx(const QStringList& attributes);

  // IADsContainer
  QStringList Filter() const;
  void SetFilter(const QStringList& classes);
  Result<QList<AdsObject>> Children();  // enumeration, honouring the filter
  Result<AdsObject> Create(const QString& className, const QString& relativeName);
  Status Delete(const QString& className, const QString& relativeName);
  // Moves (or renames, with `newName` such as "CN=New Name") the object at `sourcePath` into this
  // container and returns it under its new path.
  Result<AdsObject> MoveHere(const QString& sourcePath, const QString& newName = QString());
  Result<AdsObject> GetObject(const QString& className, const QString& relativeName);

  // IADsUser
  Status SetPassword(const QString& password);
  Result<QList<AdsObject>> Groups();

  // IADsGroup
  Result<QList<AdsObject>> Members();
  Status Add(const QString& memberPath);
  Status Remove(const QString& memberPath);
  Result<bool> IsMember(const QString& memberPath);

  // Schema objects (LDAP://Schema/User, its properties)
  Result<QStringList> OptionalProperties();
  Result<QStringList> MandatoryProperties();

  ObjectImpl* impl() const { return d_.get(); }

 private:
  std::shared_ptr<ObjectImpl> d_;
};

class Directory {
 public:
  // Binds with the logged-on identity of the back end.
  explicit Directory(std::shared_ptr<DirectoryBackend> backend);
  ~Directory();

  Result<AdsObject> GetObject(const QString& path);
  // The LDAP object at `path` that a search has just found as a `className`, bound without reading
  // it again: its cache starts with the values `found` (by attribute name, as the search returned
  // them; a null value is not known), and the entry is read only when another property is asked
  // for. Other paths, and an empty `found`, bind as GetObject does.
  Result<AdsObject> BindFound(const QString& path, const QString& className, const QVariantHash& found);
  // Binds with explicit credentials (an empty password is a password); wrong ones give
  // LOGON_FAILURE (0x8007052E).
  Result<AdsObject> OpenDSObject(const QString& path, const QString& user, const QString& password,
                                 long flags);

  DirectoryBackend& backend() const;
  std::shared_ptr<DirectoryBackend> sharedBackend() const;

 private:
  std::shared_ptr<Session> session_;
};

}  // namespace tavrel::adsi
