// The keyboard of the console: EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL (and the
// plain simple text input) on the console input handle, fed by a script of
// what the user types: characters, keys with scan codes, shift and control
// states, and pauses in virtual time. Polling an empty keyboard lets a short
// quantum of virtual time pass, as a processor spinning on it would, so
// timers come due; it does so at the caller's TPL, so only timers that
// outrank the caller run.
#pragma once
#include <deque>
#include <list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/Clock.h"
#include "sim/Component.h"
#include "uefi/protocol/SimpleTextIn.h"
#include "uefi/protocol/SimpleTextInEx.h"

namespace sim {

class Keyboard : public Component {
 public:
  // Virtual time one empty poll takes: one timer tick.
  static constexpr UINT64 kIdlePoll = 10 * 1000 * Clock::kPerMicrosecond;

  Keyboard();
  ~Keyboard() override;
  std::string Name() const override { return "keyboard"; }
  void OnBootStart(Boot& Current) override;
  void OnBootEnd(Boot& Current, const Outcome& Result) override;

  // The script, in typing order. It carries over into the next boot.
  // Characters, each with ShiftState ('\r' is Enter, '\b' Backspace). As
  // the standard has it, a character that Shift changed comes as that
  // character alone, without a Shift bit.
  Keyboard& Type(std::u16string_view Text, UINT32 ShiftState = EFI_SHIFT_STATE_VALID);
  Keyboard& Enter() { return Type(u"\r"); }
  // A key without a character (SCAN_F1, SCAN_ESC...), with a shift state.
  Keyboard& Press(UINT16 ScanCode, UINT32 ShiftState = 0);
  // A character typed with Ctrl held.
  Keyboard& Control(CHAR16 Character);
  // Exactly this key data.
  Keyboard& Key(const EFI_KEY_DATA& Data);
  // Nothing more is typed until this much virtual time has passed since the
  // previous key was taken (or, at the start, since the first poll).
  Keyboard& Pause(UINT64 Microseconds);

  // Keys and pauses not yet used.
  std::size_t Pending() const { return Script_.size(); }
  void Clear() { Script_.clear(); }
  // Keys handed to drivers during the last boot, in order.
  const std::vector<EFI_KEY_DATA>& Delivered() const { return Delivered_; }
  EFI_KEY_TOGGLE_STATE ToggleState() const { return ToggleState_; }

  // The protocols' operations, for their entry functions.
  EFI_STATUS Reset();
  EFI_STATUS ReadKey(EFI_KEY_DATA* Data);
  EFI_STATUS SetState(const EFI_KEY_TOGGLE_STATE* State);
  EFI_STATUS RegisterNotify(const EFI_KEY_DATA* Data, EFI_KEY_NOTIFY_FUNCTION Function, VOID** Handle);
  EFI_STATUS UnregisterNotify(VOID* Handle);
  // A wait event's check: signals it when a key is ready.
  void CheckWait(EFI_EVENT Event);

  static Keyboard& From(EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL* This);
  static Keyboard& From(EFI_SIMPLE_TEXT_INPUT_PROTOCOL* This);

 private:
  struct Step {
    std::optional<EFI_KEY_DATA> Key;  // a key, or
    UINT64 Pause = 0;                 // a pause (100 ns units)
    std::optional<UINT64> Until;      // when a running pause ends
  };
  struct Notification {
    EFI_KEY_DATA Data;
    EFI_KEY_NOTIFY_FUNCTION Function;
  };
  struct ExInstance {
    EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL Protocol;  // first, so This finds the device
    Keyboard* Device;
  };
  struct TextInstance {
    EFI_SIMPLE_TEXT_INPUT_PROTOCOL Protocol;
    Keyboard* Device;
  };

  // The key at the head of the script once its pauses are over, if any.
  const EFI_KEY_DATA* Ready();
  void StartPause(Step& Pause);
  void Notify(const EFI_KEY_DATA& Data);

  std::deque<Step> Script_;
  std::vector<EFI_KEY_DATA> Delivered_;
  std::list<Notification> Notifications_;  // stable addresses serve as handles
  EFI_KEY_TOGGLE_STATE ToggleState_ = EFI_TOGGLE_STATE_VALID;
  ExInstance Ex_{};
  TextInstance Text_{};
  Boot* Boot_ = nullptr;
};

}  // namespace sim
