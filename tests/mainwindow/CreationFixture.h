#pragma once
// A main window on a small network for creating users through the New User tab: the domain's
// mode, restarting between the cases of a table, selecting a tree node, directory attribute rows,
// the names typed, the account's NT object, and readers of the last run's Log.txt block and of
// the on-screen log.

#include "DomainFixture.h"

#include "platform/security/AccountLookup.h"
#include "platform/simnet/Resources.h"
#include "resources/DcLookup.h"

#include <algorithm>

namespace tavrel::test {

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

  Mode mode_ = Mode::Native;
  QString domain_;
  std::shared_ptr<simnet::SimNetwork> fileNet_;  // the file servers (the test DC's neighbours)
  std::unique_ptr<simnet::NetworkBuilder> files_;
};

}  // namespace tavrel::test
