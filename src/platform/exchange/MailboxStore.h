#pragma once
// An Exchange 2000 mailbox is part of the Active Directory user object: the mailbox store it
// lives in (homeMDB), its server (msExchHomeServerName, homeMTA), its alias (mailNickname), its
// Exchange name (legacyExchangeDN), a mailbox GUID and the mailbox's own security descriptor.
// MailboxStore gives a user object the IMailboxStore operations: CreateMailbox and DeleteMailbox
// stage those attributes in the object's property cache, and the caller's SetInfo writes them.

#include "platform/adsi/Directory.h"

#include <QString>

namespace tavrel::exchange {

class MailboxStore {
 public:
  // `directory` binds the store named by CreateMailbox; `user` is the bound user object.
  MailboxStore(adsi::Directory& directory, adsi::AdsObject& user) : dir_(directory), user_(user) {}

  // Gives the user a mailbox in the mailbox store at `homeMDBUrl` ("LDAP://<server>/CN=<store>,
  // CN=<storage group>,CN=InformationStore,CN=<server>,CN=Servers,...,CN=Configuration,DC=...").
  // Fails when the path is not a mailbox store, or the user has a mailbox already.
  adsi::Status CreateMailbox(const QString& homeMDBUrl);
  // Removes the mailbox attributes; fails when the user has no mailbox.
  adsi::Status DeleteMailbox();
  // The distinguished name of the user's mailbox store; empty when the user has none.
  adsi::Result<QString> HomeMDB();

 private:
  adsi::Directory& dir_;
  adsi::AdsObject& user_;
};

// The attributes DeleteMailbox clears, in the order it clears them.
const QStringList& mailboxAttributes();

}  // namespace tavrel::exchange
