// The program's message boxes: caption "信息：", no icon, no owner, modal to
// the whole application. A modal box runs a nested event loop, so timers keep
// ticking and polling goes on behind an open box.
#pragma once

#include <deque>
#include <memory>

#include "text/text.h"

class QMessageBox;

namespace velmora::platform {

class MessageBoxService {
 public:
  // Which buttons a box offers.
  static constexpr int kOkButton = 0;
  static constexpr int kOkCancelButtons = 1;
  // What Show returns.
  static constexpr int kAnsweredOk = 0;
  static constexpr int kAnsweredCancel = 1;

  MessageBoxService() = default;
  MessageBoxService(const MessageBoxService&) = delete;
  MessageBoxService& operator=(const MessageBoxService&) = delete;

  // Shows `text` (GBK) and waits for an answer: 0 for OK, 1 for Cancel.
  // Closing the box without a button counts as Cancel when Cancel is offered,
  // else as OK. Any `buttons` other than 1 means OK only. When an answer was
  // queued, returns it without showing anything. Call on the GUI thread.
  int Show(const Text& text, int buttons);

  // Test seam: the next Show returns `answer` instead of showing a box.
  // Answers queue up in order.
  void QueueAnswer(int answer) { queuedAnswers_.push_back(answer); }
  // Drops the answers not yet given, so the next Show shows a real box.
  void ClearQueuedAnswers() { queuedAnswers_.clear(); }
  // How many boxes were asked for, and the last one's text and buttons.
  [[nodiscard]] int ShownCount() const { return shownCount_; }
  [[nodiscard]] const Text& LastText() const { return lastText_; }
  [[nodiscard]] int LastButtons() const { return lastButtons_; }

  // The box Show would run, not yet shown; for Show itself and for tests that
  // inspect or drive a real box.
  static std::unique_ptr<QMessageBox> Create(const Text& text, int buttons);
  // The answer a finished box gives, by the rule of Show.
  static int AnswerOf(const QMessageBox& box);

 private:
  std::deque<int> queuedAnswers_;
  int shownCount_ = 0;
  Text lastText_;
  int lastButtons_ = kOkButton;
};

}  // namespace velmora::platform
