// Pool and page memory of one boot. Every block is owned by the image that
// asked for it (or by the platform), so the machine knows, per image and per
// memory type, what is outstanding. Pool blocks come from the host heap with
// their exact size, so the address sanitizer sees any overrun.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "uefi/Status.h"

namespace sim {

class Boot;

struct Allocation {
  std::uintptr_t Address;
  std::size_t Size;  // bytes; for pages, pages x 4 KiB
  EFI_MEMORY_TYPE Type;
  std::string Owner;
  std::uint64_t Sequence;  // order of the request within the boot, from 1
  UINT64 Time;
  bool Pages;
};

class Memory {
 public:
  static constexpr std::uint8_t kFreshPoolByte = 0xAF;  // new pool is never zero

  explicit Memory(Boot& Owner, std::size_t Limit);
  ~Memory();
  Memory(const Memory&) = delete;
  Memory& operator=(const Memory&) = delete;

  // The boot services, with the caller resolved by the service entry.
  [[nodiscard]] EFI_STATUS AllocatePool(EFI_MEMORY_TYPE Type, UINTN Size, VOID** Buffer, const std::string& Caller);
  [[nodiscard]] EFI_STATUS FreePool(VOID* Buffer, const std::string& Caller);
  [[nodiscard]] EFI_STATUS AllocatePages(EFI_ALLOCATE_TYPE Kind, EFI_MEMORY_TYPE Type, UINTN Pages,
                                         EFI_PHYSICAL_ADDRESS* Memory, const std::string& Caller);
  [[nodiscard]] EFI_STATUS FreePages(EFI_PHYSICAL_ADDRESS Memory, UINTN Pages, const std::string& Caller);
  [[nodiscard]] EFI_STATUS GetMemoryMap(UINTN* MapSize, EFI_MEMORY_DESCRIPTOR* Map, UINTN* MapKey,
                                        UINTN* DescriptorSize, UINT32* DescriptorVersion) const;

  // What is outstanding, in allocation order; empty filters match all.
  std::vector<Allocation> Outstanding(std::optional<std::string> Owner = std::nullopt,
                                      std::optional<EFI_MEMORY_TYPE> Type = std::nullopt) const;
  // The live block that contains Address, if any.
  const Allocation* Find(const void* Address) const;
  // Changes with every allocation and free, as the memory map's key does.
  UINTN MapKey() const { return MapKey_; }

  // Fault injection. The Nth request from now on (counting only Owner's
  // when given), or every request of Owner, fails with EFI_OUT_OF_RESOURCES.
  void FailNthAllocation(std::uint64_t N, std::optional<std::string> Owner = std::nullopt);
  void FailAllAllocationsOf(std::string Owner);
  void ClearFaults();

  // Sees each pool block's contents as it is freed: what the next owner of
  // that memory (in the end the operating system) could read.
  using FreeObserver = std::function<void(const Allocation& Block, const std::uint8_t* Data)>;
  void ObserveFrees(FreeObserver Observer) { FreeObserver_ = std::move(Observer); }

 private:
  bool InjectFault(const std::string& Caller);
  bool Admit(std::size_t Size) const;
  void Register(std::uintptr_t Address, std::size_t Size, EFI_MEMORY_TYPE Type, const std::string& Caller,
                bool Pages);

  Boot& Boot_;
  std::size_t Limit_;
  std::size_t InUse_ = 0;
  std::uint64_t Requests_ = 0;
  std::uint64_t MapKey_ = 1;
  std::map<std::uintptr_t, Allocation> Live_;
  std::set<std::uintptr_t> Freed_;  // pool blocks handed back, until reused
  FreeObserver FreeObserver_;

  struct NthFault {
    std::uint64_t Remaining;
    std::optional<std::string> Owner;
  };
  std::vector<NthFault> NthFaults_;
  std::set<std::string> FailingOwners_;
};

bool IsValidPoolType(EFI_MEMORY_TYPE Type);
const char* MemoryTypeName(EFI_MEMORY_TYPE Type);

}  // namespace sim
