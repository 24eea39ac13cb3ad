// Starts as a second instance would: exits 0 when another instance answered, 1 when it became the
// only instance itself. With a second argument, an instance that won stays for that many
// milliseconds, serving later starts, before it ends.
#include "ui/SingleInstance.h"

#include <QCoreApplication>
#include <QTimer>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 2) return 2;
  tavrel::ui::SingleInstance instance(QString::fromLocal8Bit(argv[1]));
  if (!instance.claim()) return 0;
  if (argc > 2) {
    QTimer::singleShot(QString::fromLocal8Bit(argv[2]).toInt(), &app, [] { QCoreApplication::exit(1); });
    return app.exec();
  }
  return 1;
}
