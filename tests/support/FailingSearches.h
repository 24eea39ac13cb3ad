#pragma once
// A directory back end that passes everything to another, except that searches whose filter
// holds a given text (letter case ignored) fail with a given error, or answer with nothing when no
// error is given: one search of a load can be made to fail while the others answer.

#include "platform/adsi/DirectoryBackend.h"

#include <memory>
#include <optional>

namespace tavrel::test {

class FailingSearchConnection : public adsi::DirectoryConnection {
 public:
  FailingSearchConnection(std::shared_ptr<adsi::DirectoryConnection> inner, QString filterPart,
                          std::optional<adsi::Error> error)
      : inner_(std::move(inner)), filterPart_(std::move(filterPart)), error_(std::move(error)) {}
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
    if (QString(request.filter).remove(u' ').contains(filterPart_, Qt::CaseInsensitive)) {
      if (error_) return *error_;
      return adsi::SearchResult{};
    }
    return inner_->search(request);
  }
  adsi::Status add(const adsi::Dn& dn, const QList<adsi::Attribute>& attributes) override {
    return inner_->add(dn, attributes);
  }
  adsi::Status modify(const adsi::Dn& dn, const QList<adsi::Modification>& changes) override {
    return inner_->modify(dn, changes);
  }
  adsi::Status remove(const adsi::Dn& dn) override { return inner_->remove(dn); }
  adsi::Status rename(const adsi::Dn& dn, const adsi::Rdn& newRdn,
                      const std::optional<adsi::Dn>& newSuperior) override {
    return inner_->rename(dn, newRdn, newSuperior);
  }
  adsi::Status setPassword(const adsi::Dn& dn, const QString& password) override {
    return inner_->setPassword(dn, password);
  }

 private:
  std::shared_ptr<adsi::DirectoryConnection> inner_;
  QString filterPart_;
  std::optional<adsi::Error> error_;
};

class FailingSearchBackend : public adsi::DirectoryBackend {
 public:
  // Searches whose filter, without spaces, holds `filterPart` fail with `error` (find nothing
  // when it is empty).
  FailingSearchBackend(std::shared_ptr<adsi::DirectoryBackend> inner, QString filterPart,
                       std::optional<adsi::Error> error)
      : inner_(std::move(inner)), filterPart_(std::move(filterPart)), error_(std::move(error)) {}
  adsi::Result<std::shared_ptr<adsi::DirectoryConnection>> bind(
      const QString& server, adsi::Protocol protocol,
      const std::optional<adsi::Credentials>& credentials) override {
    auto conn = inner_->bind(server, protocol, credentials);
    if (!conn) return conn.error();
    return std::shared_ptr<adsi::DirectoryConnection>(
        std::make_shared<FailingSearchConnection>(*conn, filterPart_, error_));
  }
  QList<adsi::DomainInfo> browseDomains() override { return inner_->browseDomains(); }
  std::optional<adsi::Account> loggedOnAccount() override { return inner_->loggedOnAccount(); }

 private:
  std::shared_ptr<adsi::DirectoryBackend> inner_;
  QString filterPart_;
  std::optional<adsi::Error> error_;
};

}  // namespace tavrel::test
