// Not a test: shows the mailbox search window over the demonstration network with John Smith's
// mailbox found, for screenshots.

#include "mainwindow/Serach_Mail.h"
#include "platform/simnet/DemoNetwork.h"
#include "platform/simnet/Exchange55.h"
#include "state/SharedState.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTreeWidget>

using namespace tavrel;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QTemporaryDir tmp;
  auto net = simnet::SimNetwork::open(tmp.path());
  if (!net || !simnet::seedDemoNetwork(*net)) return 1;
  simnet::installExchange55(*net);
  state::SharedState& sh = state::shared();
  sh.Mail_Search_Server = QStringLiteral("EXCH55");
  sh.Mail_Search_Site = QStringLiteral("Head Office");
  sh.Mail_Search_Org = QStringLiteral("Example");
  mainwindow::Serach_Mail window(resources::MailboxForm{}, QStringLiteral("EXAMPLE\\Administrator"),
                                 QStringLiteral("Password1"));
  window.Form_Load(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("jsmith"));
  const auto found = window.TreeView1->findItems(window.Search_Name, Qt::MatchExactly | Qt::MatchRecursive);
  if (!found.isEmpty()) window.TreeView1->setCurrentItem(found.first());
  window.show();
  return app.exec();
}
