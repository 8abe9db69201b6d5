// Working out the resolutions of a display from its EDID, its graphics modes
// and the boot's resolution policy.
#include "sentrel/prompt/DisplayMode.h"

#include "support/Library.h"
#include "support/Memory.h"
#include "support/PoolBuffer.h"
#include "uefi/protocol/Edid.h"

namespace {

// The first detailed timing descriptor of an EDID block holds the monitor's
// preferred size: the low eight bits of each dimension in one byte, the top
// four in the high nibble of another.
constexpr UINT32 kEdidFirstTimingOffset = 54;
constexpr UINT32 kEdidTimingSize = 18;
constexpr UINT32 kEdidWidthLow = 56;
constexpr UINT32 kEdidWidthHigh = 58;
constexpr UINT32 kEdidHeightLow = 59;
constexpr UINT32 kEdidHeightHigh = 61;

UINT32 EdidDimension(const UINT8* Edid, UINT32 LowByte, UINT32 HighNibbleByte) {
  return Edid[LowByte] + 256u * (Edid[HighNibbleByte] >> 4);
}

// Takes the graphics size from the monitor's preferred timing when a mode can
// show it. A block too short to hold that timing counts as none.
VOID ApplyEdidPreference(EFI_HANDLE Handle, EFI_GRAPHICS_OUTPUT_PROTOCOL* Gop, RESOLUTION_REQUEST* Request) {
  EFI_EDID_DISCOVERED_PROTOCOL* Discovered = NULL;
  if (EFI_ERROR(gBS->HandleProtocol(Handle, (EFI_GUID*)&EFI_EDID_DISCOVERED_PROTOCOL_GUID, (VOID**)&Discovered)) ||
      Discovered->Edid == NULL || Discovered->SizeOfEdid < kEdidFirstTimingOffset + kEdidTimingSize) {
    return;
  }
  const UINT32 Width = EdidDimension(Discovered->Edid, kEdidWidthLow, kEdidWidthHigh);
  const UINT32 Height = EdidDimension(Discovered->Edid, kEdidHeightLow, kEdidHeightHigh);
  UINT32 Mode = 0;
  UINT32 ModeWidth = 0;
  UINT32 ModeHeight = 0;
  if (!EFI_ERROR(PickGopMode(Gop, Width, Height, &Mode, &ModeWidth, &ModeHeight))) {
    Request->GraphicsWidth = ModeWidth;
    Request->GraphicsHeight = ModeHeight;
  }
}

}  // namespace

constinit const RESOLUTION_REQUEST DefaultResolutionRequest = {DEFAULT_DISPLAY_WIDTH, DEFAULT_DISPLAY_HEIGHT,
                                                            DEFAULT_DISPLAY_WIDTH, DEFAULT_DISPLAY_HEIGHT};

EFI_STATUS GetDisplayResolutions(EFI_HANDLE Handle, UINT32* TextWidth, UINT32* TextHeight, UINT32* GraphicsMode,
                                 UINT32* GraphicsWidth, UINT32* GraphicsHeight) {
  if (Handle == NULL || (TextWidth == NULL) != (TextHeight == NULL) ||
      (GraphicsWidth == NULL) != (GraphicsHeight == NULL)) {
    return EFI_INVALID_PARAMETER;
  }
  EFI_GRAPHICS_OUTPUT_PROTOCOL* Gop = NULL;
  EFI_STATUS Status = gBS->HandleProtocol(Handle, (EFI_GUID*)&EFI_GRAPHICS_OUTPUT_PROTOCOL_GUID, (VOID**)&Gop);
  if (EFI_ERROR(Status)) {
    return Status;
  }
  PoolBuffer RequestBuffer(sizeof(RESOLUTION_REQUEST));
  if (RequestBuffer.IsNull()) {
    return EFI_OUT_OF_RESOURCES;
  }
  RESOLUTION_REQUEST* Request = RequestBuffer.As<RESOLUTION_REQUEST>();
  MemCopy(Request, &DefaultResolutionRequest, sizeof(*Request));

  ApplyEdidPreference(Handle, Gop, Request);
  (VOID) ApplyResolutionPolicy(Request);

  if (GraphicsWidth != NULL) {
    Status = ResolveGopResolution(Gop, Request->GraphicsWidth, Request->GraphicsHeight, GraphicsWidth,
                                  GraphicsHeight, GraphicsMode);
    if (EFI_ERROR(Status)) {
      return Status;
    }
  }
  if (TextWidth != NULL) {
    Status = ResolveGopResolution(Gop, Request->TextWidth, Request->TextHeight, TextWidth, TextHeight, NULL);
  }
  return Status;
}
