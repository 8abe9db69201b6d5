// The extended simple text input protocol: keys with the state of the shift
// and toggle keys, and key notifications.
#pragma once
#include "uefi/protocol/SimpleTextIn.h"

constexpr EFI_GUID EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL_GUID =
    EFI_GUID_LITERAL(0xDD9E7534, 0x7762, 0x4698, 0x8C, 0x14, 0xF5, 0x85, 0x17, 0xA6, 0x25, 0xAA);

typedef UINT8 EFI_KEY_TOGGLE_STATE;

// KeyShiftState bits; the rest are meaningful only with the valid bit.
#define EFI_SHIFT_STATE_VALID 0x80000000u
#define EFI_RIGHT_SHIFT_PRESSED 0x00000001u
#define EFI_LEFT_SHIFT_PRESSED 0x00000002u
#define EFI_RIGHT_CONTROL_PRESSED 0x00000004u
#define EFI_LEFT_CONTROL_PRESSED 0x00000008u
#define EFI_RIGHT_ALT_PRESSED 0x00000010u
#define EFI_LEFT_ALT_PRESSED 0x00000020u
#define EFI_RIGHT_LOGO_PRESSED 0x00000040u
#define EFI_LEFT_LOGO_PRESSED 0x00000080u
#define EFI_MENU_KEY_PRESSED 0x00000100u
#define EFI_SYS_REQ_PRESSED 0x00000200u

// KeyToggleState bits; the rest are meaningful only with the valid bit.
#define EFI_TOGGLE_STATE_VALID 0x80u
#define EFI_KEY_STATE_EXPOSED 0x40u
#define EFI_SCROLL_LOCK_ACTIVE 0x01u
#define EFI_NUM_LOCK_ACTIVE 0x02u
#define EFI_CAPS_LOCK_ACTIVE 0x04u

struct EFI_KEY_STATE {
  UINT32 KeyShiftState;
  EFI_KEY_TOGGLE_STATE KeyToggleState;
};
static_assert(__builtin_offsetof(EFI_KEY_STATE, KeyToggleState) == 4);
static_assert(sizeof(EFI_KEY_STATE) == 8);

struct EFI_KEY_DATA {
  EFI_INPUT_KEY Key;
  EFI_KEY_STATE KeyState;
};
static_assert(__builtin_offsetof(EFI_KEY_DATA, KeyState) == 4);
static_assert(__builtin_offsetof(EFI_KEY_DATA, KeyState.KeyToggleState) == 8);
static_assert(sizeof(EFI_KEY_DATA) == 12);

typedef EFI_STATUS(EFIAPI* EFI_KEY_NOTIFY_FUNCTION)(EFI_KEY_DATA* KeyData);

struct EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL {
  EFI_STATUS(EFIAPI* Reset)(EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL* This, BOOLEAN ExtendedVerification);
  // EFI_NOT_READY when no key is waiting.
  EFI_STATUS(EFIAPI* ReadKeyStrokeEx)(EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL* This, EFI_KEY_DATA* KeyData);
  EFI_EVENT WaitForKeyEx;
  EFI_STATUS(EFIAPI* SetState)(EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL* This, EFI_KEY_TOGGLE_STATE* KeyToggleState);
  EFI_STATUS(EFIAPI* RegisterKeyNotify)(EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL* This, EFI_KEY_DATA* KeyData,
                                         EFI_KEY_NOTIFY_FUNCTION KeyNotificationFunction, VOID** NotifyHandle);
  EFI_STATUS(EFIAPI* UnregisterKeyNotify)(EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL* This, VOID* NotificationHandle);
};
static_assert(__builtin_offsetof(EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL, ReadKeyStrokeEx) == 8);
static_assert(__builtin_offsetof(EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL, WaitForKeyEx) == 16);
static_assert(__builtin_offsetof(EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL, SetState) == 24);
static_assert(__builtin_offsetof(EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL, RegisterKeyNotify) == 32);
static_assert(__builtin_offsetof(EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL, UnregisterKeyNotify) == 40);
static_assert(sizeof(EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL) == 48);
