// Pool and page allocation with ownership, misuse detection and fault
// injection.
#include "sim/Memory.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "sim/Boot.h"

namespace sim {
namespace {

constexpr UINT64 kFourGigabytes = 1ull << 32;
constexpr UINT32 kMemoryDescriptorVersion = 1;

void* MapPages(std::size_t Bytes, int ExtraFlags, void* Hint) {
  void* Where = mmap(Hint, Bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | ExtraFlags, -1, 0);
  return Where == MAP_FAILED ? nullptr : Where;
}

}  // namespace

bool IsValidPoolType(EFI_MEMORY_TYPE Type) {
  auto Value = (UINT32)Type;
  if (Value >= 0x70000000u) return true;  // OEM and OS-loader ranges
  if (Value >= EfiMaxMemoryType) return false;
  return Type != EfiConventionalMemory && Type != EfiPersistentMemory && Type != EfiUnacceptedMemoryType;
}

const char* MemoryTypeName(EFI_MEMORY_TYPE Type) {
  static const char* const Names[] = {"Reserved",          "LoaderCode",        "LoaderData",
                                      "BootServicesCode",  "BootServicesData",  "RuntimeServicesCode",
                                      "RuntimeServicesData", "Conventional",    "Unusable",
                                      "ACPIReclaim",       "ACPIMemoryNVS",     "MemoryMappedIO",
                                      "MemoryMappedIOPortSpace", "PalCode",     "Persistent",
                                      "Unaccepted"};
  return (UINT32)Type < EfiMaxMemoryType ? Names[Type] : "Oem";
}

Memory::Memory(Boot& Owner, std::size_t Limit) : Boot_(Owner), Limit_(Limit) {}

Memory::~Memory() {
  // The boot is over: give everything back to the host.
  for (auto& [Address, Block] : Live_) {
    if (Block.Pages) {
      munmap((void*)Address, Block.Size);
    } else {
      std::free((void*)Address);
    }
  }
}

bool Memory::InjectFault(const std::string& Caller) {
  bool Fail = FailingOwners_.count(Caller) != 0;
  for (auto It = NthFaults_.begin(); It != NthFaults_.end();) {
    if (It->Owner && *It->Owner != Caller) {
      ++It;
      continue;
    }
    if (--It->Remaining == 0) {
      Fail = true;
      It = NthFaults_.erase(It);
    } else {
      ++It;
    }
  }
  if (Fail) Boot_.Trace().Record("memory.fault", {{"caller", Caller}, {"request", Requests_}});
  return Fail;
}

bool Memory::Admit(std::size_t Size) const { return Size <= Limit_ && InUse_ <= Limit_ - Size; }

void Memory::Register(std::uintptr_t Address, std::size_t Size, EFI_MEMORY_TYPE Type, const std::string& Caller,
                      bool Pages) {
  Live_[Address] = Allocation{Address, Size, Type, Caller, Requests_, Boot_.Clock().Now(), Pages};
  Freed_.erase(Address);
  InUse_ += Size;
  MapKey_++;
}

EFI_STATUS Memory::AllocatePool(EFI_MEMORY_TYPE Type, UINTN Size, VOID** Buffer, const std::string& Caller) {
  if (Buffer == nullptr || !IsValidPoolType(Type)) return EFI_INVALID_PARAMETER;
  Requests_++;
  if (InjectFault(Caller) || !Admit(Size)) return EFI_OUT_OF_RESOURCES;
  // Exact size, so the sanitizer catches the first byte past the end.
  void* Block = std::malloc(Size != 0 ? Size : 1);
  if (Block == nullptr) return EFI_OUT_OF_RESOURCES;
  std::memset(Block, kFreshPoolByte, Size);
  Register((std::uintptr_t)Block, Size, Type, Caller, false);
  *Buffer = Block;
  return EFI_SUCCESS;
}

EFI_STATUS Memory::FreePool(VOID* Buffer, const std::string& Caller) {
  auto Found = Live_.find((std::uintptr_t)Buffer);
  if (Found == Live_.end() || Found->second.Pages) {
    bool Twice = Freed_.count((std::uintptr_t)Buffer) != 0;
    Boot_.Violate(Twice ? "free.double" : "free.foreign",
                  std::string("FreePool of ") + (Twice ? "a block already freed" : "a pointer the pool never gave") +
                      " at " + HexStatus((UINT64)(std::uintptr_t)Buffer),
                  Caller);
    return EFI_INVALID_PARAMETER;
  }
  if (FreeObserver_) FreeObserver_(Found->second, static_cast<const std::uint8_t*>(Buffer));
  InUse_ -= Found->second.Size;
  Live_.erase(Found);
  Freed_.insert((std::uintptr_t)Buffer);
  MapKey_++;
  std::free(Buffer);
  return EFI_SUCCESS;
}

EFI_STATUS Memory::AllocatePages(EFI_ALLOCATE_TYPE Kind, EFI_MEMORY_TYPE Type, UINTN Pages,
                                 EFI_PHYSICAL_ADDRESS* Address, const std::string& Caller) {
  if (Address == nullptr || Kind >= MaxAllocateType || !IsValidPoolType(Type)) return EFI_INVALID_PARAMETER;
  if (Pages == 0 || Pages > (Limit_ / EFI_PAGE_SIZE)) {
    return Pages == 0 ? EFI_INVALID_PARAMETER : EFI_OUT_OF_RESOURCES;
  }
  std::size_t Bytes = Pages * EFI_PAGE_SIZE;
  if (Kind == AllocateAddress && (*Address & (EFI_PAGE_SIZE - 1)) != 0) return EFI_INVALID_PARAMETER;
  Requests_++;
  if (InjectFault(Caller) || !Admit(Bytes)) return EFI_OUT_OF_RESOURCES;

  void* Block = nullptr;
  switch (Kind) {
    case AllocateAnyPages:
      Block = MapPages(Bytes, 0, nullptr);
      break;
    case AllocateMaxAddress: {
      // Below 4 GB the address must really be low: ask the host for it.
      Block = MapPages(Bytes, *Address < kFourGigabytes ? MAP_32BIT : 0, nullptr);
      if (Block != nullptr && (UINT64)(std::uintptr_t)Block + Bytes - 1 > *Address) {
        munmap(Block, Bytes);
        return EFI_NOT_FOUND;
      }
      break;
    }
    default:
      Block = MapPages(Bytes, MAP_FIXED_NOREPLACE, (void*)(std::uintptr_t)*Address);
      if (Block != nullptr && (std::uintptr_t)Block != *Address) {
        munmap(Block, Bytes);
        Block = nullptr;
      }
      if (Block == nullptr) return EFI_NOT_FOUND;
      break;
  }
  if (Block == nullptr) return EFI_OUT_OF_RESOURCES;
  std::memset(Block, kFreshPoolByte, Bytes);
  Register((std::uintptr_t)Block, Bytes, Type, Caller, true);
  *Address = (EFI_PHYSICAL_ADDRESS)(std::uintptr_t)Block;
  return EFI_SUCCESS;
}

EFI_STATUS Memory::FreePages(EFI_PHYSICAL_ADDRESS Address, UINTN Pages, const std::string& Caller) {
  if ((Address & (EFI_PAGE_SIZE - 1)) != 0 || Pages == 0) return EFI_INVALID_PARAMETER;
  // A count too large for any allocation must not wrap into a small one.
  std::size_t Bytes = Pages <= SIZE_MAX / EFI_PAGE_SIZE ? Pages * EFI_PAGE_SIZE : SIZE_MAX;
  // The range must lie inside one page allocation; a part of it may go.
  auto Found = Live_.upper_bound((std::uintptr_t)Address);
  if (Found != Live_.begin()) --Found;
  bool Inside = Found != Live_.end() && Found->second.Pages && Found->first <= Address &&
                Address - Found->first + Bytes <= Found->second.Size && Bytes <= Found->second.Size;
  if (!Inside) {
    Boot_.Violate("free.foreign", "FreePages of pages AllocatePages never gave at " + HexStatus(Address), Caller);
    return EFI_NOT_FOUND;
  }
  Allocation Block = Found->second;
  Live_.erase(Found);
  InUse_ -= Block.Size;
  std::uintptr_t End = Block.Address + Block.Size;
  std::uintptr_t FreeEnd = (std::uintptr_t)Address + Bytes;
  munmap((void*)(std::uintptr_t)Address, Bytes);
  // What is left before and after the freed range stays allocated.
  if ((std::uintptr_t)Address > Block.Address) {
    Allocation Head = Block;
    Head.Size = (std::uintptr_t)Address - Block.Address;
    Live_[Head.Address] = Head;
    InUse_ += Head.Size;
  }
  if (FreeEnd < End) {
    Allocation Tail = Block;
    Tail.Address = FreeEnd;
    Tail.Size = End - FreeEnd;
    Live_[Tail.Address] = Tail;
    InUse_ += Tail.Size;
  }
  MapKey_++;
  return EFI_SUCCESS;
}

EFI_STATUS Memory::GetMemoryMap(UINTN* MapSize, EFI_MEMORY_DESCRIPTOR* Map, UINTN* MapKey, UINTN* DescriptorSize,
                                UINT32* DescriptorVersion) const {
  if (MapSize == nullptr) return EFI_INVALID_PARAMETER;
  std::vector<EFI_MEMORY_DESCRIPTOR> Descriptors;
  for (const auto& [Address, Block] : Live_) {
    if (!Block.Pages) continue;
    Descriptors.push_back(EFI_MEMORY_DESCRIPTOR{(UINT32)Block.Type, (EFI_PHYSICAL_ADDRESS)Address, 0,
                                                Block.Size / EFI_PAGE_SIZE, 0});
  }
  UINTN Needed = Descriptors.size() * sizeof(EFI_MEMORY_DESCRIPTOR);
  if (DescriptorSize != nullptr) *DescriptorSize = sizeof(EFI_MEMORY_DESCRIPTOR);
  if (DescriptorVersion != nullptr) *DescriptorVersion = kMemoryDescriptorVersion;
  if (*MapSize < Needed) {
    *MapSize = Needed;
    return EFI_BUFFER_TOO_SMALL;
  }
  if (Map == nullptr || MapKey == nullptr || DescriptorSize == nullptr || DescriptorVersion == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  std::copy(Descriptors.begin(), Descriptors.end(), Map);
  *MapSize = Needed;
  *MapKey = MapKey_;
  return EFI_SUCCESS;
}

std::vector<Allocation> Memory::Outstanding(std::optional<std::string> Owner,
                                            std::optional<EFI_MEMORY_TYPE> Type) const {
  std::vector<Allocation> Found;
  for (const auto& [Address, Block] : Live_) {
    if (Owner && Block.Owner != *Owner) continue;
    if (Type && Block.Type != *Type) continue;
    Found.push_back(Block);
  }
  std::sort(Found.begin(), Found.end(),
            [](const Allocation& A, const Allocation& B) { return A.Sequence < B.Sequence; });
  return Found;
}

const Allocation* Memory::Find(const void* Address) const {
  auto Found = Live_.upper_bound((std::uintptr_t)Address);
  if (Found == Live_.begin()) return nullptr;
  --Found;
  const Allocation& Block = Found->second;
  return (std::uintptr_t)Address < Block.Address + std::max<std::size_t>(Block.Size, 1) ? &Block : nullptr;
}

void Memory::FailNthAllocation(std::uint64_t N, std::optional<std::string> Owner) {
  if (N != 0) NthFaults_.push_back(NthFault{N, std::move(Owner)});
}

void Memory::FailAllAllocationsOf(std::string Owner) { FailingOwners_.insert(std::move(Owner)); }

void Memory::ClearFaults() {
  NthFaults_.clear();
  FailingOwners_.clear();
}

}  // namespace sim
