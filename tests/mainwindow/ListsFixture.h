#pragma once
// A main window on a small database folder for the tests of the two-column lists and their
// windows: the Terminal Services rows as the start-up makes them, readers of the lists, and
// acting on the modal window a handler opens.

#include "mainwindow/Custom.h"
#include "mainwindow/Edit_Properties.h"
#include "mainwindow/Permissions.h"
#include "mainwindow/Varibles_Form.h"
#include "mainwindow/form1.h"
#include "records/PropertyLists.h"
#include "records/Records.h"
#include "state/SharedState.h"
#include "support/Fixtures.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTimer>

#include <functional>
#include <memory>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) {
  *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os) {
  *os << '{';
  for (const QString& s : l) *os << '"' << s.toStdString() << "\" ";
  *os << '}';
}

namespace tavrel::test {

class ListsFixture : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    ASSERT_TRUE(QDir().mkpath(db()));
    w = std::make_unique<mainwindow::form1>();
    w->dbpath->setText(db());
    // The Terminal Services rows as the start-up makes them.
    for (const auto& [caption, key] : records::kWtsRowTable)
      w->ListView9->add(QString::fromLatin1(caption), QString::fromLatin1(key), QStringLiteral("USER"));
    w->Popup1_Shower = [this] { ++popups; };
  }
  void TearDown() override {
    w.reset();
    AppFixture::TearDown();
  }

  QString db() const { return dir() + QStringLiteral("db/"); }
  QByteArray file(const QString& name) const { return readAll(db() + name); }
  void put(const QString& name, const QByteArray& bytes) { ASSERT_TRUE(writeAll(db() + name, bytes)); }
  bool has(const QString& name) const { return QFile::exists(db() + name); }

  static void addRow(ui::ListView* list, const QString& text, const QString& value, const QString& icon = {}) {
    list->add(text, {}, icon)->setText(1, value);
  }
  // "name=value" per row, in display order.
  static QStringList rowsOf(const ui::ListView* list) {
    QStringList out;
    for (int i = 1; i <= list->count(); ++i) out << list->text(i) + u'=' + list->subItem(i, 1);
    return out;
  }

  // The messages shown so far, as "style|title|text".
  QStringList messages() const {
    QStringList out;
    for (const auto& a : prompts.asked)
      if (a.kind == ui::ScriptedPrompter::Kind::MsgBox)
        out << QString::number(a.style) + u'|' + a.title + u'|' + a.prompt;
    return out;
  }

  // Runs `act` on the modal window of type D that the next event loop shows; a different or no
  // window is a failure, and it is closed so that the test goes on.
  template <class D>
  static void onModal(std::function<void(D&)> act) {
    QTimer::singleShot(0, [act] {
      auto* d = qobject_cast<D*>(QApplication::activeModalWidget());
      if (!d) {
        ADD_FAILURE() << "the expected window was not shown";
        if (auto* other = qobject_cast<QDialog*>(QApplication::activeModalWidget())) other->reject();
        return;
      }
      act(*d);
      if (d->isVisible()) static_cast<QDialog*>(d)->reject();
    });
  }

  std::unique_ptr<mainwindow::form1> w;
  int popups = 0;
};

}  // namespace tavrel::test
