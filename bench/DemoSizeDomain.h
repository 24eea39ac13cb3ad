// The demonstration-size domain the connect and tree benchmarks load: 200 OUs (ten at the top,
// the rest one level below), 50,000 users and 2,000 groups of the six types, built once per process
// and installed as the program's directory.
#pragma once

#include "directory/DirectoryService.h"
#include "platform/simnet/NetworkBuilder.h"

#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace tavrel::bench {

inline constexpr int kOus = 200;
inline constexpr int kUsers = 50000;
inline constexpr int kGroups = 2000;
inline const QString kDomain = QStringLiteral("example.local");

struct World {
  QTemporaryDir tmp;
  std::shared_ptr<simnet::SimNetwork> net;
};

[[noreturn]] inline void die(const char* what, const adsi::Error& e) {
  std::fprintf(stderr, "%s: %s\n", what, qPrintable(e.message));
  std::exit(1);
}

inline World& world() {
  static World* w = [] {
    auto* w = new World;
    simnet::NetworkBuilder b(w->tmp.path() + QStringLiteral("/net"));
    b.forest(kDomain, QStringLiteral("EXAMPLE"));
    auto built = b.build();
    if (!built) die("cannot build the network", built.error());
    w->net = *built;
    auto conn = w->net->bind(kDomain, adsi::Protocol::Ldap, std::nullopt);
    if (!conn) die("cannot bind", conn.error());
    const adsi::Dn domain = adsi::Dn::fromDnsName(kDomain);
    QList<adsi::Dn> ous;
    for (int i = 0; i < kOus; ++i) {
      // Ten top-level OUs, the others one level below them.
      const adsi::Dn parent = i < 10 ? domain : ous[i % 10];
      const adsi::Dn dn = parent.child(adsi::Rdn(QStringLiteral("OU"), QStringLiteral("Unit %1").arg(i)));
      if (auto s = (*conn)->add(dn, {{"objectClass", {"organizationalUnit"}}}); !s)
        die("cannot add an OU", s.error());
      ous.append(dn);
    }
    for (int i = 0; i < kUsers; ++i) {
      const QString n = QString::number(i);
      const adsi::Dn dn = ous[i % kOus].child(adsi::Rdn(QStringLiteral("CN"), QStringLiteral("User ") + n));
      QList<adsi::Attribute> attrs{{"objectClass", {"user"}}, {"sAMAccountName", {("u" + n).toUtf8()}}};
      if (i % 3) attrs.append(adsi::Attribute{"displayName", {("Display " + n).toUtf8()}});
      if (auto s = (*conn)->add(dn, attrs); !s) die("cannot add a user", s.error());
    }
    const qint32 types[] = {qint32(0x80000002u), qint32(0x80000004u), qint32(0x80000008u), 2, 4, 8};
    for (int i = 0; i < kGroups; ++i) {
      const adsi::Dn dn =
          ous[i % kOus].child(adsi::Rdn(QStringLiteral("CN"), QStringLiteral("Group %1").arg(i)));
      if (auto s = (*conn)->add(dn, {{"objectClass", {"group"}},
                                     {"sAMAccountName", {("g" + QString::number(i)).toUtf8()}},
                                     {"groupType", {QByteArray::number(types[i % 6])}}});
          !s)
        die("cannot add a group", s.error());
    }
    directory::setDirectory(std::make_shared<adsi::Directory>(w->net));
    return w;
  }();
  return *w;
}

}  // namespace tavrel::bench
