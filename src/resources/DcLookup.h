#pragma once
// The primary domain controller of a domain, as the network functions take a server name.

#include "platform/adsi/DirectoryBackend.h"

#include <QString>

#include <memory>

namespace tavrel::resources {

// "\\NAME" of the primary controller of `Domain` (a NetBIOS or DNS name), asked on `Server` (""
// is this machine); "" when the lookup fails. Nothing is logged or shown.
//
// The network's NetGetDCName answers, unless a directory was given with setDcDirectory: then that
// directory is asked (a real domain's controllers are not the simulated network's), and the name
// is the controller's DNS host name.
QString Get_DC_Name(const QString& Server, const QString& Domain);

// The directory Get_DC_Name asks; nullptr gives the lookup back to the network.
void setDcDirectory(std::shared_ptr<adsi::DirectoryBackend> directory);

}  // namespace tavrel::resources
