#pragma once
// Paths as the program writes them: UNC paths through a server's administrative drive share
// ("\\SERVER\D$\Users\jsmith") or through a share ("\\SERVER\Home$\jsmith"), and paths of this
// machine. Names are compared without regard to letter case, as Windows does.

#include "platform/adsi/Result.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace tavrel::files {

// Win32 errors of the file layer, as HRESULTs (0x8007 and the error number).
namespace err {
constexpr quint32 FILE_NOT_FOUND = 0x80070002;    // 2
constexpr quint32 PATH_NOT_FOUND = 0x80070003;    // 3
constexpr quint32 ACCESS_DENIED = 0x80070005;     // 5
constexpr quint32 BAD_NETPATH = 0x80070035;       // 53: no such server, or it does not answer
constexpr quint32 BAD_NET_NAME = 0x80070043;      // 67: no such share on the server
constexpr quint32 INVALID_PARAMETER = 0x80070057; // 87
constexpr quint32 DISK_FULL = 0x80070070;         // 112
constexpr quint32 INVALID_NAME = 0x8007007B;      // 123
constexpr quint32 DIR_NOT_EMPTY = 0x80070091;     // 145
constexpr quint32 ALREADY_EXISTS = 0x800700B7;    // 183
constexpr quint32 CANCELLED = 0x800704C7;         // 1223
}  // namespace err

// The Win32 error number an error carries (5 for ACCESS_DENIED), or its whole code when it is
// not a Win32 error.
quint32 win32Code(const adsi::Error& e);
adsi::Error win32Error(quint32 hresult, const QString& message);

struct UncPath {
  QString server;
  QString share;
  QStringList components;  // below the share
  // "D$": the administrative share of drive D.
  bool isAdminShare() const;
  QChar drive() const;  // the drive of an administrative share (upper case), else null
};

bool isUnc(const QString& path);
// nullopt when `path` is no UNC path with a server and a share, or names "." or ".." or holds a
// character Windows does not allow in a name.
std::optional<UncPath> parseUnc(const QString& path);
// Whether `name` may be one component of a path on a file server.
bool validComponent(const QString& name);

// Where a path is: a server's drive and the components below its root, and the folder on this
// machine that holds it.
struct Location {
  QString server;          // upper case; empty for a path of this machine
  QChar drive;             // upper case; null for a path of this machine
  QStringList components;  // below the drive root (this machine: below "/")
  QString root;            // the drive's folder on this machine ("/" for this machine's paths)
  QString given;           // the path as written

  bool isNetwork() const { return !server.isEmpty(); }
  // The components joined with "/" in lower case: the path's name for tables.
  QString key() const;
  QString name() const { return components.isEmpty() ? QString() : components.last(); }
  Location parent() const;
  Location child(const QString& name) const;
  bool sameDrive(const Location& o) const { return server == o.server && drive == o.drive && root == o.root; }
  // Whether `o` is this location or below it.
  bool contains(const Location& o) const;
};

}  // namespace tavrel::files
