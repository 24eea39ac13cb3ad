#pragma once
// Loading and saving one existing account on the user-properties tab, in Active Directory (the
// LDAP object and, for three flags, its WinNT view) and in NT 4.0 domains (WinNT). The tab is
// seen as a `UserPage` of values and a `UserGroupView` of its two group lists and the status
// panel; the main window copies between them and its controls.
//
// Saving validates every field it is going to write before it writes anything, writes the
// directory object in one commit, and says which field was not stored when one was not.

#include "platform/adsi/Directory.h"

#include <QDateTime>
#include <QString>
#include <array>
#include <optional>

namespace tavrel::directory {

// A custom pair as the load found it. Its value is written back only to the attribute it was read
// from, and only when the administrator edited it.
struct CustomPair {
  QString attribute;  // the attribute the value was read from (empty: the pair is not configured)
  QString readOnly;   // why the value cannot be edited here (empty: it can); the box's tool tip
};

// The tab's fields under their control names; a check box is true when checked.
struct UserPage {
  QString USERID;      // the account name (AD: the common name)
  QString USERID_W2K;  // AD: the account's LDAP path
  QString UM_Full_Name, UM_Description, UM_Profile_Dir, UM_Home_Dir, UM_Logon_Script, UM_Drive_Letter;
  QString UM_First, UM_Last, UM_Initails, UM_Office, UM_MailAddress;
  QString UM_PreW2K, UM_Logon_Name, UM_W2KDomain_Name, AccExpires;
  std::array<QString, 4> Custom_Value;
  std::array<bool, 4> Custom_Shown{};   // the pair is configured (its value box is shown)
  std::array<CustomPair, 4> Custom{};   // set by the load
  std::array<bool, 4> Custom_Edited{};  // the administrator changed the value since the load
  bool chkMustChange = false;
  bool chkCantChange = false;
  bool chkPwdNever = false;
  bool chkAcctDisabled = false;
  bool chkAcctLockedOut = false;
  bool lockBoxShown = false;  // the lock box is shown only while it reports a locked account
};

// The tab's group lists: "Member of:" (ListView4) and "Not a member of:" (ListView3), and the
// first status-bar panel.
class UserGroupView {
 public:
  virtual ~UserGroupView() = default;
  virtual void clearMembers() = 0;
  virtual void addMember(const QString& key, const QString& text, const QString& smallIcon) = 0;
  // Removes the first "Not a member of:" row whose key (`byKey`) or blank-trimmed text equals
  // `value` without regard to letter case; nothing when none does.
  virtual void removeCandidate(const QString& value, bool byKey) = 0;
  virtual void setStatus(const QString& text) = 0;
};

// "Never" when `when` is 1 January 1970 (the date interface's "no expiry"); otherwise the
// system's short date, with the time when it is not midnight.
QString expiryText(const QDateTime& when);
// The date and time `text` names, in the forms expiryText writes (and ISO 8601); nullopt when it
// names none.
std::optional<QDateTime> parseExpiry(const QString& text);
// The home-drive rule of both saves: empty, or a capital letter "A" to "Z" followed by ":".
bool validHomeDrive(const QString& drive);

// Fills `page` (already cleared by the caller) from the Active Directory account at `userPath`,
// stores Primary_Group_ID, clears the five change flags and lists the account's groups, the
// primary group first and named in the status panel. Steps that fail are passed over. A custom
// attribute holding several values or binary data is shown read-only (CustomPair::readOnly).
void Load_W2K_User(UserPage& page, const QString& userPath, UserGroupView& groups);
void Load_W2K_User_Groups(adsi::AdsObject& user, UserGroupView& groups);

// Fills `page` from the NT account `userName` of Domain_Name (found in NT_Domain_Object) and lists
// its groups. False on any failure but an unreadable expiry date (shown as "Never"); the fields
// filled before it stay filled.
bool Load_NT_User(UserPage& page, const QString& userName, UserGroupView& groups);
adsi::Status Load_NT_User_Groups(adsi::AdsObject& user, UserGroupView& groups);

struct SaveOutcome {
  bool saved = false;
  bool beep = false;
  QString status;   // for the first status-bar panel (empty: left as it is)
  QString message;  // for a message box (empty: none)
  // The account's own commit stored the changes, also when a later step (the WinNT view) failed:
  // the must-change box as saved is then the account's state.
  bool committed = false;
};

// Writes the groups of fields whose change flag (UM_Changed_*) is set to the account at
// USERID_W2K; of the custom pairs, only those edited and editable. A changed user principal name
// is first asked of Find_UPN: taken, or not answered, refuses the save. `mustChangeAsLoaded` is
// the must-change box as the load left it: the password's last-set time is written only when the
// box differs from it. A refused commit names the fields the directory's answer names.
SaveOutcome Save_W2K_User(const UserPage& page, bool mustChangeAsLoaded);
// Writes every field of the tab that an NT account has to the account USERID of Domain_Name.
SaveOutcome Save_NT_User(const UserPage& page, bool mustChangeAsLoaded);

}  // namespace tavrel::directory
