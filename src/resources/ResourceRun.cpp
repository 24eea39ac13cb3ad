#include "resources/ResourceRun.h"

#include "startup/LogFile.h"

namespace tavrel::resources {

void ResourceRun::line(const QString& text) {
  log.line(text);
  lastLine = text;
}

void ResourceRun::debugLine(const QString& text) {
  if (debug) line(text);
}

void ResourceRun::warn(const QString& text) {
  line(text);
  if (LOG_TAB) LOG_TAB(QStringLiteral("YELLOW"), text);
  warned = true;
}

void ResourceRun::show(const QString& text) {
  if (status) status(text);
}

}  // namespace tavrel::resources
