// The wipe and the comparison used on password data.
#include "support/Memory.h"

VOID SecureZero(VOID* Buffer, UINTN Length) {
  // Volatile stores are never dropped as dead, even when the buffer is freed
  // right after; the barrier keeps whole-program optimisation from reasoning
  // about the bytes past this point.
  volatile UINT8* Bytes = static_cast<volatile UINT8*>(Buffer);
  for (UINTN Index = 0; Index < Length; Index++) {
    Bytes[Index] = 0;
  }
  __asm__ __volatile__("" : : "r"(Buffer) : "memory");
}

BOOLEAN ConstantTimeEqual(const VOID* A, const VOID* B, UINTN Length) {
  // Volatile reads keep the compiler from stopping at the first difference.
  const volatile UINT8* X = static_cast<const volatile UINT8*>(A);
  const volatile UINT8* Y = static_cast<const volatile UINT8*>(B);
  UINT8 Difference = 0;
  for (UINTN Index = 0; Index < Length; Index++) {
    Difference |= (UINT8)(X[Index] ^ Y[Index]);
  }
  return Difference == 0 ? TRUE : FALSE;
}
