// Module state of the prompt screens.
#include "sentrel/prompt/PromptState.h"

EFI_GRAPHICS_OUTPUT_PROTOCOL* PromptGop = NULL;
UINT16 CurrentPromptIcon = 0;
UINT16 FailureMarkCount = 0;
