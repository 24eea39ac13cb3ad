// Puts the demonstration domain's OUs, groups and users on the test DC (after removing what
// earlier runs left), so that the program can be tried against a real directory:
//   set -a; . /tmp/tavrel-test-dc/env; set +a; build/tests/seed_demo_dc

#include "platform/simnet/DemoNetwork.h"
#include "platform/simnet/NetworkBuilder.h"
#include "support/TestDc.h"

#include <cstdio>

using namespace tavrel;

int main() {
  const QString why = test::testDcUnavailable();
  if (!why.isEmpty()) {
    std::fprintf(stderr, "%s\n", qPrintable(why));
    return 1;
  }
  auto dc = test::testDcBackend();
  if (adsi::Status s = test::resetTestDc(*dc); !s) {
    std::fprintf(stderr, "resetting the DC: %s\n", qPrintable(s.error().message));
    return 1;
  }
  simnet::NetworkBuilder b{std::shared_ptr<adsi::DirectoryBackend>(dc)};
  simnet::populateDemoDomain(b, QStringLiteral("example.local"));
  auto built = b.build();
  if (!built) {
    std::fprintf(stderr, "%s\n", qPrintable(built.error().message));
    return 1;
  }
  std::printf("The demonstration domain is on the test DC.\n");
  return 0;
}
