// A window timer with the program's period rule: a positive period starts the
// timer, or restarts it with the new period, unless it already runs with
// exactly that period; 0 or less stops it.
#pragma once

#include <QTimer>

#include <functional>

namespace velmora::platform {

class Timer {
 public:
  // `onTick` runs on the GUI thread at every tick.
  explicit Timer(std::function<void()> onTick);
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  // Applies the period rule. Returns true when the timer was (re)started.
  bool SetPeriod(int periodMs);
  // The running period in ms; 0 when stopped.
  [[nodiscard]] int Period() const;
  // How many times SetPeriod has (re)started the timer; tells a restart
  // from a call that changed nothing.
  [[nodiscard]] int StartCount() const { return startCount_; }

 private:
  QTimer timer_;
  int startCount_ = 0;
};

}  // namespace velmora::platform
