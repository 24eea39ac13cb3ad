// Starts as a second instance would: exits 0 when another instance answered, 1 when it became the
// only instance itself.
#include "ui/SingleInstance.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 2) return 2;
  tavrel::ui::SingleInstance instance(QString::fromLocal8Bit(argv[1]));
  return instance.claim() ? 1 : 0;
}
