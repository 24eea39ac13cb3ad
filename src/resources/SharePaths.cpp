#include "resources/SharePaths.h"

#include "platform/files/FileSystem.h"
#include "platform/netapi/FileService.h"
#include "resources/Shares.h"
#include "startup/LogFile.h"
#include "ui/Services.h"

namespace tavrel::resources {

namespace {

const QChar kSep = u'\\';

// One path component: where it begins in its text and how long it is.
struct Span {
  qsizetype start = 0;
  qsizetype length = 0;
};

// The non-empty components of `text` from position `from` on.
QList<Span> componentsOf(const QString& text, qsizetype from) {
  QList<Span> out;
  qsizetype i = from;
  while (i < text.size()) {
    qsizetype end = text.indexOf(kSep, i);
    if (end < 0) end = text.size();
    if (end > i) out.append({i, end - i});
    i = end + 1;
  }
  return out;
}

// Where the part after the server begins ("share\rest"), or -1.
qsizetype afterServer(const QString& path) {
  if (!path.startsWith(QLatin1String("\\\\"))) return -1;
  const qsizetype cut = path.indexOf(kSep, 2);
  return cut < 0 ? -1 : cut + 1;
}

// The last of `spans` whose text is `name` (letter case ignored), or -1.
qsizetype lastMatch(const QString& text, const QList<Span>& spans, const QString& name) {
  for (qsizetype i = spans.size() - 1; i >= 0; --i)
    if (QStringView(text).mid(spans[i].start, spans[i].length).compare(name, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

QString replaced(const QString& text, const Span& s, const QString& with) {
  QString out = text;
  out.replace(s.start, s.length, with);
  return out;
}

QString serviceOf(const QString& server) {
  return QStringLiteral("WinNT://") + server + QStringLiteral("/lanmanserver");
}

adsi::Result<netapi::FileShare> bindShare(const QString& UNCPath) {
  const QString server = Get_Server_Name(UNCPath), share = Get_Share_Name(UNCPath);
  if (server.isEmpty() || share.isEmpty())
    return adsi::makeError(adsi::hr::BAD_PATHNAME, QStringLiteral("no share in %1").arg(UNCPath));
  return netapi::bindFileShare(serviceOf(server) + u'/' + share);
}

// The administrative path of drive `drive` on `server` down to `components`.
QString adminPath(const QString& server, QChar drive, const QStringList& components) {
  QString out = QStringLiteral("\\\\") + server + kSep + drive + u'$';
  for (const QString& c : components) out += kSep + c;
  return out;
}

}  // namespace

QString Get_Server_Name(const QString& Path) {
  if (!Path.startsWith(kSep)) return QString();
  const qsizetype end = Path.indexOf(kSep, 2);
  return end < 0 ? QString() : Path.mid(2, end - 2);
}

QString Get_Share_Name(const QString& Path) {
  const qsizetype start = afterServer(Path);
  if (start < 0) return QString();
  const qsizetype end = Path.indexOf(kSep, start);
  return end < 0 ? Path.mid(start) : Path.mid(start, end - start);
}

bool Is_Sub_Dir(const QString& UNCPath) {
  const qsizetype start = afterServer(UNCPath);
  if (start < 0) return false;
  const qsizetype end = UNCPath.indexOf(kSep, start);
  return end > start;
}

QString Get_Share_Local_Path(const QString& UNCPath) {
  auto Share_Object = bindShare(UNCPath);
  return Share_Object ? Share_Object->Path() : QString();
}

QString Get_Share_Path(const QString& UNCPath, bool IsSubDir) {
  const QString server = Get_Server_Name(UNCPath);
  auto Share_Object = bindShare(UNCPath);
  if (!Share_Object) return QString();
  const QString local = Share_Object->Path();
  if (local.size() < 2 || !local[0].isLetter() || local[1] != u':') return QString();
  QString below = local.mid(2);
  while (below.endsWith(kSep)) below.chop(1);  // a share of a drive's root
  QString rest;
  if (IsSubDir) {
    // The part below the share begins at its first "\"; a path with none has no such part.
    const qsizetype cut = UNCPath.indexOf(kSep, afterServer(UNCPath));
    if (cut < 0) return QString();
    rest = UNCPath.mid(cut);
  }
  return QStringLiteral("\\\\") + server + kSep + local[0] + u'$' + below + rest;
}

bool Delete_Share(const QString& UNCPath) {
  auto service = netapi::bindFileService(serviceOf(Get_Server_Name(UNCPath)));
  if (!service) return false;
  auto Share_Object = bindShare(UNCPath);
  if (!Share_Object) return false;
  return service->Delete(QStringLiteral("fileshare"), Share_Object->Name()).ok();
}

bool Same_Share(const QString& Path1, const QString& Path2) {
  return (Get_Server_Name(Path1) + Get_Share_Name(Path1)).toUpper() ==
         (Get_Server_Name(Path2) + Get_Share_Name(Path2)).toUpper();
}

bool Dir_Exists(const QString& Path) {
  if (Path.isEmpty()) return false;
  auto entry = files::stat(Path);
  return entry && entry->isDirectory;
}

bool Check_Contains(const QString& Text, const QString& Find, const QString& LogLine, ResourceRun& run) {
  if (Find.isEmpty() || !Text.contains(Find, Qt::CaseInsensitive)) return true;
  ui::feedback().beep();
  run.line(LogLine);
  return false;
}

QString Parent_Path(const QString& Text, const QString& Name) {
  if (Name.isEmpty()) return QString();
  qsizetype from = 0;
  if (Text.startsWith(QLatin1String("\\\\"))) {
    from = afterServer(Text);
    if (from < 0) return QString();
  }
  const QList<Span> spans = componentsOf(Text, from);
  const qsizetype hit = lastMatch(Text, spans, Name);
  return hit < 0 ? QString() : Text.left(spans[hit].start + spans[hit].length);
}

bool Rename_ShrDir(const QString& Path, const QString& NewName, const QString& OldName, bool Switch,
                   adsi::AdsObject& Current_User, ResourceRun& run) {
  struct Release {
    adsi::AdsObject& user;
    ~Release() { user = adsi::AdsObject(); }
  } release{Current_User};

  const QString server = Get_Server_Name(Path);
  const QString share = Get_Share_Name(Path);
  if (!Switch) {
    if (share.toUpper() == QLatin1String("NETLOGON")) {
      run.line(QStringLiteral("Unable Rename NETLOGON Share"));
      return false;
    }
    if (server.toUpper() == QLatin1String("%LOGONSERVER%")) {
      run.line(QStringLiteral("Unable to Rename share from %LOGONSERVER%"));
      return false;
    }
  }
  if (share.isEmpty()) {
    run.line(QStringLiteral("Could not get share for ") + Path);
    return false;
  }
  if (server.isEmpty()) {
    run.line(QStringLiteral("Could not get server for ") + Path);
    return false;
  }
  if (!files::validComponent(NewName)) {
    run.line(QStringLiteral("Invalid new name: ") + NewName);
    return false;
  }

  // The user's own component: the last one below the share named OldName, else the share itself
  // when it is named after the user ("jsmith" or the hidden "jsmith$").
  const QList<Span> spans = componentsOf(Path, afterServer(Path));  // [share, rest...]
  const QList<Span> rest = spans.mid(1);
  const qsizetype restHit = lastMatch(Path, rest, OldName);
  const bool hidden = share.compare(OldName + u'$', Qt::CaseInsensitive) == 0;
  const bool shareIsUsers = restHit < 0 && (share.compare(OldName, Qt::CaseInsensitive) == 0 || hidden);
  if (restHit < 0 && !shareIsUsers) {
    run.line(QStringLiteral("Could not find ") + OldName + QStringLiteral(" in ") + Path);
    return false;
  }
  const QString newShare = shareIsUsers ? NewName + (hidden ? QStringLiteral("$") : QString()) : share;
  const QString newPath = shareIsUsers ? replaced(Path, spans[0], newShare) : replaced(Path, rest[restHit], NewName);

  // The directory through the administrative share of the share's drive.
  auto Share_Object = bindShare(Path);
  const auto local = Share_Object ? netapi::parseDrivePath(Share_Object->Path()) : std::nullopt;
  if (!local) {
    run.line(QStringLiteral("Error Renaming Directory: ") + Path + QStringLiteral(" to ") + newPath);
    return false;
  }
  QStringList below = local->components;
  for (const Span& s : rest) below.append(Path.mid(s.start, s.length));
  qsizetype dirIndex = local->components.size() + restHit;
  if (shareIsUsers) {
    dirIndex = -1;
    for (qsizetype i = local->components.size() - 1; i >= 0 && dirIndex < 0; --i)
      if (local->components[i].compare(OldName, Qt::CaseInsensitive) == 0) dirIndex = i;
    if (dirIndex < 0) {
      run.line(QStringLiteral("Could not find ") + OldName + QStringLiteral(" in ") + Share_Object->Path());
      return false;
    }
  }
  QStringList renamedBelow = below;
  renamedBelow[dirIndex] = NewName;
  const QString oldDir = adminPath(server, local->drive, below.mid(0, dirIndex + 1));
  const QString newDir = adminPath(server, local->drive, renamedBelow.mid(0, dirIndex + 1));

  auto from = files::resolve(oldDir);
  auto to = files::resolve(newDir);
  if (!from || !to || !files::renamePath(*from, *to)) {
    run.line(QStringLiteral("Error Renaming Directory: ") + oldDir + QStringLiteral(" to ") + newDir);
    return false;
  }
  auto undoRename = [&] {
    if (!files::renamePath(*to, *from))
      run.line(QStringLiteral("Error Renaming Directory: ") + newDir + QStringLiteral(" to ") + oldDir);
  };

  // A share of the renamed folder (or of one below it) moves with it; a change of letter case
  // alone leaves it as it is, since share names and paths ignore case.
  const bool moveShare = shareIsUsers && newShare.compare(share, Qt::CaseInsensitive) != 0;
  const QString newShareUnc = QStringLiteral("\\\\") + server + kSep + newShare;
  if (moveShare) {
    const QString newLocal =
        QString(local->drive) + QStringLiteral(":\\") + renamedBelow.mid(0, local->components.size()).join(kSep);
    if (Create_Share_502(server, newShare, newLocal, QStringLiteral("Users Home Share"), NewName, run) ==
        kShareNotCreated) {
      run.line(QStringLiteral("Failed to create New share: ") + newShare + QStringLiteral("  ") + newLocal);
      run.line(QStringLiteral("Error Deleting/Creating Shares: ") + Path + QStringLiteral(" / ") + newShare);
      undoRename();
      return false;
    }
    run.line(QStringLiteral("Created new share: ") + newShare);
    if (!Delete_Share(Path)) {
      run.line(QStringLiteral("Could not remove Share: ") + Path);
      if (!Delete_Share(newShareUnc)) run.line(QStringLiteral("Could not remove Share: ") + newShareUnc);
      undoRename();
      return false;
    }
  }

  const QString property = Switch ? QStringLiteral("HomeDirectory") : QStringLiteral("Profile");
  const bool stored = !Current_User.isNull() && Current_User.Put(property, newPath).ok() && Current_User.SetInfo().ok();
  if (!stored) {
    run.line(QStringLiteral("Error making changes to SAM: ") + newPath);
    if (moveShare && !Delete_Share(newShareUnc)) run.line(QStringLiteral("Could not remove Share: ") + newShareUnc);
    undoRename();
    if (moveShare && netapi::NetShareAdd(server, 502, Share_Object->info()) != netapi::NERR_Success)
      run.line(QStringLiteral("Error restoring Share: ") + Path);
    return false;
  }
  return true;
}

}  // namespace tavrel::resources
