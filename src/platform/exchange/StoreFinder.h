#pragma once
// The storage groups of an Exchange 2000 server and the mailbox stores of each, as the site
// editor's store finder lists them.

#include <QString>
#include <QStringList>

#include <vector>

namespace tavrel::exchange {

struct StorageGroup {
  QString name;
  QStringList mailboxStores;  // in the order the server gives them
  bool operator==(const StorageGroup&) const = default;
};

struct ServerStores {
  enum class Outcome {
    Found,          // every storage group and store was read
    UnknownServer,  // no Exchange 2000 server of that name
    Unreachable,    // the directory that holds the server could not be reached
    Failed,         // the server was found, but reading its groups or stores failed part way
  };
  Outcome outcome = Outcome::Unreachable;
  // The groups in the order the server gives them. With Failed: those read before the failure,
  // the last one possibly without all its stores.
  std::vector<StorageGroup> groups;
  QString error;  // what went wrong, for every outcome but Found

  bool serverOpened() const { return outcome == Outcome::Found || outcome == Outcome::Failed; }
};

class StoreFinder {
 public:
  virtual ~StoreFinder() = default;
  // `server` is the server's name as the administrator typed it (letter case ignored).
  virtual ServerStores storageGroups(const QString& server) = 0;
};

// The finder the program uses. Until one is installed, every server is unreachable: no
// directory holding Exchange servers is known.
StoreFinder& storeFinder();
// Installs `finder` (nullptr: back to none); the caller keeps ownership.
void setStoreFinder(StoreFinder* finder);

}  // namespace tavrel::exchange
