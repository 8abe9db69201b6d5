// The virtual clock. Time moves only when something spends it (Stall, a
// pause, an idle wait, a test); alarms that fall due on the way run in due
// order, each at its due time. Nothing sleeps for real.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <utility>

#include "uefi/Base.h"

namespace sim {

class Clock {
 public:
  static constexpr UINT64 kPerMicrosecond = 10;  // the clock counts 100 ns units
  static constexpr UINT64 kPerSecond = 10'000'000;

  using AlarmId = std::uint64_t;

  UINT64 Now() const { return Now_; }
  // Now plus Units, held at the end of time rather than wrapping.
  UINT64 After(UINT64 Units) const { return Units > ~0ull - Now_ ? ~0ull : Now_ + Units; }
  double Seconds() const { return (double)Now_ / kPerSecond; }

  // An alarm runs Callback once when the clock reaches Due. A maskable alarm
  // is a timer interrupt: while the gate (the processor's interrupt flag)
  // is closed it waits, and runs as soon as the gate opens.
  AlarmId Schedule(UINT64 Due, std::function<void()> Callback, bool Maskable = false);
  void Cancel(AlarmId Id);

  // Moves time forward by Units, running every alarm that falls due.
  void Advance(UINT64 Units);
  void AdvanceMicroseconds(UINT64 Microseconds) {
    Advance(Microseconds > ~0ull / kPerMicrosecond ? ~0ull : Microseconds * kPerMicrosecond);
  }
  // Idle: jumps to the next alarm that can run and runs it. FALSE when no
  // alarm can ever run.
  bool AdvanceToNextAlarm();
  // Runs the alarms already due that the gate held back.
  void RunDue();

  void SetInterruptGate(std::function<bool()> Open) { Gate_ = std::move(Open); }
  // Time may not pass Limit: reaching it calls OnLimit, which must not return.
  void SetLimit(UINT64 Limit, std::function<void()> OnLimit);

 private:
  using Key = std::pair<UINT64, AlarmId>;
  struct Alarm {
    std::function<void()> Callback;
    bool Maskable;
  };

  bool Runnable(const Alarm& A) const;
  // The first runnable alarm due at or before Until, or the end.
  std::map<Key, Alarm>::iterator NextRunnable(UINT64 Until);
  void RunUntil(UINT64 Until);

  UINT64 Now_ = 0;
  AlarmId NextId_ = 1;
  std::map<Key, Alarm> Alarms_;
  std::map<AlarmId, Key> Index_;
  std::function<bool()> Gate_;
  UINT64 Limit_ = ~0ull;
  std::function<void()> OnLimit_;
};

}  // namespace sim
