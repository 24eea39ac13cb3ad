#pragma once
// A day of administration through the real main window, and what every step is checked against:
// the directory under the scenario's units, the file servers (every file, folder and share), the
// lists the windows keep, Log.txt and the on-screen log. A step is described by what it changes;
// everything else must stay as it was.

#include "mainwindow/CreationFixture.h"

#include "bulk/Catalogue.h"
#include "directory/RecordingBackend.h"
#include "platform/netapi/NetApi.h"
#include "startup/LogFile.h"

#include <QDirIterator>
#include <QMap>
#include <QSet>

#include <functional>
#include <vector>

namespace tavrel::test {

// A snapshot: "kind path" -> value, for every directory entry's attribute, file, folder and share
// the scenario watches.
using Snapshot = QMap<QString, QString>;

class DayFixture : public CreationFixture {
 protected:
  static inline const QString kDomainDn = QStringLiteral("DC=example,DC=local");
  static inline const QString kPath = QStringLiteral("LDAP://example.local/");

  // One step of the day, by name.
  struct Step {
    const char* name;
    std::function<void()> run;
  };
  // Runs the steps in order, each inside a trace with its name; stops at the first fatal failure.
  // The day's transcript gets, for every step, its name, the Log.txt lines it wrote and the
  // on-screen rows it added ("row COLOUR|text").
  void runDay(const std::vector<Step>& steps) {
    for (const Step& s : steps) {
      SCOPED_TRACE(s.name);
      s.run();
      if (HasFatalFailure()) return;
      transcript << QStringLiteral("## ") + QLatin1String(s.name);
      transcript << newLogLines();
      for (const QString& r : newRows()) transcript << "row " + r;
      rowsSeen_ = w->ListView1->topLevelItemCount();
    }
  }
  // Compares the transcript with the golden file `name`; a differing run's transcript is left in
  // the working folder as "<name>.actual" for review. Every Log.txt line is in the transcript.
  // `replaced` turns golden lines into what this back end says instead; with `anyOrder` each
  // step's lines are compared as a multiset (a real DC gives a unit's users in its own order).
  void expectGoldenTranscript(const QString& goldenFolder, const QString& name,
                              const QList<std::pair<QString, QString>>& replaced = {}, bool anyOrder = false) {
    QStringList logged = transcript;
    logged.removeIf([](const QString& l) { return l.startsWith("## ") || l.startsWith("row "); });
    EXPECT_EQ(logged, maskedLog()) << "the steps wrote the whole Log.txt";
    const QString actual = transcript.join(u'\n') + u'\n';
    QString golden = QString::fromUtf8(readAll(goldenFolder + u'/' + name));
    for (const auto& [from, to] : replaced) golden.replace(from, to);
    const auto ordered = [anyOrder](const QString& text) {
      if (!anyOrder) return text;
      QStringList out, step;
      for (const QString& l : text.split(u'\n')) {
        if (l.startsWith("## ")) {
          step.sort();
          out << step << l;
          step.clear();
        } else {
          step << l;
        }
      }
      step.sort();
      return (out << step).join(u'\n');
    };
    if (ordered(actual) != ordered(golden)) writeAll(QDir::currentPath() + u'/' + name + ".actual", actual.toUtf8());
    EXPECT_EQ(ordered(actual), ordered(golden))
        << "the day differs from " << name.toStdString() << " (the run's is in " << name.toStdString() << ".actual)";
  }

  void TearDown() override {
    bulk::MultiUser::setDeleteLinks({});
    bulk::MultiUser::setMoveSettings({});
    CreationFixture::TearDown();
  }

  // The program's directory records what it writes (installed before the window connects).
  void recordWrites() {
    recorder = std::make_shared<RecordingBackend>(backend());
    directory::setDirectory(std::make_shared<adsi::Directory>(recorder));
  }

  // --- snapshots ---

  // The NT 4.0 domain watched instead of the trees below (when set).
  QString ntDomain;
  // Containers of the directory whose whole subtree is watched, and single entries beside them.
  QStringList watchedTrees;
  QStringList watchedEntries;
  // The file servers' drive folders' parent ("…/servers").
  QString serversRoot() const { return dir() + (dc ? "files/servers" : "net/servers"); }
  QStringList fileServerNames{"FS1", "FS2"};

  static QString shortDn(QString dn) {
    if (dn.startsWith(QLatin1String("LDAP://"), Qt::CaseInsensitive)) dn = dn.mid(dn.indexOf(u'/', 7) + 1);
    dn = dn.toLower();
    if (dn.endsWith(u',' + kDomainDn.toLower())) dn.chop(kDomainDn.size() + 1);
    return dn;
  }
  void walkEntry(const adsi::AdsObject& o, Snapshot& out, bool recurse) {
    adsi::AdsObject e = o;
    const QString name = shortDn(e.ADsPath());
    QStringList classes;
    if (auto v = e.GetEx("objectClass")) for (const QVariant& c : *v) classes << c.toString().toLower();
    const QString kind = classes.contains("computer") ? "computer"
                         : classes.contains("user")   ? "user"
                         : classes.contains("group")  ? "group"
                                                      : "container";
    out.insert("entry " + name, kind);
    for (const char* a : {"sAMAccountName", "member", "description", "homeDirectory", "homeDrive", "profilePath",
                          "department", "userAccountControl", "accountExpires", "pwdLastSet", "lockoutTime",
                          "groupType", "userPrincipalName"}) {
      auto v = e.GetEx(QString::fromLatin1(a));
      if (!v || v->isEmpty()) continue;
      QStringList vs;
      for (const QVariant& x : *v) vs << (QLatin1String(a) == "member" ? shortDn(x.toString()) : x.toString());
      vs.sort();
      QString value = vs.join(u'|');
      // Times: only whether one is set.
      if (QLatin1String(a) == "pwdLastSet" || QLatin1String(a) == "lockoutTime")
        value = value == "0" ? "0" : value == "-1" ? "-1" : "set";
      if (QLatin1String(a) == "userAccountControl") value = (value.toLongLong() & 2) ? "disabled" : "enabled";
      if (QLatin1String(a) == "accountExpires" && (value == "0" || value == "9223372036854775807")) continue;
      if (QLatin1String(a) == "lockoutTime" && value == "0") continue;
      out.insert(QStringLiteral("attr %1 %2").arg(name, QLatin1String(a).toString().toLower()), value);
    }
    if (!recurse) return;
    auto children = e.Children();
    if (!children) return;
    for (const adsi::AdsObject& c : *children) walkEntry(c, out, true);
  }
  // An NT 4.0 domain's accounts: each user's paths and flags, each group's members by name.
  void walkNtDomain(Snapshot& out) {
    auto domainObject = admin().GetObject("WinNT://" + ntDomain);
    if (!domainObject) return;
    auto children = domainObject->Children();
    if (!children) return;
    for (adsi::AdsObject c : *children) {
      const QString cls = c.Class().toLower();
      if (cls != "user" && cls != "group") continue;
      const QString name = c.Name();
      out.insert("entry " + name, cls);
      if (cls == "group") {
        QStringList names;
        if (auto m = c.Members())
          for (const adsi::AdsObject& x : *m) names << x.Name();
        names.sort();
        if (!names.isEmpty()) out.insert("attr " + name + " members", names.join(u'|'));
        continue;
      }
      for (const char* a : {"HomeDirectory", "Profile", "Description", "AccountDisabled", "PasswordExpired"}) {
        auto v = c.Get(QString::fromLatin1(a));
        if (!v || v->toString().isEmpty()) continue;
        out.insert(QStringLiteral("attr %1 %2").arg(name, QLatin1String(a).toString().toLower()), v->toString());
      }
    }
  }
  Snapshot snapshot() {
    Snapshot out;
    if (!ntDomain.isEmpty()) walkNtDomain(out);
    for (const QString& t : watchedTrees)
      if (auto o = admin().GetObject(kPath + t + u',' + kDomainDn)) walkEntry(*o, out, true);
    for (const QString& e : watchedEntries)
      if (auto o = admin().GetObject(kPath + e + u',' + kDomainDn)) walkEntry(*o, out, false);
    const QString root = serversRoot() + u'/';
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
      it.next();
      const QString p = it.filePath().mid(root.size());
      if (it.fileInfo().isDir())
        out.insert("dir " + p, QString());
      else
        out.insert("file " + p, QString::fromLatin1(readAll(it.filePath()).toHex()));
    }
    for (const QString& server : fileServerNames) {
      QList<netapi::SHARE_INFO_502> shares;
      netapi::NetShareEnum(server, shares);
      for (const netapi::SHARE_INFO_502& s : shares) out.insert("share " + server + u' ' + s.shi502_netname, s.shi502_path);
    }
    return out;
  }
  // What changed from `before` to now: "+key value", "-key value", "~key old -> new".
  QStringList changesSince(const Snapshot& before) {
    const Snapshot after = snapshot();
    QStringList out;
    for (auto it = before.begin(); it != before.end(); ++it) {
      if (!after.contains(it.key()))
        out << "-" + it.key() + (it.value().isEmpty() ? QString() : " " + it.value());
      else if (after.value(it.key()) != it.value())
        out << "~" + it.key() + " " + it.value() + " -> " + after.value(it.key());
    }
    for (auto it = after.begin(); it != after.end(); ++it)
      if (!before.contains(it.key())) out << "+" + it.key() + (it.value().isEmpty() ? QString() : " " + it.value());
    out.sort();
    return out;
  }

  // --- the lists ---

  // Every list the windows keep that shows the scenario's users and groups follows the directory:
  // the tree (each user under its unit), the bulk window's users (with the selection), the group
  // window's members and non-members, and the groups of the group window, the bulk window, the
  // user tab and the template.
  void expectListsFollowTheDirectory() {
    if (!ntDomain.isEmpty()) return expectNtListsFollowTheDirectory();
    const Snapshot s = snapshot();
    QSet<QString> users, groupKeys, groupNames;
    for (auto it = s.begin(); it != s.end(); ++it) {
      if (!it.key().startsWith("entry ")) continue;
      const QString dn = it.key().mid(6);
      if (it.value() == "user") users << dn;
      if (it.value() == "group") {
        groupKeys << dn;
        groupNames << s.value("attr " + dn + " samaccountname").toLower();
      }
    }
    const auto watched = [&](const QString& key) {
      const QString dn = shortDn(key);
      return std::any_of(watchedTrees.begin(), watchedTrees.end(),
                         [&](const QString& t) { return dn == t.toLower() || dn.endsWith(u',' + t.toLower()); }) ||
             watchedEntries.contains(dn, Qt::CaseInsensitive) || dn.startsWith(QLatin1String("cn=project x,"));
    };
    // The watched keys of a list, each of which it must hold once.
    const auto keySet = [&](const QStringList& keys, const QList<bool>& skip = {}) {
      QSet<QString> out;
      int listed = 0;
      for (int i = 0; i < keys.size(); ++i)
        if (!keys[i].isEmpty() && watched(keys[i]) && !(i < skip.size() && skip[i])) {
          out << shortDn(keys[i]);
          ++listed;
        }
      EXPECT_EQ(listed, out.size()) << "an entry listed twice: " << keys.join(u' ').toStdString();
      return out;
    };
    // The units: in the tree and in the bulk window.
    QSet<QString> units;
    for (auto it = s.begin(); it != s.end(); ++it)
      if (it.key().startsWith("entry ou=") && it.value() == "container") units << it.key().mid(6);
    QStringList treeUnits;
    for (QTreeWidgetItem* n : nodesWithImage("OU")) treeUnits << keyOf(n);
    EXPECT_EQ(keySet(treeUnits), units) << "the tree's units";
    EXPECT_EQ(keySet(bulk::catalogue().ous.keys()) + keySet(bulk::catalogue().selection.keys()).intersect(units), units)
        << "bulk units";
    // The tree: user nodes, each under the node of its unit.
    QStringList treeUsers;
    for (QTreeWidgetItem* n : nodesWithImage("USER")) {
      treeUsers << keyOf(n);
      const QString dn = shortDn(keyOf(n));
      EXPECT_EQ(shortDn(keyOf(n->parent())), dn.mid(dn.indexOf(u',') + 1)) << dn.toStdString();
    }
    EXPECT_EQ(keySet(treeUsers), users) << "tree";
    // The bulk window: users and the selection hold every user once (ghosted items are gone).
    bulk::Catalogue& c = bulk::catalogue();
    QList<bool> ghosts;
    for (int i = 1; i <= c.selection.count(); ++i) ghosts << c.selection.ghosted(i);
    EXPECT_EQ((keySet(c.users.keys()) + keySet(c.selection.keys(), ghosts)).subtract(units), users) << "bulk users";
    EXPECT_EQ(c.invariantBreaches(), QStringList());
    groups::Groupsfrm& g = groupWindow();
    EXPECT_EQ(keySet(keys(g.Members)) + keySet(keys(g.NotMembers)), users) << "group window's users";
    EXPECT_TRUE((keySet(keys(g.Members)) & keySet(keys(g.NotMembers))).isEmpty());
    // The groups.
    EXPECT_EQ(keySet(keys(g.ListView1)), groupKeys) << "group window";
    EXPECT_EQ(keySet(c.groups.keys()) + keySet(c.selection.keys()).intersect(groupKeys), groupKeys) << "bulk groups";
    EXPECT_EQ(keySet(keys(w->ListView3)) + keySet(keys(w->ListView4)), groupKeys) << "user tab";
    QSet<QString> templateGroups;
    for (const QString& t : texts(w->ListView5) + texts(w->ListView6))
      if (groupNames.contains(t.toLower()) || t.toLower() == "project x") templateGroups << t.toLower();
    EXPECT_EQ(templateGroups, groupNames) << "template";
  }

  // In NT 4.0 the lists hold account names: the tree's users under the domain, the bulk window's
  // users, the group window's members and non-members, and the global groups.
  void expectNtListsFollowTheDirectory() {
    const Snapshot s = snapshot();
    QSet<QString> users, globalGroups;
    for (auto it = s.begin(); it != s.end(); ++it) {
      if (it.key().startsWith("entry ") && it.value() == "user") users << it.key().mid(6);
    }
    const auto set = [](const QStringList& l) { return QSet<QString>(l.begin(), l.end()); };
    QStringList treeUsers;
    for (QTreeWidgetItem* n : nodesWithImage("USER")) treeUsers << n->text(0).trimmed();
    EXPECT_EQ(set(treeUsers), users) << "tree";
    EXPECT_EQ(treeUsers.size(), users.size()) << "each user once";
    bulk::Catalogue& c = bulk::catalogue();
    QStringList bulkUsers = c.users.texts();
    for (int i = 1; i <= c.selection.count(); ++i)
      if (c.selection.smallIcon(i) == "USER" && !c.selection.ghosted(i)) bulkUsers << c.selection.text(i);
    EXPECT_EQ(set(bulkUsers), users) << "bulk users";
    EXPECT_EQ(bulkUsers.size(), users.size()) << "each user once";
    EXPECT_EQ(c.invariantBreaches(), QStringList());
    groups::Groupsfrm& g = groupWindow();
    const QStringList groupUsers = texts(g.Members) + texts(g.NotMembers);
    EXPECT_EQ(set(groupUsers), users) << "group window's users";
    EXPECT_EQ(groupUsers.size(), users.size()) << "each user once";
  }

  // --- the windows ---

  static void choose(ui::ListView* list, const QStringList& rows) {
    list->clearSelection();
    for (int i = 1; i <= list->count(); ++i)
      if (rows.contains(list->text(i))) list->item(i)->setSelected(true);
  }
  bulk::MultiUser& bulk() {
    w->Multi_Click();
    bulk::MultiUser& m = bulkWindow();
    m.setYieldInterval(0);
    return m;
  }
  // Moves the bulk window's items with these texts into its selection.
  void selectInBulk(const QStringList& wanted) {
    bulk::Catalogue& c = bulk::catalogue();
    c.returnAll();
    for (const QString& t : wanted) {
      bool moved = false;
      for (bulk::KeyedList* l : {&c.users, &c.groups, &c.ous}) {
        const int row = int(l->texts().indexOf(t)) + 1;
        if (row > 0) {
          c.toSelection(*l, {row});
          moved = true;
          break;
        }
      }
      ASSERT_TRUE(moved) << t.toStdString();
    }
  }
  // --- the logs ---

  // The on-screen rows added since the step began, as "COLOUR|text".
  QStringList newRows() const {
    QStringList out;
    for (int i = rowsSeen_; i < w->ListView1->topLevelItemCount(); ++i) {
      QTreeWidgetItem* row = w->ListView1->topLevelItem(i);
      out << row->data(0, Qt::UserRole).toString() + "|" + row->text(0);
    }
    return out;
  }
  // Log.txt's lines added since the last call.
  QStringList newLogLines() {
    const QStringList all = maskedLog();
    const QStringList out = all.mid(logSeen_);
    logSeen_ = all.size();
    return out;
  }
  // Log.txt with every date line and the test's folder masked, blanks ending a line dropped.
  QStringList maskedLog() const {
    QStringList lines = logLines();
    static const QRegularExpression date(QStringLiteral("^\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d$"));
    for (qsizetype i = 0; i < lines.size(); ++i) {
      if (date.match(lines[i]).hasMatch()) lines[i] = "<date>";
      lines[i].replace(dir(), "<dir>/");
      while (lines[i].endsWith(u' ')) lines[i].chop(1);
    }
    return lines;
  }

  std::shared_ptr<RecordingBackend> recorder;
  QStringList transcript;
  int rowsSeen_ = 0;
  qsizetype logSeen_ = 0;
};

}  // namespace tavrel::test
