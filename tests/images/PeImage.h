// A small reader for PE32+ image files and the properties that make one an
// x86-64 EFI boot-service driver the platform's image loader can relocate.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace pe {

// File layout.
inline constexpr std::size_t kDosNewHeaderOffset = 0x3C;  // e_lfanew
inline constexpr std::size_t kFileHeaderSize = 20;
inline constexpr std::size_t kSectionHeaderSize = 40;
inline constexpr std::size_t kRelocBlockHeaderSize = 8;

// Offsets inside the file header (after the "PE\0\0" signature).
inline constexpr std::size_t kFileMachine = 0;
inline constexpr std::size_t kFileNumberOfSections = 2;
inline constexpr std::size_t kFileSizeOfOptionalHeader = 16;

// Offsets inside the PE32+ optional header.
inline constexpr std::size_t kOptMagic = 0;
inline constexpr std::size_t kOptAddressOfEntryPoint = 16;
inline constexpr std::size_t kOptSizeOfImage = 56;
inline constexpr std::size_t kOptSubsystem = 68;
inline constexpr std::size_t kOptNumberOfRvaAndSizes = 108;
inline constexpr std::size_t kOptDataDirectories = 112;

// Offsets inside a section header.
inline constexpr std::size_t kSecVirtualSize = 8;
inline constexpr std::size_t kSecVirtualAddress = 12;
inline constexpr std::size_t kSecSizeOfRawData = 16;
inline constexpr std::size_t kSecPointerToRawData = 20;
inline constexpr std::size_t kSecCharacteristics = 36;

// Data directory indices.
inline constexpr std::size_t kDirImport = 1;
inline constexpr std::size_t kDirBaseReloc = 5;

inline constexpr std::uint16_t kDosSignature = 0x5A4D;   // "MZ"
inline constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
inline constexpr std::uint16_t kMachineX64 = 0x8664;
inline constexpr std::uint16_t kMagicPe32Plus = 0x20B;
inline constexpr std::uint16_t kSubsystemEfiBootServiceDriver = 11;
inline constexpr std::uint32_t kSectionExecutable = 0x20000000;  // IMAGE_SCN_MEM_EXECUTE
inline constexpr unsigned kRelocAbsolute = 0;  // padding entry
inline constexpr unsigned kRelocDir64 = 10;

struct DataDirectory {
  std::uint32_t Rva = 0;
  std::uint32_t Size = 0;
};

struct Section {
  std::string Name;
  std::uint32_t VirtualAddress = 0;
  std::uint32_t VirtualSize = 0;
  std::uint32_t RawOffset = 0;
  std::uint32_t RawSize = 0;
  std::uint32_t Characteristics = 0;
};

struct Image {
  std::uint16_t Machine = 0;
  std::uint16_t Magic = 0;
  std::uint16_t Subsystem = 0;
  std::uint32_t EntryPoint = 0;
  std::uint32_t SizeOfImage = 0;
  DataDirectory Import;
  DataDirectory BaseReloc;
  std::vector<Section> Sections;
  // DIR64 fixups found in the base-relocation block list.
  std::size_t Dir64Relocations = 0;
};

// Reads the headers, the section table and the base-relocation block list.
// Returns "" or a description of the first structural fault, in which case
// Out holds what was read up to it.
std::string ReadImage(std::span<const std::uint8_t> File, Image& Out);

// Returns "" when the image is an x86-64 EFI boot-service driver with a
// relocatable, import-free layout, else the first property it lacks.
std::string EfiDriverFault(const Image& Image);

}  // namespace pe
