#pragma once
// The store finder over the directory: an Exchange 2000 server is an msExchExchangeServer object
// in the forest's configuration partition, its storage groups are the msExchStorageGroup objects
// below it (in its information store), and each group's mailbox stores are the msExchPrivateMDB
// objects directly under the group. The directory is the one of the logged-on administrator's
// domain.

#include "platform/adsi/DirectoryBackend.h"
#include "platform/exchange/StoreFinder.h"

#include <functional>
#include <memory>

namespace tavrel::exchange {

class DirectoryStoreFinder : public StoreFinder {
 public:
  using BackendSource = std::function<adsi::Result<std::shared_ptr<adsi::DirectoryBackend>>()>;
  // Whether the Exchange server of that name answers; by default every server found does.
  using ServerProbe = std::function<bool(const QString& server)>;

  explicit DirectoryStoreFinder(std::shared_ptr<adsi::DirectoryBackend> backend, ServerProbe probe = {});
  // The back end is opened on the first search, and again after an opening that failed.
  explicit DirectoryStoreFinder(BackendSource source, ServerProbe probe = {});

  ServerStores storageGroups(const QString& server) override;

 private:
  BackendSource source_;
  std::shared_ptr<adsi::DirectoryBackend> backend_;
  ServerProbe probe_;
};

}  // namespace tavrel::exchange
