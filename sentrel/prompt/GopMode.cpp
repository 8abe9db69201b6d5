// Choosing a graphics mode for a wanted resolution.
#include "sentrel/prompt/DisplayMode.h"

#include "support/Pool.h"

namespace {

UINT32 GreatestCommonDivisor(UINT32 A, UINT32 B) {
  while (B != 0) {
    UINT32 Rest = A % B;
    A = B;
    B = Rest;
  }
  return A;
}

// The size of graphics mode Mode; the mode record is freed at once.
EFI_STATUS QueryModeSize(EFI_GRAPHICS_OUTPUT_PROTOCOL* Gop, UINT32 Mode, UINT32* Width, UINT32* Height) {
  UINTN SizeOfInfo = 0;
  EFI_GRAPHICS_OUTPUT_MODE_INFORMATION* Info = NULL;
  EFI_STATUS Status = Gop->QueryMode(Gop, Mode, &SizeOfInfo, &Info);
  if (EFI_ERROR(Status)) {
    return Status;
  }
  *Width = Info->HorizontalResolution;
  *Height = Info->VerticalResolution;
  PoolFree(Info);
  return EFI_SUCCESS;
}

}  // namespace

EFI_STATUS PickGopMode(EFI_GRAPHICS_OUTPUT_PROTOCOL* Gop, UINT32 Width, UINT32 Height, UINT32* Mode,
                       UINT32* ModeWidth, UINT32* ModeHeight) {
  if (Gop == NULL || Width == 0 || Height == 0 || Mode == NULL || ModeWidth == NULL || ModeHeight == NULL) {
    return EFI_INVALID_PARAMETER;
  }
  const UINT32 Step = GreatestCommonDivisor(Width, Height);
  // The first pass keeps to modes of the wanted shape.
  for (UINT32 Pass = 0; Pass < 2; Pass++) {
    BOOLEAN Found = FALSE;
    UINT32 BestMode = 0;
    UINT32 BestWidth = 0;
    UINT32 BestHeight = 0;
    for (UINT32 Candidate = 0; Candidate < Gop->Mode->MaxMode; Candidate++) {
      UINT32 CandidateWidth = 0;
      UINT32 CandidateHeight = 0;
      if (EFI_ERROR(QueryModeSize(Gop, Candidate, &CandidateWidth, &CandidateHeight))) {
        continue;
      }
      if (CandidateWidth < Width || CandidateHeight < Height) {
        continue;
      }
      if (Pass == 0 && (CandidateWidth / Step != Width / Step || CandidateHeight / Step != Height / Step)) {
        continue;
      }
      if (!Found || CandidateWidth < BestWidth || (CandidateWidth == BestWidth && CandidateHeight <= BestHeight)) {
        Found = TRUE;
        BestMode = Candidate;
        BestWidth = CandidateWidth;
        BestHeight = CandidateHeight;
      }
    }
    if (Found) {
      *Mode = BestMode;
      *ModeWidth = BestWidth;
      *ModeHeight = BestHeight;
      return EFI_SUCCESS;
    }
  }
  return EFI_NOT_FOUND;
}

EFI_STATUS ResolveGopResolution(EFI_GRAPHICS_OUTPUT_PROTOCOL* Gop, UINT32 Width, UINT32 Height, UINT32* OutWidth,
                                UINT32* OutHeight, UINT32* Mode) {
  if (Gop == NULL || OutWidth == NULL || OutHeight == NULL) {
    return EFI_INVALID_PARAMETER;
  }
  UINT32 Found = 0;
  UINT32 FoundWidth = 0;
  UINT32 FoundHeight = 0;
  BOOLEAN Exact = FALSE;
  if (Width != 0 && Height != 0) {
    for (UINT32 Candidate = 0; Candidate < Gop->Mode->MaxMode && !Exact; Candidate++) {
      if (!EFI_ERROR(QueryModeSize(Gop, Candidate, &FoundWidth, &FoundHeight)) && FoundWidth == Width &&
          FoundHeight == Height) {
        Found = Candidate;
        Exact = TRUE;
      }
    }
  }
  if (!Exact && EFI_ERROR(PickGopMode(Gop, FALLBACK_DISPLAY_WIDTH, FALLBACK_DISPLAY_HEIGHT, &Found, &FoundWidth, &FoundHeight))) {
    Found = 0;
    if (EFI_ERROR(QueryModeSize(Gop, Found, &FoundWidth, &FoundHeight))) {
      return EFI_NOT_FOUND;
    }
  }
  *OutWidth = FoundWidth;
  *OutHeight = FoundHeight;
  if (Mode != NULL) {
    *Mode = Found;
  }
  return EFI_SUCCESS;
}
