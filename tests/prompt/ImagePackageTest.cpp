// The image package: every built-in image found and decoded at its size,
// ids past the end, and packages whose blocks lie about their length; then
// drawing an image at its table place through a graphics output that records
// each transfer.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sentrel/prompt/BmpDecode.h"
#include "sentrel/prompt/ImagePackage.h"
#include "sentrel/prompt/PromptImage.h"
#include "sentrel/prompt/PromptState.h"
#include "support/Pool.h"
#include "tests/prompt/BmpBuilder.h"
#include "tests/prompt/TestBootServices.h"

namespace {

std::uint32_t Le32(const std::uint8_t* Bytes) {
  return Bytes[0] | (Bytes[1] << 8) | (Bytes[2] << 16) | (std::uint32_t(Bytes[3]) << 24);
}

class ImagePackageTest : public ::testing::Test {
 protected:
  void SetUp() override { InstallTestBootServices(); }
  void TearDown() override { EXPECT_EQ(LivePoolBuffers(), 0u); }
};

TEST_F(ImagePackageTest, EveryBuiltInImageIsAn8BitBmpOfItsSize) {
  struct SIZE {
    UINTN Width;
    UINTN Height;
  };
  const SIZE Sizes[16] = {{0, 0},   {16, 20}, {12, 12}, {12, 12}, {12, 12}, {12, 12}, {12, 12}, {12, 12},
                          {12, 12}, {8, 6},   {24, 24}, {32, 32}, {8, 9},   {32, 32}, {32, 32}, {32, 44}};
  for (UINT16 Id = 1; Id <= 15; Id++) {
    SCOPED_TRACE("image " + std::to_string(Id));
    const UINT8* Image = nullptr;
    UINT32 ImageSize = 0;
    ASSERT_EQ(FindPackageImage(Id, &Image, &ImageSize), EFI_SUCCESS);
    ASSERT_NE(Image, nullptr);
    ASSERT_GE(ImageSize, 1078u);
    EXPECT_EQ(std::memcmp(Image, "BM", 2), 0);
    EXPECT_EQ(Le32(Image + 10), 1078u);  // full 256-entry colour table
    EXPECT_EQ(Image[28], 8);             // bits per pixel
    EXPECT_EQ(Le32(Image + 30), 0u);     // uncompressed
    EXPECT_EQ(Image[54] | Image[55] | Image[56], 0);  // colour 0 is black
    EFI_GRAPHICS_OUTPUT_BLT_PIXEL* Blt = nullptr;
    UINTN BltSize = 0, Width = 0, Height = 0;
    ASSERT_EQ(DecodeBmp(Image, ImageSize, &Blt, &BltSize, &Width, &Height), EFI_SUCCESS);
    EXPECT_EQ(Width, Sizes[Id].Width);
    EXPECT_EQ(Height, Sizes[Id].Height);
    PoolFree(Blt);
  }
}

TEST_F(ImagePackageTest, IdOutsideThePackageFindsNothingAndDecodesToInvalidParameter) {
  for (UINT16 Id : {UINT16(0), UINT16(16), UINT16(0xFFFF)}) {
    SCOPED_TRACE("image " + std::to_string(Id));
    const UINT8* Image = nullptr;
    UINT32 ImageSize = 0;
    EXPECT_EQ(FindPackageImage(Id, &Image, &ImageSize), EFI_SUCCESS);
    EXPECT_EQ(Image, nullptr);
    EXPECT_EQ(ImageSize, 0u);
    EFI_GRAPHICS_OUTPUT_BLT_PIXEL* Blt = nullptr;
    UINTN BltSize = 0, Width = 0, Height = 0;
    EXPECT_EQ(DecodeBmp(Image, ImageSize, &Blt, &BltSize, &Width, &Height), EFI_INVALID_PARAMETER);
  }
}

// A package list of three small blocks and the end block, built here field
// by field: list length, package header (length, type 0x0A), offset 8.
struct TEST_PACKAGE {
  std::vector<std::uint8_t> Bytes;
  std::vector<std::size_t> Blocks;  // offset of each block in Bytes
};

TEST_PACKAGE ThreeImagePackage() {
  TEST_PACKAGE Package;
  Package.Bytes.assign(12, 0);
  PutLe(Package.Bytes, 8, 8, 4);
  for (std::uint8_t Image = 1; Image <= 3; Image++) {
    Package.Blocks.push_back(Package.Bytes.size());
    const std::uint8_t Block[] = {0x32, 0x80, 16, 0, 0, 0, 'B', 'M', Image, 0, 0, 0, 0, 0, 0, 0};
    Package.Bytes.insert(Package.Bytes.end(), std::begin(Block), std::end(Block));
  }
  Package.Blocks.push_back(Package.Bytes.size());
  Package.Bytes.push_back(0);
  PutLe(Package.Bytes, 0, Package.Bytes.size(), 4);
  PutLe(Package.Bytes, 4, (Package.Bytes.size() - 4) | (0x0Au << 24), 4);
  return Package;
}

struct PACKAGE_CASE {
  std::string Name;
  std::function<void(TEST_PACKAGE&)> Corrupt;
  UINT16 Id;
  EFI_STATUS Expected;
  int FoundImage;  // the image's number byte when found, 0 when nothing is
};

TEST_F(ImagePackageTest, WalkStaysInsideThePackage) {
  auto SetLength = [](std::size_t Block, std::uint32_t Length) {
    return [=](TEST_PACKAGE& P) { PutLe(P.Bytes, P.Blocks[Block] + 2, Length, 4); };
  };
  auto DropEndBlock = [](TEST_PACKAGE& P) {
    P.Bytes.pop_back();
    PutLe(P.Bytes, 0, P.Bytes.size(), 4);
    PutLe(P.Bytes, 4, (P.Bytes.size() - 4) | (0x0Au << 24), 4);
  };
  const std::vector<PACKAGE_CASE> Cases = {
      {"intact, first", [](TEST_PACKAGE&) {}, 1, EFI_SUCCESS, 1},
      {"intact, last", [](TEST_PACKAGE&) {}, 3, EFI_SUCCESS, 3},
      {"intact, past the end block", [](TEST_PACKAGE&) {}, 4, EFI_SUCCESS, 0},
      {"block length 0", SetLength(1, 0), 3, EFI_NOT_FOUND, 0},
      {"block length below its header", SetLength(1, 5), 3, EFI_NOT_FOUND, 0},
      {"block length below its header, its own id", SetLength(1, 5), 2, EFI_NOT_FOUND, 0},
      {"block length past the package", SetLength(2, 18), 3, EFI_NOT_FOUND, 0},
      {"block length past the package, later id", SetLength(1, 0x7FFFFFFF), 3, EFI_NOT_FOUND, 0},
      {"blocks before a bad one still found", SetLength(2, 0), 2, EFI_SUCCESS, 2},
      {"unknown block type", [](TEST_PACKAGE& P) { P.Bytes[P.Blocks[1]] = 0x31; }, 3, EFI_NOT_FOUND, 0},
      {"no end block", DropEndBlock, 4, EFI_NOT_FOUND, 0},
      {"package longer than the list",
       [](TEST_PACKAGE& P) { PutLe(P.Bytes, 4, P.Bytes.size() | (0x0Au << 24), 4); }, 1, EFI_NOT_FOUND, 0},
      {"not an image package", [](TEST_PACKAGE& P) { P.Bytes[7] = 0x02; }, 1, EFI_NOT_FOUND, 0},
      {"first block past the package", [](TEST_PACKAGE& P) { PutLe(P.Bytes, 8, 0x1000, 4); }, 1, EFI_NOT_FOUND,
       0},
  };
  for (const PACKAGE_CASE& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    TEST_PACKAGE Package = ThreeImagePackage();
    Case.Corrupt(Package);
    std::unique_ptr<std::uint8_t[]> Exact(new std::uint8_t[Package.Bytes.size()]);
    std::memcpy(Exact.get(), Package.Bytes.data(), Package.Bytes.size());
    const UINT8* Image = nullptr;
    UINT32 ImageSize = 0;
    EXPECT_EQ(FindImageInPackage(Exact.get(), Case.Id, &Image, &ImageSize), Case.Expected);
    if (Case.FoundImage != 0) {
      ASSERT_NE(Image, nullptr);
      EXPECT_EQ(ImageSize, 10u);
      EXPECT_EQ(Image[2], Case.FoundImage);
    } else {
      EXPECT_EQ(Image, nullptr);
      EXPECT_EQ(ImageSize, 0u);
    }
  }
}

// A graphics output that records each transfer and answers with BltResult.
struct BLT_CALL {
  EFI_GRAPHICS_OUTPUT_BLT_OPERATION Operation;
  UINTN X, Y, Width, Height, Delta;
  bool operator==(const BLT_CALL&) const = default;
};
std::vector<BLT_CALL> BltCalls;
EFI_STATUS BltResult = EFI_SUCCESS;

EFI_STATUS EFIAPI RecordBlt(EFI_GRAPHICS_OUTPUT_PROTOCOL*, EFI_GRAPHICS_OUTPUT_BLT_PIXEL* Buffer,
                            EFI_GRAPHICS_OUTPUT_BLT_OPERATION Operation, UINTN SourceX, UINTN SourceY, UINTN X,
                            UINTN Y, UINTN Width, UINTN Height, UINTN Delta) {
  EXPECT_NE(Buffer, nullptr);
  EXPECT_EQ(SourceX, 0u);
  EXPECT_EQ(SourceY, 0u);
  BltCalls.push_back({Operation, X, Y, Width, Height, Delta});
  return BltResult;
}

class DrawPromptImageTest : public ImagePackageTest {
 protected:
  void SetUp() override {
    ImagePackageTest::SetUp();
    std::memcpy(SavedTable, PromptImageTable, sizeof(SavedTable));
    Gop.Blt = RecordBlt;
    PromptGop = &Gop;
    BltCalls.clear();
    BltResult = EFI_SUCCESS;
  }
  void TearDown() override {
    std::memcpy(PromptImageTable, SavedTable, sizeof(SavedTable));
    PromptGop = nullptr;
    ImagePackageTest::TearDown();
  }

  EFI_GRAPHICS_OUTPUT_PROTOCOL Gop{};
  PROMPT_IMAGE_ENTRY SavedTable[PROMPT_IMAGE_TABLE_COUNT];
};

TEST_F(DrawPromptImageTest, TypedDotsAdvanceOnlyWhenDrawn) {
  for (int Draw = 0; Draw < 3; Draw++) {
    EXPECT_EQ(DrawPromptImage(PROMPT_IMAGE_TYPED), EFI_SUCCESS);
  }
  const std::vector<BLT_CALL> Expected = {{EfiBltBufferToVideo, 80, 19, 8, 6, 32},
                                          {EfiBltBufferToVideo, 88, 19, 8, 6, 32},
                                          {EfiBltBufferToVideo, 96, 19, 8, 6, 32}};
  EXPECT_EQ(BltCalls, Expected);
  PROMPT_IMAGE_ENTRY* Entry = FindPromptImageEntry(PROMPT_IMAGE_TYPED);
  ASSERT_NE(Entry, nullptr);
  EXPECT_EQ(Entry->X, 104u);
  EXPECT_NE(Entry->Image, nullptr);

  BltResult = EFI_DEVICE_ERROR;
  EXPECT_EQ(DrawPromptImage(PROMPT_IMAGE_TYPED), EFI_DEVICE_ERROR);
  EXPECT_EQ(Entry->X, 104u);
}

TEST_F(DrawPromptImageTest, PromptIconsStayInPlace) {
  EXPECT_EQ(DrawPromptImage(PROMPT_IMAGE_SUPERVISOR), EFI_SUCCESS);
  EXPECT_EQ(DrawPromptImage(PROMPT_IMAGE_SUPERVISOR), EFI_SUCCESS);
  EXPECT_EQ(DrawPromptImage(PROMPT_IMAGE_ACCEPTED), EFI_SUCCESS);
  const std::vector<BLT_CALL> Expected = {{EfiBltBufferToVideo, 32, 19, 32, 32, 128},
                                          {EfiBltBufferToVideo, 32, 19, 32, 32, 128},
                                          {EfiBltBufferToVideo, 80, 19, 32, 44, 128}};
  EXPECT_EQ(BltCalls, Expected);
  EXPECT_EQ(FindPromptImageEntry(PROMPT_IMAGE_SUPERVISOR)->X, 32u);
}

TEST_F(DrawPromptImageTest, ImagesOutsideTheTableOrWithoutScreenDrawNothing) {
  EXPECT_EQ(DrawPromptImage(5), EFI_NOT_FOUND);  // in the package, used by no screen
  EXPECT_EQ(DrawPromptImage(16), EFI_NOT_FOUND);
  PromptGop = nullptr;
  EXPECT_EQ(DrawPromptImage(PROMPT_IMAGE_TYPED), EFI_NOT_READY);
  EXPECT_TRUE(BltCalls.empty());
}

}  // namespace
