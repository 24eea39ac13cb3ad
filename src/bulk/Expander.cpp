#include "bulk/Expander.h"

#include "directory/AdoQuery.h"
#include "directory/DirectoryService.h"
#include "state/SharedState.h"

namespace tavrel::bulk {
namespace {

// Text inside the base of an LDAP-dialect command ends at the first unescaped ">": a backslash
// and a ">" are escaped so that a DN with escaped characters stays one base.
QString dialectBase(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (const QChar c : text) {
    if (c == u'\\' || c == u'>') out += u'\\';
    out += c;
  }
  return out;
}

bool ntMode() {
  return state::shared().Directory_Mode == 2;
}

QString ntPath(const QString& name) {
  return QStringLiteral("WinNT://") + state::shared().Domain_Name + u'/' + name;
}

ExpandOutcome expandOu(const ListItem& item, const UserCallback& callback) {
  ExpandOutcome out;
  auto records = directory::runAdoSearch(ouUserQuery(state::shared().Domain_Name, item.key));
  if (!records) {
    out.failure = records.error();
    return out;
  }
  for (records->MoveFirst(); !records->EOF(); records->MoveNext()) {
    UserRef u;
    u.path = records->Fields(0).toString();
    u.name = records->Fields(1).toString();
    u.logon = records->Fields(2).toString();
    u.flags = records->Fields(3);
    u.source = UserSource::OuRecord;
    if (!callback(u)) {
      out.stopped = true;
      break;
    }
  }
  return out;
}

ExpandOutcome expandGroup(const ListItem& item, const ExpandPolicy& policy, const UserCallback& callback) {
  ExpandOutcome out;
  const bool nt = ntMode();
  auto dir = directory::requireDirectory();
  if (!dir) {
    out.failure = dir.error();
    return out;
  }
  auto group = (*dir)->GetObject(nt ? ntPath(item.text) : item.key);
  if (!group) {
    out.failure = group.error();
    return out;
  }
  auto members = group->Members();
  if (!members) {
    out.failure = members.error();
    return out;
  }
  const QString userClass = nt ? QStringLiteral("User") : QStringLiteral("user");
  for (adsi::AdsObject& m : *members) {
    // The member's own class, compared exactly: computers and nested groups are not users.
    if (policy.usersOnly && m.Class() != userClass) continue;
    UserRef u;
    u.memberName = m.Name();
    u.source = UserSource::GroupMember;
    if (nt) {
      u.path = ntPath(u.memberName);
      u.name = u.logon = u.memberName;
    } else {
      u.path = m.ADsPath();
      u.name = u.memberName.mid(3);
      if (auto sam = m.Get(QStringLiteral("sAMAccountName"))) u.logon = sam->toString();
    }
    if (!callback(u)) {
      out.stopped = true;
      break;
    }
  }
  return out;
}

}  // namespace

QString ouUserQuery(const QString& domainName, const QString& ouDn) {
  return QStringLiteral("<LDAP://") + dialectBase(domainName) + u'/' + dialectBase(ouDn) +
         QStringLiteral(
             ">;(&(objectCategory=person)(objectClass=user));ADsPath,name,sAMAccountName,userAccountControl;onelevel");
}

ExpandOutcome expand(const ListItem& item, const ExpandPolicy& policy, const UserCallback& callback) {
  if (policy.skipGhosted && item.ghosted && isUserKind(item.icon)) return {};
  const bool nt = ntMode();
  if (isUserKind(item.icon)) {
    UserRef u;
    u.source = UserSource::Item;
    u.name = item.text;
    if (nt) {
      u.path = ntPath(item.text);
      u.logon = item.text;
    } else {
      u.path = item.key;
    }
    ExpandOutcome out;
    out.stopped = !callback(u);
    return out;
  }
  if (item.icon == QLatin1String("OU")) return nt ? ExpandOutcome{} : expandOu(item, callback);
  if (policy.attributeKinds && item.icon != QLatin1String("W2KGRP")) return {};
  // Every other kind is a group: W2KGRP bound by its key, NT global and local groups by name.
  return expandGroup(item, policy, callback);
}

}  // namespace tavrel::bulk
