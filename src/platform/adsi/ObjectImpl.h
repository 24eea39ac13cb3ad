#pragma once
// Internal: the object kinds behind AdsObject and the property cache they share.

#include "platform/adsi/Directory.h"
#include "platform/adsi/Properties.h"

#include <QHash>

namespace tavrel::adsi {

struct Session {
  std::shared_ptr<DirectoryBackend> backend;
  std::optional<Credentials> credentials;
  QHash<QString, std::shared_ptr<DirectoryConnection>> connections;

  Result<std::shared_ptr<DirectoryConnection>> connect(const QString& server, Protocol protocol);
};

// Staged changes and loaded values of one directory entry. Changes are kept one per attribute,
// in the order first made, and committed together.
class PropertyCache {
 public:
  PropertyCache(std::shared_ptr<DirectoryConnection> conn, Dn dn, bool isNew)
      : conn_(std::move(conn)), dn_(std::move(dn)), isNew_(isNew) {}

  const Dn& dn() const { return dn_; }
  void setDn(Dn dn) { dn_ = std::move(dn); }
  bool isNew() const { return isNew_; }
  DirectoryConnection& conn() const { return *conn_; }
  const std::shared_ptr<DirectoryConnection>& connection() const { return conn_; }

  Status load();
  // Reads the named attributes again and keeps them with whatever else was loaded; an attribute
  // the entry lacks is then known to be empty.
  Status loadSome(const QStringList& attributes);
  // Takes an entry read with all its attributes as the loaded values, but for those named in
  // `deferred`, which are read when first asked for.
  void prime(Entry entry, QStringList deferred = {}) {
    entry_ = std::move(entry);
    dn_ = entry_.dn;
    loaded_ = true;
    partial_ = false;
    deferred_ = std::move(deferred);
  }
  // Takes the attributes of `entry` (as a search returned them) as the only values known; asking
  // for any other attribute reads the whole entry.
  void primePartial(Entry entry) {
    entry_ = std::move(entry);
    dn_ = entry_.dn;
    loaded_ = true;
    partial_ = true;
    deferred_.clear();
  }
  // The values the object will have once committed; nullopt when it has none.
  Result<std::optional<Values>> current(const QString& attribute);
  // The values the entry held when it was read (empty: none), or nullopt when they were not read.
  std::optional<Values> known(const QString& attribute) const;
  void stage(ModOp op, const QString& attribute, Values values);
  Status commit();
  void invalidate() { loaded_ = false; }
  // The changes staged and not yet committed, to be put back after a refused commit.
  const QList<Modification>& staged() const { return staged_; }
  void restage(QList<Modification> changes) { staged_ = std::move(changes); }

 private:
  std::shared_ptr<DirectoryConnection> conn_;
  Dn dn_;
  bool isNew_;
  bool loaded_ = false;
  bool partial_ = false;  // entry_ holds only some of the entry's attributes
  Entry entry_;
  QStringList deferred_;  // attributes of the loaded entry whose values have not been read yet
  QList<Modification> staged_;
};

class ObjectImpl {
 public:
  virtual ~ObjectImpl() = default;
  virtual QString name() const = 0;
  virtual QString className() const = 0;
  virtual QString adsPath() const = 0;
  virtual QString parent() const = 0;

  virtual Result<QVariantList> getEx(const QString& name);
  virtual Status put(const QString& name, const QVariantList& values, int control);
  virtual Status setInfo();
  virtual Status putAndSetInfo(const QList<std::pair<QString, QVariant>>& values);
  virtual Status getInfo();
  virtual Status getInfoEx(const QStringList& attributes);

  QStringList filter;
  virtual Result<QList<AdsObject>> children();
  virtual Result<AdsObject> create(const QString& className, const QString& relativeName);
  virtual Status remove(const QString& className, const QString& relativeName);
  virtual Result<AdsObject> moveHere(const QString& sourcePath, const QString& newName);
  virtual Result<AdsObject> getObject(const QString& className, const QString& relativeName);

  virtual Status setPassword(const QString& password);
  virtual Result<QList<AdsObject>> groups();
  virtual Result<QList<AdsObject>> members();
  virtual Status addMember(const QString& path);
  virtual Status removeMember(const QString& path);
  virtual Result<bool> isMember(const QString& path);
  virtual Result<QStringList> optionalProperties();
  virtual Result<QStringList> mandatoryProperties();

 protected:
  Error unsupported(const char* what) const;
};

}  // namespace tavrel::adsi
