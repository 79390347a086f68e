#include "platform/services.h"

#include <QCoreApplication>
#include <QDir>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "platform/qt_text.h"
#include "platform/timer.h"

namespace velmora::platform {
namespace {

namespace fs = std::filesystem;

Bytes B(std::string_view text) { return Bytes(text.begin(), text.end()); }

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class FileServicesTest : public testing::Test {
 protected:
  void SetUp() override {
    directory_ = fs::temp_directory_path() /
                 ("velmora_services_" + std::to_string(QCoreApplication::applicationPid()));
    fs::remove_all(directory_);
    fs::create_directories(directory_);
  }
  void TearDown() override { fs::remove_all(directory_); }

  fs::path directory_;
};

TEST_F(FileServicesTest, WriteFileCreatesOrTruncatesAndWritesBuffersInOrder) {
  struct Case {
    const char* name;
    std::vector<Bytes> buffers;
    const char* expected;
  };
  const Case cases[] = {
      {"two buffers", {B("ab"), B("cd")}, "abcd"},
      {"empty buffers skipped", {B(""), B("x"), B("")}, "x"},
      {"no buffers truncates", {}, ""},
      {"zero bytes kept", {Bytes{'a', 0, 'b'}}, nullptr},
  };
  const fs::path path = directory_ / "file.bin";
  {
    std::ofstream(path) << "old content that is longer";
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(WriteFile(path, c.buffers));
    const std::string expected =
        c.expected != nullptr ? std::string(c.expected) : std::string("a\0b", 3);
    EXPECT_EQ(ReadAll(path), expected);
  }
}

TEST_F(FileServicesTest, WriteFileFailsForEmptyPathAndMissingDirectory) {
  EXPECT_FALSE(WriteFile({}, {B("x")}));
  EXPECT_FALSE(WriteFile(directory_ / "missing" / "file.bin", {B("x")}));
}

TEST_F(FileServicesTest, WriteFileTakesGbkNamedPaths) {
  // 记录.ini in GBK.
  const fs::path path = PathFromText((directory_.string() + "/") + "\xbc\xc7\xc2\xbc.ini");
  ASSERT_TRUE(WriteFile(path, {B("row")}));
  EXPECT_EQ(ReadAll(directory_ / fs::path(u8"记录.ini")), "row");
}

TEST_F(FileServicesTest, ReplaceFileAtomicallyReplacesWholeContentOrKeepsOld) {
  const fs::path path = directory_ / "record.ini";
  ASSERT_TRUE(ReplaceFileAtomically(path, B("first, longer line")));
  EXPECT_EQ(ReadAll(path), "first, longer line");
  ASSERT_TRUE(ReplaceFileAtomically(path, B("second")));
  EXPECT_EQ(ReadAll(path), "second");
  EXPECT_FALSE(ReplaceFileAtomically({}, B("x")));
  EXPECT_FALSE(ReplaceFileAtomically(directory_ / "missing" / "r.ini", B("x")));
  // Only the file itself is left: no temporary beside it.
  EXPECT_EQ(std::distance(fs::directory_iterator(directory_), fs::directory_iterator()), 1);
}

TEST(RunDirectoryTest, IsTheExecutablesDirectoryWithoutTrailingSeparator) {
  const fs::path expected = fs::path(
      QCoreApplication::applicationDirPath().toStdU16String());
  EXPECT_EQ(RunDirectoryPath(), expected);
  const Text text = RunDirectory();
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), '/');
  EXPECT_NE(text.back(), '\\');
  EXPECT_EQ(PathFromText(text), fs::path(QDir::toNativeSeparators(
                                            QCoreApplication::applicationDirPath())
                                            .toStdU16String()));
}

TEST(StartThreadTest, RunsTheRoutineOnAnotherThread) {
  std::atomic<bool> ran{false};
  std::atomic<bool> otherThread{false};
  const auto caller = std::this_thread::get_id();
  ASSERT_TRUE(StartThread([&] {
    otherThread = std::this_thread::get_id() != caller;
    ran = true;
  }));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!ran && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_TRUE(ran);
  EXPECT_TRUE(otherThread);
}

TEST_F(FileServicesTest, RunProgramStartsDetachedOrReportsFailure) {
  EXPECT_FALSE(RunProgram(""));
  EXPECT_FALSE(RunProgram((directory_ / "no-such-program").string()));
  const fs::path marker = directory_ / "ran";
  ASSERT_TRUE(RunProgram("sh -c \"echo ok > '" + marker.string() + "'\"", true));
  EXPECT_EQ(ReadAll(marker), "ok\n");
  const fs::path detachedMarker = directory_ / "detached";
  ASSERT_TRUE(RunProgram("sh -c \"echo ok > '" + detachedMarker.string() + "'\""));
  EXPECT_TRUE(QTest::qWaitFor([&] { return fs::exists(detachedMarker); }, 30000));
}

TEST(TimerTest, PeriodRuleStartsRestartsOnlyOnChangeAndStops) {
  struct Step {
    int period;
    bool restarted;
    int periodAfter;
  };
  const Step steps[] = {
      {0, false, 0},      {-5, false, 0},   {500, true, 500},  {500, false, 500},
      {1000, true, 1000}, {1000, false, 1000}, {0, false, 0},  {1000, true, 1000},
      {-1, false, 0},
  };
  int ticks = 0;
  Timer timer([&ticks] { ++ticks; });
  int expectedStarts = 0;
  int index = 0;
  for (const Step& step : steps) {
    SCOPED_TRACE("step " + std::to_string(index++) + ": period " + std::to_string(step.period));
    EXPECT_EQ(timer.SetPeriod(step.period), step.restarted);
    EXPECT_EQ(timer.Period(), step.periodAfter);
    if (step.restarted) ++expectedStarts;
    EXPECT_EQ(timer.StartCount(), expectedStarts);
  }
  EXPECT_EQ(ticks, 0) << "no event loop ran, so nothing ticked";
}

TEST(TimerTest, TicksCallTheHandlerOnTheGuiThread) {
  int ticks = 0;
  bool onGuiThread = true;
  const auto gui = std::this_thread::get_id();
  Timer timer([&] {
    ++ticks;
    onGuiThread = onGuiThread && std::this_thread::get_id() == gui;
  });
  timer.SetPeriod(1);
  EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 3; }, 30000));
  timer.SetPeriod(0);
  EXPECT_TRUE(onGuiThread);
}

}  // namespace
}  // namespace velmora::platform
