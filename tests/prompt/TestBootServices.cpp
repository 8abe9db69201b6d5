#include "tests/prompt/TestBootServices.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>

#include "support/Library.h"

namespace {

constexpr std::size_t GUARD_SIZE = 32;
constexpr unsigned char GUARD_BYTE = 0xA5;

std::map<void*, std::size_t>& Buffers() {
  static std::map<void*, std::size_t> Live;
  return Live;
}

EFI_STATUS EFIAPI TestAllocatePool(EFI_MEMORY_TYPE, UINTN Size, VOID** Buffer) {
  if (Size > (1ull << 32)) {
    return EFI_OUT_OF_RESOURCES;
  }
  auto* Memory = static_cast<unsigned char*>(std::malloc(Size + GUARD_SIZE));
  if (Memory == nullptr) {
    return EFI_OUT_OF_RESOURCES;
  }
  std::memset(Memory, 0xCC, Size);  // pool contents are undefined
  std::memset(Memory + Size, GUARD_BYTE, GUARD_SIZE);
  Buffers()[Memory] = Size;
  *Buffer = Memory;
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI TestFreePool(VOID* Buffer) {
  auto Found = Buffers().find(Buffer);
  if (Found == Buffers().end()) {
    ADD_FAILURE() << "FreePool of a buffer that is not allocated";
    return EFI_INVALID_PARAMETER;
  }
  auto* Memory = static_cast<unsigned char*>(Buffer);
  for (std::size_t Index = 0; Index < GUARD_SIZE; Index++) {
    if (Memory[Found->second + Index] != GUARD_BYTE) {
      ADD_FAILURE() << "pool buffer of " << Found->second << " bytes written past its end";
      break;
    }
  }
  Buffers().erase(Found);
  std::free(Buffer);
  return EFI_SUCCESS;
}

EFI_BOOT_SERVICES TestBootServices = [] {
  EFI_BOOT_SERVICES Table{};
  Table.AllocatePool = TestAllocatePool;
  Table.FreePool = TestFreePool;
  return Table;
}();

}  // namespace

void InstallTestBootServices() {
  for (auto& [Buffer, Size] : Buffers()) {
    std::free(Buffer);
  }
  Buffers().clear();
  gBS = &TestBootServices;
}

std::size_t LivePoolBuffers() { return Buffers().size(); }

// The support library's entry point calls the driver's initialisation; these
// tests never enter it.
EFI_STATUS DriverInitialize(EFI_HANDLE, EFI_SYSTEM_TABLE*) { return EFI_UNSUPPORTED; }
