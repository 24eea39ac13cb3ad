#pragma once
// Mailboxes of new and deleted users.
//
// Exchange 5.5: the mailbox is an object of the Exchange server's own directory, created in a
// recipients container of the site (Create_Mailbox) from the template's mail rows, linked to the
// user's NT account by its SID and given a security descriptor that makes the account its owner;
// Delete_Mailbox removes it again, offering the mailbox search window when the container can't
// be known. Exchange 2000: the mailbox is part of the Active Directory user object
// (Create_Mailbox_2000, Delete_Mailbox_2000).
//
// The procedures append their lines to the log the running operation holds open, beep on every
// error path and ask their questions through the prompter. The Exchange administrator's password
// is used to bind and never written anywhere.

#include "platform/adsi/Directory.h"
#include "records/PropertyLists.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

namespace tavrel::startup {
class LogFile;
}

namespace tavrel::resources {

// What the mailbox procedures read of the main window and of the bulk window.
struct MailboxForm {
  std::vector<records::Mail_Attribute_Row> ListView8;  // the Exchange 5.5 mail rows, in list order
  std::vector<records::W2K_Property_Row> ListView7;    // the directory rows; those with icon "MAIL"
  QString strFirst, StrMiddle, strLast;                // the new user's names
  QString PORT;                                        // LDAP port of the Exchange 5.5 server, may be empty
  bool Mail_Logon = false;          // "Use Current Credentials"
  bool Skip_Prompt_Fields = false;  // STOP_ON_RED(2)
  bool Confirm_Deletes = false;
  bool No_Prompting = false;        // the bulk window's box: no confirmations while a bulk delete runs
  bool debug = false;               // the command line is "/DEBUG"
  QString TreeRootText;             // the text of the domain tree's first node
  // Shows the mailbox search window modally for the mailbox named `Mailbox_Name`; the window
  // stores the container chosen in Mail_Container.
  std::function<void(const QString& Mailbox_Name)> Serach_Mail;
};

// The access the mailbox descriptor grants the user.
inline constexpr quint32 Mailbox_Rights = 0x1A;

// One access-allowed entry of a mailbox descriptor: an account name and its access mask.
struct MailboxAce {
  QString Account;
  quint32 Mask = 0;
};

// The SID of Domain\Account, looked up on the machine `Server`: 1 when an account was found and
// `Sid` holds its SID, else 0 (and `Sid` is empty).
int GetSID(const QString& Server, const QString& Domain, const QString& Account, QByteArray& Sid);

// The SID of `Account` (looked up on the primary controller of NetBIOS_Domain) as upper-case hex
// digits, high nibble first, two per byte and nothing else. False when the lookup fails: `Hex` is
// then empty and `failure` (when given) says why.
bool Get_SID_Hex(const QString& Account, QByteArray& Hex, adsi::Error* failure = nullptr);

// The self-relative security descriptor of a mailbox: owner and group the SID of `Account`, a
// DACL with one access-allowed entry per element of `Ace_List` (revision 2), the accounts looked
// up on `Server` in `Domain`. 1 on success, 0 on failure; `failure` then names the step.
int Build_Mailbox_SD(QByteArray& SD, const QString& Server, const QString& Domain, const QString& Account,
                     const std::vector<MailboxAce>& Ace_List, adsi::Error* failure = nullptr);

// Creates the Exchange 5.5 mailbox of `Account_Name`. True once the mailbox object and its fixed
// attributes are written (a failing attribute row then sets Mail_Warning_Flag and ends the row
// pass); False when the mailbox could not be made, in which case nothing of it is left behind (or
// the log says what remains). Target_Address receives the expanded TARGET-ADDRESS row.
bool Create_Mailbox(const QString& Lookup_Server, const QString& Domain, const QString& Admin_Account,
                    const QString& Admin_Password, const QString& Account_Name, QString& Target_Address,
                    const QString& First, const QString& Last, const QString& Ex_Server, const QString& Ex_Site,
                    const QString& Ex_Org, const MailboxForm& form, startup::LogFile& log);

// Deletes the Exchange 5.5 mailbox `Mailbox_Name` from the container of the CONTAINER row. True
// when it was deleted.
bool Delete_Mailbox(const QString& Admin_Account, const QString& Admin_Password, const QString& Mailbox_Name,
                    const QString& Ex_Server, const QString& Ex_Site, const QString& Ex_Org, const MailboxForm& form,
                    startup::LogFile& log);

// The mailbox search: the site's recipient containers (and their sub-containers, one level down)
// with every mailbox named `Name` in them.
struct MailSearchNode {
  QString text;           // a container's or mailbox's name without "cn="
  bool isMailbox = false;
  std::vector<MailSearchNode> children;
};
struct MailSearchResult {
  bool connected = false;  // the site could be bound
  adsi::Error error;       // why not
  MailSearchNode root;     // text: the site
  int count = 0;           // mailboxes found
};
// Binds LDAP://<Server>[:<PORT>]/OU=<Site>,O=<Org> with the form's credentials (the typed ones
// unless Mail_Logon) and searches it for the mailboxes whose name is `Name` (letter case ignored).
MailSearchResult searchMailboxes(const QString& Org, const QString& Server, const QString& Site, const QString& Name,
                                 const QString& Admin_Account, const QString& Admin_Password, const MailboxForm& form);

// Exchange 2000: gives `Current_User` (created and committed) a mailbox in the store
// Mailbox_Store_URL names, then writes the form's "MAIL" rows. True once the mailbox exists and
// msExchUserAccountControl is written (0 for an enabled account, 2 for a disabled one); a failing
// row then ends the row pass with a logged warning (Mail_Warning_Flag). False when the mailbox
// could not be created: `failure` (when given) holds the error for the caller's report.
bool Create_Mailbox_2000(const QString& Org, const QString& Server, const QString& Storage_Group,
                         const QString& Mail_Store, const QString& Domain_DN, adsi::AdsObject& Current_User,
                         adsi::Directory& directory, const MailboxForm& form, startup::LogFile& log,
                         adsi::Error* failure = nullptr);
// "LDAP://<Server>/CN=<Mail_Store>,CN=<Storage_Group>,CN=InformationStore,CN=<Server>,CN=Servers,
// CN=First Administrative Group,CN=Administrative Groups,CN=<Org>,CN=Microsoft Exchange,
// CN=Services,CN=Configuration,<Domain_DN>".
QString Mailbox_Store_URL(const QString& Org, const QString& Server, const QString& Storage_Group,
                          const QString& Mail_Store, const QString& Domain_DN);

// Removes the Exchange 2000 mailbox of `User`: True when one was deleted, False when the user had
// none; a failure is returned to the caller.
adsi::Result<bool> Delete_Mailbox_2000(adsi::AdsObject& User, adsi::Directory& directory);

}  // namespace tavrel::resources
