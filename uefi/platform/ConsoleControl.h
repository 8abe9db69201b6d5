// The platform's console-control protocol, which switches the console
// between text and graphics screens.
#pragma once
#include "uefi/Base.h"
#include "uefi/Status.h"

constexpr EFI_GUID EFI_CONSOLE_CONTROL_PROTOCOL_GUID =
    EFI_GUID_LITERAL(0xF42F7782, 0x012E, 0x4C12, 0x99, 0x56, 0x49, 0xF9, 0x43, 0x04, 0xF7, 0x21);

enum EFI_CONSOLE_CONTROL_SCREEN_MODE : UINT32 {
  EfiConsoleControlScreenText,
  EfiConsoleControlScreenGraphics,
  EfiConsoleControlScreenMaxValue
};
static_assert(sizeof(EFI_CONSOLE_CONTROL_SCREEN_MODE) == 4);

struct EFI_CONSOLE_CONTROL_PROTOCOL {
  // Each output pointer may be NULL.
  EFI_STATUS(EFIAPI* GetMode)(EFI_CONSOLE_CONTROL_PROTOCOL* This, EFI_CONSOLE_CONTROL_SCREEN_MODE* Mode,
                               BOOLEAN* GopUgaExists, BOOLEAN* StdInLocked);
  EFI_STATUS(EFIAPI* SetMode)(EFI_CONSOLE_CONTROL_PROTOCOL* This, EFI_CONSOLE_CONTROL_SCREEN_MODE Mode);
  EFI_STATUS(EFIAPI* LockStdIn)(EFI_CONSOLE_CONTROL_PROTOCOL* This, CHAR16* Password);
};
static_assert(__builtin_offsetof(EFI_CONSOLE_CONTROL_PROTOCOL, SetMode) == 8);
static_assert(__builtin_offsetof(EFI_CONSOLE_CONTROL_PROTOCOL, LockStdIn) == 16);
static_assert(sizeof(EFI_CONSOLE_CONTROL_PROTOCOL) == 24);
