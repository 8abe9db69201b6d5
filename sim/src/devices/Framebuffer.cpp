// Display pixels, block transfers and PNG output.
#include "sim/devices/Framebuffer.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

namespace sim {
namespace {

constexpr std::size_t kPixelBytes = sizeof(EFI_GRAPHICS_OUTPUT_BLT_PIXEL);

bool SameColour(const EFI_GRAPHICS_OUTPUT_BLT_PIXEL& A, const EFI_GRAPHICS_OUTPUT_BLT_PIXEL& B) {
  return A.Blue == B.Blue && A.Green == B.Green && A.Red == B.Red;
}

bool Lit(const EFI_GRAPHICS_OUTPUT_BLT_PIXEL& Pixel) { return Pixel.Blue != 0 || Pixel.Green != 0 || Pixel.Red != 0; }

}  // namespace

Framebuffer::Framebuffer(UINT32 MaxWidth, UINT32 MaxHeight)
    : Pixels_((std::size_t)MaxWidth * MaxHeight, EFI_GRAPHICS_OUTPUT_BLT_PIXEL{0, 0, 0, 0}) {}

void Framebuffer::Resize(UINT32 Width, UINT32 Height) {
  if ((std::size_t)Width * Height > Pixels_.size()) throw std::logic_error("display mode larger than its framebuffer");
  Width_ = Width;
  Height_ = Height;
  std::fill(Pixels_.begin(), Pixels_.end(), EFI_GRAPHICS_OUTPUT_BLT_PIXEL{0, 0, 0, 0});
}

std::size_t Framebuffer::CountLit(PixelRect Area) const {
  std::size_t Count = 0;
  for (UINT32 Y = Area.Y; Y < Area.Y + Area.Height && Y < Height_; Y++) {
    for (UINT32 X = Area.X; X < Area.X + Area.Width && X < Width_; X++) {
      if (Lit(At(X, Y))) Count++;
    }
  }
  return Count;
}

bool Framebuffer::OnScreen(UINTN X, UINTN Y, UINTN Width, UINTN Height) const {
  return X <= Width_ && Width <= Width_ - X && Y <= Height_ && Height <= Height_ - Y;
}

BltResult Framebuffer::Blt(EFI_GRAPHICS_OUTPUT_BLT_PIXEL* Buffer, EFI_GRAPHICS_OUTPUT_BLT_OPERATION Operation,
                           UINTN SourceX, UINTN SourceY, UINTN DestinationX, UINTN DestinationY, UINTN Width,
                           UINTN Height, UINTN Delta) {
  if (Operation >= EfiGraphicsOutputBltOperationMax || Width == 0 || Height == 0) return {EFI_INVALID_PARAMETER, 0};
  if (Buffer == nullptr && Operation != EfiBltVideoToVideo) return {EFI_INVALID_PARAMETER, 0};
  if (Delta == 0) Delta = Width * kPixelBytes;
  // The buffer's row length in bytes, used in pixels.
  auto BufferAt = [Buffer, Delta](UINTN X, UINTN Y) -> EFI_GRAPHICS_OUTPUT_BLT_PIXEL& {
    return *reinterpret_cast<EFI_GRAPHICS_OUTPUT_BLT_PIXEL*>(reinterpret_cast<UINT8*>(Buffer) + Y * Delta +
                                                             X * kPixelBytes);
  };
  std::size_t Changed = 0;
  auto Paint = [this, &Changed](UINTN X, UINTN Y, const EFI_GRAPHICS_OUTPUT_BLT_PIXEL& Colour) {
    EFI_GRAPHICS_OUTPUT_BLT_PIXEL& Target = Screen(X, Y);
    if (!SameColour(Target, Colour)) Changed++;
    Target = Colour;
  };

  switch (Operation) {
    case EfiBltVideoFill: {
      if (!OnScreen(DestinationX, DestinationY, Width, Height)) return {EFI_INVALID_PARAMETER, 0};
      const EFI_GRAPHICS_OUTPUT_BLT_PIXEL Colour = Buffer[0];
      for (UINTN Row = 0; Row < Height; Row++) {
        for (UINTN Column = 0; Column < Width; Column++) Paint(DestinationX + Column, DestinationY + Row, Colour);
      }
      break;
    }
    case EfiBltVideoToBltBuffer:
      if (!OnScreen(SourceX, SourceY, Width, Height)) return {EFI_INVALID_PARAMETER, 0};
      for (UINTN Row = 0; Row < Height; Row++) {
        for (UINTN Column = 0; Column < Width; Column++) {
          BufferAt(DestinationX + Column, DestinationY + Row) = Screen(SourceX + Column, SourceY + Row);
        }
      }
      break;
    case EfiBltBufferToVideo:
      if (!OnScreen(DestinationX, DestinationY, Width, Height)) return {EFI_INVALID_PARAMETER, 0};
      for (UINTN Row = 0; Row < Height; Row++) {
        for (UINTN Column = 0; Column < Width; Column++) {
          Paint(DestinationX + Column, DestinationY + Row, BufferAt(SourceX + Column, SourceY + Row));
        }
      }
      break;
    case EfiBltVideoToVideo: {
      if (!OnScreen(SourceX, SourceY, Width, Height) || !OnScreen(DestinationX, DestinationY, Width, Height)) {
        return {EFI_INVALID_PARAMETER, 0};
      }
      // Through a copy, so overlapping rectangles move as a whole.
      std::vector<EFI_GRAPHICS_OUTPUT_BLT_PIXEL> Copy(Width * Height);
      for (UINTN Row = 0; Row < Height; Row++) {
        for (UINTN Column = 0; Column < Width; Column++) {
          Copy[Row * Width + Column] = Screen(SourceX + Column, SourceY + Row);
        }
      }
      for (UINTN Row = 0; Row < Height; Row++) {
        for (UINTN Column = 0; Column < Width; Column++) {
          Paint(DestinationX + Column, DestinationY + Row, Copy[Row * Width + Column]);
        }
      }
      break;
    }
    default:
      return {EFI_INVALID_PARAMETER, 0};
  }
  return {EFI_SUCCESS, Changed};
}

void Framebuffer::WritePng(const std::filesystem::path& File, std::optional<PixelRect> Crop, unsigned Scale) const {
  PixelRect Area = Crop.value_or(PixelRect{0, 0, Width_, Height_});
  if (Scale == 0 || Area.Width == 0 || Area.Height == 0 || Area.X + Area.Width > Width_ ||
      Area.Y + Area.Height > Height_) {
    throw std::invalid_argument("screenshot area outside the screen");
  }
  if (File.has_parent_path()) std::filesystem::create_directories(File.parent_path());
  std::unique_ptr<FILE, int (*)(FILE*)> Out(std::fopen(File.c_str(), "wb"), std::fclose);
  if (!Out) throw std::runtime_error("cannot write " + File.string());

  png_structp Png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop Info = Png != nullptr ? png_create_info_struct(Png) : nullptr;
  if (Info == nullptr) {
    png_destroy_write_struct(&Png, nullptr);
    throw std::runtime_error("libpng could not start");
  }
  // libpng reports its errors by long jump; nothing with a destructor is
  // created between here and the end of the writing.
  std::vector<png_byte> Row((std::size_t)Area.Width * Scale * 3);
  if (setjmp(png_jmpbuf(Png)) != 0) {
    png_destroy_write_struct(&Png, &Info);
    throw std::runtime_error("libpng failed writing " + File.string());
  }
  png_init_io(Png, Out.get());
  png_set_IHDR(Png, Info, Area.Width * Scale, Area.Height * Scale, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(Png, Info);
  for (UINT32 Y = 0; Y < Area.Height; Y++) {
    for (UINT32 X = 0; X < Area.Width; X++) {
      const EFI_GRAPHICS_OUTPUT_BLT_PIXEL Pixel = At(Area.X + X, Area.Y + Y);
      for (unsigned Repeat = 0; Repeat < Scale; Repeat++) {
        png_byte* Out3 = &Row[((std::size_t)X * Scale + Repeat) * 3];
        Out3[0] = Pixel.Red;
        Out3[1] = Pixel.Green;
        Out3[2] = Pixel.Blue;
      }
    }
    for (unsigned Repeat = 0; Repeat < Scale; Repeat++) png_write_row(Png, Row.data());
  }
  png_write_end(Png, nullptr);
  png_destroy_write_struct(&Png, &Info);
}

}  // namespace sim
