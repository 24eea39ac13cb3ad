#pragma once
// A directory back end that passes everything to another and keeps a record of the changes made
// through it: which attributes each modify wrote, by entry. Tests read it to see exactly what a
// save wrote.

#include "platform/adsi/DirectoryBackend.h"

#include <QSet>
#include <QStringList>

#include <memory>

namespace tavrel::test {

struct WriteRecord {
  QList<std::pair<QString, QStringList>> modifies;  // entry DN (lower case), attributes (lower case)

  void clear() { modifies.clear(); }
  // Every attribute written to entries whose DN holds `dnPart` (letter case ignored).
  QSet<QString> attributesOf(const QString& dnPart) const {
    QSet<QString> out;
    for (const auto& [dn, attrs] : modifies)
      if (dn.contains(dnPart.toLower()))
        for (const QString& a : attrs) out.insert(a);
    return out;
  }
  int commits() const { return int(modifies.size()); }
};

class RecordingConnection : public adsi::DirectoryConnection {
 public:
  RecordingConnection(std::shared_ptr<adsi::DirectoryConnection> inner, std::shared_ptr<WriteRecord> record)
      : inner_(std::move(inner)), record_(std::move(record)) {}
  const adsi::ServerInfo& server() const override { return inner_->server(); }
  std::shared_ptr<const adsi::SchemaCatalog> schema() override { return inner_->schema(); }
  QList<adsi::AttributeDef> attributeDefs(const QStringList& names) override {
    return inner_->attributeDefs(names);
  }
  adsi::Result<adsi::Entry> rootDse() override { return inner_->rootDse(); }
  adsi::Result<adsi::Entry> read(const adsi::Dn& dn, const QStringList& attributes) override {
    return inner_->read(dn, attributes);
  }
  adsi::Result<adsi::SearchResult> search(const adsi::SearchRequest& request) override {
    return inner_->search(request);
  }
  adsi::Status add(const adsi::Dn& dn, const QList<adsi::Attribute>& attributes) override {
    return inner_->add(dn, attributes);
  }
  adsi::Status modify(const adsi::Dn& dn, const QList<adsi::Modification>& changes) override {
    adsi::Status s = inner_->modify(dn, changes);
    if (s) {
      QStringList attrs;
      for (const adsi::Modification& m : changes) attrs << m.attribute.toLower();
      record_->modifies.append({dn.toString().toLower(), attrs});
    }
    return s;
  }
  adsi::Status remove(const adsi::Dn& dn) override { return inner_->remove(dn); }
  adsi::Status rename(const adsi::Dn& dn, const adsi::Rdn& newRdn,
                      const std::optional<adsi::Dn>& newSuperior) override {
    return inner_->rename(dn, newRdn, newSuperior);
  }
  adsi::Status setPassword(const adsi::Dn& dn, const QString& password) override {
    adsi::Status s = inner_->setPassword(dn, password);
    if (s) record_->modifies.append({dn.toString().toLower(), {QStringLiteral("(password)")}});
    return s;
  }

 private:
  std::shared_ptr<adsi::DirectoryConnection> inner_;
  std::shared_ptr<WriteRecord> record_;
};

class RecordingBackend : public adsi::DirectoryBackend {
 public:
  explicit RecordingBackend(std::shared_ptr<adsi::DirectoryBackend> inner)
      : inner_(std::move(inner)), record_(std::make_shared<WriteRecord>()) {}
  adsi::Result<std::shared_ptr<adsi::DirectoryConnection>> bind(
      const QString& server, adsi::Protocol protocol,
      const std::optional<adsi::Credentials>& credentials) override {
    auto conn = inner_->bind(server, protocol, credentials);
    if (!conn) return conn.error();
    return std::shared_ptr<adsi::DirectoryConnection>(std::make_shared<RecordingConnection>(*conn, record_));
  }
  QList<adsi::DomainInfo> browseDomains() override { return inner_->browseDomains(); }
  std::optional<adsi::Account> loggedOnAccount() override { return inner_->loggedOnAccount(); }

  WriteRecord& writes() { return *record_; }

 private:
  std::shared_ptr<adsi::DirectoryBackend> inner_;
  std::shared_ptr<WriteRecord> record_;
};

}  // namespace tavrel::test
