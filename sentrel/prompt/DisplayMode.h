// The text mode of the drive-password error screen: a display resolution
// worked out from the monitor's EDID, the graphics modes on offer, a
// once-per-boot resolution policy and fixed defaults, turned into a character
// grid of 8 x 19 pixel cells.
#pragma once
#include "uefi/Base.h"
#include "uefi/Status.h"
#include "uefi/protocol/GraphicsOutput.h"

// Pixels; graphics pair first, then the pair the text grid is made from.
struct RESOLUTION_REQUEST {
  UINT32 GraphicsWidth;
  UINT32 GraphicsHeight;
  UINT32 TextWidth;
  UINT32 TextHeight;
};
static_assert(sizeof(RESOLUTION_REQUEST) == 16);

// The size every resolution request starts from, and the size a text grid
// falls back to when no graphics mode of the wanted size exists.
constexpr UINT32 DEFAULT_DISPLAY_WIDTH = 800;
constexpr UINT32 DEFAULT_DISPLAY_HEIGHT = 600;
constexpr UINT32 FALLBACK_DISPLAY_WIDTH = 1024;
constexpr UINT32 FALLBACK_DISPLAY_HEIGHT = 768;

// Every resolution request starts from this.
extern const RESOLUTION_REQUEST DefaultResolutionRequest;
// The boot's policy, settled once (ResolutionPolicyDone) from the Setup
// variable, the boot mode and the boot logo.
extern RESOLUTION_REQUEST ResolutionPolicy;
extern BOOLEAN ResolutionPolicyDone;

// Switches the console to the text mode whose grid fills the display, text
// mode 0 as the last resort, and signals the display change. Returns the
// status of the last mode setting; EFI_UNSUPPORTED when the console has
// neither graphics output nor UGA draw (its mode is then left alone).
[[nodiscard]] EFI_STATUS SetErrorScreenTextMode();

// The resolutions for a display handle: the text pair and the graphics pair
// (with its mode, which may be NULL) are each asked for by giving both
// pointers, or left out with both NULL. EFI_INVALID_PARAMETER for no handle or
// half a pair; the handle's graphics output lookup failure; EFI_OUT_OF_RESOURCES.
[[nodiscard]] EFI_STATUS GetDisplayResolutions(EFI_HANDLE Handle, UINT32* TextWidth, UINT32* TextHeight,
                                               UINT32* GraphicsMode, UINT32* GraphicsWidth, UINT32* GraphicsHeight);

// The best graphics mode of at least Width x Height: first among the modes
// less than one step of gcd(Width, Height) larger in each direction (the same
// shape), then among all; the smallest width wins, then the smallest height,
// the later of two equal modes. EFI_INVALID_PARAMETER for no protocol, a zero
// size or a missing output; EFI_NOT_FOUND when no mode is large enough.
[[nodiscard]] EFI_STATUS PickGopMode(EFI_GRAPHICS_OUTPUT_PROTOCOL* Gop, UINT32 Width, UINT32 Height, UINT32* Mode,
                                     UINT32* ModeWidth, UINT32* ModeHeight);

// The mode of exactly Width x Height when there is one, else the best mode
// for 1024 x 768, else graphics mode 0 (EFI_NOT_FOUND if it cannot be
// queried). Mode may be NULL.
[[nodiscard]] EFI_STATUS ResolveGopResolution(EFI_GRAPHICS_OUTPUT_PROTOCOL* Gop, UINT32 Width, UINT32 Height,
                                              UINT32* OutWidth, UINT32* OutHeight, UINT32* Mode);

// Settles the policy once per boot when the request still holds the default
// graphics size, then gives the request the policy's text pair. Without the
// setup-presence protocol or a readable Setup variable: EFI_UNSUPPORTED, the
// request left alone and the policy tried again on the next call.
[[nodiscard]] EFI_STATUS ApplyResolutionPolicy(RESOLUTION_REQUEST* Request);
