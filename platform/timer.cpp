#include "platform/timer.h"

#include <utility>

namespace velmora::platform {

Timer::Timer(std::function<void()> onTick) {
  // Precise timing is closest to a window timer's fixed period; coarse timers
  // may drift by 5 %.
  timer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer_, &QTimer::timeout, &timer_, std::move(onTick));
}

bool Timer::SetPeriod(int periodMs) {
  if (periodMs <= 0) {
    timer_.stop();
    return false;
  }
  if (timer_.isActive() && timer_.interval() == periodMs) return false;
  timer_.start(periodMs);
  ++startCount_;
  return true;
}

int Timer::Period() const { return timer_.isActive() ? timer_.interval() : 0; }

}  // namespace velmora::platform
