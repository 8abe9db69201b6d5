// The bitmap decoder: its refusals in their order, stored rows of every
// depth it reads, the caller's buffer, and run-length data that points
// anywhere. Every file is decoded from a heap block of exactly its size, so a
// read past the end shows under the sanitizers; every pixel buffer has guard
// bytes behind it (see TestBootServices).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "sentrel/prompt/BmpDecode.h"
#include "support/Pool.h"
#include "tests/prompt/BmpBuilder.h"
#include "tests/prompt/TestBootServices.h"

namespace {

using Rows = std::vector<std::vector<std::uint32_t>>;  // 0xRRGGBB, top row first

struct DECODED {
  EFI_STATUS Status = EFI_SUCCESS;
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL* Blt = nullptr;  // still allocated when set
  UINTN BltSize = 0;
  UINTN Width = 0;
  UINTN Height = 0;
};

DECODED Decode(const std::vector<std::uint8_t>& File) {
  std::unique_ptr<std::uint8_t[]> Exact(new std::uint8_t[File.size()]);
  if (!File.empty()) {
    std::memcpy(Exact.get(), File.data(), File.size());
  }
  DECODED Result;
  Result.Status = DecodeBmp(Exact.get(), File.size(), &Result.Blt, &Result.BltSize, &Result.Width, &Result.Height);
  return Result;
}

Rows ToRows(const EFI_GRAPHICS_OUTPUT_BLT_PIXEL* Pixels, UINTN Width, UINTN Height) {
  Rows Out(Height, std::vector<std::uint32_t>(Width));
  for (UINTN Y = 0; Y < Height; Y++) {
    for (UINTN X = 0; X < Width; X++) {
      const EFI_GRAPHICS_OUTPUT_BLT_PIXEL& P = Pixels[Y * Width + X];
      Out[Y][X] = (std::uint32_t(P.Red) << 16) | (std::uint32_t(P.Green) << 8) | P.Blue;
    }
  }
  return Out;
}

// Decodes into an allocated buffer, which it frees.
Rows DecodeRows(const std::vector<std::uint8_t>& File) {
  DECODED Result = Decode(File);
  EXPECT_EQ(Result.Status, EFI_SUCCESS);
  if (Result.Blt == nullptr) {
    return {};
  }
  EXPECT_EQ(Result.BltSize, Result.Width * Result.Height * 4);
  Rows Out = ToRows(Result.Blt, Result.Width, Result.Height);
  PoolFree(Result.Blt);
  return Out;
}

constexpr std::uint32_t C0 = 0x102030, C1 = 0x405060, C2 = 0x708090, C3 = 0xA0B0C0;
const std::vector<std::uint32_t> FourColours = {C0, C1, C2, C3};

class BmpDecodeTest : public ::testing::Test {
 protected:
  void SetUp() override { InstallTestBootServices(); }
  void TearDown() override { EXPECT_EQ(LivePoolBuffers(), 0u); }
};

BMP_SPEC TwoByTwo24() {
  BMP_SPEC Spec;
  Spec.Width = 2;
  Spec.Height = 2;
  Spec.BitsPerPixel = 24;
  Spec.Pixels.assign(16, 0x11);
  return Spec;
}

BMP_SPEC Indexed8(std::int32_t Width, std::int32_t Height, std::size_t Colours) {
  BMP_SPEC Spec;
  Spec.Width = Width;
  Spec.Height = Height;
  Spec.BitsPerPixel = 8;
  Spec.Colours.assign(Colours, 0x0000FF);
  Spec.Pixels.assign(static_cast<std::size_t>((Width + 3) & ~3) * Height, 0);
  return Spec;
}

struct REFUSAL {
  std::string Name;
  std::vector<std::uint8_t> File;
  EFI_STATUS Expected;
};

std::vector<std::uint8_t> With(std::vector<std::uint8_t> File, std::size_t Offset, std::uint64_t Value,
                               int Bytes) {
  PutLe(File, Offset, Value, Bytes);
  return File;
}

std::vector<std::uint8_t> Truncated(std::vector<std::uint8_t> File, std::size_t Size) {
  File.resize(Size);
  return File;
}

TEST_F(BmpDecodeTest, RefusesBadFilesLeavingNothingAllocated) {
  const std::vector<std::uint8_t> Good = BuildBmp(TwoByTwo24());
  BMP_SPEC Top = TwoByTwo24();
  Top.Height = -2;
  BMP_SPEC Sixteen = TwoByTwo24();
  Sixteen.BitsPerPixel = 16;
  // Headers only: these are refused before any row is looked at.
  const BMP_SPEC HugeRows = {0x10000, 0x10000, 8, 0, 0, {}, {}};
  const BMP_SPEC HugePicture = {1, 1, 8, 0, 0, {}, {}};

  const std::vector<REFUSAL> Cases = {
      {"53 bytes", Truncated(Good, 53), EFI_INVALID_PARAMETER},
      {"other signature", With(Good, 0, 'B' | ('A' << 8), 2), EFI_UNSUPPORTED},
      {"4-bit run-length", With(Good, 30, 2, 4), EFI_UNSUPPORTED},
      {"header size 108", With(Good, 14, 108, 4), EFI_UNSUPPORTED},
      {"rows over 4 GB", BuildBmp(HugeRows), EFI_INVALID_PARAMETER},
      {"negative height", BuildBmp(Top), EFI_INVALID_PARAMETER},
      {"pixel offset inside the headers", With(Good, 10, 50, 4), EFI_INVALID_PARAMETER},
      {"255 colours, colours-used 0", BuildBmp(Indexed8(2, 2, 255)), EFI_INVALID_PARAMETER},
      {"colours-used 2 with 3 entries", With(BuildBmp(Indexed8(2, 2, 3)), 46, 2, 4), EFI_INVALID_PARAMETER},
      // Width x bits wraps to a row size of 0 in 32 bits; the pixel count is
      // refused before the rows are measured against the file.
      {"too many pixels to address",
       With(With(BuildBmp(HugePicture), 18, 0x80000000u, 4), 22, 0x80000001u, 4), EFI_UNSUPPORTED},
      {"colour table past the end of the file", Truncated(BuildBmp(Indexed8(2, 2, 256)), 600),
       EFI_INVALID_PARAMETER},
      {"rows past the end of the file", Truncated(Good, Good.size() - 1), EFI_INVALID_PARAMETER},
      {"16 bits per pixel", BuildBmp(Sixteen), EFI_UNSUPPORTED},
  };
  for (const REFUSAL& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    DECODED Result = Decode(Case.File);
    EXPECT_EQ(Result.Status, Case.Expected);
    EXPECT_EQ(Result.Blt, nullptr);
    EXPECT_EQ(LivePoolBuffers(), 0u);
  }
}

struct STORED_ROWS {
  std::string Name;
  BMP_SPEC Spec;
  Rows Expected;
};

TEST_F(BmpDecodeTest, DecodesStoredRowsBottomUp) {
  const std::vector<STORED_ROWS> Cases = {
      // Ten pixels from two bytes a row; the bits after the tenth pixel and
      // the two pad bytes up to the 4-byte boundary are not pixels.
      {"1 bit, 10 wide",
       {10, 2, 1, 0, 0, {C0, C1}, {0b10101010, 0b10111111, 0xFF, 0xFF, 0b01010101, 0b01000000, 0xEE, 0xEE}},
       {{C0, C1, C0, C1, C0, C1, C0, C1, C0, C1}, {C1, C0, C1, C0, C1, C0, C1, C0, C1, C0}}},
      // The low nibble of each row's last byte (15, past the four colours)
      // is not read.
      {"4 bits, odd width",
       {3, 2, 4, 0, 4, FourColours, {0x12, 0x3F, 0xFF, 0xFF, 0x01, 0x2F, 0xFF, 0xFF}},
       {{C0, C1, C2}, {C1, C2, C3}}},
      {"8 bits", {3, 2, 8, 0, 4, FourColours, {3, 2, 1, 0xFF, 0, 1, 2, 0xFF}}, {{C0, C1, C2}, {C3, C2, C1}}},
      {"24 bits",
       {2, 2, 24, 0, 0, {}, {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0xEE, 0xEE, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0xEE,
                              0xEE}},
       {{0x090807, 0x0C0B0A}, {0x030201, 0x060504}}},
      {"32 bits",
       {2, 2, 32, 0, 0, {}, {0x01, 0x02, 0x03, 0x99, 0x04, 0x05, 0x06, 0x99, 0x07, 0x08, 0x09, 0x99, 0x0A, 0x0B, 0x0C,
                              0x99}},
       {{0x090807, 0x0C0B0A}, {0x030201, 0x060504}}},
  };
  for (const STORED_ROWS& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    EXPECT_EQ(DecodeRows(BuildBmp(Case.Spec)), Case.Expected);
  }
}

TEST_F(BmpDecodeTest, CallerBufferMustHoldThePictureAndKeepsItsReservedBytes) {
  const std::vector<std::uint8_t> File = BuildBmp(TwoByTwo24());
  std::unique_ptr<std::uint8_t[]> Exact(new std::uint8_t[File.size()]);
  std::memcpy(Exact.get(), File.data(), File.size());
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL Buffer[4];
  std::memset(Buffer, 0x77, sizeof(Buffer));
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL* Blt = Buffer;
  UINTN Width = 0, Height = 0;

  UINTN BltSize = sizeof(Buffer) - 1;
  EXPECT_EQ(DecodeBmp(Exact.get(), File.size(), &Blt, &BltSize, &Width, &Height), EFI_BUFFER_TOO_SMALL);
  EXPECT_EQ(BltSize, sizeof(Buffer));
  EXPECT_EQ(Buffer[0].Blue, 0x77);

  EXPECT_EQ(DecodeBmp(Exact.get(), File.size(), &Blt, &BltSize, &Width, &Height), EFI_SUCCESS);
  EXPECT_EQ(Blt, Buffer);
  EXPECT_EQ(Width, 2u);
  EXPECT_EQ(Height, 2u);
  for (const EFI_GRAPHICS_OUTPUT_BLT_PIXEL& Pixel : Buffer) {
    EXPECT_EQ(Pixel.Blue, 0x11);
    EXPECT_EQ(Pixel.Reserved, 0x77);
  }
}

TEST_F(BmpDecodeTest, IndexPastTheColourCountLeavesTheBufferToTheCaller) {
  BMP_SPEC Spec = Indexed8(2, 1, 2);
  Spec.ColoursUsed = 2;
  Spec.Pixels = {1, 2, 0, 0};
  DECODED Result = Decode(BuildBmp(Spec));
  EXPECT_EQ(Result.Status, EFI_INVALID_PARAMETER);
  ASSERT_NE(Result.Blt, nullptr);
  EXPECT_EQ(LivePoolBuffers(), 1u);
  PoolFree(Result.Blt);
}

// An 8-bit run-length picture of 4 x 3 pixels with four colours.
BMP_SPEC RunLength(std::vector<std::uint8_t> Data, std::int32_t Height = 3) {
  return {4, Height, 8, 1, 4, FourColours, std::move(Data)};
}

TEST_F(BmpDecodeTest, DecodesRunLengthData) {
  const std::vector<std::uint8_t> Data = {
      2, 1, 2, 2, 0, 0,     // bottom row: two of colour 1, two of colour 2, end of row
      0, 3, 3, 2, 1, 0xAA,  // three literal indices and a pad byte
      0, 2, 0, 1,           // move one row up (x stays 3)
      1, 3,                 // one pixel of colour 3
      0, 1,                 // end of the bitmap
      5, 3,                 // never reached
  };
  EXPECT_EQ(DecodeRows(BuildBmp(RunLength(Data))), (Rows{{0, 0, 0, C3}, {C3, C2, C1, 0}, {C1, C1, C2, C2}}));
}

struct HOSTILE_RUN {
  std::string Name;
  std::vector<std::uint8_t> Data;
  Rows Expected;  // 4 x 2
};

TEST_F(BmpDecodeTest, RunLengthDataNeverLeavesThePictureOrTheFile) {
  const std::vector<HOSTILE_RUN> Cases = {
      {"run past the row end", {255, 1, 0, 0, 1, 2}, {{C2, 0, 0, 0}, {C1, C1, C1, C1}}},
      {"literal past the row end", {0, 5, 1, 2, 3, 1, 2, 0, 1, 3}, {{0, 0, 0, 0}, {C1, C2, C3, C1}}},
      {"literal past the end of the data", {0, 200, 1, 2, 3}, {{0, 0, 0, 0}, {C1, C2, C3, 0}}},
      {"odd literal without its pad byte", {0, 3, 1, 2, 3}, {{0, 0, 0, 0}, {C1, C2, C3, 0}}},
      {"move past the top", {0, 2, 0, 255, 4, 1, 0, 0, 4, 1}, {{0, 0, 0, 0}, {0, 0, 0, 0}}},
      {"move past the right edge", {0, 2, 200, 0, 4, 1, 0, 0, 4, 2}, {{C2, C2, C2, C2}, {0, 0, 0, 0}}},
      {"end of rows past the top", {0, 0, 0, 0, 0, 0, 4, 1}, {{0, 0, 0, 0}, {0, 0, 0, 0}}},
      {"index past the colour table", {2, 200, 2, 1}, {{0, 0, 0, 0}, {0, 0, C1, C1}}},
      {"move cut short", {1, 1, 0, 2, 1}, {{0, 0, 0, 0}, {C1, 0, 0, 0}}},
      {"one byte left over", {2, 1, 0}, {{0, 0, 0, 0}, {C1, C1, 0, 0}}},
  };
  for (const HOSTILE_RUN& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    EXPECT_EQ(DecodeRows(BuildBmp(RunLength(Case.Data, 2))), Case.Expected);
  }
}

TEST_F(BmpDecodeTest, RunLengthWithoutColourTableDrawsBlack) {
  BMP_SPEC Spec = RunLength({4, 1, 0, 1}, 1);
  Spec.Colours.clear();
  Spec.ColoursUsed = 0;
  EXPECT_EQ(DecodeRows(BuildBmp(Spec)), (Rows{{0, 0, 0, 0}}));
}

}  // namespace
