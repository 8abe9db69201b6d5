// The keyboard loop of the password prompts.
#include "sentrel/prompt/PasswordEntry.h"

#include "sentrel/core/PasswordText.h"
#include "sentrel/prompt/PromptErase.h"
#include "sentrel/prompt/PromptImage.h"
#include "sentrel/prompt/PromptState.h"
#include "support/Library.h"
#include "support/Memory.h"
#include "support/Pool.h"
#include "uefi/protocol/SimpleTextInEx.h"

namespace {

// 60 seconds in the timer's 100 ns units, counted from the last key.
constexpr UINT64 kPromptTimeout = 600000000;
// The prompt may itself run at TPL_CALLBACK (the boot-time check runs in a
// protocol notification); its time-out must still preempt it.
constexpr EFI_TPL kPromptTimeoutTpl = TPL_NOTIFY;

}  // namespace

VOID EFIAPI PromptTimeout(EFI_EVENT Event, VOID* Context) {
  (VOID) Event;
  (VOID) Context;
  gRT->ResetSystem(EfiResetShutdown, EFI_SUCCESS, 0, NULL);
}

VOID FreePasswordText(CHAR16* Text) { PoolFreeWiped(Text, PASSWORD_TEXT_BYTES); }

EFI_STATUS ReadPassword(CHAR16** Text, BOOLEAN* MasterToggle) {
  CHAR16* Typed = (CHAR16*)PoolAllocZeroed(PASSWORD_TEXT_BYTES);
  if (Typed == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }
  *Text = Typed;

  EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL* Keyboard = NULL;
  EFI_STATUS Status = gBS->HandleProtocol(gST->ConsoleInHandle, (EFI_GUID*)&EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL_GUID,
                                          (VOID**)&Keyboard);
  if (EFI_ERROR(Status)) {
    return Status;
  }

  const BOOLEAN ToggleAllowed = MasterToggle != NULL && *MasterToggle != 0;
  BOOLEAN Toggle = FALSE;
  UINTN Length = 0;
  EFI_EVENT Timer = NULL;
  BOOLEAN TimerRunning = FALSE;
  EFI_STATUS TimerStatus = EFI_SUCCESS;
  EFI_KEY_DATA Key;
  do {
    ClearCursorBar(FALSE);
    MemZero(&Key, sizeof(Key));
    // A failed creation is tried again on the next pass.
    if (!TimerRunning) {
      TimerStatus = gBS->CreateEvent(EVT_TIMER | EVT_NOTIFY_SIGNAL, kPromptTimeoutTpl, PromptTimeout, NULL, &Timer);
      if (!EFI_ERROR(TimerStatus)) {
        (VOID) gBS->SetTimer(Timer, TimerRelative, kPromptTimeout);
        TimerRunning = TRUE;
      }
    }
    // Polled without waiting; no key leaves the data zero.
    (VOID) Keyboard->ReadKeyStrokeEx(Keyboard, &Key);
    const CHAR16 Character = Key.Key.UnicodeChar;
    // Any key, even one that is ignored, restarts the time-out.
    if ((Key.Key.ScanCode != SCAN_NULL || Character != CHAR_NULL) && TimerRunning) {
      (VOID) gBS->CloseEvent(Timer);
      TimerRunning = FALSE;
    }

    if (IsPasswordCharacter(Character)) {
      if (Length < MAX_PASSWORD_LENGTH) {
        Typed[Length++] = Character;
        (VOID) DrawPromptImage(PROMPT_IMAGE_TYPED);
      }
    } else if (Key.Key.ScanCode == SCAN_F1) {
      if (CurrentPromptIcon == PROMPT_IMAGE_DRIVE && ToggleAllowed) {
        Toggle = !Toggle;
        (VOID)(Toggle ? DrawPromptImage(PROMPT_IMAGE_MASTER) : ErasePromptImage(PROMPT_IMAGE_MASTER));
      }
    } else if (Character == CHAR_BACKSPACE) {
      if (Length > 0) {
        (VOID) ErasePromptImage(PROMPT_IMAGE_TYPED);
        Typed[--Length] = CHAR_NULL;
      }
    }
  } while (Key.Key.UnicodeChar != CHAR_CARRIAGE_RETURN);

  if (CurrentPromptIcon == PROMPT_IMAGE_DRIVE && MasterToggle != NULL) {
    *MasterToggle = Toggle;
  }
  // The dots go, and the typed image's column is back at its start.
  for (; Length > 0; Length--) {
    (VOID) ErasePromptImage(PROMPT_IMAGE_TYPED);
  }
  return TimerStatus;
}
