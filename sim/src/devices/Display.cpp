// The console display: graphics output, UGA draw, console control, EDID and
// the display-change signal.
#include "sim/devices/Display.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>

#include "DeviceCall.h"
#include "sim/Boot.h"
#include "sim/Guid.h"
#include "sim/Trace.h"
#include "uefi/platform/DisplayChange.h"

namespace sim {
namespace {

constexpr UINT32 kUgaColourDepth = 32;
constexpr UINT32 kUgaRefreshRate = 60;

const char* OperationName(UINT32 Operation) {
  static constexpr const char* kNames[] = {"video-fill", "video-to-buffer", "buffer-to-video", "video-to-video"};
  return Operation < std::size(kNames) ? kNames[Operation] : "invalid";
}

// Ends the boot when a protocol function is handed a This that is not one of
// this device's instances: the host cannot survive writing through it.
[[noreturn]] void ForeignThis(const char* Protocol) {
  std::string Detail = std::string(Protocol) + " called with a foreign This pointer";
  Boot::Current().Violate("display.this", Detail);
  Outcome Broken;
  Broken.What = Outcome::Kind::Crashed;
  Broken.Detail = Detail;
  Boot::Current().End(Broken);
}

EFI_STATUS EFIAPI GopQueryMode(EFI_GRAPHICS_OUTPUT_PROTOCOL* This, UINT32 ModeNumber, UINTN* SizeOfInfo,
                               EFI_GRAPHICS_OUTPUT_MODE_INFORMATION** Info) {
  DeviceCall Call("GraphicsOutput.QueryMode", __builtin_return_address(0));
  return Display::From(This).QueryMode(ModeNumber, SizeOfInfo, Info, Call.Caller());
}

EFI_STATUS EFIAPI GopSetMode(EFI_GRAPHICS_OUTPUT_PROTOCOL* This, UINT32 ModeNumber) {
  DeviceCall Call("GraphicsOutput.SetMode", __builtin_return_address(0));
  return Display::From(This).SetMode(ModeNumber, Call.Caller());
}

EFI_STATUS EFIAPI GopBlt(EFI_GRAPHICS_OUTPUT_PROTOCOL* This, EFI_GRAPHICS_OUTPUT_BLT_PIXEL* BltBuffer,
                         EFI_GRAPHICS_OUTPUT_BLT_OPERATION BltOperation, UINTN SourceX, UINTN SourceY,
                         UINTN DestinationX, UINTN DestinationY, UINTN Width, UINTN Height, UINTN Delta) {
  DeviceCall Call("GraphicsOutput.Blt", __builtin_return_address(0));
  return Display::From(This).Blt(BltBuffer, BltOperation, SourceX, SourceY, DestinationX, DestinationY, Width,
                                 Height, Delta, Call.Caller(), "gop");
}

EFI_STATUS EFIAPI UgaGetModeEntry(EFI_UGA_DRAW_PROTOCOL* This, UINT32* HorizontalResolution, UINT32* VerticalResolution,
                             UINT32* ColorDepth, UINT32* RefreshRate) {
  DeviceCall Call("UgaDraw.GetMode", __builtin_return_address(0));
  return Display::From(This).UgaGetMode(HorizontalResolution, VerticalResolution, ColorDepth, RefreshRate);
}

EFI_STATUS EFIAPI UgaSetModeEntry(EFI_UGA_DRAW_PROTOCOL* This, UINT32 HorizontalResolution, UINT32 VerticalResolution,
                             UINT32 ColorDepth, UINT32 RefreshRate) {
  DeviceCall Call("UgaDraw.SetMode", __builtin_return_address(0));
  return Display::From(This).UgaSetMode(HorizontalResolution, VerticalResolution, ColorDepth, RefreshRate,
                                        Call.Caller());
}

// UGA pixels and operations have the same layout and meaning as the
// graphics output's.
EFI_STATUS EFIAPI UgaBltEntry(EFI_UGA_DRAW_PROTOCOL* This, EFI_UGA_PIXEL* BltBuffer, EFI_UGA_BLT_OPERATION BltOperation,
                         UINTN SourceX, UINTN SourceY, UINTN DestinationX, UINTN DestinationY, UINTN Width,
                         UINTN Height, UINTN Delta) {
  static_assert(sizeof(EFI_UGA_PIXEL) == sizeof(EFI_GRAPHICS_OUTPUT_BLT_PIXEL));
  static_assert((UINT32)EfiUgaBltMax == (UINT32)EfiGraphicsOutputBltOperationMax);
  DeviceCall Call("UgaDraw.Blt", __builtin_return_address(0));
  return Display::From(This).Blt(reinterpret_cast<EFI_GRAPHICS_OUTPUT_BLT_PIXEL*>(BltBuffer),
                                 (EFI_GRAPHICS_OUTPUT_BLT_OPERATION)BltOperation, SourceX, SourceY, DestinationX,
                                 DestinationY, Width, Height, Delta, Call.Caller(), "uga");
}

EFI_STATUS EFIAPI ConsoleControlGetMode(EFI_CONSOLE_CONTROL_PROTOCOL* This, EFI_CONSOLE_CONTROL_SCREEN_MODE* Mode,
                                        BOOLEAN* GopUgaExists, BOOLEAN* StdInLocked) {
  DeviceCall Call("ConsoleControl.GetMode", __builtin_return_address(0));
  return Display::From(This).ConsoleGetMode(Mode, GopUgaExists, StdInLocked);
}

EFI_STATUS EFIAPI ConsoleControlSetMode(EFI_CONSOLE_CONTROL_PROTOCOL* This, EFI_CONSOLE_CONTROL_SCREEN_MODE Mode) {
  DeviceCall Call("ConsoleControl.SetMode", __builtin_return_address(0));
  return Display::From(This).ConsoleSetMode(Mode, Call.Caller());
}

// This console offers no input lock.
EFI_STATUS EFIAPI ConsoleControlLockStdIn(EFI_CONSOLE_CONTROL_PROTOCOL* This, CHAR16* Password) {
  (void)Password;
  DeviceCall Call("ConsoleControl.LockStdIn", __builtin_return_address(0));
  (void)Display::From(This);
  return EFI_UNSUPPORTED;
}

VOID EFIAPI DisplayChangeListener(EFI_EVENT Event, VOID* Context) {
  (void)Event;
  static_cast<Display*>(Context)->SawDisplayChangeSignal();
}

}  // namespace

Display::Display(DisplayConfig Config) : Config_(std::move(Config)) {
  Gop_.Protocol = EFI_GRAPHICS_OUTPUT_PROTOCOL{GopQueryMode, GopSetMode, GopBlt, &Mode_};
  Gop_.Device = this;
  Uga_.Protocol = EFI_UGA_DRAW_PROTOCOL{UgaGetModeEntry, UgaSetModeEntry, UgaBltEntry};
  Uga_.Device = this;
  ConsoleControl_.Protocol =
      EFI_CONSOLE_CONTROL_PROTOCOL{ConsoleControlGetMode, ConsoleControlSetMode, ConsoleControlLockStdIn};
  ConsoleControl_.Device = this;
  PowerOn();
}

Display::~Display() = default;

Display& Display::From(EFI_GRAPHICS_OUTPUT_PROTOCOL* This) {
  static_assert(offsetof(GopInstance, Protocol) == 0);
  auto* Found = reinterpret_cast<GopInstance*>(This);
  if (This == nullptr || Found->Device == nullptr || &Found->Device->Gop_ != Found) ForeignThis("graphics output");
  return *Found->Device;
}

Display& Display::From(EFI_UGA_DRAW_PROTOCOL* This) {
  static_assert(offsetof(UgaInstance, Protocol) == 0);
  auto* Found = reinterpret_cast<UgaInstance*>(This);
  if (This == nullptr || Found->Device == nullptr || &Found->Device->Uga_ != Found) ForeignThis("UGA draw");
  return *Found->Device;
}

Display& Display::From(EFI_CONSOLE_CONTROL_PROTOCOL* This) {
  static_assert(offsetof(ConsoleControlInstance, Protocol) == 0);
  auto* Found = reinterpret_cast<ConsoleControlInstance*>(This);
  if (This == nullptr || Found->Device == nullptr || &Found->Device->ConsoleControl_ != Found) {
    ForeignThis("console control");
  }
  return *Found->Device;
}

void Display::PowerOn() {
  if (Config_.Modes.empty()) throw std::invalid_argument("a display needs at least one graphics mode");
  if (Config_.StartMode >= Config_.Modes.size()) throw std::invalid_argument("display start mode out of range");
  UINT32 MaxWidth = 0;
  UINT32 MaxHeight = 0;
  for (const GraphicsMode& Candidate : Config_.Modes) {
    MaxWidth = std::max(MaxWidth, Candidate.Width);
    MaxHeight = std::max(MaxHeight, Candidate.Height);
  }
  Screen_.emplace(MaxWidth, MaxHeight);
  Mode_.MaxMode = (UINT32)Config_.Modes.size();
  Mode_.Info = &Info_;
  Mode_.SizeOfInfo = sizeof(Info_);
  Mode_.FrameBufferBase = (EFI_PHYSICAL_ADDRESS)(std::uintptr_t)Screen_->Base();
  ScreenMode_ = EfiConsoleControlScreenGraphics;
  ChangeSignals_ = 0;
  Apply(Config_.StartMode);
}

void Display::Apply(UINT32 Number) {
  const GraphicsMode& Chosen = Config_.Modes[Number];
  Screen_->Resize(Chosen.Width, Chosen.Height);
  Mode_.Mode = Number;
  Info_ = EFI_GRAPHICS_OUTPUT_MODE_INFORMATION{
      0, Chosen.Width, Chosen.Height, PixelBlueGreenRedReserved8BitPerColor, {}, Chosen.Width};
  Mode_.FrameBufferSize = (UINTN)Chosen.Width * Chosen.Height * sizeof(EFI_GRAPHICS_OUTPUT_BLT_PIXEL);
}

void Display::OnBootStart(Boot& Current) {
  Boot_ = &Current;
  PowerOn();
  Current.Trace().Record("display.power-on", {{"mode", Mode_.Mode},
                                              {"width", Info_.HorizontalResolution},
                                              {"height", Info_.VerticalResolution}});
  EFI_HANDLE ConsoleOut = Current.ConsoleOutHandle();
  EFI_STATUS Status = EFI_SUCCESS;
  if (Config_.GraphicsOutput) {
    Status = Current.Protocols().Install(&ConsoleOut, &EFI_GRAPHICS_OUTPUT_PROTOCOL_GUID, EFI_NATIVE_INTERFACE,
                                         &Gop_.Protocol, Name());
  }
  if (Config_.UgaDraw) {
    Status = Current.Protocols().Install(&ConsoleOut, &EFI_UGA_DRAW_PROTOCOL_GUID, EFI_NATIVE_INTERFACE,
                                         &Uga_.Protocol, Name());
  }
  if (!Config_.Edid.empty()) {
    EdidBytes_ = Config_.Edid;
    EdidProtocol_ = EFI_EDID_DISCOVERED_PROTOCOL{(UINT32)EdidBytes_.size(), EdidBytes_.data()};
    Status = Current.Protocols().Install(&ConsoleOut, &EFI_EDID_DISCOVERED_PROTOCOL_GUID, EFI_NATIVE_INTERFACE,
                                         &EdidProtocol_, Name());
  }
  if (Config_.ConsoleControl) {
    Status = Current.Protocols().Install(&ConsoleOut, &EFI_CONSOLE_CONTROL_PROTOCOL_GUID, EFI_NATIVE_INTERFACE,
                                         &ConsoleControl_.Protocol, Name());
  }
  if (Config_.DisplayChangeSignal) {
    EFI_HANDLE Signal = nullptr;
    Status = Current.Protocols().Install(&Signal, &DISPLAY_CHANGE_SIGNAL_PROTOCOL_GUID, EFI_NATIVE_INTERFACE,
                                         nullptr, Name());
    // The listener stands for the console drivers that redraw on the signal.
    EFI_EVENT Listener = nullptr;
    Status = Current.Events().Create(EVT_NOTIFY_SIGNAL, TPL_CALLBACK, DisplayChangeListener, this, nullptr,
                                     &Listener, Name());
    if (!EFI_ERROR(Status)) {
      Status = Current.Protocols().RegisterNotify(&DISPLAY_CHANGE_SIGNAL_PROTOCOL_GUID, Listener,
                                                  &ChangeRegistration_);
    }
  }
  if (EFI_ERROR(Status)) throw std::logic_error("display set-up failed: " + HexStatus(Status));
}

void Display::OnBootEnd(Boot& Current, const Outcome& Result) {
  (void)Result;
  // An older boot may end after the next one has started.
  if (&Current != Boot_) return;
  Boot_ = nullptr;
  ChangeRegistration_ = nullptr;
}

void Display::SawDisplayChangeSignal() {
  // Every installation since the last notification counts once.
  for (;;) {
    UINTN Size = sizeof(EFI_HANDLE);
    EFI_HANDLE Handle = nullptr;
    if (EFI_ERROR(Boot_->Protocols().LocateHandle(ByRegisterNotify, nullptr, ChangeRegistration_, &Size, &Handle))) {
      break;
    }
    ChangeSignals_++;
    Boot_->Trace().Record("display.change-signal", {{"handle", Boot_->Protocols().HandleNumber(Handle)}});
  }
}

void Display::ScreenChanged(const char* What) {
  if (RecordDirectory_.empty()) return;
  char Name[64];
  std::snprintf(Name, sizeof(Name), "%05zu-%s.png", ++Recorded_, What);
  Screenshot(RecordDirectory_ / Name);
}

void Display::Screenshot(const std::filesystem::path& File, std::optional<PixelRect> Crop, unsigned Scale) const {
  Screen_->WritePng(File, Crop, Scale);
  if (Boot_ != nullptr && !Boot_->Ended()) {
    Boot_->Trace().Record("display.screenshot", {{"file", File.string()}});
  }
}

EFI_STATUS Display::QueryMode(UINT32 Number, UINTN* SizeOfInfo, EFI_GRAPHICS_OUTPUT_MODE_INFORMATION** Info,
                              const std::string& Caller) {
  if (SizeOfInfo == nullptr || Info == nullptr || Number >= Config_.Modes.size()) return EFI_INVALID_PARAMETER;
  VOID* Copy = nullptr;
  // The record is the caller's pool, which it frees.
  EFI_STATUS Status = Boot_->Memory().AllocatePool(EfiBootServicesData, sizeof(EFI_GRAPHICS_OUTPUT_MODE_INFORMATION),
                                                   &Copy, Caller);
  if (EFI_ERROR(Status)) return Status;
  const GraphicsMode& Asked = Config_.Modes[Number];
  *static_cast<EFI_GRAPHICS_OUTPUT_MODE_INFORMATION*>(Copy) = EFI_GRAPHICS_OUTPUT_MODE_INFORMATION{
      0, Asked.Width, Asked.Height, PixelBlueGreenRedReserved8BitPerColor, {}, Asked.Width};
  *SizeOfInfo = sizeof(EFI_GRAPHICS_OUTPUT_MODE_INFORMATION);
  *Info = static_cast<EFI_GRAPHICS_OUTPUT_MODE_INFORMATION*>(Copy);
  Boot_->Trace().Record("display.query-mode", {{"mode", Number}, {"caller", Caller}});
  return EFI_SUCCESS;
}

EFI_STATUS Display::SetMode(UINT32 Number, const std::string& Caller) {
  if (Number >= Config_.Modes.size()) return EFI_UNSUPPORTED;
  // Setting a mode, even the current one, clears the screen.
  Apply(Number);
  Boot_->Trace().Record("display.mode", {{"mode", Number},
                                         {"width", Info_.HorizontalResolution},
                                         {"height", Info_.VerticalResolution},
                                         {"caller", Caller}});
  ScreenChanged("mode");
  return EFI_SUCCESS;
}

EFI_STATUS Display::Blt(EFI_GRAPHICS_OUTPUT_BLT_PIXEL* Buffer, EFI_GRAPHICS_OUTPUT_BLT_OPERATION Operation,
                        UINTN SourceX, UINTN SourceY, UINTN DestinationX, UINTN DestinationY, UINTN Width,
                        UINTN Height, UINTN Delta, const std::string& Caller, const char* Via) {
  BltResult Result =
      Screen_->Blt(Buffer, Operation, SourceX, SourceY, DestinationX, DestinationY, Width, Height, Delta);
  nlohmann::json Data{{"via", Via},         {"op", OperationName(Operation)}, {"x", DestinationX},
                      {"y", DestinationY},  {"width", Width},                 {"height", Height},
                      {"changed", Result.Changed}, {"status", HexStatus(Result.Status)}, {"caller", Caller}};
  if (Operation == EfiBltVideoFill && Buffer != nullptr && !EFI_ERROR(Result.Status)) {
    char Colour[8];
    std::snprintf(Colour, sizeof(Colour), "#%02X%02X%02X", Buffer[0].Red, Buffer[0].Green, Buffer[0].Blue);
    Data["colour"] = Colour;
  }
  if (Operation == EfiBltVideoToBltBuffer || Operation == EfiBltVideoToVideo) {
    Data["source-x"] = SourceX;
    Data["source-y"] = SourceY;
  }
  Boot_->Trace().Record("display.blt", std::move(Data));
  if (Result.Changed != 0) ScreenChanged(OperationName(Operation));
  return Result.Status;
}

EFI_STATUS Display::UgaGetMode(UINT32* Width, UINT32* Height, UINT32* ColourDepth, UINT32* RefreshRate) const {
  if (Width == nullptr || Height == nullptr || ColourDepth == nullptr || RefreshRate == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  *Width = Info_.HorizontalResolution;
  *Height = Info_.VerticalResolution;
  *ColourDepth = kUgaColourDepth;
  *RefreshRate = kUgaRefreshRate;
  return EFI_SUCCESS;
}

EFI_STATUS Display::UgaSetMode(UINT32 Width, UINT32 Height, UINT32 ColourDepth, UINT32 RefreshRate,
                               const std::string& Caller) {
  (void)RefreshRate;
  if (ColourDepth != kUgaColourDepth) return EFI_UNSUPPORTED;
  for (UINT32 Number = 0; Number < Config_.Modes.size(); Number++) {
    if (Config_.Modes[Number].Width == Width && Config_.Modes[Number].Height == Height) {
      return SetMode(Number, Caller);
    }
  }
  return EFI_UNSUPPORTED;
}

EFI_STATUS Display::ConsoleGetMode(EFI_CONSOLE_CONTROL_SCREEN_MODE* Mode, BOOLEAN* GopUgaExists,
                                   BOOLEAN* StdInLocked) const {
  if (Mode != nullptr) *Mode = ScreenMode_;
  if (GopUgaExists != nullptr) *GopUgaExists = (Config_.GraphicsOutput || Config_.UgaDraw) ? TRUE : FALSE;
  if (StdInLocked != nullptr) *StdInLocked = FALSE;
  return EFI_SUCCESS;
}

EFI_STATUS Display::ConsoleSetMode(EFI_CONSOLE_CONTROL_SCREEN_MODE Mode, const std::string& Caller) {
  if (Mode >= EfiConsoleControlScreenMaxValue) return EFI_INVALID_PARAMETER;
  ScreenMode_ = Mode;
  Boot_->Trace().Record("display.console-control",
                        {{"screen", Mode == EfiConsoleControlScreenText ? "text" : "graphics"}, {"caller", Caller}});
  return EFI_SUCCESS;
}

std::vector<UINT8> Display::MakeEdid(UINT32 Width, UINT32 Height) {
  std::vector<UINT8> Edid(128, 0);
  static constexpr UINT8 kHeader[] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
  std::copy(std::begin(kHeader), std::end(kHeader), Edid.begin());
  Edid[18] = 1;  // version 1.4
  Edid[19] = 4;
  // First detailed timing descriptor: a non-zero pixel clock marks a timing;
  // each active size has its low byte and, in a shared byte, its high nibble.
  constexpr UINT32 kPixelClock = 14850;  // 148.5 MHz in 10 kHz units
  constexpr UINT32 kHorizontalBlank = 280;
  constexpr UINT32 kVerticalBlank = 45;
  Edid[54] = kPixelClock & 0xFF;
  Edid[55] = kPixelClock >> 8;
  Edid[56] = Width & 0xFF;
  Edid[57] = kHorizontalBlank & 0xFF;
  Edid[58] = (UINT8)(((Width >> 8) & 0x0F) << 4 | ((kHorizontalBlank >> 8) & 0x0F));
  Edid[59] = Height & 0xFF;
  Edid[60] = kVerticalBlank & 0xFF;
  Edid[61] = (UINT8)(((Height >> 8) & 0x0F) << 4 | ((kVerticalBlank >> 8) & 0x0F));
  UINT8 Sum = 0;
  for (std::size_t Index = 0; Index < 127; Index++) Sum = (UINT8)(Sum + Edid[Index]);
  Edid[127] = (UINT8)(0x100 - Sum);
  return Edid;
}

}  // namespace sim
