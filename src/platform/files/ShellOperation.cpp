#include "platform/files/ShellOperation.h"

#include <QRegularExpression>

namespace tavrel::files {

using adsi::Status;

namespace {

bool hasWildcard(const QString& name) {
  return name.contains(u'*') || name.contains(u'?');
}

// The last component of a path as written and the path before it.
std::pair<QString, QString> splitLast(const QString& path) {
  const qsizetype cut = qMax(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
  if (cut < 0) return {QString(), path};
  return {path.left(cut), path.mid(cut + 1)};
}

QString display(const Location& loc) {
  if (!loc.given.isEmpty()) return loc.given;
  if (!loc.isNetwork()) return u'/' + loc.components.join(u'/');
  QString out = QStringLiteral("\\\\%1\\%2$").arg(loc.server, QString(loc.drive));
  for (const QString& c : loc.components) out += u'\\' + c;
  return out;
}

class AskConflicts : public Conflicts {
 public:
  explicit AskConflicts(ShellQuestions* q) : q_(q) {}
  Answer replace(const Location& target, bool isDirectory) override {
    return q_->confirmReplace(display(target), isDirectory);
  }

 private:
  ShellQuestions* q_;
};

struct Run {
  SHFILEOPSTRUCT& op;
  ShellQuestions* q;
  bool confirm;
  bool errorBoxes;
  std::optional<adsi::Error> first;

  void failed(const QString& verb, const QString& what, const adsi::Error& e) {
    if (!first) first = e;
    if (!errorBoxes) return;
    q->showError(what.isEmpty() ? QStringLiteral("Cannot %1: %2").arg(verb, e.message)
                                : QStringLiteral("Cannot %1 %2: %3").arg(verb, what, e.message));
  }
};

// The sources a list names, wildcards expanded.
bool expand(Run& run, const QString& verb, QList<Location>& out, bool& wildcard) {
  for (const QString& from : std::as_const(run.op.pFrom)) {
    const auto [dir, name] = splitLast(from);
    if (!hasWildcard(name)) {
      auto loc = resolve(from);
      if (!loc) {
        run.failed(verb, from, loc.error());
        continue;
      }
      out.append(*loc);
      continue;
    }
    wildcard = true;
    auto entries = list(dir);
    if (!entries) {
      run.failed(verb, from, entries.error());
      continue;
    }
    auto parent = resolve(dir);
    if (!parent) continue;
    // "*.*" names every entry, with or without an extension.
    const QString pattern = name == QLatin1String("*.*") ? QStringLiteral("*") : name;
    const QRegularExpression re = QRegularExpression::fromWildcard(pattern, Qt::CaseInsensitive,
                                                                   QRegularExpression::DefaultWildcardConversion);
    for (const DirEntry& e : std::as_const(*entries)) {
      if (!re.match(e.name).hasMatch()) continue;
      Location l = parent->child(e.name);
      l.given = dir + (dir.contains(u'\\') || isUnc(dir) ? u'\\' : u'/') + e.name;
      out.append(l);
    }
  }
  return !out.isEmpty();
}

// Creates the missing folders down to `loc`, asking first unless told not to.
bool ensureFolder(Run& run, const Location& loc, const QString& verb) {
  if (exists(display(loc))) return true;
  if (!(run.op.fFlags & FOF_NOCONFIRMMKDIR) && run.q && !run.q->confirmCreateFolder(display(loc))) {
    run.op.fAnyOperationsAborted = true;
    return false;
  }
  QList<Location> missing;
  for (Location l = loc; !l.components.isEmpty(); l = l.parent()) {
    if (exists(display(l))) break;
    missing.prepend(l);
  }
  for (const Location& l : std::as_const(missing)) {
    if (Status s = createDirectory(display(l)); !s) {
      run.failed(verb, display(l), s.error());
      return false;
    }
  }
  return true;
}

void copyOrMove(Run& run, bool move) {
  const QString verb = move ? QStringLiteral("move") : QStringLiteral("copy");
  if (run.op.pFrom.isEmpty()) {
    run.failed(verb, QString(),
               win32Error(err::INVALID_PARAMETER, QStringLiteral("nothing to %1 was named").arg(verb)));
    return;
  }
  if (run.op.pTo.isEmpty() || run.op.pTo.first().isEmpty()) {
    run.failed(verb, run.op.pFrom.value(0), win32Error(err::INVALID_PARAMETER, QStringLiteral("no target")));
    return;
  }
  QList<Location> sources;
  bool wildcard = false;
  expand(run, verb, sources, wildcard);
  auto to = resolve(run.op.pTo.first());
  if (!to) {
    run.failed(verb, run.op.pTo.first(), to.error());
    return;
  }
  const bool intoFolder = wildcard || run.op.pFrom.size() > 1;
  auto toStat = stat(run.op.pTo.first());
  if (intoFolder && !ensureFolder(run, *to, verb)) return;
  AskConflicts ask(run.q);
  for (const Location& src : std::as_const(sources)) {
    Location target = *to;
    if (intoFolder || (toStat && toStat->isDirectory)) {
      target = to->child(src.name());
    } else if (!ensureFolder(run, to->parent(), verb)) {
      return;
    }
    target.given = display(target);
    const TreeResult r = move ? moveTree(src, target, run.confirm ? &ask : nullptr)
                              : copyTree(src, target, run.confirm ? &ask : nullptr);
    if (!r.status) run.failed(verb, display(src), r.status.error());
    if (r.aborted) {
      run.op.fAnyOperationsAborted = true;
      return;
    }
  }
}

void remove(Run& run) {
  if (run.op.pFrom.isEmpty()) {
    run.failed(QStringLiteral("delete"), QString(),
               win32Error(err::INVALID_PARAMETER, QStringLiteral("nothing to delete was named")));
    return;
  }
  QList<Location> sources;
  bool wildcard = false;
  expand(run, QStringLiteral("delete"), sources, wildcard);
  for (const Location& src : std::as_const(sources)) {
    auto st = stat(display(src));
    if (!st) {
      run.failed(QStringLiteral("delete"), display(src), st.error());
      continue;
    }
    if (run.confirm && !run.q->confirmDelete(display(src), st->isDirectory)) {
      run.op.fAnyOperationsAborted = true;
      return;
    }
    const TreeResult r = deleteTree(src);
    if (!r.status) run.failed(QStringLiteral("delete"), display(src), r.status.error());
  }
}

void rename(Run& run) {
  const QString from = run.op.pFrom.value(0);
  QString toText = run.op.pTo.value(0);
  if (from.isEmpty() || toText.isEmpty()) {
    run.failed(QStringLiteral("rename"), from, win32Error(err::INVALID_PARAMETER, QStringLiteral("no new name")));
    return;
  }
  // A bare new name stays in the same folder.
  if (!toText.contains(u'\\') && !toText.contains(u'/')) {
    const auto [dir, name] = splitLast(from);
    Q_UNUSED(name);
    toText = dir + (dir.contains(u'\\') || isUnc(dir) ? u'\\' : u'/') + toText;
  }
  auto src = resolve(from);
  auto dst = resolve(toText);
  if (!src || !dst) {
    run.failed(QStringLiteral("rename"), from, src ? dst.error() : src.error());
    return;
  }
  if (Status s = renamePath(*src, *dst); !s) run.failed(QStringLiteral("rename"), from, s.error());
}

}  // namespace

int SHFileOperation(SHFILEOPSTRUCT& op, ShellQuestions* questions) {
  op.fAnyOperationsAborted = false;
  Run run{op, questions, questions && !(op.fFlags & FOF_NOCONFIRMATION),
          questions && !(op.fFlags & (FOF_NOERRORUI | FOF_SILENT)), std::nullopt};
  switch (op.wFunc) {
    case FO_MOVE: copyOrMove(run, true); break;
    case FO_COPY: copyOrMove(run, false); break;
    case FO_DELETE: remove(run); break;
    case FO_RENAME: rename(run); break;
    default: return static_cast<int>(win32Code(win32Error(err::INVALID_PARAMETER, {})));
  }
  if (run.first) return static_cast<int>(win32Code(*run.first));
  if (op.fAnyOperationsAborted) return static_cast<int>(win32Code(win32Error(err::CANCELLED, {})));
  return 0;
}

QStringList splitNulList(const QString& list) {
  QStringList out;
  for (const QString& part : list.split(QChar(0))) {
    if (part.isEmpty()) break;
    out.append(part);
  }
  return out;
}

}  // namespace tavrel::files
