// Events, timers and task priority levels of one boot. Signalled notify
// functions run when the current level is below theirs, highest level first
// and in signal order within a level, each at its own level. Timers run on
// the virtual clock and fire as a timer interrupt would: only while the
// processor takes interrupts, preempting nothing at or above their level.
#pragma once
#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "sim/Clock.h"
#include "uefi/SystemTable.h"

namespace sim {

class Boot;

class Events {
 public:
  static constexpr UINT64 kTimerTick = 100'000;  // a relative time of 0 means the next tick (10 ms)

  explicit Events(Boot& Owner);
  Events(const Events&) = delete;
  Events& operator=(const Events&) = delete;

  // The boot services, with the caller resolved by the service entry.
  [[nodiscard]] EFI_STATUS Create(UINT32 Type, EFI_TPL NotifyTpl, EFI_EVENT_NOTIFY Notify, const VOID* Context,
                                  const EFI_GUID* Group, EFI_EVENT* Event, const std::string& Caller);
  [[nodiscard]] EFI_STATUS Signal(EFI_EVENT Event);
  [[nodiscard]] EFI_STATUS Close(EFI_EVENT Event);
  [[nodiscard]] EFI_STATUS Check(EFI_EVENT Event);
  [[nodiscard]] EFI_STATUS Wait(UINTN Count, EFI_EVENT* Events, UINTN* Index);
  [[nodiscard]] EFI_STATUS SetTimer(EFI_EVENT Event, EFI_TIMER_DELAY Type, UINT64 TriggerTime);
  EFI_TPL RaiseTpl(EFI_TPL NewTpl);
  void RestoreTpl(EFI_TPL OldTpl);

  EFI_TPL CurrentTpl() const { return Tpl_; }
  // Platform side: signals every event of an event group.
  void SignalGroup(const EFI_GUID& Group);
  // A valid, open event (unknown and closed events are not). A closed event
  // is also recorded as a violation, naming Service.
  bool Usable(EFI_EVENT Event, const char* Service);

 private:
  struct EventToken {
    std::uint64_t Number;
  };
  struct EventRecord {
    std::uint64_t Number;
    UINT32 Type;
    EFI_TPL NotifyTpl;
    EFI_EVENT_NOTIFY Notify;
    VOID* Context;
    std::optional<EFI_GUID> Group;
    std::string Owner;
    bool Signalled = false;
    bool Queued = false;
    std::optional<Clock::AlarmId> Alarm;
    UINT64 Period = 0;
  };

  EventRecord* Record(EFI_EVENT Event);
  void SignalOne(EFI_EVENT Event);
  void Queue(EFI_EVENT Event);
  // Runs the queued notify functions above Tpl, then settles at Tpl.
  void DispatchAbove(EFI_TPL Tpl);
  void ArmTimer(EFI_EVENT Event, UINT64 Due);
  void TimerInterrupt(EFI_EVENT Event);

  Boot& Boot_;
  EFI_TPL Tpl_ = TPL_APPLICATION;
  std::deque<EventToken> Tokens_;
  std::map<const VOID*, EventRecord> Records_;
  std::set<const VOID*> Closed_;
  std::array<std::deque<EFI_EVENT>, TPL_HIGH_LEVEL + 1> Pending_;
};

}  // namespace sim
