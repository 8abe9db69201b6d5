// Drawing the prompt screens and forwarding each change to the feedback
// service.
#include "sentrel/prompt/PromptScreen.h"

#include "sentrel/core/ModuleState.h"
#include "sentrel/prompt/PromptErase.h"
#include "sentrel/prompt/PromptImage.h"
#include "sentrel/prompt/PromptState.h"
#include "support/Library.h"
#include "uefi/platform/PromptFeedback.h"
#include "uefi/protocol/SimpleTextOut.h"

namespace {

// Finds the console's graphics output once; the text console is cleared then
// so no boot text stays behind the prompts.
EFI_STATUS FindPromptGop() {
  if (PromptGop != NULL) {
    return EFI_SUCCESS;
  }
  EFI_GRAPHICS_OUTPUT_PROTOCOL* Gop = NULL;
  EFI_STATUS Status =
      gBS->HandleProtocol(gST->ConsoleOutHandle, (EFI_GUID*)&EFI_GRAPHICS_OUTPUT_PROTOCOL_GUID, (VOID**)&Gop);
  if (EFI_ERROR(Status)) {
    return Status;
  }
  PromptGop = Gop;
  (VOID) gST->ConOut->ClearScreen(gST->ConOut);
  return EFI_SUCCESS;
}

VOID EraseFailureMarks() {
  for (; FailureMarkCount > 0; FailureMarkCount--) {
    (VOID) ErasePromptImage(PROMPT_IMAGE_FAILED);
  }
}

// A new prompt starts from a blank prompt area.
VOID ClearPromptArea() {
  (VOID) ErasePromptImage(PROMPT_IMAGE_SUPERVISOR);
  (VOID) ErasePromptImage(PROMPT_IMAGE_ACCEPTED);
  (VOID) ErasePromptImage(PROMPT_IMAGE_MASTER);
  EraseFailureMarks();
}

VOID ShowPromptIcon(UINT16 Icon) {
  (VOID) DrawPromptImage(Icon);
  CurrentPromptIcon = Icon;
}

// The feedback event code of each screen kind before the close, which has
// none (nor has any unknown kind).
constexpr UINT8 kFeedbackCodes[] = {
    PROMPT_FEEDBACK_PROMPT_SHOWN, PROMPT_FEEDBACK_PROMPT_SHOWN, PROMPT_FEEDBACK_PROMPT_SHOWN,
    PROMPT_FEEDBACK_PROMPT_SHOWN, PROMPT_FEEDBACK_PROMPT_SHOWN, PROMPT_FEEDBACK_ACCEPTED,
    PROMPT_FEEDBACK_REJECTED,     PROMPT_FEEDBACK_LOCKED_OUT,
};
static_assert(sizeof(kFeedbackCodes) == PROMPT_SCREEN_CLOSE);

VOID DrawScreen(UINT16 Kind) {
  if (Kind <= PROMPT_SCREEN_DRIVE_2) {
    ClearPromptArea();
  }
  if (Kind >= PROMPT_SCREEN_DRIVE_0 && Kind <= PROMPT_SCREEN_DRIVE_2) {
    ShowPromptIcon(PROMPT_IMAGE_DRIVE);
    // The drive's badge goes over the icon's corner.
    (VOID) DrawPromptImage((UINT16)(PROMPT_IMAGE_DRIVE_BADGE_0 + (Kind - PROMPT_SCREEN_DRIVE_0)));
    return;
  }
  switch (Kind) {
    case PROMPT_SCREEN_SUPERVISOR:
      ShowPromptIcon(PROMPT_IMAGE_SUPERVISOR);
      break;
    case PROMPT_SCREEN_POWER_ON:
      ShowPromptIcon(PROMPT_IMAGE_POWER_ON);
      break;
    case PROMPT_SCREEN_ACCEPTED:
      (VOID) ErasePromptImage(PROMPT_IMAGE_ACCEPTED);
      (VOID) DrawPromptImage(PROMPT_IMAGE_ACCEPTED);
      break;
    case PROMPT_SCREEN_REJECTED:
      (VOID) DrawPromptImage(PROMPT_IMAGE_FAILED);
      FailureMarkCount++;
      // A failed master-password attempt starts the next one as a user entry.
      if (CurrentPromptIcon == PROMPT_IMAGE_DRIVE) {
        (VOID) ErasePromptImage(PROMPT_IMAGE_MASTER);
      }
      break;
    case PROMPT_SCREEN_LOCKED_OUT:
      EraseFailureMarks();
      (VOID) DrawPromptImage(PROMPT_IMAGE_LOCKED_OUT);
      break;
    case PROMPT_SCREEN_CLOSE:
      (VOID) ErasePromptImage(CurrentPromptIcon);
      (VOID) ErasePromptImage(PROMPT_IMAGE_ACCEPTED);
      (VOID) ErasePromptImage(PROMPT_IMAGE_MASTER);
      EraseFailureMarks();
      break;
    default:
      break;
  }
}

}  // namespace

EFI_STATUS ShowPromptScreen(UINT16 Kind) {
  if (EFI_ERROR(FindPromptGop())) {
    return EFI_UNSUPPORTED;
  }
  // Looked up on every screen: the service may come or go during the boot.
  PROMPT_FEEDBACK_PROTOCOL* Feedback = NULL;
  EFI_STATUS Status = gBS->LocateProtocol((EFI_GUID*)&PROMPT_FEEDBACK_PROTOCOL_GUID, NULL, (VOID**)&Feedback);
  if (EFI_ERROR(Status)) {
    return EFI_UNSUPPORTED;
  }

  DrawScreen(Kind);

  if (gSentrel.PromptFeedbackEnabled && Kind < PROMPT_SCREEN_CLOSE) {
    Feedback->Notify(kFeedbackCodes[Kind]);
  }
  return EFI_SUCCESS;
}
