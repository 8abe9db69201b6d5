// The key filter other components use for password fields: only keys a
// password may hold, Enter, Backspace and Escape pass, none with Ctrl or Alt.
#include "sentrel/bootcheck/KeyFilter.h"

#include "sentrel/core/PasswordText.h"
#include "support/Memory.h"
#include "uefi/protocol/SimpleTextInEx.h"

namespace {

// Where the caller's key context holds the key to judge.
constexpr UINTN kKeyDataOffset = 88;
constexpr UINT32 kControlOrAlt =
    EFI_RIGHT_CONTROL_PRESSED | EFI_LEFT_CONTROL_PRESSED | EFI_RIGHT_ALT_PRESSED | EFI_LEFT_ALT_PRESSED;

}  // namespace

BOOLEAN EFIAPI FilterPasswordKey(VOID* KeyContext) {
  if (KeyContext == NULL) {
    return FALSE;
  }
  // The caller's context need not be aligned for the key record.
  UINT8* KeyBytes = (UINT8*)KeyContext + kKeyDataOffset;
  EFI_KEY_DATA Key;
  MemCopy(&Key, KeyBytes, sizeof(Key));
  const UINT16 Scan = Key.Key.ScanCode;
  const CHAR16 Char = Key.Key.UnicodeChar;

  BOOLEAN Allowed = (BOOLEAN)(Scan == SCAN_ESC && Char == CHAR_NULL);
  if ((Char == CHAR_CARRIAGE_RETURN || Char == CHAR_BACKSPACE) && Scan == SCAN_NULL) {
    Allowed = TRUE;
  }
  if (IsPasswordCharacter(Char)) {
    Allowed = TRUE;
  }
  if (Allowed && (Key.KeyState.KeyShiftState & kControlOrAlt) != 0) {
    Allowed = FALSE;
  }
  // The key never stays behind, whether it may be used or not.
  MemZero(KeyBytes, sizeof(Key));
  SecureZero(&Key, sizeof(Key));
  return Allowed;
}
