#pragma once
// A main window on a small network for creating users through the New User tab: the domain's
// mode, restarting between the cases of a table, selecting a tree node, directory attribute rows,
// the names typed, the account's NT object, and readers of the last run's Log.txt block and of
// the on-screen log.

#include "DomainFixture.h"

#include <algorithm>

namespace tavrel::test {

class CreationFixture : public DomainFixture {
 public:
  enum class Mode { Native, Mixed, Nt };

 protected:

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
};

}  // namespace tavrel::test
