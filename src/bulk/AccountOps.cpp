#include "bulk/AccountOps.h"

#include "bulk/Expander.h"
#include "directory/AdoQuery.h"
#include "directory/DirectoryService.h"
#include "directory/PasswordReset.h"
#include "format/NameFields.h"
#include "startup/FRString.h"
#include "startup/LogFile.h"
#include "state/SharedState.h"

#include <QDateTime>
#include <QHash>
#include <QLocale>
#include <QTimeZone>
#include <limits>

namespace tavrel::bulk {
namespace {

bool ntMode() {
  return state::shared().Directory_Mode == 2;
}

adsi::Result<adsi::AdsObject> bind(const QString& path) {
  auto dir = directory::requireDirectory();
  if (!dir) return dir.error();
  return (*dir)->GetObject(path);
}

// The user `u`: bound on what its OU's search returned when that holds its flags (the entry is
// not read again), otherwise bound by its path.
adsi::Result<adsi::AdsObject> bindUser(const UserRef& u) {
  if (u.flags.isNull() || !u.flags.isValid()) return bind(u.path);
  auto dir = directory::requireDirectory();
  if (!dir) return dir.error();
  return (*dir)->BindFound(u.path, QStringLiteral("user"), {{QStringLiteral("userAccountControl"), u.flags}});
}

// The logon name of the Active Directory user at `path`, or empty when it cannot be read.
QString readLogon(const QString& path) {
  auto user = bind(path);
  if (!user) return {};
  auto sam = user->Get(QStringLiteral("sAMAccountName"));
  return sam ? sam->toString() : QString();
}

// "Never" as the providers report it: no value, 0 or the largest value, or 1 January 1970.
constexpr qint64 kFileTimeOfUnixEpoch = 116444736000000000LL;

std::optional<QDate> expiryDay(const QVariant& raw) {
  if (raw.isNull() || !raw.isValid()) return std::nullopt;
  QDateTime when;
  if (raw.typeId() == QMetaType::QDateTime) {
    when = raw.toDateTime();
  } else {
    bool ok = false;
    const qint64 ticks = raw.toLongLong(&ok);
    if (!ok || ticks <= 0 || ticks == std::numeric_limits<qint64>::max()) return std::nullopt;
    when = QDateTime::fromMSecsSinceEpoch((ticks - kFileTimeOfUnixEpoch) / 10000, QTimeZone::utc());
  }
  if (!when.isValid()) return std::nullopt;
  const QDate day = when.toLocalTime().date();
  if (day == QDate(1970, 1, 1) || day.year() < 1970) return std::nullopt;
  return day;
}

QString userPath(const ListItem& item) {
  return ntMode() ? QStringLiteral("WinNT://") + state::shared().Domain_Name + u'/' + item.text : item.key;
}

void finish(startup::LogFile& log, RunHost& host, const QString& completed, const QString& cancelled,
            const RunTotals& totals) {
  const QString text = withCounts(totals.cancelled ? cancelled : completed, totals);
  log.line(text);
  host.status(text);
}

}  // namespace

QString withCounts(const QString& text, const RunTotals& totals) {
  return text + QStringLiteral(" - %1 done, %2 failed").arg(totals.done).arg(totals.failed);
}

QString passwordFor(const QString& passwordTemplate, const QString& name) {
  if (passwordTemplate.trimmed().toUpper() == QLatin1String("%USERNAMEB%"))
    return format::Reverse_Password(name);
  QString text = passwordTemplate;
  return startup::FRString(text, QStringLiteral("%UserName%"), name);
}

RunTotals resetPasswords(const std::vector<ListItem>& selection, const QString& passwordTemplate,
                         const QString& dbpath, RunHost& host) {
  RunTotals totals;
  if (selection.empty()) return totals;
  const bool nt = ntMode();
  startup::LogFile log(dbpath);
  for (const ListItem& item : selection) {
    const ExpandOutcome outcome = expand(item, ExpandPolicy::passwordReset(), [&](const UserRef& u) {
      // The password is built from the logon name, whatever list the user came from.
      const QString logon = nt || !u.logon.isEmpty() ? u.logon : readLogon(u.path);
      const QString name = logon.isEmpty() ? u.name : logon;
      if (u.source != UserSource::OuRecord) host.status(QStringLiteral("Resetting Password for: ") + name);
      const QString password = passwordFor(passwordTemplate, name);
      bool ok = false;
      if (logon.isEmpty()) {
        ok = false;  // the account could not be read
      } else if (nt) {
        ok = directory::Reset_Password_NT(password, logon);
      } else {
        QString path = u.path;
        ok = directory::Reset_Password_W2K(password, path);
      }
      if (ok) {
        ++totals.done;
        host.logRow(QStringLiteral("GREEN"), QStringLiteral(" Password Reset For ") + name);
        log.line(QStringLiteral("Password Reset for: ") + name);
      } else {
        ++totals.failed;
        host.beep();
        log.line(QStringLiteral("Error ReSetting Password for: ") + name);
      }
      return host.keepGoing();
    });
    if (outcome.failure) {
      ++totals.failed;
      host.beep();
      log.line(QStringLiteral("Error ReSetting Password for: ") + item.text);
    }
    if (outcome.stopped || (!outcome.failure && !host.keepGoing())) {
      totals.cancelled = true;
      break;
    }
  }
  finish(log, host, QStringLiteral("Password reset completed"),
         QStringLiteral("Password reset canceled by user."), totals);
  return totals;
}

RunTotals enableDisable(const std::vector<ListItem>& selection, bool disable, const QString& dbpath,
                        RunHost& host) {
  RunTotals totals;
  if (selection.empty()) return totals;
  startup::LogFile log(dbpath);
  for (const ListItem& item : selection) {
    const ExpandOutcome outcome = expand(item, ExpandPolicy::enableDisable(), [&](const UserRef& u) {
      const bool member = u.source == UserSource::GroupMember;
      const QString name = member ? u.memberName : u.name;
      host.status(
          (disable ? QStringLiteral("Locking Account for ") : QStringLiteral("Unlocking Account for ")) +
          name);
      auto user = bindUser(u);
      const bool ok =
          user && user->Put(QStringLiteral("AccountDisabled"), disable).ok() && user->SetInfo().ok();
      if (ok) {
        ++totals.done;
        if (disable)
          log.line(QStringLiteral("Account Disabled for ") + name);
        else
          log.line((member && ntMode() ? QStringLiteral("Account Enabled for ")
                                       : QStringLiteral("Account enabled for ")) +
                   name);
      } else {
        ++totals.failed;
        host.beep();
        log.line((disable ? QStringLiteral("Error Disabling Account for ")
                          : QStringLiteral("Error Enabling Account for ")) +
                 name);
      }
      return host.keepGoing();
    });
    if (outcome.failure) {
      ++totals.failed;
      host.beep();
      log.line(QStringLiteral("Error Retrieving Domain Info. ") + item.text);
    }
    if (outcome.stopped || (!outcome.failure && !host.keepGoing())) {
      totals.cancelled = true;
      break;
    }
  }
  finish(log, host, QStringLiteral("Enable/Disable Accounts Completed"),
         QStringLiteral("Enable/Disable Accounts canceled by user."), totals);
  return totals;
}

RunTotals unlockAccounts(const std::vector<ListItem>& selection, bool reset, const QString& passwordTemplate,
                         const QString& dbpath, RunHost& host) {
  RunTotals totals;
  host.status(QStringLiteral("Unlocking accounts..."));
  startup::LogFile log(dbpath);
  const bool nt = ntMode();
  for (const ListItem& item : selection) {
    QString name = item.text;
    bool ok = false;
    // Only user items are accounts; a group or an OU in the selection is a failure of its own.
    if (isUserKind(item.icon) && !(item.ghosted)) {
      auto user = bind(userPath(item));
      if (user) {
        bool haveLogon = nt;
        if (!nt) {
          auto sam = user->Get(QStringLiteral("sAMAccountName"));
          haveLogon = sam && !sam->toString().isEmpty();
          if (haveLogon) name = sam->toString();
        }
        ok = user->Put(QStringLiteral("IsAccountLocked"), false).ok();
        if (ok && reset) {
          // The password is built from the logon name, as the reset of the Accounts tab builds it.
          ok = haveLogon && user->SetPassword(passwordFor(passwordTemplate, name)).ok() &&
               (nt ? user->Put(QStringLiteral("PasswordExpired"), 1)
                   : user->Put(QStringLiteral("pwdLastSet"), 0))
                   .ok();
        }
        ok = ok && user->SetInfo().ok();
      }
    }
    if (ok) {
      ++totals.done;
      log.line(QStringLiteral("Account Unlocked for ") + name);
      if (reset) log.line(QStringLiteral("Password Reset for: ") + name);
    } else {
      ++totals.failed;
      host.beep();
      log.line(QStringLiteral("Error Unlocking Account for ") + name);
    }
    if (!host.keepGoing()) {
      totals.cancelled = true;
      break;
    }
  }
  finish(log, host, QStringLiteral("Accounts Unlocked."), QStringLiteral("Unlock canceled by user."), totals);
  return totals;
}

PropertyInfo describeProperty(const QString& attribute) {
  PropertyInfo info;
  auto userClass = bind(QStringLiteral("LDAP://Schema/User"));
  if (!userClass) return info;
  auto schema = bind(userClass->Parent());
  if (!schema) return info;
  auto property = schema->GetObject(QStringLiteral("Property"), attribute.trimmed());
  if (!property) return info;
  auto syntax = property->Get(QStringLiteral("Syntax"));
  auto multi = property->Get(QStringLiteral("MultiValued"));
  info.found = syntax.ok();
  info.syntax = syntax ? syntax->toString() : QString();
  info.multiValued = multi && multi->toBool();
  return info;
}

std::optional<RunTotals> changeAttribute(const std::vector<ListItem>& selection,
                                         const AttributeChange& change, const QString& dbpath,
                                         RunHost& host) {
  RunTotals totals;
  const QString attribute = change.attribute.trimmed();
  if (selection.empty() || attribute.isEmpty()) return totals;

  // The users first, so that the question can say how many will be changed.
  struct Target {
    UserRef user;
    bool fromGroup = false;
  };
  std::vector<Target> targets;
  QStringList unreadable;
  for (const ListItem& item : selection) {
    const ExpandOutcome outcome = expand(item, ExpandPolicy::attributeChange(), [&](const UserRef& u) {
      targets.push_back({u, item.icon == QLatin1String("W2KGRP")});
      return true;
    });
    if (outcome.failure) unreadable << item.text;
  }
  const QString question =
      change.value.isEmpty()
          ? QStringLiteral("Clear the property '%1' of %2 users?").arg(attribute).arg(targets.size())
          : QStringLiteral("Change the property '%1' to '%2' for %3 users?")
                .arg(attribute, change.value)
                .arg(targets.size());
  if (!host.confirm(question)) return std::nullopt;

  startup::LogFile log(dbpath);
  bool errors = false;
  for (const QString& text : unreadable) {
    errors = true;
    log.line(QStringLiteral("Error reading the users of ") + text);
  }
  for (const Target& t : targets) {
    QString value = change.value;
    value = startup::FRString(value, QStringLiteral("%UserName%"), t.user.name);
    auto user = bind(t.user.path);
    const QString name = user ? user->Name() : t.user.name;
    bool ok = false;
    if (user && user->Class() == QLatin1String("user")) {
      adsi::Status put = change.value.isEmpty() ? user->PutEx(adsi::ADS_PROPERTY_CLEAR, attribute, {})
                         : change.append        ? user->PutEx(adsi::ADS_PROPERTY_APPEND, attribute, {value})
                                                : user->Put(attribute, value);
      ok = put.ok() && user->SetInfo().ok();
    }
    if (ok) {
      ++totals.done;
      log.line(QStringLiteral("Change property:'") + attribute + QStringLiteral("' to '") +
               (t.fromGroup ? change.value : value) + QStringLiteral("' for ") + name);
    } else {
      ++totals.failed;
      errors = true;
      if (t.fromGroup)
        log.line(QStringLiteral("Error changing property:") + attribute + QStringLiteral(" to ") +
                 change.value + QStringLiteral(" for ") + name);
      else
        log.line(QStringLiteral("Error changing property:'") + attribute + QStringLiteral("' to '") + value +
                 QStringLiteral("' for ") + name);
    }
    if (!host.keepGoing()) {
      totals.cancelled = true;
      errors = true;
      break;
    }
  }
  log.close();
  const QString count = QString::number(totals.done);
  if (errors) {
    host.logRow(QStringLiteral("YELLOW"),
                QStringLiteral(" AD Property changed for ") + count + QStringLiteral(" users. - had errors"));
    host.status(QStringLiteral("Properties changed for ") + count +
                QStringLiteral(" users. - errors detected check log file."));
  } else {
    host.logRow(QStringLiteral("GREEN"),
                QStringLiteral(" AD Property changed for ") + count + QStringLiteral(" users."));
    host.status(QStringLiteral("Properties changed for ") + count + QStringLiteral(" users."));
  }
  return totals;
}

ScanResult scanAccounts(Catalogue& catalogue, const AccountTest& test, RunHost& host, bool stopOnFailure) {
  ScanResult result;
  // A snapshot: the items are followed by their ids, never by their positions.
  const std::vector<ListItem> snapshot = catalogue.users.items();
  const qsizetype total = qsizetype(snapshot.size());
  int shown = 0;
  for (qsizetype pos = total; pos >= 1; --pos) {
    const ListItem& item = snapshot[size_t(pos - 1)];
    const std::optional<bool> hit = test(item);
    if (!hit && stopOnFailure) {
      result.end = ScanEnd::Failed;
      return result;
    }
    if (hit.value_or(false)) {
      if (const int row = catalogue.users.findId(item.id, int(pos))) {
        catalogue.users.remove(row);
        catalogue.selection.append(item);
        ++result.found;
      }
    }
    const qsizetype visited = total - pos + 1;
    const int percent = int(100 * visited / total);
    if (percent != shown) {
      shown = percent;
      host.status(QStringLiteral("Please wait searching accounts....") + QString::number(percent) +
                  QStringLiteral("% complete"));
    }
    if (!host.keepGoing()) {
      result.end = ScanEnd::Cancelled;
      return result;
    }
  }
  return result;
}

AccountTest expiryTest(const QDate& chosen, const std::vector<ListItem>& users) {
  auto known = std::make_shared<QHash<QString, QVariant>>();
  if (!ntMode() && !users.empty()) {
    // One search reads every account's expiry; the accounts it does not return are bound singly.
    auto records = directory::runAdoSearch(QStringLiteral("<LDAP://") + state::shared().Domain_Name +
                                           QStringLiteral(">;(&(objectCategory=person)(objectClass=user));"
                                                          "ADsPath,accountExpires;subtree"));
    if (records)
      for (records->MoveFirst(); !records->EOF(); records->MoveNext())
        known->insert(records->Fields(0).toString().toCaseFolded(), records->Fields(1));
  }
  return [chosen, known](const ListItem& item) -> std::optional<bool> {
    std::optional<QDate> day;
    auto it = item.key.isEmpty() ? known->cend() : known->constFind(item.key.toCaseFolded());
    if (it != known->cend()) {
      day = expiryDay(*it);
    } else {
      auto user = bind(userPath(item));
      if (!user) return std::nullopt;
      auto when = user->Get(QStringLiteral("AccountExpirationDate"));
      if (!when) return false;  // no expiry date: never expires
      day = expiryDay(*when);
    }
    return day && *day < chosen;
  };
}

AccountTest lockTest() {
  return [](const ListItem& item) -> std::optional<bool> {
    auto user = bind(userPath(item));
    if (!user) return std::nullopt;
    auto locked = user->Get(QStringLiteral("IsAccountLocked"));
    if (!locked) return std::nullopt;
    return locked->toBool();
  };
}

std::optional<QDate> parseDate(const QString& text) {
  const QString t = text.trimmed();
  if (t.isEmpty()) return std::nullopt;
  const QLocale locale = QLocale::system();
  QDate d;
  if (locale.language() != QLocale::C) {
    d = locale.toDate(t, QLocale::ShortFormat);
    // A two-digit year of the short form means this century.
    if (d.isValid() && d.year() < 1930) d = d.addYears(100);
  }
  for (const char* form : {"dd/MM/yyyy", "d/M/yyyy", "yyyy-MM-dd"})
    if (!d.isValid()) d = QDate::fromString(t, QLatin1String(form));
  if (!d.isValid()) return std::nullopt;
  return d;
}

}  // namespace tavrel::bulk
