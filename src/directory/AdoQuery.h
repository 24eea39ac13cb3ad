#pragma once
// One directory search as the loaders and the discovery run it: a connection with the provider
// "ADsDSOObject" and time-outs of 30 seconds, one command, its complete record set.

#include "platform/adsi/AdoSearch.h"

namespace tavrel::directory {

adsi::Result<adsi::AdoRecordset> runAdoSearch(const QString& commandText);

}  // namespace tavrel::directory
