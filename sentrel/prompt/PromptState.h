// Module state of the prompt screens, kept for the whole boot.
#pragma once
#include "uefi/protocol/GraphicsOutput.h"

// The graphics output of the console output handle: looked up before the
// first screen is drawn, NULL until then.
extern EFI_GRAPHICS_OUTPUT_PROTOCOL* PromptGop;
// Image id of the prompt icon now shown (supervisor, power-on or drive), 0
// before the first prompt.
extern UINT16 CurrentPromptIcon;
// Failure marks now on the screen.
extern UINT16 FailureMarkCount;
