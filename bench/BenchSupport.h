// What the benchmarks that drive the main window share: failing loudly, writing the database
// folder's files, and a main that runs the benchmarks inside a QApplication.
#pragma once

#include "platform/simnet/NetworkBuilder.h"
#include "records/Records.h"

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QFile>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace tavrel::bench {

[[noreturn]] inline void die(const QString& what) {
  std::fprintf(stderr, "%s\n", qPrintable(what));
  std::exit(1);
}

inline void write(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) die("cannot write " + path);
}

// SharePerm.dat giving the domain's user full control of its shares, Permissions.dat giving the
// user "Change" on its folders.
inline void writePermissionLists(const QString& db) {
  records::Permission_Record perm;
  perm.NewSecurity = 0;
  perm.Account = "%Domain%\\%UserName%";
  perm.Access = "Full Control";
  write(db + "SharePerm.dat", perm.encode());
  perm.Account = "%UserName%";
  perm.Access = "Change";
  write(db + "Permissions.dat", perm.encode());
}

// The benchmarks' domain: example.local with OU=Staff, the groups Teachers (in the OU), Printing
// and Library, and the file server FS1 with D:\Users and D:\Profiles.
inline std::shared_ptr<simnet::SimNetwork> staffNetwork(const QString& folder) {
  simnet::NetworkBuilder b(folder);
  b.forest("example.local", "EXAMPLE").ou("example.local", "OU=Staff");
  b.group("example.local", "Teachers", simnet::GroupSpec().in("OU=Staff"))
      .group("example.local", "Printing")
      .group("example.local", "Library");
  b.fileServer("FS1", "example.local", "D").folder("\\\\FS1\\D$\\Users").folder("\\\\FS1\\D$\\Profiles");
  auto built = b.build();
  if (!built) die(built.error().message);
  return *built;
}

// Runs the benchmarks offscreen; `release` drops what they kept (windows, temporary folders)
// while the application still exists.
inline int runQtBenchmarks(int argc, char** argv, const std::function<void()>& release = {}) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (release) release();
  return 0;
}

}  // namespace tavrel::bench
