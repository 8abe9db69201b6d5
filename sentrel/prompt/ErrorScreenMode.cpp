// Putting the console into the text mode of the error screen.
#include "sentrel/prompt/DisplayMode.h"

#include "support/Library.h"
#include "support/Pool.h"
#include "uefi/platform/ConsoleControl.h"
#include "uefi/platform/DisplayChange.h"
#include "uefi/platform/UgaDraw.h"
#include "uefi/protocol/SimpleTextOut.h"

namespace {

// The character cell of the text console, in pixels.
constexpr UINT32 kCellWidth = 8;
constexpr UINT32 kCellHeight = 19;
// Modes 0 and 1 are the standard 80 x 25 and 80 x 50; the search for the
// display's own grid starts after them.
constexpr UINTN kFirstExtraTextMode = 2;
// The grid of the 1024 x 768 fallback.
constexpr UINTN kFallbackColumns = FALLBACK_DISPLAY_WIDTH / kCellWidth;
constexpr UINTN kFallbackRows = FALLBACK_DISPLAY_HEIGHT / kCellHeight;

// The console's graphics output, looked up once.
EFI_GRAPHICS_OUTPUT_PROTOCOL* ErrorScreenGop = NULL;

BOOLEAN ConsoleHas(const EFI_GUID* Protocol, VOID** Interface) {
  return !EFI_ERROR(gBS->HandleProtocol(gST->ConsoleOutHandle, (EFI_GUID*)Protocol, Interface));
}

// The first text mode from First on with this grid; FALSE when none has it.
BOOLEAN FindTextMode(UINTN First, UINTN Columns, UINTN Rows, UINTN* Mode) {
  EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL* ConOut = gST->ConOut;
  for (UINTN Candidate = First; Candidate < (UINTN)ConOut->Mode->MaxMode; Candidate++) {
    UINTN ModeColumns = 0;
    UINTN ModeRows = 0;
    if (!EFI_ERROR(ConOut->QueryMode(ConOut, Candidate, &ModeColumns, &ModeRows)) && ModeColumns == Columns &&
        ModeRows == Rows) {
      *Mode = Candidate;
      return TRUE;
    }
  }
  return FALSE;
}

EFI_STATUS SetTextMode(UINTN Mode) { return gST->ConOut->SetMode(gST->ConOut, Mode); }

// The mode that fills the display when its resolution is known, else the
// 1024 x 768 grid, else mode 0.
EFI_STATUS SetFittingTextMode() {
  UINT32 Width = 0;
  UINT32 Height = 0;
  UINTN Mode = 0;
  EFI_STATUS Status = GetDisplayResolutions(gST->ConsoleOutHandle, &Width, &Height, NULL, NULL, NULL);
  if (!EFI_ERROR(Status)) {
    if (!FindTextMode(kFirstExtraTextMode, Width / kCellWidth, Height / kCellHeight, &Mode)) {
      return SetTextMode(0);
    }
    Status = SetTextMode(Mode);
    if (!EFI_ERROR(Status)) {
      return Status;
    }
  }
  if (FindTextMode(0, kFallbackColumns, kFallbackRows, &Mode)) {
    Status = SetTextMode(Mode);
    if (!EFI_ERROR(Status)) {
      return Status;
    }
  }
  return SetTextMode(0);
}

// Tells the listeners of the display-change signal that the console changed:
// the signal is taken off every handle and installed anew.
VOID SignalDisplayChange() {
  UINTN Count = 0;
  EFI_HANDLE* Handles = NULL;
  if (!EFI_ERROR(gBS->LocateHandleBuffer(ByProtocol, (EFI_GUID*)&DISPLAY_CHANGE_SIGNAL_PROTOCOL_GUID, NULL, &Count,
                                         &Handles))) {
    for (UINTN Index = 0; Index < Count; Index++) {
      VOID* Interface = NULL;
      if (!EFI_ERROR(gBS->HandleProtocol(Handles[Index], (EFI_GUID*)&DISPLAY_CHANGE_SIGNAL_PROTOCOL_GUID,
                                         &Interface))) {
        (VOID) gBS->UninstallProtocolInterface(Handles[Index], (EFI_GUID*)&DISPLAY_CHANGE_SIGNAL_PROTOCOL_GUID,
                                               Interface);
      }
    }
    PoolFree(Handles);
  }
  EFI_HANDLE Handle = NULL;
  (VOID) gBS->InstallProtocolInterface(&Handle, (EFI_GUID*)&DISPLAY_CHANGE_SIGNAL_PROTOCOL_GUID, EFI_NATIVE_INTERFACE,
                                       NULL);
}

}  // namespace

EFI_STATUS SetErrorScreenTextMode() {
  EFI_STATUS Status = EFI_SUCCESS;
  VOID* Uga = NULL;
  if (ErrorScreenGop == NULL) {
    EFI_GRAPHICS_OUTPUT_PROTOCOL* Gop = NULL;
    if (ConsoleHas(&EFI_GRAPHICS_OUTPUT_PROTOCOL_GUID, (VOID**)&Gop)) {
      ErrorScreenGop = Gop;
    }
  }
  if (ErrorScreenGop == NULL && !ConsoleHas(&EFI_UGA_DRAW_PROTOCOL_GUID, &Uga)) {
    // No display to fit: the console keeps its mode.
    Status = EFI_UNSUPPORTED;
  } else {
    EFI_CONSOLE_CONTROL_PROTOCOL* ConsoleControl = NULL;
    if (EFI_ERROR(gBS->LocateProtocol((EFI_GUID*)&EFI_CONSOLE_CONTROL_PROTOCOL_GUID, NULL, (VOID**)&ConsoleControl))) {
      ConsoleControl = NULL;
    }
    if (ConsoleControl != NULL) {
      (VOID) ConsoleControl->SetMode(ConsoleControl, EfiConsoleControlScreenText);
    }
    Status = SetFittingTextMode();
    // Console control's switch to text gives a fresh screen; without it the
    // screen is cleared here.
    if (ConsoleControl == NULL) {
      (VOID) gST->ConOut->ClearScreen(gST->ConOut);
    }
    (VOID) gST->ConOut->EnableCursor(gST->ConOut, TRUE);
  }
  SignalDisplayChange();
  return Status;
}
