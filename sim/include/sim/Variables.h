// UEFI variables. A VariableStore holds variables of one kind with a size
// limit: the machine keeps the non-volatile store across boots, each boot
// has its own volatile store. Variables answers the runtime services over
// both with the standard's rules.
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "sim/Guid.h"
#include "uefi/SystemTable.h"

namespace sim {

class Boot;

struct Variable {
  UINT32 Attributes;
  std::vector<std::uint8_t> Data;
};

class VariableStore {
 public:
  // Every variable costs a fixed header besides its name and data.
  static constexpr std::size_t kHeaderSize = 64;

  VariableStore(std::size_t Capacity, std::size_t MaxVariableSize)
      : Capacity_(Capacity), MaxVariableSize_(MaxVariableSize) {}

  const Variable* Get(const std::u16string& Name, const EFI_GUID& Guid) const;
  // Platform side: writes without the service's rules (a board's defaults).
  void Put(const std::u16string& Name, const EFI_GUID& Guid, UINT32 Attributes, std::vector<std::uint8_t> Data);
  bool Erase(const std::u16string& Name, const EFI_GUID& Guid);
  std::vector<std::pair<std::u16string, EFI_GUID>> Names() const;

  // The store's size and the largest variable (name, data and header).
  void SetLimits(std::size_t Capacity, std::size_t MaxVariableSize) {
    Capacity_ = Capacity;
    MaxVariableSize_ = MaxVariableSize;
  }
  std::size_t Capacity() const { return Capacity_; }
  std::size_t MaxVariableSize() const { return MaxVariableSize_; }
  std::size_t Used() const;
  static std::size_t Cost(const std::u16string& Name, std::size_t DataSize);

 private:
  struct Key {
    std::u16string Name;
    EFI_GUID Guid;
    bool operator<(const Key& Other) const;
  };
  std::size_t Capacity_;
  std::size_t MaxVariableSize_;
  std::map<Key, Variable> Variables_;
};

class Variables {
 public:
  // Longest name, in characters, searched for its terminator.
  static constexpr std::size_t kMaxNameLength = 1024;

  Variables(Boot& Owner, VariableStore& NonVolatile, VariableStore& Volatile);

  [[nodiscard]] EFI_STATUS Get(const CHAR16* Name, const EFI_GUID* Guid, UINT32* Attributes, UINTN* DataSize,
                               VOID* Data);
  [[nodiscard]] EFI_STATUS GetNextName(UINTN* NameSize, CHAR16* Name, EFI_GUID* Guid);
  [[nodiscard]] EFI_STATUS Set(const CHAR16* Name, const EFI_GUID* Guid, UINT32 Attributes, UINTN DataSize,
                               const VOID* Data, const std::string& Caller);
  [[nodiscard]] EFI_STATUS QueryInfo(UINT32 Attributes, UINT64* MaximumStorage, UINT64* RemainingStorage,
                                     UINT64* MaximumVariableSize);

  VariableStore& NonVolatile() { return NonVolatile_; }
  VariableStore& Volatile() { return Volatile_; }

 private:
  // The name up to its terminator; none within the bound is a violation.
  std::optional<std::u16string> ReadName(const CHAR16* Name, const char* Service);
  // The store that holds the variable, if any.
  VariableStore* Holder(const std::u16string& Name, const EFI_GUID& Guid);

  Boot& Boot_;
  VariableStore& NonVolatile_;
  VariableStore& Volatile_;
};

}  // namespace sim
