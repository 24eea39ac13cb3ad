// Opens the network named by TAVREL_NETWORK as the program does at start-up (seeding it when
// empty): exits 0 when that worked, 1 with the error on standard error otherwise.
#include "platform/simnet/SimNetwork.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  auto net = tavrel::simnet::SimNetwork::openDefault();
  if (net.ok()) return 0;
  std::fprintf(stderr, "%s\n", net.error().message.toUtf8().constData());
  return 1;
}
