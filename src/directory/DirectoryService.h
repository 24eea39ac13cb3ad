#pragma once
// The directory the program works with: one adsi::Directory installed by the application (the
// simulated network by default) or by a test, and the NT domain object the NT loader binds and
// keeps for the life of the process.

#include "platform/adsi/Directory.h"

#include <memory>

namespace tavrel::directory {

// The installed directory, or nullptr when none is.
adsi::Directory* directory();
// Installs `dir` (nullptr removes it) and forgets the NT domain object bound through the old one.
void setDirectory(std::shared_ptr<adsi::Directory> dir);

// The directory, or the error every operation reports when none is installed.
adsi::Result<adsi::Directory*> requireDirectory();

// NT_Domain_Object: the WinNT domain the NT loader bound last (null before).
adsi::AdsObject& NT_Domain_Object();

}  // namespace tavrel::directory
