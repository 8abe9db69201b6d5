// Pool allocation through the boot services.
#include "support/Pool.h"

#include "support/Library.h"
#include "support/Memory.h"

namespace {

VOID* Allocate(EFI_MEMORY_TYPE Type, UINTN Size) {
  VOID* Buffer = NULL;
  if (EFI_ERROR(gBS->AllocatePool(Type, Size, &Buffer))) {
    return NULL;
  }
  return Buffer;
}

}  // namespace

VOID* PoolAlloc(UINTN Size) { return Allocate(EfiBootServicesData, Size); }

VOID* PoolAllocZeroed(UINTN Size) {
  VOID* Buffer = Allocate(EfiBootServicesData, Size);
  return Buffer == NULL ? NULL : MemZero(Buffer, Size);
}

VOID* PoolAllocRuntimeZeroed(UINTN Size) {
  VOID* Buffer = Allocate(EfiRuntimeServicesData, Size);
  return Buffer == NULL ? NULL : MemZero(Buffer, Size);
}

VOID* PoolAllocCopy(UINTN Size, const VOID* Src) {
  VOID* Buffer = Allocate(EfiBootServicesData, Size);
  return Buffer == NULL ? NULL : MemCopy(Buffer, Src, Size);
}

VOID PoolFree(VOID* Buffer) { (VOID) gBS->FreePool(Buffer); }

VOID PoolFreeWiped(VOID* Buffer, UINTN Size) {
  if (Buffer == NULL) {
    return;
  }
  SecureZero(Buffer, Size);
  PoolFree(Buffer);
}
