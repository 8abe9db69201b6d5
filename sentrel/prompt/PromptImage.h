// The built-in prompt images: their ids, where each goes on the screen, and
// drawing one there.
#pragma once
#include "uefi/Base.h"
#include "uefi/Status.h"

// Image ids in the built-in package.
#define PROMPT_IMAGE_MASTER ((UINT16)1)        // master-password indicator
#define PROMPT_IMAGE_DRIVE_BADGE_0 ((UINT16)2)  // badges of drives 0, 1, 2 follow
#define PROMPT_IMAGE_TYPED ((UINT16)9)         // one typed character
#define PROMPT_IMAGE_LOCKED_OUT ((UINT16)10)
#define PROMPT_IMAGE_DRIVE ((UINT16)11)        // drive-password prompt
#define PROMPT_IMAGE_FAILED ((UINT16)12)       // one failed attempt
#define PROMPT_IMAGE_POWER_ON ((UINT16)13)     // power-on-password prompt
#define PROMPT_IMAGE_SUPERVISOR ((UINT16)14)   // supervisor-password prompt
#define PROMPT_IMAGE_ACCEPTED ((UINT16)15)

struct PROMPT_IMAGE_ENTRY {
  UINT16 ImageId;
  // Top-left pixel on the screen; X advances for the typed and failed images.
  UINT64 X;
  UINT64 Y;
  // From the bitmap, set on every draw; 0 until the first.
  UINT64 Width;
  UINT64 Height;
  // The BMP file in the package, cached on the first lookup.
  const UINT8* Image;
  UINT32 ImageSize;
};

#define PROMPT_IMAGE_TABLE_COUNT 11
extern PROMPT_IMAGE_ENTRY PromptImageTable[PROMPT_IMAGE_TABLE_COUNT];

// The first table entry for image Id, or NULL.
PROMPT_IMAGE_ENTRY* FindPromptImageEntry(UINT16 Id);

// Draws image Id at its table position on PromptGop. The typed and failed
// images then move right by their width, so the next one lands beside.
// EFI_NOT_FOUND: no table entry; EFI_NOT_READY: no graphics output yet;
// otherwise the first failure of lookup, decoding or drawing, with nothing
// drawn and the position unchanged.
[[nodiscard]] EFI_STATUS DrawPromptImage(UINT16 Id);
