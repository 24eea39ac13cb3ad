#pragma once
// The primary domain controller of a domain, as the network functions take a server name.

#include <QString>

namespace tavrel::resources {

// "\\NAME" of the primary controller of `Domain` (a NetBIOS name), asked on `Server` ("" is this
// machine); "" when the lookup fails. Nothing is logged or shown.
QString Get_DC_Name(const QString& Server, const QString& Domain);

}  // namespace tavrel::resources
