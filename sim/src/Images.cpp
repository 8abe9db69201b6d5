// Loading driver images: a private copy of a host shared object per boot,
// so every boot starts from the image's initial globals.
#include "sim/Images.h"

#include <dlfcn.h>
#include <elf.h>
#include <link.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace sim {
namespace {

struct Extent {
  const char* Path;
  std::uintptr_t Bias;
  std::uintptr_t Low = ~(std::uintptr_t)0;
  std::uintptr_t High = 0;
};

int MeasureLoadSegments(dl_phdr_info* Info, size_t, void* Context) {
  auto* Wanted = static_cast<Extent*>(Context);
  if (Info->dlpi_addr != Wanted->Bias || Info->dlpi_name == nullptr ||
      std::strcmp(Info->dlpi_name, Wanted->Path) != 0) {
    return 0;
  }
  for (int Index = 0; Index < Info->dlpi_phnum; Index++) {
    const ElfW(Phdr)& Segment = Info->dlpi_phdr[Index];
    if (Segment.p_type != PT_LOAD) continue;
    Wanted->Low = std::min<std::uintptr_t>(Wanted->Low, Info->dlpi_addr + Segment.p_vaddr);
    Wanted->High = std::max<std::uintptr_t>(Wanted->High, Info->dlpi_addr + Segment.p_vaddr + Segment.p_memsz);
  }
  return 1;
}

// The defined functions and objects of the image's symbol table, hidden
// ones included, by name, as offsets from the load bias.
std::map<std::string, std::uintptr_t, std::less<>> ReadSymbols(const std::vector<char>& File) {
  std::map<std::string, std::uintptr_t, std::less<>> Symbols;
  auto Fits = [&](std::uint64_t Offset, std::uint64_t Size) {
    return Offset <= File.size() && Size <= File.size() - Offset;
  };
  if (!Fits(0, sizeof(Elf64_Ehdr))) return Symbols;
  Elf64_Ehdr Header;
  std::memcpy(&Header, File.data(), sizeof(Header));
  if (std::memcmp(Header.e_ident, ELFMAG, SELFMAG) != 0 || Header.e_ident[EI_CLASS] != ELFCLASS64 ||
      Header.e_shentsize != sizeof(Elf64_Shdr) || !Fits(Header.e_shoff, (std::uint64_t)Header.e_shnum * sizeof(Elf64_Shdr))) {
    return Symbols;
  }
  std::vector<Elf64_Shdr> Sections(Header.e_shnum);
  std::memcpy(Sections.data(), File.data() + Header.e_shoff, Sections.size() * sizeof(Elf64_Shdr));
  for (const auto& Table : Sections) {
    if (Table.sh_type != SHT_SYMTAB || Table.sh_link >= Sections.size() || !Fits(Table.sh_offset, Table.sh_size)) {
      continue;
    }
    const Elf64_Shdr& Strings = Sections[Table.sh_link];
    if (!Fits(Strings.sh_offset, Strings.sh_size)) continue;
    for (std::uint64_t At = 0; At + sizeof(Elf64_Sym) <= Table.sh_size; At += sizeof(Elf64_Sym)) {
      Elf64_Sym Symbol;
      std::memcpy(&Symbol, File.data() + Table.sh_offset + At, sizeof(Symbol));
      int Type = ELF64_ST_TYPE(Symbol.st_info);
      if (Symbol.st_shndx == SHN_UNDEF || (Type != STT_OBJECT && Type != STT_FUNC) ||
          Symbol.st_name >= Strings.sh_size) {
        continue;
      }
      const char* Name = File.data() + Strings.sh_offset + Symbol.st_name;
      std::size_t Length = strnlen(Name, Strings.sh_size - Symbol.st_name);
      Symbols.emplace(std::string(Name, Length), Symbol.st_value);
    }
  }
  return Symbols;
}

std::vector<char> ReadFile(const std::filesystem::path& Path) {
  std::ifstream In(Path, std::ios::binary);
  if (!In) throw std::runtime_error("cannot read driver image " + Path.string());
  return std::vector<char>(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

// A private copy of the file: loading the same path twice would share the
// first load, globals and all.
std::string WritePrivateCopy(const std::vector<char>& Bytes) {
  std::string Path = (std::filesystem::temp_directory_path() / "fwsim-image-XXXXXX.so").string();
  int File = mkstemps(Path.data(), 3);
  if (File < 0) throw std::runtime_error("cannot create a private image file in " + Path);
  std::size_t Written = 0;
  while (Written < Bytes.size()) {
    ssize_t Now = write(File, Bytes.data() + Written, Bytes.size() - Written);
    if (Now <= 0) {
      close(File);
      std::filesystem::remove(Path);
      throw std::runtime_error("cannot write the private image file " + Path);
    }
    Written += (std::size_t)Now;
  }
  close(File);
  return Path;
}

}  // namespace

std::unique_ptr<LoadedImage> LoadedImage::Load(const DriverImage& Image) {
  std::unique_ptr<LoadedImage> Loaded(new LoadedImage());
  Loaded->Name_ = Image.Name;
  if (Image.Path.empty()) {
    if (!Image.Entry) throw std::runtime_error("driver image " + Image.Name + " has neither a file nor an entry");
    Loaded->InProcess_ = Image.Entry;
    return Loaded;
  }
  std::vector<char> Bytes = ReadFile(Image.Path);
  std::string Copy = WritePrivateCopy(Bytes);
  Loaded->Library_ = dlopen(Copy.c_str(), RTLD_NOW | RTLD_LOCAL);
  const char* Error = Loaded->Library_ == nullptr ? dlerror() : nullptr;
  std::string Reason = Error != nullptr ? Error : "";
  if (Loaded->Library_ == nullptr) {
    std::filesystem::remove(Copy);
    throw std::runtime_error("cannot load driver image " + Image.Path.string() + ": " + Reason);
  }
  Loaded->BindFunction_ = reinterpret_cast<HOST_BIND_PLATFORM>(dlsym(Loaded->Library_, HOST_BIND_SYMBOL));
  Loaded->EntryFunction_ = reinterpret_cast<EFI_IMAGE_ENTRY_POINT>(dlsym(Loaded->Library_, DRIVER_ENTRY_SYMBOL));
  link_map* Map = nullptr;
  if (dlinfo(Loaded->Library_, RTLD_DI_LINKMAP, &Map) == 0 && Map != nullptr) {
    Extent Measured{Copy.c_str(), Map->l_addr};
    dl_iterate_phdr(MeasureLoadSegments, &Measured);
    Loaded->Bias_ = Map->l_addr;
    if (Measured.High > Measured.Low) {
      Loaded->Base_ = Measured.Low;
      Loaded->Size_ = Measured.High - Measured.Low;
    }
  }
  // The mapping outlives the file.
  std::filesystem::remove(Copy);
  if (Loaded->BindFunction_ == nullptr || Loaded->EntryFunction_ == nullptr || Loaded->Size_ == 0) {
    throw std::runtime_error("driver image " + Image.Path.string() + " lacks " HOST_BIND_SYMBOL " or " DRIVER_ENTRY_SYMBOL);
  }
  Loaded->Symbols_ = ReadSymbols(Bytes);
  return Loaded;
}

LoadedImage::~LoadedImage() {
  if (Library_ != nullptr) dlclose(Library_);
}

bool LoadedImage::Contains(const void* Address) const {
  auto Value = (std::uintptr_t)Address;
  return Library_ != nullptr && Value >= Base_ && Value - Base_ < Size_;
}

EFI_STATUS LoadedImage::Bind(const HOST_PLATFORM* Platform) const {
  return Library_ != nullptr ? BindFunction_(Platform) : EFI_SUCCESS;
}

EFI_STATUS LoadedImage::Start(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE* SystemTable) const {
  return Library_ != nullptr ? EntryFunction_(ImageHandle, SystemTable) : InProcess_(ImageHandle, SystemTable);
}

VOID* LoadedImage::Symbol(std::string_view Name) const {
  auto Found = Symbols_.find(Name);
  return Found == Symbols_.end() ? nullptr : (VOID*)(Bias_ + Found->second);
}

}  // namespace sim
