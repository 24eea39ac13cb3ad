#include "directory/DirectoryService.h"

namespace tavrel::directory {
namespace {

struct Installed {
  std::shared_ptr<adsi::Directory> dir;
  adsi::AdsObject ntDomain;
};

Installed& installed() {
  static Installed i;
  return i;
}

}  // namespace

adsi::Directory* directory() {
  return installed().dir.get();
}

void setDirectory(std::shared_ptr<adsi::Directory> dir) {
  installed().ntDomain = adsi::AdsObject();
  installed().dir = std::move(dir);
}

adsi::Result<adsi::Directory*> requireDirectory() {
  if (adsi::Directory* d = directory()) return d;
  return adsi::makeError(adsi::hr::SERVER_DOWN, QStringLiteral("no directory service is available"));
}

adsi::AdsObject& NT_Domain_Object() {
  return installed().ntDomain;
}

}  // namespace tavrel::directory
