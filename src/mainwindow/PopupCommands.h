#pragma once
// Window-free rules of the tree's "Create OU" and custom commands.

#include <QString>
#include <QStringList>

#include <optional>

namespace tavrel::mainwindow {

// Why `name` cannot name a new organisational unit (nullopt when it can): empty, blanks at
// either end, a control character, or longer than the directory's 64 characters.
std::optional<QString> ouNameProblem(const QString& name);

// The key of the new unit's tree node and list item: its relative name, escaped, before the
// parent's key.
QString newOuKey(const QString& name, const QString& parentKey);

// The program and arguments of a custom command: the configured command line split into its
// arguments, then the selected node's text and the root node's text, each one argument whatever
// blanks or quotes it holds. Empty when the command line names no program.
QStringList customCommandArguments(const QString& script, const QString& nodeText, const QString& rootText);

// The window style of a custom command: hidden for "Y" in any letter case, else normal.
int customCommandWindowStyle(const QString& runHidden);

}  // namespace tavrel::mainwindow
