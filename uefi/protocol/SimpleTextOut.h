// The simple text output protocol of a text console, its mode record and the
// character attributes.
#pragma once
#include "uefi/Base.h"
#include "uefi/Status.h"

constexpr EFI_GUID EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL_GUID =
    EFI_GUID_LITERAL(0x387477C2, 0x69C7, 0x11D2, 0x8E, 0x39, 0x00, 0xA0, 0xC9, 0x69, 0x72, 0x3B);

// Foreground colours (low nibble of an attribute).
#define EFI_BLACK 0x00u
#define EFI_BLUE 0x01u
#define EFI_GREEN 0x02u
#define EFI_CYAN 0x03u
#define EFI_RED 0x04u
#define EFI_MAGENTA 0x05u
#define EFI_BROWN 0x06u
#define EFI_LIGHTGRAY 0x07u
#define EFI_BRIGHT 0x08u
#define EFI_DARKGRAY 0x08u
#define EFI_LIGHTBLUE 0x09u
#define EFI_LIGHTGREEN 0x0Au
#define EFI_LIGHTCYAN 0x0Bu
#define EFI_LIGHTRED 0x0Cu
#define EFI_LIGHTMAGENTA 0x0Du
#define EFI_YELLOW 0x0Eu
#define EFI_WHITE 0x0Fu

// Background colours (bits 4..6 of an attribute).
#define EFI_BACKGROUND_BLACK 0x00u
#define EFI_BACKGROUND_BLUE 0x10u
#define EFI_BACKGROUND_GREEN 0x20u
#define EFI_BACKGROUND_CYAN 0x30u
#define EFI_BACKGROUND_RED 0x40u
#define EFI_BACKGROUND_MAGENTA 0x50u
#define EFI_BACKGROUND_BROWN 0x60u
#define EFI_BACKGROUND_LIGHTGRAY 0x70u

// Background takes one of the eight dark colours (EFI_BLACK..EFI_LIGHTGRAY).
#define EFI_TEXT_ATTR(Foreground, Background) ((Foreground) | ((Background) << 4))

struct SIMPLE_TEXT_OUTPUT_MODE {
  INT32 MaxMode;
  // Current settings.
  INT32 Mode;
  INT32 Attribute;
  INT32 CursorColumn;
  INT32 CursorRow;
  BOOLEAN CursorVisible;
};
static_assert(__builtin_offsetof(SIMPLE_TEXT_OUTPUT_MODE, CursorRow) == 16);
static_assert(__builtin_offsetof(SIMPLE_TEXT_OUTPUT_MODE, CursorVisible) == 20);
static_assert(sizeof(SIMPLE_TEXT_OUTPUT_MODE) == 24);

struct EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL {
  EFI_STATUS(EFIAPI* Reset)(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL* This, BOOLEAN ExtendedVerification);
  EFI_STATUS(EFIAPI* OutputString)(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL* This, CHAR16* String);
  EFI_STATUS(EFIAPI* TestString)(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL* This, CHAR16* String);
  EFI_STATUS(EFIAPI* QueryMode)(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL* This, UINTN ModeNumber, UINTN* Columns,
                                 UINTN* Rows);
  EFI_STATUS(EFIAPI* SetMode)(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL* This, UINTN ModeNumber);
  EFI_STATUS(EFIAPI* SetAttribute)(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL* This, UINTN Attribute);
  EFI_STATUS(EFIAPI* ClearScreen)(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL* This);
  EFI_STATUS(EFIAPI* SetCursorPosition)(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL* This, UINTN Column, UINTN Row);
  EFI_STATUS(EFIAPI* EnableCursor)(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL* This, BOOLEAN Visible);
  SIMPLE_TEXT_OUTPUT_MODE* Mode;
};
static_assert(__builtin_offsetof(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL, OutputString) == 8);
static_assert(__builtin_offsetof(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL, TestString) == 16);
static_assert(__builtin_offsetof(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL, QueryMode) == 24);
static_assert(__builtin_offsetof(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL, SetMode) == 32);
static_assert(__builtin_offsetof(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL, SetAttribute) == 40);
static_assert(__builtin_offsetof(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL, ClearScreen) == 48);
static_assert(__builtin_offsetof(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL, SetCursorPosition) == 56);
static_assert(__builtin_offsetof(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL, EnableCursor) == 64);
static_assert(__builtin_offsetof(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL, Mode) == 72);
static_assert(sizeof(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL) == 80);
