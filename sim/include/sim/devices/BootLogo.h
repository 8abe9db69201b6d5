// The platform's boot logo service (LOGO_IMAGE_PROTOCOL) with its images
// (type, format code, size, position) and the logo decoders, one protocol per
// format code. The images are stored in this platform's own picture format:
// an 8-byte tag, the format code, the width, the height and one colour; each
// decoder turns the pictures of its own format into pixels and refuses the
// others and damaged ones.
#pragma once
#include <list>
#include <vector>

#include "sim/Component.h"
#include "uefi/platform/Logo.h"

namespace sim {

struct LogoImage {
  UINT32 Type = LOGO_TYPE_BOOT_LOGO;
  UINT32 Format = 0;
  UINT32 Width = 0;
  UINT32 Height = 0;
  UINT32 Attribute = 0;
  UINTN X = 0;
  UINTN Y = 0;
  bool Damaged = false;  // its decoder refuses it
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL Colour{0x80, 0x80, 0x80, 0};
};

struct BootLogoConfig {
  std::vector<LogoImage> Images;
  std::vector<UINT32> Decoders{0, 1, 3, 4, 5};  // format codes whose decoder is installed
  // The largest picture the logo area takes; CheckPlacement centres it there.
  UINT32 AreaWidth = 1920;
  UINT32 AreaHeight = 1080;
};

class BootLogo : public Component {
 public:
  explicit BootLogo(BootLogoConfig Config = {});
  std::string Name() const override { return "boot-logo"; }
  void OnBootStart(Boot& Current) override;

  BootLogoConfig& Config() { return Config_; }
  static std::vector<UINT8> Encode(const LogoImage& Image);

  // The protocols' operations, for their entry functions.
  EFI_STATUS GetImage(UINTN* Instance, UINT32* Type, UINT32* Format, UINT8** ImageData, UINTN* ImageSize,
                      UINT32* Attribute, UINTN* X, UINTN* Y, const std::string& Caller);
  BOOLEAN CheckPlacement(UINTN Index, UINTN Width, UINTN Height, UINTN* X, UINTN* Y);
  EFI_STATUS Decode(UINT32 DecoderFormat, const UINT8* Data, UINTN Size, EFI_GRAPHICS_OUTPUT_BLT_PIXEL** Blt,
                    UINTN* BltSize, UINTN* Width, UINTN* Height, const std::string& Caller);

  struct LogoInstance {
    LOGO_IMAGE_PROTOCOL Protocol;  // first, so This finds the device
    BootLogo* Device;
  };
  struct DecoderInstance {
    LOGO_DECODER_PROTOCOL Protocol;
    BootLogo* Device;
    UINT32 Format;
  };

 private:
  BootLogoConfig Config_;
  LogoInstance Logo_{};
  std::list<DecoderInstance> Decoders_;  // stable addresses for the protocol database
};

}  // namespace sim
