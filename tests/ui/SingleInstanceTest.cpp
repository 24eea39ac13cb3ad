#include "ui/SingleInstance.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QUuid>

#include <algorithm>
#include <memory>
#include <vector>

using tavrel::ui::SingleInstance;

namespace {

QString uniqueName() {
  return "tavrel-test-" + QUuid::createUuid().toString(QUuid::Id128);
}

// Runs the probe while this process keeps serving its event loop.
int runProbe(const QString& name) {
  QProcess p;
  p.start(INSTANCE_PROBE, {name});
  if (!p.waitForStarted(5000)) return -1;
  QElapsedTimer t;
  t.start();
  while (p.state() != QProcess::NotRunning && t.elapsed() < 10000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    p.waitForFinished(10);
  }
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

TEST(SingleInstance, SecondStartRaisesTheFirstAndEnds) {
  const QString name = uniqueName();
  SingleInstance first(name);
  ASSERT_TRUE(first.claim());
  int raised = 0;
  QObject::connect(&first, &SingleInstance::raiseRequested, [&] { ++raised; });
  EXPECT_EQ(runProbe(name), 0) << "the second start ends";
  QCoreApplication::processEvents();
  EXPECT_EQ(raised, 1);
  EXPECT_EQ(runProbe(name), 0);
  QCoreApplication::processEvents();
  EXPECT_EQ(raised, 2);
}

TEST(SingleInstance, FirstStartWithNobodyListening) {
  EXPECT_EQ(runProbe(uniqueName()), 1);
}

TEST(SingleInstance, InstanceFreedWhenTheFirstEnds) {
  const QString name = uniqueName();
  {
    SingleInstance first(name);
    ASSERT_TRUE(first.claim());
  }
  EXPECT_EQ(runProbe(name), 1) << "after the first instance ended, a new start runs";
}

// Starts at the same moment: in every round exactly one becomes the instance (and stays, as the
// program would), and the others raise it and end.
TEST(SingleInstance, OfManyStartsAtOnceExactlyOneRuns) {
  constexpr int kRounds = 10;
  constexpr int kStarts = 8;
  for (int round = 0; round < kRounds; ++round) {
    const QString name = uniqueName();
    std::vector<std::unique_ptr<QProcess>> starts;
    for (int i = 0; i < kStarts; ++i) {
      starts.push_back(std::make_unique<QProcess>());
      starts.back()->start(INSTANCE_PROBE, {name, "60000"});
    }
    // Every start but the instance ends; the instance runs until it is stopped.
    QElapsedTimer waited;
    waited.start();
    const auto running = [&] {
      return std::count_if(starts.begin(), starts.end(),
                           [](const auto& p) { return p->state() != QProcess::NotRunning; });
    };
    while (running() > 1 && waited.elapsed() < 20000) {
      for (auto& p : starts) p->waitForFinished(10);
    }
    int instances = 0;
    for (auto& p : starts) {
      if (p->state() != QProcess::NotRunning) {
        ++instances;
        p->kill();
        p->waitForFinished(5000);
        continue;
      }
      ASSERT_EQ(p->exitStatus(), QProcess::NormalExit);
      instances += p->exitCode() == 1;
    }
    EXPECT_EQ(instances, 1) << "round " << round;
  }
}

TEST(SingleInstance, NameIsPerUser) {
  EXPECT_TRUE(SingleInstance::defaultName().startsWith("tavrel-"));
  EXPECT_TRUE(SingleInstance::defaultName().mid(7).toInt() >= 0);
}

}  // namespace
