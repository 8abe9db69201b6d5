// The pixels of a display: 32-bit Blue, Green, Red, Reserved pixels, one row
// after another, and the block transfers of the graphics output protocol on
// them with the standard's rules. It also writes itself out as a PNG file.
#pragma once
#include <cstddef>
#include <filesystem>
#include <optional>
#include <vector>

#include "uefi/protocol/GraphicsOutput.h"

namespace sim {

struct PixelRect {
  UINT32 X;
  UINT32 Y;
  UINT32 Width;
  UINT32 Height;
};

struct BltResult {
  EFI_STATUS Status;
  std::size_t Changed;  // screen pixels whose colour changed
};

class Framebuffer {
 public:
  // Memory for the largest mode is reserved at once, so the base address the
  // graphics output reports never moves.
  Framebuffer(UINT32 MaxWidth, UINT32 MaxHeight);

  // A new resolution, all black.
  void Resize(UINT32 Width, UINT32 Height);
  UINT32 Width() const { return Width_; }
  UINT32 Height() const { return Height_; }
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL* Base() { return Pixels_.data(); }
  std::size_t Bytes() const { return Pixels_.size() * sizeof(EFI_GRAPHICS_OUTPUT_BLT_PIXEL); }

  EFI_GRAPHICS_OUTPUT_BLT_PIXEL At(UINT32 X, UINT32 Y) const { return Pixels_.at((std::size_t)Y * Width_ + X); }
  // Pixels in Area whose colour is not black (the reserved byte aside).
  std::size_t CountLit(PixelRect Area) const;
  std::size_t CountLit() const { return CountLit({0, 0, Width_, Height_}); }

  // Blt as the standard defines it. A Delta of 0 means Width pixels; an
  // operation outside the enumeration, a zero width or height, a missing
  // buffer or a rectangle that leaves the screen is EFI_INVALID_PARAMETER
  // and touches nothing.
  BltResult Blt(EFI_GRAPHICS_OUTPUT_BLT_PIXEL* Buffer, EFI_GRAPHICS_OUTPUT_BLT_OPERATION Operation, UINTN SourceX,
                UINTN SourceY, UINTN DestinationX, UINTN DestinationY, UINTN Width, UINTN Height, UINTN Delta);

  // An RGB PNG of the screen, or of Crop, each pixel drawn Scale x Scale.
  // Throws std::runtime_error when the file cannot be written.
  void WritePng(const std::filesystem::path& File, std::optional<PixelRect> Crop = std::nullopt,
                unsigned Scale = 1) const;

 private:
  bool OnScreen(UINTN X, UINTN Y, UINTN Width, UINTN Height) const;
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL& Screen(UINTN X, UINTN Y) { return Pixels_[Y * Width_ + X]; }

  std::vector<EFI_GRAPHICS_OUTPUT_BLT_PIXEL> Pixels_;
  UINT32 Width_ = 0;
  UINT32 Height_ = 0;
};

}  // namespace sim
