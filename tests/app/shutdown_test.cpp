// Closing while cycles are stuck in a download must end the process cleanly:
// exit code 0, no hang, no crash.
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <iostream>

namespace {

TEST(ShutdownTest, ClosingWithACycleBlockedInADownloadExitsWithCodeZero) {
  QProcess probe;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  probe.setProcessEnvironment(environment);
  probe.setProcessChannelMode(QProcess::SeparateChannels);
  probe.start(QStringLiteral(VELMORA_SHUTDOWN_PROBE), {});
  ASSERT_TRUE(probe.waitForStarted(60000));

  QByteArray output;
  while (!output.contains("closing") && probe.state() == QProcess::Running) {
    probe.waitForReadyRead(1000);
    output += probe.readAllStandardOutput();
  }
  QElapsedTimer sinceClose;
  sinceClose.start();
  const bool finished = probe.waitForFinished(60000);
  const qint64 closeToExitMs = sinceClose.elapsed();
  if (!finished) probe.kill();
  output += probe.readAllStandardOutput();

  ASSERT_TRUE(finished) << "the process hung after the close was confirmed";
  EXPECT_TRUE(output.contains("cycle blocked")) << output.toStdString();
  EXPECT_TRUE(output.contains("closing")) << output.toStdString();
  EXPECT_EQ(probe.exitStatus(), QProcess::NormalExit) << probe.readAllStandardError().toStdString();
  EXPECT_EQ(probe.exitCode(), 0);
  // Reported, not asserted: the machine may be busy.
  std::cout << "close confirmed -> process ended: " << closeToExitMs << " ms\n";
  RecordProperty("close_to_exit_ms", static_cast<int>(closeToExitMs));
}

}  // namespace
