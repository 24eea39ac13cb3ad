#pragma once
// The memory of the RunMemo in force (resources/RunMemo.h), for the procedures that consult it.

#include "records/Records.h"

#include <QHash>
#include <QList>
#include <QString>

#include <utility>

namespace tavrel::resources::memo {

struct State {
  int depth = 0;
  QHash<std::pair<QString, QString>, QList<records::Permission_Record>> lists;  // by (dbpath, name)
  QHash<std::pair<QString, QString>, QString> controllers;                     // by (server, domain)
};

// The memory, or nullptr when no memo is in force.
State* active();

}  // namespace tavrel::resources::memo
