// The virtual clock and its alarms.
#include "sim/Clock.h"

namespace sim {

Clock::AlarmId Clock::Schedule(UINT64 Due, std::function<void()> Callback, bool Maskable) {
  AlarmId Id = NextId_++;
  Key Where{Due, Id};
  Alarms_.emplace(Where, Alarm{std::move(Callback), Maskable});
  Index_.emplace(Id, Where);
  return Id;
}

void Clock::Cancel(AlarmId Id) {
  auto Found = Index_.find(Id);
  if (Found == Index_.end()) return;
  Alarms_.erase(Found->second);
  Index_.erase(Found);
}

void Clock::SetLimit(UINT64 Limit, std::function<void()> OnLimit) {
  Limit_ = Limit;
  OnLimit_ = std::move(OnLimit);
}

bool Clock::Runnable(const Alarm& A) const { return !A.Maskable || !Gate_ || Gate_(); }

std::map<Clock::Key, Clock::Alarm>::iterator Clock::NextRunnable(UINT64 Until) {
  for (auto It = Alarms_.begin(); It != Alarms_.end() && It->first.first <= Until; ++It) {
    if (Runnable(It->second)) return It;
  }
  return Alarms_.end();
}

void Clock::RunUntil(UINT64 Until) {
  for (auto It = NextRunnable(Until); It != Alarms_.end(); It = NextRunnable(Until)) {
    if (It->first.first > Now_) Now_ = It->first.first;
    auto Callback = std::move(It->second.Callback);
    Index_.erase(It->first.second);
    Alarms_.erase(It);
    // The callback may schedule, cancel, advance the clock or end the boot.
    Callback();
  }
}

void Clock::Advance(UINT64 Units) {
  UINT64 Target = Units > Limit_ - Now_ ? Limit_ : Now_ + Units;
  RunUntil(Target);
  if (Now_ < Target) Now_ = Target;
  if (Now_ >= Limit_ && OnLimit_) OnLimit_();
}

bool Clock::AdvanceToNextAlarm() {
  for (auto It = Alarms_.begin(); It != Alarms_.end(); ++It) {
    if (!Runnable(It->second)) continue;
    UINT64 Due = It->first.first;
    if (Due >= Limit_) break;
    Advance(Due > Now_ ? Due - Now_ : 0);
    return true;
  }
  if (Now_ < Limit_ && OnLimit_ && !Alarms_.empty()) {
    // Only held-back or far alarms remain: the wait runs into the limit.
    Advance(Limit_ - Now_);
  }
  return false;
}

void Clock::RunDue() { RunUntil(Now_); }

}  // namespace sim
