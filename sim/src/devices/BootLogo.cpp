// The boot logo service and its decoders.
#include "sim/devices/BootLogo.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "DeviceCall.h"
#include "sim/Boot.h"
#include "sim/Trace.h"

namespace sim {
namespace {

constexpr char kTag[8] = {'S', 'I', 'M', 'L', 'O', 'G', 'O', 0};
constexpr std::size_t kEncodedSize = sizeof(kTag) + 3 * sizeof(UINT32) + sizeof(EFI_GRAPHICS_OUTPUT_BLT_PIXEL);

const EFI_GUID* DecoderGuid(UINT32 Format) {
  switch (Format) {
    case 0:
      return &LOGO_DECODER_FORMAT0_PROTOCOL_GUID;
    case 1:
      return &LOGO_DECODER_FORMAT1_PROTOCOL_GUID;
    case 3:
      return &LOGO_DECODER_FORMAT3_PROTOCOL_GUID;
    case 4:
      return &LOGO_DECODER_FORMAT4_PROTOCOL_GUID;
    case 5:
      return &LOGO_DECODER_FORMAT5_PROTOCOL_GUID;
    default:
      return nullptr;
  }
}

template <typename T>
T* Checked(T* This, const char* Protocol) {
  if (This == nullptr || This->Device == nullptr) {
    std::string Detail = std::string(Protocol) + " called with a foreign This pointer";
    Boot::Current().Violate("logo.this", Detail);
    Outcome Broken;
    Broken.What = Outcome::Kind::Crashed;
    Broken.Detail = Detail;
    Boot::Current().End(Broken);
  }
  return This;
}

EFI_STATUS EFIAPI LogoGetImage(LOGO_IMAGE_PROTOCOL* This, UINTN* Instance, UINT32* Type, UINT32* Format,
                               UINT8** ImageData, UINTN* ImageSize, UINT32* Attribute, UINTN* CoordinateX,
                               UINTN* CoordinateY) {
  DeviceCall Call("LogoImage.GetImage", __builtin_return_address(0));
  auto* Logo = Checked(reinterpret_cast<BootLogo::LogoInstance*>(This), "logo image");
  return Logo->Device->GetImage(Instance, Type, Format, ImageData, ImageSize, Attribute, CoordinateX, CoordinateY,
                                Call.Caller());
}

BOOLEAN EFIAPI LogoCheckPlacement(LOGO_IMAGE_PROTOCOL* This, UINTN Index, UINTN Width, UINTN Height,
                                  UINTN* CoordinateX, UINTN* CoordinateY) {
  DeviceCall Call("LogoImage.CheckPlacement", __builtin_return_address(0));
  auto* Logo = Checked(reinterpret_cast<BootLogo::LogoInstance*>(This), "logo image");
  return Logo->Device->CheckPlacement(Index, Width, Height, CoordinateX, CoordinateY);
}

EFI_STATUS EFIAPI DecoderDecode(LOGO_DECODER_PROTOCOL* This, UINT8* ImageData, UINTN ImageSize,
                                EFI_GRAPHICS_OUTPUT_BLT_PIXEL** Blt, UINTN* BltSize, UINTN* Width, UINTN* Height) {
  DeviceCall Call("LogoDecoder.Decode", __builtin_return_address(0));
  auto* Decoder = Checked(reinterpret_cast<BootLogo::DecoderInstance*>(This), "logo decoder");
  return Decoder->Device->Decode(Decoder->Format, ImageData, ImageSize, Blt, BltSize, Width, Height, Call.Caller());
}

}  // namespace

BootLogo::BootLogo(BootLogoConfig Config) : Config_(std::move(Config)) {
  Logo_.Protocol = LOGO_IMAGE_PROTOCOL{LogoGetImage, LogoCheckPlacement};
  Logo_.Device = this;
}

std::vector<UINT8> BootLogo::Encode(const LogoImage& Image) {
  std::vector<UINT8> Data(kEncodedSize);
  std::memcpy(Data.data(), kTag, sizeof(kTag));
  if (Image.Damaged) Data[0] = 0;
  const UINT32 Fields[] = {Image.Format, Image.Width, Image.Height};
  std::memcpy(Data.data() + sizeof(kTag), Fields, sizeof(Fields));
  std::memcpy(Data.data() + sizeof(kTag) + sizeof(Fields), &Image.Colour, sizeof(Image.Colour));
  return Data;
}

void BootLogo::OnBootStart(Boot& Current) {
  EFI_HANDLE Handle = nullptr;
  EFI_STATUS Status =
      Current.Protocols().Install(&Handle, &LOGO_IMAGE_PROTOCOL_GUID, EFI_NATIVE_INTERFACE, &Logo_.Protocol, Name());
  Decoders_.clear();
  for (UINT32 Format : Config_.Decoders) {
    const EFI_GUID* Guid = DecoderGuid(Format);
    if (Guid == nullptr) throw std::invalid_argument("no logo decoder exists for format " + std::to_string(Format));
    Decoders_.push_back(DecoderInstance{LOGO_DECODER_PROTOCOL{DecoderDecode}, this, Format});
    EFI_HANDLE DecoderHandle = nullptr;
    if (!EFI_ERROR(Status)) {
      Status = Current.Protocols().Install(&DecoderHandle, Guid, EFI_NATIVE_INTERFACE, &Decoders_.back().Protocol,
                                           Name());
    }
  }
  if (EFI_ERROR(Status)) throw std::logic_error("boot logo set-up failed: " + HexStatus(Status));
}

EFI_STATUS BootLogo::GetImage(UINTN* Instance, UINT32* Type, UINT32* Format, UINT8** ImageData, UINTN* ImageSize,
                              UINT32* Attribute, UINTN* X, UINTN* Y, const std::string& Caller) {
  if (Instance == nullptr || Type == nullptr || Format == nullptr || ImageData == nullptr || ImageSize == nullptr ||
      Attribute == nullptr || X == nullptr || Y == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  Boot& Current = Boot::Current();
  if (*Instance >= Config_.Images.size()) {
    Current.Trace().Record("logo.get-image", {{"instance", *Instance}, {"status", HexStatus(EFI_NOT_FOUND)}});
    return EFI_NOT_FOUND;
  }
  const LogoImage& Image = Config_.Images[*Instance];
  std::vector<UINT8> Encoded = Encode(Image);
  VOID* Data = nullptr;
  // The picture data is the caller's pool, which it frees.
  EFI_STATUS Status = Current.Memory().AllocatePool(EfiBootServicesData, Encoded.size(), &Data, Caller);
  if (EFI_ERROR(Status)) return Status;
  std::memcpy(Data, Encoded.data(), Encoded.size());
  Current.Trace().Record("logo.get-image",
                         {{"instance", *Instance}, {"type", Image.Type}, {"format", Image.Format}, {"caller", Caller}});
  *Type = Image.Type;
  *Format = Image.Format;
  *ImageData = static_cast<UINT8*>(Data);
  *ImageSize = Encoded.size();
  *Attribute = Image.Attribute;
  *X = Image.X;
  *Y = Image.Y;
  ++*Instance;
  return EFI_SUCCESS;
}

BOOLEAN BootLogo::CheckPlacement(UINTN Index, UINTN Width, UINTN Height, UINTN* X, UINTN* Y) {
  bool Fits = Width != 0 && Height != 0 && Width <= Config_.AreaWidth && Height <= Config_.AreaHeight;
  if (Fits && X != nullptr && Y != nullptr) {
    *X = (Config_.AreaWidth - Width) / 2;
    *Y = (Config_.AreaHeight - Height) / 2;
  }
  Boot::Current().Trace().Record("logo.check-placement",
                                 {{"index", Index}, {"width", Width}, {"height", Height}, {"accepted", Fits}});
  return Fits ? TRUE : FALSE;
}

EFI_STATUS BootLogo::Decode(UINT32 DecoderFormat, const UINT8* Data, UINTN Size, EFI_GRAPHICS_OUTPUT_BLT_PIXEL** Blt,
                            UINTN* BltSize, UINTN* Width, UINTN* Height, const std::string& Caller) {
  if (Data == nullptr || Blt == nullptr || BltSize == nullptr || Width == nullptr || Height == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  Boot& Current = Boot::Current();
  UINT32 Fields[3] = {};
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL Colour{};
  EFI_STATUS Status = EFI_SUCCESS;
  if (Size < kEncodedSize || std::memcmp(Data, kTag, sizeof(kTag)) != 0) {
    Status = EFI_UNSUPPORTED;
  } else {
    std::memcpy(Fields, Data + sizeof(kTag), sizeof(Fields));
    std::memcpy(&Colour, Data + sizeof(kTag) + sizeof(Fields), sizeof(Colour));
    if (Fields[0] != DecoderFormat) Status = EFI_UNSUPPORTED;
  }
  const std::size_t Pixels = (std::size_t)Fields[1] * Fields[2];
  VOID* Output = nullptr;
  if (!EFI_ERROR(Status)) {
    Status = Current.Memory().AllocatePool(EfiBootServicesData, Pixels * sizeof(Colour), &Output, Caller);
  }
  Current.Trace().Record("logo.decode", {{"format", DecoderFormat}, {"status", HexStatus(Status)}});
  if (EFI_ERROR(Status)) return Status;
  std::fill_n(static_cast<EFI_GRAPHICS_OUTPUT_BLT_PIXEL*>(Output), Pixels, Colour);
  *Blt = static_cast<EFI_GRAPHICS_OUTPUT_BLT_PIXEL*>(Output);
  *BltSize = Pixels * sizeof(Colour);
  *Width = Fields[1];
  *Height = Fields[2];
  return EFI_SUCCESS;
}

}  // namespace sim
