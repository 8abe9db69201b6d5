// The only routines the compiler may call on its own in driver code. Linked
// into the driver images, never into host programs, which have their C
// library's versions.
#include "uefi/Base.h"

extern "C" {

__attribute__((used)) VOID* memcpy(VOID* Dest, const VOID* Src, UINTN Length) {
  volatile UINT8* D = (volatile UINT8*)Dest;
  const UINT8* S = (const UINT8*)Src;
  while (Length-- != 0) {
    *D++ = *S++;
  }
  return Dest;
}

__attribute__((used)) VOID* memset(VOID* Buffer, int Value, UINTN Length) {
  volatile UINT8* B = (volatile UINT8*)Buffer;
  while (Length-- != 0) {
    *B++ = (UINT8)Value;
  }
  return Buffer;
}
}
