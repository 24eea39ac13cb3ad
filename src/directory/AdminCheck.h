#pragma once
// Whether an identity belongs to a domain's "Domain Admins" group, asked of the directory.

#include "platform/adsi/Result.h"

#include <QString>

namespace tavrel::directory {

// True when the account `user` of the domain `userDomain` (NetBIOS name) is a member of the
// "Domain Admins" group of `domain`; an error when the group cannot be reached or read.
adsi::Result<bool> isDomainAdmin(const QString& domain, const QString& userDomain, const QString& user);

}  // namespace tavrel::directory
