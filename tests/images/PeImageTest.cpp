// Reads the built driver images back and checks that each is an x86-64 EFI
// boot-service driver the platform can load at any address.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "tests/images/PeImage.h"

namespace {

std::vector<std::uint8_t> ReadFile(const char* Path) {
  std::ifstream In(Path, std::ios::binary);
  return {std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>()};
}

// The first fault of an image file: structural, else a missing driver property.
std::string Fault(const std::vector<std::uint8_t>& File) {
  pe::Image Image;
  std::string Problem = pe::ReadImage(File, Image);
  return Problem.empty() ? pe::EfiDriverFault(Image) : Problem;
}

struct DriverImage {
  const char* Name;
  const char* Path;
};

// Names the case in test listings.
void PrintTo(const DriverImage& Image, std::ostream* Out) { *Out << Image.Name; }

class EfiDriverImage : public testing::TestWithParam<DriverImage> {};

TEST_P(EfiDriverImage, IsRelocatableBootServiceDriverWithoutImports) {
  const std::vector<std::uint8_t> File = ReadFile(GetParam().Path);
  ASSERT_FALSE(File.empty()) << "cannot read " << GetParam().Path;
  pe::Image Image;
  ASSERT_EQ(pe::ReadImage(File, Image), "");
  EXPECT_EQ(pe::EfiDriverFault(Image), "");
  EXPECT_EQ(Image.Machine, pe::kMachineX64);
  EXPECT_EQ(Image.Subsystem, pe::kSubsystemEfiBootServiceDriver);
  EXPECT_EQ(Image.Import.Size, 0u);
  EXPECT_GT(Image.Dir64Relocations, 0u);
  std::printf("%s.efi: %zu bytes in the file, %u bytes loaded, %zu relocations\n", GetParam().Name, File.size(),
              Image.SizeOfImage, Image.Dir64Relocations);
}

INSTANTIATE_TEST_SUITE_P(Built, EfiDriverImage,
                         testing::Values(DriverImage{"Sentrel", SENTREL_EFI_PATH},
                                         DriverImage{"Fwlift", FWLIFT_EFI_PATH}),
                         [](const testing::TestParamInfo<DriverImage>& Info) { return Info.param.Name; });

std::uint32_t Get32(const std::vector<std::uint8_t>& File, std::size_t At) {
  return File[At] | (File[At + 1] << 8) | (File[At + 2] << 16) | (static_cast<std::uint32_t>(File[At + 3]) << 24);
}
void Put16(std::vector<std::uint8_t>& File, std::size_t At, std::uint16_t Value) {
  File[At] = static_cast<std::uint8_t>(Value);
  File[At + 1] = static_cast<std::uint8_t>(Value >> 8);
}
void Put32(std::vector<std::uint8_t>& File, std::size_t At, std::uint32_t Value) {
  Put16(File, At, static_cast<std::uint16_t>(Value));
  Put16(File, At + 2, static_cast<std::uint16_t>(Value >> 16));
}

// The checker itself: each damage done to a good image is reported.
TEST(PeImageCheck, ReportsEachDamageToAGoodImage) {
  const std::vector<std::uint8_t> Good = ReadFile(FWLIFT_EFI_PATH);
  ASSERT_EQ(Fault(Good), "");
  pe::Image Image;
  ASSERT_EQ(pe::ReadImage(Good, Image), "");

  const std::size_t Header = Get32(Good, pe::kDosNewHeaderOffset);
  const std::size_t FileHeader = Header + 4;
  const std::size_t Optional = FileHeader + pe::kFileHeaderSize;
  const std::size_t Directories = Optional + pe::kOptDataDirectories;
  // The first relocation block, found through the section that holds it.
  std::size_t Relocs = 0;
  for (const pe::Section& S : Image.Sections) {
    if (Image.BaseReloc.Rva >= S.VirtualAddress && Image.BaseReloc.Rva - S.VirtualAddress < S.RawSize) {
      Relocs = S.RawOffset + (Image.BaseReloc.Rva - S.VirtualAddress);
    }
  }
  ASSERT_NE(Relocs, 0u);

  using Damage = std::function<void(std::vector<std::uint8_t>&)>;
  const struct {
    const char* What;
    Damage Apply;
    const char* Reported;
  } Cases[] = {
      {"DOS signature", [](auto& F) { F[0] = 'X'; }, "DOS header"},
      {"PE signature", [&](auto& F) { F[Header] = 'X'; }, "PE signature"},
      {"cut inside the headers", [&](auto& F) { F.resize(Optional + 16); }, "optional header truncated"},
      {"32-bit machine", [&](auto& F) { Put16(F, FileHeader + pe::kFileMachine, 0x14C); }, "not x86-64"},
      {"PE32 magic", [&](auto& F) { Put16(F, Optional + pe::kOptMagic, 0x10B); }, "not PE32+"},
      {"application subsystem", [&](auto& F) { Put16(F, Optional + pe::kOptSubsystem, 10); }, "subsystem 10"},
      {"no entry point", [&](auto& F) { Put32(F, Optional + pe::kOptAddressOfEntryPoint, 0); }, "no entry point"},
      {"entry past the sections",
       [&](auto& F) { Put32(F, Optional + pe::kOptAddressOfEntryPoint, Image.SizeOfImage); },
       "not inside an executable section"},
      {"import directory", [&](auto& F) { Put32(F, Directories + 8 * pe::kDirImport + 4, 40); }, "imports"},
      {"no relocation directory", [&](auto& F) { Put32(F, Directories + 8 * pe::kDirBaseReloc + 4, 0); },
       "no base-relocation directory"},
      {"relocation block too small", [&](auto& F) { Put32(F, Relocs + 4, 6); }, "has size"},
      {"relocation block past the directory",
       [&](auto& F) { Put32(F, Relocs + 4, Image.BaseReloc.Size + 4); }, "has size"},
      {"32-bit fixup", [&](auto& F) { Put16(F, Relocs + 8, 0x3000); }, "not an x86-64 fixup"},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.What);
    std::vector<std::uint8_t> Damaged = Good;
    Case.Apply(Damaged);
    EXPECT_NE(Fault(Damaged).find(Case.Reported), std::string::npos) << "reported: " << Fault(Damaged);
  }
}

}  // namespace
