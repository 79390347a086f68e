#include "platform/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <string>

namespace velmora::platform {
namespace {

// "是否退出" in GBK.
constexpr char kQuestionGbk[] = "\xca\xc7\xb7\xf1\xcd\xcb\xb3\xf6";

TEST(MessageBoxTest, BoxHasTheFixedCaptionNoIconAndTheAskedButtons) {
  struct Case {
    int buttons;
    QMessageBox::StandardButtons expected;
  };
  const Case cases[] = {
      {MessageBoxService::kOkButton, QMessageBox::Ok},
      {MessageBoxService::kOkCancelButtons, QMessageBox::Ok | QMessageBox::Cancel},
      {7, QMessageBox::Ok},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("buttons " + std::to_string(c.buttons));
    auto box = MessageBoxService::Create(kQuestionGbk, c.buttons);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("信息："));
    EXPECT_EQ(box->text(), QStringLiteral("是否退出"));
    EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
    EXPECT_EQ(box->parent(), nullptr);
    EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(box->standardButtons(), c.expected);
  }
}

TEST(MessageBoxTest, AnswerFollowsTheButtonThatClosedTheBox) {
  struct Case {
    const char* name;
    int buttons;
    QMessageBox::StandardButton clicked;  // NoButton: closed without a button
    int expected;
  };
  const Case cases[] = {
      {"OK of OK/Cancel", 1, QMessageBox::Ok, MessageBoxService::kAnsweredOk},
      {"Cancel of OK/Cancel", 1, QMessageBox::Cancel, MessageBoxService::kAnsweredCancel},
      {"Escape on OK/Cancel", 1, QMessageBox::NoButton, MessageBoxService::kAnsweredCancel},
      {"OK of OK", 0, QMessageBox::Ok, MessageBoxService::kAnsweredOk},
      {"Escape on OK", 0, QMessageBox::NoButton, MessageBoxService::kAnsweredOk},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto box = MessageBoxService::Create("x", c.buttons);
    QTimer::singleShot(0, box.get(), [&box, &c] {
      if (c.clicked == QMessageBox::NoButton) {
        QTest::keyClick(box.get(), Qt::Key_Escape);
      } else {
        box->button(c.clicked)->click();
      }
    });
    box->exec();
    EXPECT_EQ(MessageBoxService::AnswerOf(*box), c.expected);
  }
}

TEST(MessageBoxTest, QueuedAnswersAreGivenInOrderWithoutShowingABox) {
  MessageBoxService service;
  service.QueueAnswer(MessageBoxService::kAnsweredCancel);
  service.QueueAnswer(MessageBoxService::kAnsweredOk);
  EXPECT_EQ(service.Show(kQuestionGbk, 1), MessageBoxService::kAnsweredCancel);
  EXPECT_EQ(service.LastText(), kQuestionGbk);
  EXPECT_EQ(service.LastButtons(), 1);
  EXPECT_EQ(service.Show("second", 0), MessageBoxService::kAnsweredOk);
  EXPECT_EQ(service.ShownCount(), 2);
  EXPECT_EQ(service.LastText(), "second");
  EXPECT_EQ(service.LastButtons(), 0);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// Polling goes on behind an open box: a modal box runs a nested event loop
// that still dispatches timer ticks.
TEST(MessageBoxTest, TimersKeepTickingWhileABoxIsOpen) {
  MessageBoxService service;
  int ticks = 0;
  int ticksWhenAnswered = -1;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    ++ticks;
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box != nullptr && ticks >= 5 && ticksWhenAnswered < 0) {
      ticksWhenAnswered = ticks;
      box->button(QMessageBox::Cancel)->click();
    }
  });
  poll.start(1);
  const int answer = service.Show(kQuestionGbk, MessageBoxService::kOkCancelButtons);
  poll.stop();
  EXPECT_EQ(answer, MessageBoxService::kAnsweredCancel);
  EXPECT_GE(ticksWhenAnswered, 5) << "the box was answered by a timer tick";
}

}  // namespace
}  // namespace velmora::platform
