#include "platform/exchange/StoreFinder.h"

namespace tavrel::exchange {
namespace {

class NoDirectory : public StoreFinder {
 public:
  ServerStores storageGroups(const QString& server) override {
    ServerStores out;
    out.outcome = ServerStores::Outcome::Unreachable;
    out.error = QStringLiteral("No directory holding Exchange servers is configured; %1 can't be reached.")
                    .arg(server);
    return out;
  }
};

NoDirectory noDirectory;
StoreFinder* installed = nullptr;

}  // namespace

StoreFinder& storeFinder() {
  return installed ? *installed : noDirectory;
}

void setStoreFinder(StoreFinder* finder) {
  installed = finder;
}

}  // namespace tavrel::exchange
