// Memory and GUID routines, and the wipe and comparison that password data
// needs. Driver code uses these instead of the compiler's library.
#pragma once
#include "uefi/Base.h"

// Copies Length bytes; overlapping ranges are copied correctly in both
// directions. Returns Dest.
VOID* MemCopy(VOID* Dest, const VOID* Src, UINTN Length);
// Clears Length bytes. Returns Buffer.
VOID* MemZero(VOID* Buffer, UINTN Length);
// 0 when equal (or Length 0, or A equal to B); otherwise the first differing
// byte of A minus that of B, both unsigned.
INTN MemCompare(const VOID* A, const VOID* B, UINTN Length);

BOOLEAN GuidEqual(const EFI_GUID* A, const EFI_GUID* B);
// Returns Dest.
EFI_GUID* GuidCopy(EFI_GUID* Dest, const EFI_GUID* Src);

// Clears Length bytes in a way the compiler may not drop, even when Buffer is
// never read again (password texts, blocks, digests and hashes).
VOID SecureZero(VOID* Buffer, UINTN Length);
// TRUE when the two ranges hold the same bytes. Always reads all Length bytes
// of both, so the time taken does not depend on where they differ.
BOOLEAN ConstantTimeEqual(const VOID* A, const VOID* B, UINTN Length);
