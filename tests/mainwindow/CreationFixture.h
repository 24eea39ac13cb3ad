#pragma once
// A main window on a small network for creating users through the New User tab: the domain's
// mode, restarting between the cases of a table, selecting a tree node, directory attribute rows,
// the names typed, the account's NT object, and readers of the last run's Log.txt block and of
// the on-screen log.

#include "DomainFixture.h"

#include "platform/adsi/SchemaCatalog.h"
#include "platform/security/AccountLookup.h"
#include "platform/simnet/Resources.h"
#include "resources/DcLookup.h"

#include <QHash>

#include <algorithm>
#include <functional>

namespace tavrel::test {

// A directory back end that passes everything to the one under test and refuses what a test
// names: `refuse` sees each operation ("read", "search", "add", "modify", "remove",
// "setPassword", "bind") with the entry's DN in lower case and the attributes it names (read,
// modify) in lower case, and answers true to refuse it. `syntaxes` changes how values of an
// attribute are converted, so that a value the run puts is refused before any commit.
struct Faults {
  std::function<bool(const QString& op, const QString& dn, const QStringList& attributes)> refuse;
  QHash<QString, adsi::Syntax> syntaxes;  // by lower-case attribute name
};

class FaultyConnection : public adsi::DirectoryConnection {
 public:
  FaultyConnection(std::shared_ptr<adsi::DirectoryConnection> inner, std::shared_ptr<Faults> faults)
      : inner_(std::move(inner)), faults_(std::move(faults)) {}
  const adsi::ServerInfo& server() const override { return inner_->server(); }
  std::shared_ptr<const adsi::SchemaCatalog> schema() override {
    if (faults_->syntaxes.isEmpty()) return inner_->schema();
    QList<adsi::AttributeDef> attributes = inner_->schema()->attributes();
    for (adsi::AttributeDef& a : attributes)
      if (faults_->syntaxes.contains(a.name.toLower())) a.syntax = faults_->syntaxes.value(a.name.toLower());
    return std::make_shared<adsi::SchemaCatalog>(attributes, QList<adsi::ClassDef>{});
  }
  QList<adsi::AttributeDef> attributeDefs(const QStringList& names) override {
    return inner_->attributeDefs(names);
  }
  adsi::Result<adsi::Entry> rootDse() override { return inner_->rootDse(); }
  adsi::Result<adsi::Entry> read(const adsi::Dn& dn, const QStringList& attributes) override {
    if (refused("read", dn, attributes)) return refusal();
    return inner_->read(dn, attributes);
  }
  adsi::Result<adsi::Entry> readForBind(const adsi::Dn& dn, QStringList& deferred) override {
    if (refused("read", dn, {})) return refusal();
    return inner_->readForBind(dn, deferred);
  }
  adsi::Result<adsi::SearchResult> search(const adsi::SearchRequest& request) override {
    if (refused("search", request.base, {request.filter})) return refusal();
    return inner_->search(request);
  }
  adsi::Status add(const adsi::Dn& dn, const QList<adsi::Attribute>& attributes) override {
    QStringList names;
    for (const adsi::Attribute& a : attributes) names << a.name;
    if (refused("add", dn, names)) return refusal();
    return inner_->add(dn, attributes);
  }
  adsi::Status modify(const adsi::Dn& dn, const QList<adsi::Modification>& changes) override {
    QStringList names;
    for (const adsi::Modification& m : changes) names << m.attribute;
    if (refused("modify", dn, names)) return refusal();
    return inner_->modify(dn, changes);
  }
  adsi::Status remove(const adsi::Dn& dn) override {
    if (refused("remove", dn, {})) return refusal();
    return inner_->remove(dn);
  }
  adsi::Status rename(const adsi::Dn& dn, const adsi::Rdn& newRdn,
                      const std::optional<adsi::Dn>& newSuperior) override {
    return inner_->rename(dn, newRdn, newSuperior);
  }
  adsi::Status setPassword(const adsi::Dn& dn, const QString& password) override {
    if (refused("setPassword", dn, {})) return refusal();
    return inner_->setPassword(dn, password);
  }

 private:
  bool refused(const char* op, const adsi::Dn& dn, const QStringList& attributes) const {
    if (!faults_->refuse) return false;
    QStringList lower;
    for (const QString& a : attributes) lower << a.toLower();
    return faults_->refuse(QString::fromLatin1(op), dn.toString().toLower(), lower);
  }
  static adsi::Error refusal() {
    return adsi::makeError(adsi::hr::UNWILLING_TO_PERFORM, QStringLiteral("refused by the test"));
  }
  std::shared_ptr<adsi::DirectoryConnection> inner_;
  std::shared_ptr<Faults> faults_;
};

class FaultyBackend : public adsi::DirectoryBackend {
 public:
  FaultyBackend(std::shared_ptr<adsi::DirectoryBackend> inner, std::shared_ptr<Faults> faults)
      : inner_(std::move(inner)), faults_(std::move(faults)) {}
  adsi::Result<std::shared_ptr<adsi::DirectoryConnection>> bind(
      const QString& server, adsi::Protocol protocol,
      const std::optional<adsi::Credentials>& credentials) override {
    const QString kind = protocol == adsi::Protocol::Sam ? QStringLiteral("sam") : QStringLiteral("ldap");
    if (faults_->refuse && faults_->refuse(QStringLiteral("bind"), server.toLower(), {kind}))
      return adsi::makeError(adsi::hr::SERVER_DOWN, QStringLiteral("the server does not answer (the test)"));
    auto conn = inner_->bind(server, protocol, credentials);
    if (!conn) return conn.error();
    return std::shared_ptr<adsi::DirectoryConnection>(std::make_shared<FaultyConnection>(*conn, faults_));
  }
  QList<adsi::DomainInfo> browseDomains() override { return inner_->browseDomains(); }
  std::optional<adsi::Account> loggedOnAccount() override { return inner_->loggedOnAccount(); }

 private:
  std::shared_ptr<adsi::DirectoryBackend> inner_;
  std::shared_ptr<Faults> faults_;
};

class CreationFixture : public DomainFixture {
 public:
  enum class Mode { Native, Mixed, Nt };

 protected:
  void TearDown() override {
    resources::setDcDirectory(nullptr);
    DomainFixture::TearDown();
  }

  // The domain of `mode`: example.local (native or mixed) with OU=Staff, or the NT domain
  // OLDCORP; only native mode runs on the test DC (false, the test skipped, for the others).
  bool domain(Mode mode) {
    mode_ = mode;
    if (dc && mode != Mode::Native) {
      [] { GTEST_SKIP() << "simnet-only: Samba has no mixed-mode or NT 4.0 domain"; }();
      return false;
    }
    if (mode == Mode::Nt) {
      builder->forest("example.local", "EXAMPLE").nt4Domain("OLDCORP", "OLDPDC");
      domain_ = "OLDCORP";
    } else {
      if (!dc) builder->forest("example.local", "EXAMPLE", mode == Mode::Mixed);
      domain_ = "example.local";
      builder->ou(domain_, "OU=Staff");
    }
    return true;
  }
  // Where the file servers are built: the domain's network, or beside the test DC a simulated
  // network of their own (whose accounts are looked up in the DC).
  simnet::NetworkBuilder& fileServers() {
    if (!dc) return *builder;
    files_ = std::make_unique<simnet::NetworkBuilder>(dir() + "files");
    files_->forest("example.local", "EXAMPLE");
    return *files_;
  }
  // Builds the file servers and installs them for the file, share and Terminal Services layers.
  void installFileServers(simnet::NetworkBuilder& fs) {
    auto built = fs.build();
    ASSERT_TRUE(built.ok()) << built.error().message.toStdString();
    fileNet_ = *built;
    simnet::installPlatformLayers(fileNet_);
    security::setAccountDirectory(backend());
    // As the program does with the directory on a real domain: its controller is the DC's.
    if (dc) resources::setDcDirectory(dc);
  }
  // Connects the window, loads the databases, picks the first template and site and sets the ID
  // format, the password and the full-name format.
  void windowDefaults() {
    ASSERT_TRUE(connect(domain_));
    w->Load_Databases();
    w->nutemplate->setCurrentIndex(0);
    w->NUsitename->setCurrentIndex(0);
    w->setupid->setText("1%first%%last%");
    w->defaultpassword->setText("Start-Pw1");
    w->FN_Format->setText("%first% %last%");
  }

  // A fresh window and network for the next case of a table.
  void restart() {
    TearDown();
    QDir(dir() + "net").removeRecursively();
    QDir(dir() + "files").removeRecursively();  // the file servers beside the test DC
    QDir(db()).removeRecursively();
    SetUp();
  }

  void selectNode(const QString& key) {
    QTreeWidgetItem* n = node(key);
    ASSERT_NE(n, nullptr) << key.toStdString();
    w->TreeView1->setCurrentItem(n);
  }
  // A row of the template's directory attribute list.
  void directoryRow(const QString& name, const QString& value, const QString& kind = {}) {
    w->ListView7->add(name, {}, kind);
    w->ListView7->setSubItem(w->ListView7->count(), 1, value);
  }

  // An account made in the directory after the tree was loaded, so the tree does not show it.
  void existingUser(const QString& container, const QString& cn, const QString& sam) {
    auto parent = admin().GetObject("LDAP://" + container);
    ASSERT_TRUE(parent.ok());
    auto made = parent->Create("user", "CN=" + cn);
    ASSERT_TRUE(made.ok());
    ASSERT_TRUE(made->Put("sAMAccountName", sam).ok());
    ASSERT_TRUE(made->SetInfo().ok());
  }
  void names(const QString& first, const QString& last) {
    w->strFirst->setText(first);
    w->strLast->setText(last);
  }
  adsi::Result<adsi::AdsObject> account(const QString& id) {
    return admin().GetObject(mode_ == Mode::Nt ? "WinNT://OLDCORP/" + id : "WinNT://EXAMPLE/" + id);
  }
  QStringList logBlock() const {
    // The last run's block, the date line masked.
    QStringList lines = logLines();
    const int start = lines.lastIndexOf(QString(41, u'*'));
    lines = lines.mid(start);
    if (lines.size() > 1) lines[1] = "<date>";
    return lines;
  }
  // Whether the last run's block has a line beginning with `prefix`.
  bool logged(const QString& prefix) const {
    const QStringList block = logBlock();
    return std::any_of(block.begin(), block.end(), [&](const QString& l) { return l.startsWith(prefix); });
  }
  QStringList onScreen() const {
    QStringList out;
    for (int i = 0; i < w->ListView1->topLevelItemCount(); ++i) {
      QTreeWidgetItem* row = w->ListView1->topLevelItem(i);
      out << row->data(0, Qt::UserRole).toString() + "|" + row->text(0);
    }
    return out;
  }
  QString lastColour() const {
    const int n = w->ListView1->topLevelItemCount();
    return n ? w->ListView1->topLevelItem(n - 1)->data(0, Qt::UserRole).toString() : QString();
  }
  QString lastVerdict() const {
    const int n = w->ListView1->topLevelItemCount();
    return n ? w->ListView1->topLevelItem(n - 1)->text(0) : QString();
  }

  // From here the program's directory refuses what `faults` names (the test's own directory,
  // admin(), does not).
  // The window connects again through it (the NT domain object is bound anew) and the node that
  // was selected is selected again.
  std::shared_ptr<Faults> injectFaults() {
    auto faults = std::make_shared<Faults>();
    const QString selected = keyOf(w->TreeView1->currentItem());
    directory::setDirectory(
        std::make_shared<adsi::Directory>(std::make_shared<FaultyBackend>(backend(), faults)));
    EXPECT_TRUE(connect(domain_));
    if (QTreeWidgetItem* n = selected.isEmpty() ? nullptr : node(selected)) w->TreeView1->setCurrentItem(n);
    return faults;
  }

  Mode mode_ = Mode::Native;
  QString domain_;
  std::shared_ptr<simnet::SimNetwork> fileNet_;  // the file servers (the test DC's neighbours)
  std::unique_ptr<simnet::NetworkBuilder> files_;
};

}  // namespace tavrel::test
