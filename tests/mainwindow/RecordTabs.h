#pragma once
// A main window on a small database folder built by the test, for the tests of the site and
// template tabs: record builders, readers of what the lists and files hold, and typing into the
// site list's label editor.

#include "bulk/MultiUser.h"
#include "mainwindow/form1.h"
#include "platform/exchange/StoreFinder.h"
#include "records/Records.h"
#include "state/SharedState.h"
#include "support/Fixtures.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>

#include <map>
#include <memory>
#include <ostream>

// Readable failure messages for texts and lists of texts.
inline void PrintTo(const QString& s, std::ostream* os) {
  *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os) {
  *os << '{';
  for (const QString& s : l) *os << '"' << s.toStdString() << "\" ";
  *os << '}';
}

namespace tavrel::test {

inline records::Site_Record siteRec(const QString& name, const QString& home = QStringLiteral("HOME1"),
                                    const QString& exServer = {}, const QString& org = {},
                                    const QString& exSite = {}, const QString& store = {},
                                    int16_t exchange2000 = 0, int16_t deleted = 0) {
  records::Site_Record r;
  r.Deleted = deleted;
  r.Exchange2000 = exchange2000;
  r.SiteName = name;
  r.HomeServer = home;
  r.ExchangeServer = exServer;
  r.ExchOrg = org;
  r.ExchSite = exSite;
  r.MailStore = store;
  return r;
}

inline records::Template_Record templateRec(const QString& name, int16_t deleted = 0) {
  records::Template_Record r;
  r.Deleted = deleted;
  r.Name = name;
  r.PrimaryGroup = QStringLiteral("Domain Users");
  return r;
}

// The stored form of a name: padded with blanks to `width`.
inline QString padded(const QString& name, int width) {
  return name.leftJustified(width, u' ');
}

inline QStringList itemsOf(const QComboBox* box) {
  QStringList out;
  for (int i = 0; i < box->count(); ++i) out << box->itemText(i);
  return out;
}

inline QStringList textsOf(const ui::ListView* list) {
  QStringList out;
  for (int i = 1; i <= list->count(); ++i) out << list->text(i);
  return out;
}

// A finder that answers from a table of servers (letter case ignored) and records what it was asked.
class FakeStoreFinder : public exchange::StoreFinder {
 public:
  std::map<QString, exchange::ServerStores> servers;  // keyed by upper-case name
  QStringList asked;
  exchange::ServerStores storageGroups(const QString& server) override {
    asked << server;
    auto it = servers.find(server.toUpper());
    if (it != servers.end()) return it->second;
    exchange::ServerStores none;
    none.outcome = exchange::ServerStores::Outcome::UnknownServer;
    none.error = QStringLiteral("unknown server");
    return none;
  }
};

class RecordTabsFixture : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    ASSERT_TRUE(QDir().mkpath(db()));
    w = std::make_unique<mainwindow::form1>();
    w->dbpath->setText(db());
    // The start-up makes the thirteen Terminal Services rows.
    for (int i = 1; i <= 13; ++i) w->ListView9->add(QStringLiteral("WTS%1").arg(i));
    exchange::setStoreFinder(&finder);
  }
  void TearDown() override {
    w.reset();
    bulk::MultiUser::unload();
    exchange::setStoreFinder(nullptr);
    AppFixture::TearDown();
  }

  QString db() const { return dir() + QStringLiteral("db/"); }
  QByteArray file(const QString& name) const { return readAll(db() + name); }
  void put(const QString& name, const QByteArray& bytes) { ASSERT_TRUE(writeAll(db() + name, bytes)); }
  bool has(const QString& name) const { return QFile::exists(db() + name); }

  template <class R>
  void putRecords(const QString& name, const QList<R>& records) {
    QByteArray bytes;
    for (const R& r : records) bytes += r.encode();
    put(name, bytes);
  }
  void putSites(const QList<records::Site_Record>& sites) { putRecords(QStringLiteral("Site.dat"), sites); }
  void putTemplates(const QList<records::Template_Record>& t) {
    putRecords(QStringLiteral("Template.dat"), t);
  }

  QList<records::Site_Record> sitesOnDisk() const {
    const QByteArray bytes = file(QStringLiteral("Site.dat"));
    QList<records::Site_Record> out;
    for (int at = 0; at + records::Site_Record::Length <= bytes.size(); at += records::Site_Record::Length)
      out << records::Site_Record::decode(bytes.mid(at, records::Site_Record::Length));
    return out;
  }

  QComboBox* multiSite() const { return bulk::MultiUser::instance(db()).Multi_Site; }

  // Shows the window on the site tab, so that the label editor can open.
  void showSites() {
    w->show();
    w->SSTab1->setCurrentIndex(mainwindow::form1::kSitesPage);
    QApplication::processEvents();
  }

  // Types into the site list's open label editor and ends the edit with `key`.
  void typeSiteName(const QString& text, int key = Qt::Key_Return) {
    auto* editor = w->ListView2->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr) << "no label editor open";
    editor->setText(text);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(editor, &press);
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  // New, the name typed and accepted.
  void newSiteNamed(const QString& name) {
    w->New_Site_Click();
    typeSiteName(name);
  }

  // Selects the list entry whose trimmed text is `name` and clicks it.
  void clickSite(const QString& name) {
    for (int i = 1; i <= w->ListView2->count(); ++i)
      if (w->ListView2->text(i).trimmed() == name) {
        w->ListView2->setSelectedIndex(i);
        w->ListView2_Click();
        return;
      }
    ADD_FAILURE() << "no site entry " << name.toStdString();
  }

  QString status() const { return w->StatusBar1->panelText(1); }
  bool editableLook(QWidget* field) const {
    return field->isEnabled() && field->palette().color(QPalette::Base) == w->editableColour();
  }
  bool readOnlyLook(QWidget* field) const {
    return !field->isEnabled() && field->palette().color(QPalette::Base) == w->Field_Colour;
  }

  FakeStoreFinder finder;
  std::unique_ptr<mainwindow::form1> w;
};

}  // namespace tavrel::test
