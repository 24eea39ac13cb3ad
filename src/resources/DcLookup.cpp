#include "resources/DcLookup.h"

#include "platform/netapi/NetApi.h"

namespace tavrel::resources {

QString Get_DC_Name(const QString& Server, const QString& Domain) {
  QString dc;
  if (netapi::NetGetDCName(Server, Domain, dc) != netapi::NERR_Success) return QString();
  // The name up to its terminator, if the network gave one.
  if (const qsizetype nul = dc.indexOf(QChar(0)); nul >= 0) dc.truncate(nul);
  return dc;
}

}  // namespace tavrel::resources
