// Pool allocation through the boot services. Every allocation returns NULL on
// failure; the status is not passed on.
#pragma once
#include "uefi/Base.h"

// Boot-services data, contents undefined.
VOID* PoolAlloc(UINTN Size);
// Boot-services data, zero-filled.
VOID* PoolAllocZeroed(UINTN Size);
// Runtime-services data, zero-filled: for data read after boot services end.
VOID* PoolAllocRuntimeZeroed(UINTN Size);
// Boot-services data holding a copy of Size bytes of Src.
VOID* PoolAllocCopy(UINTN Size, const VOID* Src);

VOID PoolFree(VOID* Buffer);
// Wipes Size bytes of Buffer, then frees it: for buffers that held secrets,
// since freed boot-services pool is handed to the operating system.
VOID PoolFreeWiped(VOID* Buffer, UINTN Size);
