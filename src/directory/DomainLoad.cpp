#include "directory/DomainLoad.h"

#include "directory/AdoQuery.h"
#include "directory/DirectoryService.h"
#include "directory/DomainKeys.h"
#include "startup/LogFile.h"
#include "state/SharedState.h"

#include <algorithm>
#include <vector>

namespace tavrel::directory {
namespace {

const QString kOU = QStringLiteral("OU");
const QString kUser = QStringLiteral("USER");
const QString kW2KGroup = QStringLiteral("W2KGRP");

struct OuRecord {
  QString dn;
  QString name;
};

// Puts the OUs into the tree parents first, so that an OU the directory lists before its parent
// still finds it. OUs whose parent is missing are retried under the text after their first comma
// while a pass places any; those left over are reported in the log.
void placeOus(DomainView& view, std::vector<OuRecord> ous, bool sorted, startup::LogFile& log) {
  std::stable_sort(ous.begin(), ous.end(),
                   [](const OuRecord& a, const OuRecord& b) { return rdnCount(a.dn) < rdnCount(b.dn); });
  std::vector<OuRecord> held;
  for (OuRecord& ou : ous)
    if (view.addNode(nodeKey(ouParentKey(ou.dn)), nodeKey(ou.dn), ou.name, kOU, sorted) != NodeAdd::Added)
      held.push_back(std::move(ou));
  std::vector<OuRecord> failed;
  for (bool placedAny = true; placedAny && !held.empty();) {
    placedAny = false;
    std::vector<OuRecord> still;
    for (OuRecord& ou : held) {
      switch (view.addNode(nodeKey(heldBackParentKey(ou.dn)), nodeKey(ou.dn), ou.name, kOU, sorted)) {
        case NodeAdd::Added:
          placedAny = true;
          break;
        case NodeAdd::ParentNotFound:
          still.push_back(std::move(ou));
          break;
        case NodeAdd::Failed:
          failed.push_back(std::move(ou));
          break;
      }
    }
    held = std::move(still);
  }
  held.insert(held.end(), std::make_move_iterator(failed.begin()), std::make_move_iterator(failed.end()));
  for (const OuRecord& ou : held) log.line(QStringLiteral("OU not shown in the tree: ") + ou.dn);
}

}  // namespace

bool commandLineIs(const QString& commandLine, const QString& word) {
  return commandLine.toUpper() == word;
}

namespace {

// The domain name as the base of an LDAP-dialect command: the base ends at the first unescaped
// ">", so a backslash and a ">" in the name are escaped and the name stays inside the base.
QString ldapDialectBase(const QString& domainName) {
  QString out;
  out.reserve(domainName.size());
  for (const QChar c : domainName) {
    if (c == u'\\' || c == u'>') out += u'\\';
    out += c;
  }
  return out;
}

// The domain name inside the SQL dialect's quoted base: a quote is written twice.
QString sqlDialectBase(const QString& domainName) {
  QString out = domainName;
  return out.replace(u'\'', QStringLiteral("''"));
}

// Why the group search gave no list of groups.
QString groupSearchFailure(const adsi::Error& e) {
  return QStringLiteral("the search for the domain's groups failed (0x") + e.hex() + QStringLiteral(" ") +
         e.message + QStringLiteral(")");
}

// A search that answered: complete unless it found no group at all, which no domain has.
void noteGroupsRead(LoadOutcome& outcome, qsizetype count) {
  outcome.groupsComplete = count > 0;
  if (count == 0) outcome.groupsProblem = QStringLiteral("the search for the domain's groups found none");
}

}  // namespace

QString ouSearchText(const QString& domainName) {
  return QStringLiteral("<LDAP://") + ldapDialectBase(domainName) +
         QStringLiteral(
             ">;(&(objectCategory=OrganizationalUnit)(objectClass=OrganizationalUnit));"
             "distinguishedName,name;subTree");
}

QString userSearchText(const QString& domainName, bool showNames) {
  return QStringLiteral("<LDAP://") + ldapDialectBase(domainName) +
         QStringLiteral(">;(&(objectCategory=Person)(objectClass=User));") + userSearchAttributes(showNames) +
         QStringLiteral(";subTree");
}

QString groupSearchText(const QString& domainName) {
  return QStringLiteral("select GroupType,name,adsPath from 'LDAP://") + sqlDialectBase(domainName) +
         QStringLiteral("' where objectCategory = 'group'") + QString(26, u' ') +
         QStringLiteral(" ORDER BY NAME");
}

LoadOutcome Get_W2K_Domain_Data(DomainView& view, const LoadOptions& options) {
  state::SharedState& sh = state::shared();
  const bool debug1 = commandLineIs(options.commandLine, QStringLiteral("/DEBUG1"));
  const bool debug = debug1 || commandLineIs(options.commandLine, QStringLiteral("/DEBUG"));
  LoadOutcome outcome;

  const QString domainDn = nodeKey(domainDistinguishedName(sh.Domain_Name));
  view.setUpnSuffix(QStringLiteral("@") + sh.Domain_Name);
  view.clearTree();
  view.clearList(DomainList::BulkUsers);
  view.clearList(DomainList::BulkGroups);

  startup::LogFile log(options.dbpath);
  log.line(QStringLiteral("Getting Domain names and OU's "));
  log.line(QStringLiteral("AD Name: ") + sh.Domain_Name);
  log.line(QStringLiteral("Winnt Domain name: ") + sh.NetBIOS_Domain);
  log.line(startup::kLogHeader);

  view.addNode(QString(), domainDn, sh.Domain_Name, QStringLiteral("DOMAIN"));
  view.addNode(domainDn, QStringLiteral("CN=Users,") + domainDn, QStringLiteral("Users"), kOU);

  // Organisational units: listed in the directory's order, placed in the tree parents first.
  auto ous = runAdoSearch(ouSearchText(sh.Domain_Name));
  if (!ous) {
    view.message(QStringLiteral("Error getting Domain Data: ") + QString::number(ous.error().number()));
  } else {
    std::vector<OuRecord> placeable;
    for (ous->MoveFirst(); !ous->EOF(); ous->MoveNext()) {
      OuRecord ou{ous->Fields(0).toString(), ous->Fields(1).toString()};
      if (debug) log.line(QStringLiteral("OU= ") + ouParentKey(ou.dn));
      if (ou.name == QLatin1StringView("Domain Controllers")) continue;
      view.addItem(DomainList::BulkOUs, ou.dn, ou.name, kOU);
      placeable.push_back(std::move(ou));
    }
    placeOus(view, std::move(placeable), options.sorted, log);
  }

  // Users, under their OU or container.
  view.setStatus(QStringLiteral("Getting Users..."));
  if (debug) {
    log.line(options.showNames ? QStringLiteral("True") : QStringLiteral("False"));
    log.line(QStringLiteral("Running command ") + sh.Domain_Name);
  }
  auto users = runAdoSearch(userSearchText(sh.Domain_Name, options.showNames));
  if (!users) {
    if (debug1) {
      outcome.raised = users.error();
      return outcome;
    }
  } else {
    // Many users share a container: its key is made once.
    QHash<QString, QString> parentKeys;
    view.expectUsers(users->RecordCount());
    for (users->MoveFirst(); !users->EOF(); users->MoveNext()) {
      const QString path = users->Fields(0).toString();
      const QString text = userDisplayText(users->Fields(1), users->Fields(2));
      const QString parentPath = userParentKey(path);
      auto parent = parentKeys.constFind(parentPath);
      if (parent == parentKeys.cend()) parent = parentKeys.insert(parentPath, nodeKey(parentPath));
      view.addNode(*parent, path, text, kUser);
      view.addItem(DomainList::BulkUsers, path, text, kUser);
      view.addItem(DomainList::NotMembers, path, users->Fields(2).toString(), kUser);
      ++sh.User_Count;
      if (debug) {
        view.setStatus(QStringLiteral("User Number ") + QString::number(sh.User_Count));
        view.refresh();
      }
    }
  }

  // Groups, in name order.
  view.clearList(DomainList::TemplateGroups);
  view.clearList(DomainList::UserTabGroups);
  view.clearList(DomainList::GroupPath);
  view.setStatus(QStringLiteral("Getting Groups..."));
  sh.Step_Text = QStringLiteral("Error Getting Groups ") + QString::number(sh.Group_Count);
  auto groups = runAdoSearch(groupSearchText(sh.Domain_Name));
  if (!groups) {
    outcome.groupsProblem = groupSearchFailure(groups.error());
    if (debug1) {
      outcome.raised = groups.error();
      return outcome;
    }
  } else {
    noteGroupsRead(outcome, groups->RecordCount());
    for (groups->MoveFirst(); !groups->EOF(); groups->MoveNext()) {
      ++sh.Group_Count;
      const quint32 type = static_cast<quint32>(groups->Fields(0).toLongLong());
      const QString name = groups->Fields(1).toString();
      const QString path = groups->Fields(2).toString();
      view.addItem(DomainList::UserTabGroups, path, name, kW2KGroup);
      view.addItem(DomainList::GroupWindowGroups, path, name, kW2KGroup, groupCaption(type, path));
      if (type & 0x2u) view.addItem(DomainList::BulkGroups, path, name, kW2KGroup);
      view.addItem(DomainList::TemplateGroups, path, name, kW2KGroup);
    }
  }
  outcome.loaded = sh.Group_Count != 0 || sh.User_Count != 0;

  view.showNode(domainDn);
  view.unselectFirst(DomainList::BulkUsers);
  view.unselectFirst(DomainList::BulkGroups);
  return outcome;
}

LoadOutcome Get_NT_Domain_Data(DomainView& view) {
  state::SharedState& sh = state::shared();
  LoadOutcome outcome;
  const QString root = QStringLiteral("root");

  auto dir = requireDirectory();
  if (!dir) {
    outcome.raised = dir.error();
    return outcome;
  }
  auto domain = (*dir)->GetObject(QStringLiteral("WinNT://") + sh.Domain_Name);
  if (!domain) {
    outcome.raised = domain.error();
    return outcome;
  }
  adsi::AdsObject& nt = NT_Domain_Object();
  nt = *domain;
  nt.SetFilter({QStringLiteral("User")});
  view.addNode(QString(), root, sh.Domain_Name, QStringLiteral("DOMAIN"));
  view.setStatus(QStringLiteral("Retrieving Users..."));
  sh.Step_Text = QStringLiteral("Error Getting Users. ") + QString::number(sh.User_Count);
  auto users = nt.Children();
  if (!users) {
    outcome.raised = users.error();
    return outcome;
  }
  for (const adsi::AdsObject& user : *users) {
    ++sh.User_Count;
    const QString name = user.Name();
    view.addNode(root, QString(), name, kUser);
    view.addItem(DomainList::BulkUsers, QString(), name, kUser);
    view.addItem(DomainList::NotMembers, QString(), name, kUser);
  }

  // From here on a failing step is passed over.
  view.clearList(DomainList::TemplateGroups);
  view.clearList(DomainList::UserTabGroups);
  view.clearList(DomainList::GroupPath);
  view.clearList(DomainList::BulkSelection);
  view.clearList(DomainList::BulkGroups);
  view.setStatus(QStringLiteral("Retrieving Groups..."));
  sh.Step_Text = QStringLiteral("Error Getting Groups ") + QString::number(sh.Group_Count);
  nt.SetFilter({QStringLiteral("Group")});
  auto groups = nt.Children();
  if (!groups) {
    outcome.groupsProblem = groupSearchFailure(groups.error());
  } else {
    noteGroupsRead(outcome, groups->size());
    for (adsi::AdsObject group : *groups) {
      ++sh.Group_Count;
      auto type = group.Get(QStringLiteral("groupType"));
      const QString kind = ntGroupKind(type ? *type : QVariant());
      const QString name = group.Name();
      view.addItem(DomainList::GroupWindowGroups, QString(), name, kind);
      view.addItem(DomainList::UserTabGroups, QString(), name, kind);
      view.addItem(DomainList::TemplateGroups, QString(), name, kind);
      view.addItem(DomainList::BulkGroups, QString(), name, kind);
    }
  }
  outcome.loaded = sh.Group_Count != 0 || sh.User_Count != 0;
  view.unselectFirst(DomainList::BulkUsers);
  view.unselectFirst(DomainList::BulkGroups);
  return outcome;
}

}  // namespace tavrel::directory
