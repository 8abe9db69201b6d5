// The prompt image table and drawing an image at its place.
#include "sentrel/prompt/PromptImage.h"

#include "sentrel/prompt/BmpDecode.h"
#include "sentrel/prompt/ImagePackage.h"
#include "sentrel/prompt/PromptState.h"
#include "support/Pool.h"

// Lookups take the first entry with a matching id.
constinit PROMPT_IMAGE_ENTRY PromptImageTable[PROMPT_IMAGE_TABLE_COUNT] = {
    {PROMPT_IMAGE_SUPERVISOR, 32, 19, 0, 0, NULL, 0},
    {PROMPT_IMAGE_POWER_ON, 32, 19, 0, 0, NULL, 0},
    {PROMPT_IMAGE_DRIVE, 32, 19, 0, 0, NULL, 0},
    {PROMPT_IMAGE_DRIVE_BADGE_0, 32, 19, 0, 0, NULL, 0},
    {PROMPT_IMAGE_DRIVE_BADGE_0 + 1, 32, 19, 0, 0, NULL, 0},
    {PROMPT_IMAGE_DRIVE_BADGE_0 + 2, 32, 19, 0, 0, NULL, 0},
    {PROMPT_IMAGE_ACCEPTED, 80, 19, 0, 0, NULL, 0},
    {PROMPT_IMAGE_FAILED, 32, 51, 0, 0, NULL, 0},
    {PROMPT_IMAGE_LOCKED_OUT, 90, 19, 0, 0, NULL, 0},
    {PROMPT_IMAGE_TYPED, 80, 19, 0, 0, NULL, 0},
    {PROMPT_IMAGE_MASTER, 64, 25, 0, 0, NULL, 0},
};

PROMPT_IMAGE_ENTRY* FindPromptImageEntry(UINT16 Id) {
  for (PROMPT_IMAGE_ENTRY& Entry : PromptImageTable) {
    if (Entry.ImageId == Id) {
      return &Entry;
    }
  }
  return NULL;
}

EFI_STATUS DrawPromptImage(UINT16 Id) {
  PROMPT_IMAGE_ENTRY* Entry = FindPromptImageEntry(Id);
  if (Entry == NULL) {
    return EFI_NOT_FOUND;
  }
  if (PromptGop == NULL) {
    return EFI_NOT_READY;
  }
  if (Entry->Image == NULL || Entry->ImageSize == 0) {
    const UINT8* Image = NULL;
    UINT32 ImageSize = 0;
    EFI_STATUS Status = FindPackageImage(Id, &Image, &ImageSize);
    if (EFI_ERROR(Status)) {
      return Status;
    }
    Entry->Image = Image;
    Entry->ImageSize = ImageSize;
  }

  EFI_GRAPHICS_OUTPUT_BLT_PIXEL* Blt = NULL;
  UINTN BltSize = 0;
  EFI_STATUS Status = DecodeBmp(Entry->Image, Entry->ImageSize, &Blt, &BltSize, &Entry->Width, &Entry->Height);
  if (!EFI_ERROR(Status)) {
    Status = PromptGop->Blt(PromptGop, Blt, EfiBltBufferToVideo, 0, 0, Entry->X, Entry->Y, Entry->Width,
                            Entry->Height, Entry->Width * sizeof(EFI_GRAPHICS_OUTPUT_BLT_PIXEL));
    if (!EFI_ERROR(Status) && (Id == PROMPT_IMAGE_TYPED || Id == PROMPT_IMAGE_FAILED)) {
      Entry->X += Entry->Width;
    }
  }
  if (Blt != NULL) {
    PoolFree(Blt);
  }
  return Status;
}
