// The display of the console: a graphics adapter with the modes a scenario
// chooses, its framebuffer and EFI_GRAPHICS_OUTPUT_PROTOCOL on the console
// output handle; optionally the older UGA draw protocol, the console-control
// protocol, the monitor's EDID and the display-change signal with a listener.
// Every screen change is in the trace; a test or scenario can take a
// screenshot at any step, or have one written after every change.
#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "sim/Component.h"
#include "sim/devices/Framebuffer.h"
#include "uefi/platform/ConsoleControl.h"
#include "uefi/platform/UgaDraw.h"
#include "uefi/protocol/Edid.h"

namespace sim {

struct GraphicsMode {
  UINT32 Width;
  UINT32 Height;
};

struct DisplayConfig {
  std::vector<GraphicsMode> Modes{{800, 600}, {1024, 768}, {1280, 1024}, {1920, 1080}};
  UINT32 StartMode = 0;              // set at power-on
  bool GraphicsOutput = true;        // EFI_GRAPHICS_OUTPUT_PROTOCOL on the console output handle
  bool UgaDraw = false;              // EFI_UGA_DRAW_PROTOCOL there as well
  bool ConsoleControl = true;        // EFI_CONSOLE_CONTROL_PROTOCOL, starting in graphics mode
  bool DisplayChangeSignal = true;   // the signal installed at power-on, and a listener for it
  std::vector<UINT8> Edid;           // EFI_EDID_DISCOVERED_PROTOCOL when not empty
};

class Display : public Component {
 public:
  explicit Display(DisplayConfig Config = {});
  ~Display() override;
  std::string Name() const override { return "display"; }
  void OnBootStart(Boot& Current) override;
  void OnBootEnd(Boot& Current, const Outcome& Result) override;

  // Changes take effect at the next power-on.
  DisplayConfig& Config() { return Config_; }

  // The screen as the last boot left it.
  const Framebuffer& Screen() const { return *Screen_; }
  UINT32 Mode() const { return Mode_.Mode; }
  EFI_CONSOLE_CONTROL_SCREEN_MODE ScreenMode() const { return ScreenMode_; }
  // How often the listener saw the display-change signal installed anew.
  std::size_t DisplayChangeSignals() const { return ChangeSignals_; }
  EFI_GRAPHICS_OUTPUT_PROTOCOL* Protocol() { return &Gop_.Protocol; }

  // A PNG of the screen (or of Crop, each pixel Scale x Scale), recorded in
  // the trace when a boot is running.
  void Screenshot(const std::filesystem::path& File, std::optional<PixelRect> Crop = std::nullopt,
                  unsigned Scale = 1) const;
  // From now on, a numbered PNG in Directory after every change of the
  // screen; an empty path stops it.
  void RecordScreens(std::filesystem::path Directory) { RecordDirectory_ = std::move(Directory); }

  // A 128-byte EDID block (version 1.4) whose first detailed timing
  // descriptor gives Width x Height as the preferred size.
  static std::vector<UINT8> MakeEdid(UINT32 Width, UINT32 Height);

  // The protocols' operations, for their entry functions.
  EFI_STATUS QueryMode(UINT32 Number, UINTN* SizeOfInfo, EFI_GRAPHICS_OUTPUT_MODE_INFORMATION** Info,
                       const std::string& Caller);
  EFI_STATUS SetMode(UINT32 Number, const std::string& Caller);
  EFI_STATUS Blt(EFI_GRAPHICS_OUTPUT_BLT_PIXEL* Buffer, EFI_GRAPHICS_OUTPUT_BLT_OPERATION Operation, UINTN SourceX,
                 UINTN SourceY, UINTN DestinationX, UINTN DestinationY, UINTN Width, UINTN Height, UINTN Delta,
                 const std::string& Caller, const char* Via);
  EFI_STATUS UgaGetMode(UINT32* Width, UINT32* Height, UINT32* ColourDepth, UINT32* RefreshRate) const;
  EFI_STATUS UgaSetMode(UINT32 Width, UINT32 Height, UINT32 ColourDepth, UINT32 RefreshRate,
                        const std::string& Caller);
  EFI_STATUS ConsoleGetMode(EFI_CONSOLE_CONTROL_SCREEN_MODE* Mode, BOOLEAN* GopUgaExists, BOOLEAN* StdInLocked) const;
  EFI_STATUS ConsoleSetMode(EFI_CONSOLE_CONTROL_SCREEN_MODE Mode, const std::string& Caller);
  void SawDisplayChangeSignal();

  static Display& From(EFI_GRAPHICS_OUTPUT_PROTOCOL* This);
  static Display& From(EFI_UGA_DRAW_PROTOCOL* This);
  static Display& From(EFI_CONSOLE_CONTROL_PROTOCOL* This);

 private:
  struct GopInstance {
    EFI_GRAPHICS_OUTPUT_PROTOCOL Protocol;  // first, so This finds the device
    Display* Device;
  };
  struct UgaInstance {
    EFI_UGA_DRAW_PROTOCOL Protocol;
    Display* Device;
  };
  struct ConsoleControlInstance {
    EFI_CONSOLE_CONTROL_PROTOCOL Protocol;
    Display* Device;
  };

  void PowerOn();
  void Apply(UINT32 Number);
  void ScreenChanged(const char* What);

  DisplayConfig Config_;
  std::optional<Framebuffer> Screen_;
  GopInstance Gop_{};
  UgaInstance Uga_{};
  ConsoleControlInstance ConsoleControl_{};
  EFI_GRAPHICS_OUTPUT_PROTOCOL_MODE Mode_{};
  EFI_GRAPHICS_OUTPUT_MODE_INFORMATION Info_{};
  EFI_EDID_DISCOVERED_PROTOCOL EdidProtocol_{};
  std::vector<UINT8> EdidBytes_;
  EFI_CONSOLE_CONTROL_SCREEN_MODE ScreenMode_ = EfiConsoleControlScreenGraphics;
  std::size_t ChangeSignals_ = 0;
  VOID* ChangeRegistration_ = nullptr;
  std::filesystem::path RecordDirectory_;
  std::size_t Recorded_ = 0;
  Boot* Boot_ = nullptr;  // the running boot, between its start and end
};

}  // namespace sim
