#include "tests/images/PeImage.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace pe {
namespace {

std::string Hex(std::uint64_t Value) {
  char Text[24];
  std::snprintf(Text, sizeof(Text), "%#llx", static_cast<unsigned long long>(Value));
  return Text;
}

// Little-endian reads that report a read past the end instead of making it.
class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> Bytes) : Bytes_(Bytes) {}

  bool Has(std::size_t Offset, std::size_t Length) const {
    return Offset <= Bytes_.size() && Length <= Bytes_.size() - Offset;
  }
  std::uint16_t U16(std::size_t Offset) const { return static_cast<std::uint16_t>(Le(Offset, 2)); }
  std::uint32_t U32(std::size_t Offset) const { return static_cast<std::uint32_t>(Le(Offset, 4)); }

 private:
  std::uint64_t Le(std::size_t Offset, std::size_t Width) const {
    std::uint64_t Value = 0;
    for (std::size_t I = 0; I < Width; ++I) {
      Value |= static_cast<std::uint64_t>(Bytes_[Offset + I]) << (8 * I);
    }
    return Value;
  }
  std::span<const std::uint8_t> Bytes_;
};

// File offset of Length bytes at Rva, when a section's file data holds them.
std::optional<std::size_t> RvaToFile(const Image& Image, std::uint32_t Rva, std::uint32_t Length) {
  for (const Section& S : Image.Sections) {
    if (Rva >= S.VirtualAddress && static_cast<std::uint64_t>(Rva - S.VirtualAddress) + Length <= S.RawSize) {
      return static_cast<std::size_t>(S.RawOffset) + (Rva - S.VirtualAddress);
    }
  }
  return std::nullopt;
}

std::string ReadRelocations(const Reader& File, Image& Out) {
  if (Out.BaseReloc.Size == 0) {
    return "";
  }
  const std::optional<std::size_t> Start = RvaToFile(Out, Out.BaseReloc.Rva, Out.BaseReloc.Size);
  if (!Start || !File.Has(*Start, Out.BaseReloc.Size)) {
    return "base-relocation directory lies outside the file data of the sections";
  }
  std::size_t Offset = 0;
  while (Offset < Out.BaseReloc.Size) {
    if (Out.BaseReloc.Size - Offset < kRelocBlockHeaderSize) {
      return "base-relocation block at +" + Hex(Offset) + " has a truncated header";
    }
    const std::uint32_t PageRva = File.U32(*Start + Offset);
    const std::uint32_t BlockSize = File.U32(*Start + Offset + 4);
    // Blocks start on 32-bit boundaries and hold whole 16-bit entries.
    if (BlockSize < kRelocBlockHeaderSize || BlockSize % 4 != 0 || BlockSize > Out.BaseReloc.Size - Offset) {
      return "base-relocation block at +" + Hex(Offset) + " has size " + Hex(BlockSize);
    }
    for (std::size_t Entry = kRelocBlockHeaderSize; Entry < BlockSize; Entry += 2) {
      const std::uint16_t Value = File.U16(*Start + Offset + Entry);
      const unsigned Type = Value >> 12;
      const std::uint64_t Target = static_cast<std::uint64_t>(PageRva) + (Value & 0xFFF);
      if (Type == kRelocAbsolute) {
        continue;
      }
      if (Type != kRelocDir64) {
        return "relocation type " + std::to_string(Type) + " at " + Hex(Target) + " is not an x86-64 fixup";
      }
      if (Target + 8 > Out.SizeOfImage) {
        return "relocation at " + Hex(Target) + " lies outside the image";
      }
      ++Out.Dir64Relocations;
    }
    Offset += BlockSize;
  }
  return "";
}

}  // namespace

std::string ReadImage(std::span<const std::uint8_t> Bytes, Image& Out) {
  Out = Image{};
  const Reader File(Bytes);
  if (!File.Has(0, kDosNewHeaderOffset + 4) || File.U16(0) != kDosSignature) {
    return "no DOS header (\"MZ\")";
  }
  const std::size_t PeOffset = File.U32(kDosNewHeaderOffset);
  if (!File.Has(PeOffset, 4 + kFileHeaderSize) || File.U32(PeOffset) != kPeSignature) {
    return "no PE signature";
  }
  const std::size_t Header = PeOffset + 4;
  Out.Machine = File.U16(Header + kFileMachine);
  const std::size_t SectionCount = File.U16(Header + kFileNumberOfSections);
  const std::size_t OptionalSize = File.U16(Header + kFileSizeOfOptionalHeader);

  const std::size_t Optional = Header + kFileHeaderSize;
  if (OptionalSize < kOptDataDirectories || !File.Has(Optional, OptionalSize)) {
    return "optional header truncated";
  }
  Out.Magic = File.U16(Optional + kOptMagic);
  if (Out.Magic != kMagicPe32Plus) {
    return "optional header magic " + Hex(Out.Magic) + " is not PE32+";
  }
  Out.EntryPoint = File.U32(Optional + kOptAddressOfEntryPoint);
  Out.SizeOfImage = File.U32(Optional + kOptSizeOfImage);
  Out.Subsystem = File.U16(Optional + kOptSubsystem);
  const std::size_t Directories = File.U32(Optional + kOptNumberOfRvaAndSizes);
  if (Directories > (OptionalSize - kOptDataDirectories) / 8) {
    return "data directories run past the optional header";
  }
  auto Directory = [&](std::size_t Index) {
    DataDirectory D;
    if (Index < Directories) {
      D.Rva = File.U32(Optional + kOptDataDirectories + 8 * Index);
      D.Size = File.U32(Optional + kOptDataDirectories + 8 * Index + 4);
    }
    return D;
  };
  Out.Import = Directory(kDirImport);
  Out.BaseReloc = Directory(kDirBaseReloc);

  const std::size_t Table = Optional + OptionalSize;
  if (!File.Has(Table, SectionCount * kSectionHeaderSize)) {
    return "section table truncated";
  }
  for (std::size_t I = 0; I < SectionCount; ++I) {
    const std::size_t At = Table + I * kSectionHeaderSize;
    Section S;
    S.Name.assign(reinterpret_cast<const char*>(Bytes.data() + At), 8);
    S.Name.resize(S.Name.find('\0') == std::string::npos ? 8 : S.Name.find('\0'));
    S.VirtualSize = File.U32(At + kSecVirtualSize);
    S.VirtualAddress = File.U32(At + kSecVirtualAddress);
    S.RawSize = File.U32(At + kSecSizeOfRawData);
    S.RawOffset = File.U32(At + kSecPointerToRawData);
    S.Characteristics = File.U32(At + kSecCharacteristics);
    if (!File.Has(S.RawOffset, S.RawSize)) {
      return "section " + S.Name + " runs past the end of the file";
    }
    Out.Sections.push_back(S);
  }
  return ReadRelocations(File, Out);
}

std::string EfiDriverFault(const Image& Image) {
  if (Image.Machine != kMachineX64) {
    return "machine " + Hex(Image.Machine) + " is not x86-64";
  }
  if (Image.Subsystem != kSubsystemEfiBootServiceDriver) {
    return "subsystem " + std::to_string(Image.Subsystem) + " is not an EFI boot-service driver";
  }
  if (Image.EntryPoint == 0) {
    return "no entry point";
  }
  const bool EntryInCode = std::any_of(Image.Sections.begin(), Image.Sections.end(), [&](const Section& S) {
    return (S.Characteristics & kSectionExecutable) != 0 && Image.EntryPoint >= S.VirtualAddress &&
           Image.EntryPoint - S.VirtualAddress < S.VirtualSize;
  });
  if (!EntryInCode) {
    return "entry point " + Hex(Image.EntryPoint) + " is not inside an executable section";
  }
  if (Image.Import.Size != 0) {
    return "the image imports from other images";
  }
  if (Image.BaseReloc.Size == 0) {
    return "no base-relocation directory";
  }
  if (Image.Dir64Relocations == 0) {
    return "the base-relocation directory holds no fixup";
  }
  return "";
}

}  // namespace pe
