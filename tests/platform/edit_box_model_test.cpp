#include "platform/edit_box_model.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

namespace velmora::platform {
namespace {

// "红色" in GBK.
constexpr char kRedGbk[] = "\xba\xec\xc9\xab";

TEST(EditBoxModelTest, HoldsTheLastTextSet) {
  EditBoxModel box("start");
  EXPECT_EQ(box.GetText(), "start");
  box.SetText("");
  EXPECT_EQ(box.GetText(), "");
  box.SetText(kRedGbk);
  EXPECT_EQ(box.GetText(), kRedGbk);
}

TEST(EditBoxModelTest, BindingShowsTheModelAndGuiThreadWritesAtOnce) {
  EditBoxModel box(kRedGbk);
  QLineEdit edit;
  auto binding = std::make_unique<EditBoxBinding>(box, edit);
  EXPECT_EQ(edit.text(), QStringLiteral("红色"));
  box.SetText("15");
  EXPECT_EQ(edit.text(), QStringLiteral("15")) << "GUI-thread writes show without waiting";
}

TEST(EditBoxModelTest, WorkerWritesReachTheWidgetThroughTheEventLoop) {
  EditBoxModel box;
  QLineEdit edit;
  EditBoxBinding binding(box, edit);
  std::thread worker([&box] {
    for (int i = 0; i <= 1000; ++i) box.SetText(std::to_string(i));
  });
  worker.join();
  EXPECT_EQ(box.GetText(), "1000") << "the model is updated at once";
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(edit.text(), QStringLiteral("1000"));
}

TEST(EditBoxModelTest, UserTypingUpdatesTheModel) {
  EditBoxModel box;
  QLineEdit edit;
  EditBoxBinding binding(box, edit);
  QTest::keyClicks(&edit, QStringLiteral("http://127.0.0.1/"));
  EXPECT_EQ(box.GetText(), "http://127.0.0.1/");
  edit.insert(QStringLiteral("红色"));
  EXPECT_EQ(box.GetText(), std::string("http://127.0.0.1/") + kRedGbk);
}

// The user's latest edit wins over a worker write that was queued before it.
TEST(EditBoxModelTest, StaleQueuedRefreshDoesNotUndoAUserEdit) {
  EditBoxModel box;
  QLineEdit edit;
  EditBoxBinding binding(box, edit);
  std::thread([&box] { box.SetText("from worker"); }).join();
  QTest::keyClicks(&edit, QStringLiteral("9"));
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(edit.text(), QStringLiteral("9"));
  EXPECT_EQ(box.GetText(), "9");
}

TEST(EditBoxModelTest, WritesAfterTheBindingIsGoneAreSafe) {
  EditBoxModel box;
  auto edit = std::make_unique<QLineEdit>();
  auto binding = std::make_unique<EditBoxBinding>(box, *edit);
  std::thread([&box] { box.SetText("queued"); }).join();
  binding.reset();
  edit.reset();
  std::thread([&box] { box.SetText("late"); }).join();
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(box.GetText(), "late");
}

}  // namespace
}  // namespace velmora::platform
