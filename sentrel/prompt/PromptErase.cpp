// Erasing prompt images and the cursor bar.
#include "sentrel/prompt/PromptErase.h"

#include "sentrel/prompt/PromptImage.h"
#include "sentrel/prompt/PromptState.h"

namespace {

// The bar sits under the typed-character row, one character wide.
constexpr UINT64 kCursorBarWidth = 8;
constexpr UINT64 kCursorBarHeight = 2;
constexpr UINT64 kCursorBarRow = 38;

constexpr EFI_GRAPHICS_OUTPUT_BLT_PIXEL kBlack = {0x00, 0x00, 0x00, 0x00};
constexpr EFI_GRAPHICS_OUTPUT_BLT_PIXEL kWhite = {0xFF, 0xFF, 0xFF, 0x00};

EFI_STATUS FillRectangle(EFI_GRAPHICS_OUTPUT_BLT_PIXEL Colour, UINT64 X, UINT64 Y, UINT64 Width, UINT64 Height) {
  return PromptGop->Blt(PromptGop, &Colour, EfiBltVideoFill, 0, 0, X, Y, Width, Height,
                        Width * sizeof(EFI_GRAPHICS_OUTPUT_BLT_PIXEL));
}

}  // namespace

EFI_STATUS ErasePromptImage(UINT16 Id) {
  PROMPT_IMAGE_ENTRY* Entry = FindPromptImageEntry(Id);
  if (Entry == NULL) {
    return EFI_NOT_FOUND;
  }
  if ((Entry->Width == 0 && Entry->Height == 0) || PromptGop == NULL) {
    return EFI_NOT_READY;
  }
  if (Id == PROMPT_IMAGE_TYPED || Id == PROMPT_IMAGE_FAILED) {
    Entry->X -= Entry->Width;
  }
  return FillRectangle(kBlack, Entry->X, Entry->Y, Entry->Width, Entry->Height);
}

VOID ClearCursorBar(BOOLEAN White) {
  if (PromptGop == NULL) {
    return;
  }
  const PROMPT_IMAGE_ENTRY* Typed = FindPromptImageEntry(PROMPT_IMAGE_TYPED);
  (VOID) FillRectangle(White ? kWhite : kBlack, Typed->X, kCursorBarRow, kCursorBarWidth, kCursorBarHeight);
}
