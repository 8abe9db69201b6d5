// The boot's resolution policy: settled once from the Setup variable, the
// boot mode and the size of the boot logo.
#include "sentrel/prompt/DisplayMode.h"

#include "support/Boot.h"
#include "support/Library.h"
#include "support/Pool.h"
#include "support/PoolBuffer.h"
#include "support/Variable.h"
#include "uefi/Hob.h"
#include "uefi/platform/Logo.h"
#include "uefi/platform/SetupPresence.h"
#include "uefi/platform/SetupVariable.h"

namespace {

// Setup byte whose value 0 asks for the full-size display.
constexpr UINTN kSetupDisplayPolicyOffset = 110;
// The logo slot whose placement decides the logo size.
constexpr UINTN kBootLogoIndex = 0;

// Logo decoders by format code; format 2 has none.
constexpr const EFI_GUID* kLogoDecoders[] = {
    &LOGO_DECODER_FORMAT0_PROTOCOL_GUID, &LOGO_DECODER_FORMAT1_PROTOCOL_GUID, NULL,
    &LOGO_DECODER_FORMAT3_PROTOCOL_GUID, &LOGO_DECODER_FORMAT4_PROTOCOL_GUID, &LOGO_DECODER_FORMAT5_PROTOCOL_GUID,
};
constexpr UINT32 kLogoFormatCount = sizeof(kLogoDecoders) / sizeof(kLogoDecoders[0]);

// The whole Setup variable in a pool buffer; NULL when it cannot be read.
PoolBuffer ReadSetupVariable() {
  UINTN Size = 0;
  if (VariableGet(SETUP_VARIABLE_NAME, &SETUP_VARIABLE_GUID, NULL, &Size, NULL) != EFI_BUFFER_TOO_SMALL) {
    return PoolBuffer();
  }
  PoolBuffer Setup(Size);
  if (Setup.IsNull() || EFI_ERROR(VariableGet(SETUP_VARIABLE_NAME, &SETUP_VARIABLE_GUID, NULL, &Size, Setup.Get()))) {
    return PoolBuffer();
  }
  return Setup;
}

BOOLEAN IsRecoveryBoot() {
  VOID* HobList = NULL;
  if (EFI_ERROR(FindConfigurationTable(&EFI_HOB_LIST_GUID, &HobList))) {
    return FALSE;
  }
  // The hand-off information table is the list's first block.
  const EFI_HOB_HANDOFF_INFO_TABLE* Handoff = (const EFI_HOB_HANDOFF_INFO_TABLE*)HobList;
  return Handoff->BootMode == BOOT_IN_RECOVERY_MODE;
}

// Decodes one logo image only to learn its size; the pixels are dropped.
BOOLEAN DecodedLogoSize(UINT32 Format, UINT8* Data, UINTN Size, UINTN* Width, UINTN* Height) {
  if (Format >= kLogoFormatCount || kLogoDecoders[Format] == NULL) {
    return FALSE;
  }
  LOGO_DECODER_PROTOCOL* Decoder = NULL;
  if (EFI_ERROR(gBS->LocateProtocol((EFI_GUID*)kLogoDecoders[Format], NULL, (VOID**)&Decoder))) {
    return FALSE;
  }
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL* Blt = NULL;
  UINTN BltSize = 0;
  if (EFI_ERROR(Decoder->Decode(Decoder, Data, Size, &Blt, &BltSize, Width, Height))) {
    return FALSE;
  }
  if (Blt != NULL) {
    PoolFree(Blt);
  }
  return TRUE;
}

// The size of the first boot logo image that decodes and that the logo
// service accepts in the boot-logo slot.
BOOLEAN FindLogoSize(UINT32* Width, UINT32* Height) {
  LOGO_IMAGE_PROTOCOL* Logo = NULL;
  if (EFI_ERROR(gBS->LocateProtocol((EFI_GUID*)&LOGO_IMAGE_PROTOCOL_GUID, NULL, (VOID**)&Logo))) {
    return FALSE;
  }
  UINTN Instance = 0;
  for (;;) {
    UINT32 Type = 0;
    UINT32 Format = 0;
    UINT8* Data = NULL;
    UINTN Size = 0;
    UINT32 Attribute = 0;
    UINTN X = 0;
    UINTN Y = 0;
    if (EFI_ERROR(Logo->GetImage(Logo, &Instance, &Type, &Format, &Data, &Size, &Attribute, &X, &Y))) {
      return FALSE;
    }
    PoolBuffer Image = PoolBuffer::Adopt(Data, Size);
    UINTN DecodedWidth = 0;
    UINTN DecodedHeight = 0;
    if (Type != LOGO_TYPE_BOOT_LOGO || !DecodedLogoSize(Format, Data, Size, &DecodedWidth, &DecodedHeight)) {
      continue;
    }
    if (Logo->CheckPlacement(Logo, kBootLogoIndex, DecodedWidth, DecodedHeight, &X, &Y)) {
      *Width = (UINT32)DecodedWidth;
      *Height = (UINT32)DecodedHeight;
      return TRUE;
    }
  }
}

}  // namespace

constinit RESOLUTION_REQUEST ResolutionPolicy = {0, 0, 1920, 1080};
constinit BOOLEAN ResolutionPolicyDone = FALSE;

EFI_STATUS ApplyResolutionPolicy(RESOLUTION_REQUEST* Request) {
  // Another graphics size came from the monitor: only the text pair follows
  // the policy.
  const BOOLEAN DefaultGraphics =
      Request->GraphicsWidth == DEFAULT_DISPLAY_WIDTH || Request->GraphicsHeight == DEFAULT_DISPLAY_HEIGHT;
  if (DefaultGraphics && !ResolutionPolicyDone) {
    VOID* Presence = NULL;
    if (EFI_ERROR(gBS->LocateProtocol((EFI_GUID*)&SETUP_PRESENCE_PROTOCOL_GUID, NULL, &Presence))) {
      return EFI_UNSUPPORTED;
    }
    PoolBuffer Setup = ReadSetupVariable();
    // A Setup variable too short to hold the policy byte cannot be used.
    if (Setup.IsNull() || Setup.Size() <= kSetupDisplayPolicyOffset) {
      return EFI_UNSUPPORTED;
    }
    if (IsRecoveryBoot() || Setup.As<UINT8>()[kSetupDisplayPolicyOffset] == 0) {
      ResolutionPolicy.GraphicsWidth = ResolutionPolicy.TextWidth;
      ResolutionPolicy.GraphicsHeight = ResolutionPolicy.TextHeight;
    } else if (ResolutionPolicy.GraphicsWidth == 0) {
      UINT32 LogoWidth = 0;
      UINT32 LogoHeight = 0;
      if (FindLogoSize(&LogoWidth, &LogoHeight)) {
        ResolutionPolicy.GraphicsWidth = LogoWidth;
        ResolutionPolicy.GraphicsHeight = LogoHeight;
        Request->GraphicsWidth = LogoWidth;
        Request->GraphicsHeight = LogoHeight;
      } else {
        ResolutionPolicy.GraphicsWidth = DEFAULT_DISPLAY_WIDTH;
        ResolutionPolicy.GraphicsHeight = DEFAULT_DISPLAY_HEIGHT;
      }
    }
    ResolutionPolicyDone = TRUE;
  }
  Request->TextWidth = ResolutionPolicy.TextWidth;
  Request->TextHeight = ResolutionPolicy.TextHeight;
  return EFI_SUCCESS;
}
