// Events, timers and task priority levels.
#include "sim/Events.h"

#include <algorithm>

#include "sim/Boot.h"
#include "sim/Guid.h"
#include "sim/StandardGuids.h"

namespace sim {
namespace {

constexpr UINT32 kTypeBits = EVT_TIMER | EVT_RUNTIME | EVT_NOTIFY_WAIT | EVT_NOTIFY_SIGNAL;

bool ValidType(UINT32 Type) {
  if (Type == EVT_SIGNAL_EXIT_BOOT_SERVICES || Type == EVT_SIGNAL_VIRTUAL_ADDRESS_CHANGE) return true;
  if ((Type & ~kTypeBits) != 0) return false;
  return (Type & (EVT_NOTIFY_WAIT | EVT_NOTIFY_SIGNAL)) != (EVT_NOTIFY_WAIT | EVT_NOTIFY_SIGNAL);
}

}  // namespace

Events::Events(Boot& Owner) : Boot_(Owner) {}

Events::EventRecord* Events::Record(EFI_EVENT Event) {
  auto Found = Records_.find(Event);
  return Found == Records_.end() ? nullptr : &Found->second;
}

bool Events::Usable(EFI_EVENT Event, const char* Service) {
  if (Records_.count(Event) != 0) return true;
  if (Event != nullptr && Closed_.count(Event) != 0) {
    Boot_.Violate("event.closed", std::string(Service) + " of an event already closed");
  }
  return false;
}

EFI_STATUS Events::Create(UINT32 Type, EFI_TPL NotifyTpl, EFI_EVENT_NOTIFY Notify, const VOID* Context,
                          const EFI_GUID* Group, EFI_EVENT* Event, const std::string& Caller) {
  if (Event == nullptr || !ValidType(Type)) return EFI_INVALID_PARAMETER;
  bool Special = Type == EVT_SIGNAL_EXIT_BOOT_SERVICES || Type == EVT_SIGNAL_VIRTUAL_ADDRESS_CHANGE;
  if (Group != nullptr && Special) return EFI_INVALID_PARAMETER;
  if ((Type & (EVT_NOTIFY_WAIT | EVT_NOTIFY_SIGNAL)) != 0) {
    if (Notify == nullptr || NotifyTpl <= TPL_APPLICATION || NotifyTpl > TPL_HIGH_LEVEL) return EFI_INVALID_PARAMETER;
  }
  std::optional<EFI_GUID> Joined;
  if (Group != nullptr) Joined = *Group;
  if (Type == EVT_SIGNAL_EXIT_BOOT_SERVICES) Joined = kEventGroupExitBootServices;
  if (Type == EVT_SIGNAL_VIRTUAL_ADDRESS_CHANGE) Joined = kEventGroupVirtualAddressChange;

  Tokens_.push_back(EventToken{Tokens_.size() + 1});
  EFI_EVENT Created = &Tokens_.back();
  EventRecord Made;
  Made.Number = Tokens_.back().Number;
  Made.Type = Type;
  Made.NotifyTpl = NotifyTpl;
  Made.Notify = Notify;
  Made.Context = const_cast<VOID*>(Context);
  Made.Group = Joined;
  Made.Owner = Caller;
  Records_.emplace(Created, std::move(Made));
  *Event = Created;
  return EFI_SUCCESS;
}

void Events::Queue(EFI_EVENT Event) {
  EventRecord* Target = Record(Event);
  if (Target->Queued) return;
  Target->Queued = true;
  Pending_[Target->NotifyTpl].push_back(Event);
}

void Events::SignalOne(EFI_EVENT Event) {
  EventRecord* Target = Record(Event);
  if (Target->Signalled) return;
  Target->Signalled = true;
  if ((Target->Type & EVT_NOTIFY_SIGNAL) != 0) Queue(Event);
}

EFI_STATUS Events::Signal(EFI_EVENT Event) {
  if (!Usable(Event, "SignalEvent")) return EFI_INVALID_PARAMETER;
  const EventRecord* Target = Record(Event);
  if (Target->Group) {
    // Signalling one member of a group signals the whole group.
    SignalGroup(*Target->Group);
    return EFI_SUCCESS;
  }
  SignalOne(Event);
  DispatchAbove(Tpl_);
  return EFI_SUCCESS;
}

void Events::SignalGroup(const EFI_GUID& Group) {
  std::vector<EFI_EVENT> Members;
  for (const auto& [Token, Event] : Records_) {
    if (Event.Group && GuidEqual(*Event.Group, Group)) Members.push_back(const_cast<VOID*>(Token));
  }
  // In creation order, so the queue keeps the order the members joined.
  std::sort(Members.begin(), Members.end(),
            [this](EFI_EVENT A, EFI_EVENT B) { return Record(A)->Number < Record(B)->Number; });
  for (EFI_EVENT Member : Members) SignalOne(Member);
  DispatchAbove(Tpl_);
}

void Events::DispatchAbove(EFI_TPL Floor) {
  for (;;) {
    EFI_TPL Level = TPL_HIGH_LEVEL;
    while (Level > Floor && Pending_[Level].empty()) Level--;
    if (Level <= Floor) break;
    Tpl_ = Level;
    // Below the highest level the processor takes interrupts again; a timer
    // held back may fire here and preempt with a higher notify level.
    if (Level < TPL_HIGH_LEVEL) Boot_.Cpu().EnableInterrupts();
    if (Pending_[Level].empty()) continue;
    EFI_EVENT Event = Pending_[Level].front();
    Pending_[Level].pop_front();
    EventRecord* Target = Record(Event);
    Target->Queued = false;
    if ((Target->Type & EVT_NOTIFY_SIGNAL) != 0) Target->Signalled = false;
    EFI_EVENT_NOTIFY Notify = Target->Notify;
    VOID* Context = Target->Context;
    Boot::ImageScope Scope(Boot_, Target->Owner);
    Notify(Event, Context);
  }
  Tpl_ = Floor;
}

EFI_STATUS Events::Close(EFI_EVENT Event) {
  if (!Usable(Event, "CloseEvent")) return EFI_INVALID_PARAMETER;
  EventRecord* Target = Record(Event);
  if (Target->Alarm) Boot_.Clock().Cancel(*Target->Alarm);
  if (Target->Queued) std::erase(Pending_[Target->NotifyTpl], Event);
  Records_.erase(Event);
  Closed_.insert(Event);
  Boot_.Protocols().ForgetEvent(Event);
  return EFI_SUCCESS;
}

EFI_STATUS Events::Check(EFI_EVENT Event) {
  if (!Usable(Event, "CheckEvent")) return EFI_INVALID_PARAMETER;
  EventRecord* Target = Record(Event);
  if ((Target->Type & EVT_NOTIFY_SIGNAL) != 0) return EFI_INVALID_PARAMETER;
  if (!Target->Signalled && (Target->Type & EVT_NOTIFY_WAIT) != 0) {
    // A wait event's notify function runs to give it the chance to signal.
    Queue(Event);
    DispatchAbove(Tpl_);
    Target = Record(Event);
    if (Target == nullptr) return EFI_NOT_READY;  // its notify function closed it
  }
  if (!Target->Signalled) return EFI_NOT_READY;
  Target->Signalled = false;
  return EFI_SUCCESS;
}

EFI_STATUS Events::Wait(UINTN Count, EFI_EVENT* List, UINTN* Index) {
  if (Tpl_ != TPL_APPLICATION) return EFI_UNSUPPORTED;
  if (Count == 0 || List == nullptr || Index == nullptr) return EFI_INVALID_PARAMETER;
  for (;;) {
    for (UINTN Which = 0; Which < Count; Which++) {
      EFI_STATUS Status = Check(List[Which]);
      if (Status != EFI_NOT_READY) {
        *Index = Which;
        return Status;
      }
    }
    // Idle until the next timer or device event; none left means forever.
    if (!Boot_.Clock().AdvanceToNextAlarm()) {
      Boot_.Stop(Outcome::Kind::Hung, "WaitForEvent with nothing left that could signal");
    }
  }
}

void Events::ArmTimer(EFI_EVENT Event, UINT64 Due) {
  Record(Event)->Alarm = Boot_.Clock().Schedule(Due, [this, Event] { TimerInterrupt(Event); }, true);
}

void Events::TimerInterrupt(EFI_EVENT Event) {
  EventRecord* Target = Record(Event);
  if (Target == nullptr) return;
  Target->Alarm.reset();
  if (Target->Period != 0) ArmTimer(Event, Boot_.Clock().After(Target->Period));
  Boot_.Trace().Record("event.timer", {{"event", Target->Number}, {"tpl", Target->NotifyTpl}, {"owner", Target->Owner}});
  // As the interrupt handler would: signal, then run what now outranks the
  // interrupted code.
  if (Target->Group) {
    SignalGroup(*Target->Group);
  } else {
    SignalOne(Event);
    DispatchAbove(Tpl_);
  }
}

EFI_STATUS Events::SetTimer(EFI_EVENT Event, EFI_TIMER_DELAY Type, UINT64 TriggerTime) {
  if (!Usable(Event, "SetTimer")) return EFI_INVALID_PARAMETER;
  EventRecord* Target = Record(Event);
  if ((Target->Type & EVT_TIMER) == 0 || Type > TimerRelative) return EFI_INVALID_PARAMETER;
  if (Target->Alarm) Boot_.Clock().Cancel(*Target->Alarm);
  Target->Alarm.reset();
  Target->Period = 0;
  if (Type == TimerCancel) return EFI_SUCCESS;
  UINT64 Delay = TriggerTime != 0 ? TriggerTime : kTimerTick;
  if (Type == TimerPeriodic) Target->Period = Delay;
  ArmTimer(Event, Boot_.Clock().After(Delay));
  return EFI_SUCCESS;
}

EFI_TPL Events::RaiseTpl(EFI_TPL NewTpl) {
  EFI_TPL Old = Tpl_;
  if (NewTpl < Old) {
    Boot_.Violate("tpl.raise-lower", "RaiseTPL to " + std::to_string(NewTpl) + " from " + std::to_string(Old));
  }
  if (NewTpl > TPL_HIGH_LEVEL) {
    Boot_.Violate("tpl.invalid", "RaiseTPL to " + std::to_string(NewTpl));
    NewTpl = TPL_HIGH_LEVEL;
  }
  if (NewTpl >= TPL_HIGH_LEVEL && Old < TPL_HIGH_LEVEL) Boot_.Cpu().DisableInterrupts();
  Tpl_ = NewTpl;
  return Old;
}

void Events::RestoreTpl(EFI_TPL OldTpl) {
  if (OldTpl > Tpl_) {
    Boot_.Violate("tpl.restore-higher", "RestoreTPL to " + std::to_string(OldTpl) + " from " + std::to_string(Tpl_));
  }
  if (OldTpl > TPL_HIGH_LEVEL) {
    Boot_.Violate("tpl.invalid", "RestoreTPL to " + std::to_string(OldTpl));
    OldTpl = TPL_HIGH_LEVEL;
  }
  DispatchAbove(OldTpl);
  if (OldTpl < TPL_HIGH_LEVEL) Boot_.Cpu().EnableInterrupts();
}

}  // namespace sim
