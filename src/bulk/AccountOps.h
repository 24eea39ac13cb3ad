#pragma once
// The account operations of the bulk window, without the window: password reset, enable and
// disable, unlock, the attribute change, and the scans for expired and locked accounts. Each
// works on the catalogue's items through the directory layer and reports through a RunHost.
//
// A run goes on after a user it could not handle, logs that user's failure, and ends with its
// counts of users done and failed. Between users it lets the host serve pending input, so a
// Cancel click stops it after the current user.

#include "bulk/Catalogue.h"

#include <QDate>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace tavrel::bulk {

class RunHost {
 public:
  virtual ~RunHost() = default;
  // The window's status line, repainted at once.
  virtual void status(const QString& text) = 0;
  // One row of the on-screen log ("GREEN", "YELLOW", "RED").
  virtual void logRow(const QString& colour, const QString& message) = 0;
  virtual void beep() = 0;
  // Serves pending input when it is due; false once the run has been cancelled.
  virtual bool keepGoing() = 0;
  // A Yes/No question; true for Yes.
  virtual bool confirm(const QString& question) = 0;
};

struct RunTotals {
  int done = 0;
  int failed = 0;
  bool cancelled = false;
};

// The completion text followed by the counts: "<text> - 3 done, 1 failed".
QString withCounts(const QString& text, const RunTotals& totals);

// The password rule: the template with every "%UserName%" (any case) replaced by `name`, or, when
// the whole trimmed template is "%USERNAMEB%" (any case), `name` written backwards.
QString passwordFor(const QString& passwordTemplate, const QString& name);

// Resets the password of every user reached from `selection` to the password rule's value for
// the user's logon name. Log.txt (in `dbpath`) gets one line per user; each success a GREEN row.
RunTotals resetPasswords(const std::vector<ListItem>& selection, const QString& passwordTemplate,
                         const QString& dbpath, RunHost& host);

// Disables (or enables) every user reached from `selection`, one Log.txt line per user.
RunTotals enableDisable(const std::vector<ListItem>& selection, bool disable, const QString& dbpath,
                        RunHost& host);

// Unlocks every user item of `selection` and, with `reset`, gives it the password rule's password
// to be changed at the next logon. Log.txt gets one line per unlock and per reset.
RunTotals unlockAccounts(const std::vector<ListItem>& selection, bool reset, const QString& passwordTemplate,
                         const QString& dbpath, RunHost& host);

struct AttributeChange {
  QString attribute;
  QString value;        // may hold "%UserName%"; empty clears the attribute
  bool append = false;  // append to a multi-valued attribute rather than replace it
};

// The attribute's syntax name as the schema reports it, and whether it holds several values.
struct PropertyInfo {
  bool found = false;
  QString syntax;
  bool multiValued = false;
};
PropertyInfo describeProperty(const QString& attribute);

// Writes the attribute to every user object reached from `selection`, after the host confirmed
// the count and the attribute. Returns nullopt when the host said No (nothing written).
std::optional<RunTotals> changeAttribute(const std::vector<ListItem>& selection,
                                         const AttributeChange& change, const QString& dbpath, RunHost& host);

// The account scans over the users list.
enum class ScanEnd { Finished, Cancelled, Failed };
struct ScanResult {
  ScanEnd end = ScanEnd::Finished;
  int found = 0;
};
// The test of one account: true or false, or nullopt when the account could not be read.
using AccountTest = std::function<std::optional<bool>(const ListItem&)>;

// Walks a snapshot of the users list from its last item to its first, moves every account the
// test holds for into the selection, and shows "Please wait searching accounts....<p>% complete"
// with p = 100 × visited / total. An account that cannot be read is passed over, or ends the scan
// (Failed) with `stopOnFailure`. The list moves of the window must be held while it runs.
ScanResult scanAccounts(Catalogue& catalogue, const AccountTest& test, RunHost& host, bool stopOnFailure);

// The account-expiry test for the users `users`: expired when the expiry day comes before
// `chosen`. An account without an expiry date is never expired. In Active Directory mode the
// expiry dates are read in one search.
AccountTest expiryTest(const QDate& chosen, const std::vector<ListItem>& users);
// The lock-out test.
AccountTest lockTest();

// `text` read as a date in the forms the window shows (the system's short date), or nullopt.
std::optional<QDate> parseDate(const QString& text);

}  // namespace tavrel::bulk
