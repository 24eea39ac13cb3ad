#include "mainwindow/PopupCommands.h"

#include "directory/DomainKeys.h"
#include "platform/adsi/Dn.h"
#include "platform/process/Process.h"

namespace tavrel::mainwindow {

std::optional<QString> ouNameProblem(const QString& name) {
  if (name.isEmpty()) return QStringLiteral("the name is empty");
  if (name.trimmed() != name) return QStringLiteral("the name begins or ends with a blank");
  for (QChar c : name)
    if (c.category() == QChar::Other_Control) return QStringLiteral("the name holds a control character");
  if (name.size() > 64) return QStringLiteral("the name is longer than 64 characters");
  return std::nullopt;
}

QString newOuKey(const QString& name, const QString& parentKey) {
  return directory::nodeKey(QStringLiteral("OU=") + adsi::escapeDnValue(name) + u',' + parentKey);
}

QStringList customCommandArguments(const QString& script, const QString& nodeText, const QString& rootText) {
  QStringList args = process::splitCommandLine(script);
  if (args.isEmpty() || args.first().isEmpty()) return {};
  return args << nodeText << rootText;
}

int customCommandWindowStyle(const QString& runHidden) {
  return runHidden.toUpper() == QLatin1String("Y") ? process::SW_HIDE : process::SW_SHOWNORMAL;
}

}  // namespace tavrel::mainwindow
