// The prompt screens of the boot-time check: an icon for the password that
// is wanted, a mark per failed attempt, a picture for accepted or locked out.
// No text is drawn.
#pragma once
#include "uefi/Base.h"
#include "uefi/Status.h"

// Screen kinds.
#define PROMPT_SCREEN_SUPERVISOR ((UINT16)0)
#define PROMPT_SCREEN_POWER_ON ((UINT16)1)
#define PROMPT_SCREEN_DRIVE_0 ((UINT16)2)  // drives 1 and 2 follow
#define PROMPT_SCREEN_DRIVE_2 ((UINT16)4)
#define PROMPT_SCREEN_ACCEPTED ((UINT16)5)
#define PROMPT_SCREEN_REJECTED ((UINT16)6)
#define PROMPT_SCREEN_LOCKED_OUT ((UINT16)7)
#define PROMPT_SCREEN_CLOSE ((UINT16)8)

// Shows screen Kind and tells the feedback service (when the Setup variable
// asks for it). The first call finds the console's graphics output and clears
// the text console. EFI_UNSUPPORTED, with nothing drawn: no graphics output,
// or no feedback service. An unknown kind draws nothing. Drawing errors are
// not reported.
[[nodiscard]] EFI_STATUS ShowPromptScreen(UINT16 Kind);
