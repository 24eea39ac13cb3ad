#pragma once
// Exchange 5.5 servers: each keeps its organisation's directory, reached over LDAP as
// LDAP://<server>[:<port>]/<DN> under O=<organisation>/OU=<site>/CN=<container>, with the
// administrator's own credentials (wrong ones give LOGON_FAILURE, 0x8007052E). Mailboxes are
// objects of class organizationalPerson, distribution lists groupOfNames, recipient containers
// Container.

#include "platform/adsi/Directory.h"
#include "platform/adsi/DirectoryBackend.h"
#include "platform/adsi/SchemaCatalog.h"

#include <memory>

namespace tavrel::exchange {

// The schema of an Exchange 5.5 directory: the attributes a mailbox, a distribution list and a
// container hold, with their syntaxes (Assoc-NT-Account and NT-Security-Descriptor are octets).
std::shared_ptr<const adsi::SchemaCatalog> exchange55Schema();

// The directory service of the network's Exchange 5.5 servers: a bind names the server (and its
// port). Until one is installed every bind fails with SERVER_DOWN: no Exchange 5.5 server is
// known.
std::shared_ptr<adsi::DirectoryBackend> exchange55Directory();
// Installs `servers` (nullptr: back to none).
void setExchange55Directory(std::shared_ptr<adsi::DirectoryBackend> servers);

// Adds the object at `memberPath` (an LDAP path of the same directory) to the distribution list
// `list` and commits it.
adsi::Status addListMember(adsi::AdsObject& list, const QString& memberPath);

}  // namespace tavrel::exchange
