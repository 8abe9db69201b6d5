// The scripted keyboard and its text input protocols.
#include "sim/devices/Keyboard.h"

#include <cstddef>

#include "DeviceCall.h"
#include "sim/Boot.h"
#include "sim/Trace.h"

namespace sim {
namespace {

[[noreturn]] void ForeignThis(const char* Protocol) {
  std::string Detail = std::string(Protocol) + " called with a foreign This pointer";
  Boot::Current().Violate("keyboard.this", Detail);
  Outcome Broken;
  Broken.What = Outcome::Kind::Crashed;
  Broken.Detail = Detail;
  Boot::Current().End(Broken);
}

EFI_STATUS EFIAPI ExReset(EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL* This, BOOLEAN ExtendedVerification) {
  (void)ExtendedVerification;
  DeviceCall Call("SimpleTextInputEx.Reset", __builtin_return_address(0));
  return Keyboard::From(This).Reset();
}

EFI_STATUS EFIAPI ExReadKeyStroke(EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL* This, EFI_KEY_DATA* KeyData) {
  DeviceCall Call("SimpleTextInputEx.ReadKeyStrokeEx", __builtin_return_address(0));
  return Keyboard::From(This).ReadKey(KeyData);
}

EFI_STATUS EFIAPI ExSetState(EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL* This, EFI_KEY_TOGGLE_STATE* KeyToggleState) {
  DeviceCall Call("SimpleTextInputEx.SetState", __builtin_return_address(0));
  return Keyboard::From(This).SetState(KeyToggleState);
}

EFI_STATUS EFIAPI ExRegisterKeyNotify(EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL* This, EFI_KEY_DATA* KeyData,
                                      EFI_KEY_NOTIFY_FUNCTION KeyNotificationFunction, VOID** NotifyHandle) {
  DeviceCall Call("SimpleTextInputEx.RegisterKeyNotify", __builtin_return_address(0));
  return Keyboard::From(This).RegisterNotify(KeyData, KeyNotificationFunction, NotifyHandle);
}

EFI_STATUS EFIAPI ExUnregisterKeyNotify(EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL* This, VOID* NotificationHandle) {
  DeviceCall Call("SimpleTextInputEx.UnregisterKeyNotify", __builtin_return_address(0));
  return Keyboard::From(This).UnregisterNotify(NotificationHandle);
}

EFI_STATUS EFIAPI TextReset(EFI_SIMPLE_TEXT_INPUT_PROTOCOL* This, BOOLEAN ExtendedVerification) {
  (void)ExtendedVerification;
  DeviceCall Call("SimpleTextInput.Reset", __builtin_return_address(0));
  return Keyboard::From(This).Reset();
}

EFI_STATUS EFIAPI TextReadKeyStroke(EFI_SIMPLE_TEXT_INPUT_PROTOCOL* This, EFI_INPUT_KEY* Key) {
  DeviceCall Call("SimpleTextInput.ReadKeyStroke", __builtin_return_address(0));
  if (Key == nullptr) return EFI_INVALID_PARAMETER;
  EFI_KEY_DATA Data{};
  EFI_STATUS Status = Keyboard::From(This).ReadKey(&Data);
  if (!EFI_ERROR(Status)) *Key = Data.Key;
  return Status;
}

VOID EFIAPI WaitForKeyNotify(EFI_EVENT Event, VOID* Context) { static_cast<Keyboard*>(Context)->CheckWait(Event); }

bool Matches(const EFI_KEY_DATA& Registered, const EFI_KEY_DATA& Typed) {
  if (Registered.Key.ScanCode != Typed.Key.ScanCode || Registered.Key.UnicodeChar != Typed.Key.UnicodeChar) {
    return false;
  }
  // Shift and toggle states count only where the registration gives them.
  if ((Registered.KeyState.KeyShiftState & EFI_SHIFT_STATE_VALID) != 0 &&
      Registered.KeyState.KeyShiftState != Typed.KeyState.KeyShiftState) {
    return false;
  }
  if ((Registered.KeyState.KeyToggleState & EFI_TOGGLE_STATE_VALID) != 0 &&
      Registered.KeyState.KeyToggleState != Typed.KeyState.KeyToggleState) {
    return false;
  }
  return true;
}

nlohmann::json Describe(const EFI_KEY_DATA& Data) {
  return {{"scan", Data.Key.ScanCode},
          {"char", Data.Key.UnicodeChar},
          {"shift", Data.KeyState.KeyShiftState},
          {"toggle", Data.KeyState.KeyToggleState}};
}

}  // namespace

Keyboard::Keyboard() {
  Ex_.Protocol = EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL{ExReset, ExReadKeyStroke, nullptr, ExSetState, ExRegisterKeyNotify,
                                                    ExUnregisterKeyNotify};
  Ex_.Device = this;
  Text_.Protocol = EFI_SIMPLE_TEXT_INPUT_PROTOCOL{TextReset, TextReadKeyStroke, nullptr};
  Text_.Device = this;
}

Keyboard::~Keyboard() = default;

Keyboard& Keyboard::From(EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL* This) {
  static_assert(offsetof(ExInstance, Protocol) == 0);
  auto* Found = reinterpret_cast<ExInstance*>(This);
  if (This == nullptr || Found->Device == nullptr || &Found->Device->Ex_ != Found) ForeignThis("text input ex");
  return *Found->Device;
}

Keyboard& Keyboard::From(EFI_SIMPLE_TEXT_INPUT_PROTOCOL* This) {
  static_assert(offsetof(TextInstance, Protocol) == 0);
  auto* Found = reinterpret_cast<TextInstance*>(This);
  if (This == nullptr || Found->Device == nullptr || &Found->Device->Text_ != Found) ForeignThis("text input");
  return *Found->Device;
}

Keyboard& Keyboard::Type(std::u16string_view Text, UINT32 ShiftState) {
  for (CHAR16 Character : Text) {
    EFI_KEY_DATA Data{};
    Data.Key.UnicodeChar = Character;
    Data.KeyState.KeyShiftState = ShiftState;
    Data.KeyState.KeyToggleState = EFI_TOGGLE_STATE_VALID;
    Key(Data);
  }
  return *this;
}

Keyboard& Keyboard::Press(UINT16 ScanCode, UINT32 ShiftState) {
  EFI_KEY_DATA Data{};
  Data.Key.ScanCode = ScanCode;
  Data.KeyState.KeyShiftState = EFI_SHIFT_STATE_VALID | ShiftState;
  Data.KeyState.KeyToggleState = EFI_TOGGLE_STATE_VALID;
  return Key(Data);
}

Keyboard& Keyboard::Control(CHAR16 Character) {
  return Type(std::u16string_view(&Character, 1), EFI_SHIFT_STATE_VALID | EFI_LEFT_CONTROL_PRESSED);
}

Keyboard& Keyboard::Key(const EFI_KEY_DATA& Data) {
  Script_.push_back(Step{Data, 0, std::nullopt});
  return *this;
}

Keyboard& Keyboard::Pause(UINT64 Microseconds) {
  Script_.push_back(Step{std::nullopt, Microseconds * Clock::kPerMicrosecond, std::nullopt});
  return *this;
}

void Keyboard::OnBootStart(Boot& Current) {
  Boot_ = &Current;
  Delivered_.clear();
  Notifications_.clear();
  ToggleState_ = EFI_TOGGLE_STATE_VALID;
  // A pause begun in an earlier boot starts over on this boot's clock.
  for (Step& Entry : Script_) Entry.Until.reset();

  EFI_STATUS Status = Current.Events().Create(EVT_NOTIFY_WAIT, TPL_NOTIFY, WaitForKeyNotify, this, nullptr,
                                              &Ex_.Protocol.WaitForKeyEx, Name());
  if (!EFI_ERROR(Status)) {
    Status = Current.Events().Create(EVT_NOTIFY_WAIT, TPL_NOTIFY, WaitForKeyNotify, this, nullptr,
                                     &Text_.Protocol.WaitForKey, Name());
  }
  EFI_HANDLE ConsoleIn = Current.ConsoleInHandle();
  if (!EFI_ERROR(Status)) {
    Status = Current.Protocols().Install(&ConsoleIn, &EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL_GUID, EFI_NATIVE_INTERFACE,
                                         &Ex_.Protocol, Name());
  }
  VOID* Existing = nullptr;
  if (!EFI_ERROR(Status) &&
      EFI_ERROR(Current.Protocols().HandleProtocol(ConsoleIn, &EFI_SIMPLE_TEXT_INPUT_PROTOCOL_GUID, &Existing))) {
    Status = Current.Protocols().Install(&ConsoleIn, &EFI_SIMPLE_TEXT_INPUT_PROTOCOL_GUID, EFI_NATIVE_INTERFACE,
                                         &Text_.Protocol, Name());
    Current.SystemTable()->ConIn = &Text_.Protocol;
    Current.Tables().UpdateChecksums();
  }
  if (EFI_ERROR(Status)) throw std::logic_error("keyboard set-up failed: " + HexStatus(Status));
}

void Keyboard::OnBootEnd(Boot& Current, const Outcome& Result) {
  (void)Result;
  // An older boot may end after the next one has started.
  if (&Current == Boot_) Boot_ = nullptr;
}

void Keyboard::StartPause(Step& Pause) {
  Pause.Until = Boot_->Clock().Now() + Pause.Pause;
  // An idle wait for a key moves on to the pause's end.
  Boot_->Clock().Schedule(*Pause.Until, [] {});
}

const EFI_KEY_DATA* Keyboard::Ready() {
  while (!Script_.empty()) {
    Step& Head = Script_.front();
    if (Head.Key) return &*Head.Key;
    if (!Head.Until) StartPause(Head);
    if (Boot_->Clock().Now() < *Head.Until) return nullptr;
    Script_.pop_front();
  }
  return nullptr;
}

EFI_STATUS Keyboard::ReadKey(EFI_KEY_DATA* Data) {
  if (Data == nullptr) return EFI_INVALID_PARAMETER;
  const EFI_KEY_DATA* Next = Ready();
  if (Next == nullptr) {
    // The caller spins on an empty keyboard: time passes at its TPL, and the
    // timers that outrank it run.
    Boot_->Clock().Advance(kIdlePoll);
    return EFI_NOT_READY;
  }
  *Data = *Next;
  Script_.pop_front();
  Delivered_.push_back(*Data);
  Boot_->Trace().Record("keyboard.key", Describe(*Data));
  if (!Script_.empty() && !Script_.front().Key) StartPause(Script_.front());
  Notify(*Data);
  return EFI_SUCCESS;
}

void Keyboard::Notify(const EFI_KEY_DATA& Data) {
  std::vector<EFI_KEY_NOTIFY_FUNCTION> Due;
  for (const Notification& Registered : Notifications_) {
    if (Matches(Registered.Data, Data)) Due.push_back(Registered.Function);
  }
  if (Due.empty()) return;
  // Key notifications run at TPL_NOTIFY, as from the keyboard's own event.
  EFI_TPL Old = Boot_->Events().RaiseTpl(TPL_NOTIFY);
  for (EFI_KEY_NOTIFY_FUNCTION Function : Due) {
    EFI_KEY_DATA Copy = Data;
    (void)Function(&Copy);
  }
  Boot_->Events().RestoreTpl(Old);
}

void Keyboard::CheckWait(EFI_EVENT Event) {
  if (Ready() != nullptr) (void)Boot_->Events().Signal(Event);
}

EFI_STATUS Keyboard::Reset() {
  // The keys already typed are dropped; what the script types later is not.
  while (!Script_.empty() && Script_.front().Key) Script_.pop_front();
  Boot_->Trace().Record("keyboard.reset");
  return EFI_SUCCESS;
}

EFI_STATUS Keyboard::SetState(const EFI_KEY_TOGGLE_STATE* State) {
  if (State == nullptr) return EFI_INVALID_PARAMETER;
  if ((*State & EFI_TOGGLE_STATE_VALID) == 0) return EFI_UNSUPPORTED;
  ToggleState_ = *State;
  Boot_->Trace().Record("keyboard.set-state", {{"toggle", *State}});
  return EFI_SUCCESS;
}

EFI_STATUS Keyboard::RegisterNotify(const EFI_KEY_DATA* Data, EFI_KEY_NOTIFY_FUNCTION Function, VOID** Handle) {
  if (Data == nullptr || Function == nullptr || Handle == nullptr) return EFI_INVALID_PARAMETER;
  for (Notification& Registered : Notifications_) {
    // The same key and function registered again returns the first handle.
    if (Registered.Function == Function && Matches(Registered.Data, *Data) && Matches(*Data, Registered.Data)) {
      *Handle = &Registered;
      return EFI_SUCCESS;
    }
  }
  Notifications_.push_back(Notification{*Data, Function});
  *Handle = &Notifications_.back();
  Boot_->Trace().Record("keyboard.register-notify", Describe(*Data));
  return EFI_SUCCESS;
}

EFI_STATUS Keyboard::UnregisterNotify(VOID* Handle) {
  for (auto Entry = Notifications_.begin(); Entry != Notifications_.end(); ++Entry) {
    if (&*Entry == Handle) {
      Notifications_.erase(Entry);
      Boot_->Trace().Record("keyboard.unregister-notify");
      return EFI_SUCCESS;
    }
  }
  return EFI_INVALID_PARAMETER;
}

}  // namespace sim
