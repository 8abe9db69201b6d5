// Memory and GUID routines.
#include "support/Memory.h"

#include "Unaligned.h"

VOID* MemCopy(VOID* Dest, const VOID* Src, UINTN Length) {
  UINT8* D = static_cast<UINT8*>(Dest);
  const UINT8* S = static_cast<const UINT8*>(Src);
  if (Length == 0 || D == S) {
    return Dest;
  }
  if (D > S && D < S + Length) {
    // Dest overlaps the tail of Src: copy from the last byte down so every
    // source byte is read before it is overwritten.
    while (Length != 0) {
      --Length;
      D[Length] = S[Length];
    }
    return Dest;
  }
  // From the front, a word at a time: each word is read whole before it is
  // written, which is safe when Dest lies below Src.
  while (Length >= sizeof(UINT64)) {
    const UINT64 Word = *reinterpret_cast<const UNALIGNED_UINT64*>(S);
    *reinterpret_cast<UNALIGNED_UINT64*>(D) = Word;
    D += sizeof(UINT64);
    S += sizeof(UINT64);
    Length -= sizeof(UINT64);
  }
  while (Length != 0) {
    *D++ = *S++;
    --Length;
  }
  return Dest;
}

VOID* MemZero(VOID* Buffer, UINTN Length) {
  UINT8* B = static_cast<UINT8*>(Buffer);
  while (Length >= sizeof(UINT64)) {
    *reinterpret_cast<UNALIGNED_UINT64*>(B) = 0;
    B += sizeof(UINT64);
    Length -= sizeof(UINT64);
  }
  while (Length != 0) {
    *B++ = 0;
    --Length;
  }
  return Buffer;
}

INTN MemCompare(const VOID* A, const VOID* B, UINTN Length) {
  const UINT8* X = static_cast<const UINT8*>(A);
  const UINT8* Y = static_cast<const UINT8*>(B);
  if (X == Y) {
    return 0;
  }
  for (UINTN Index = 0; Index < Length; Index++) {
    if (X[Index] != Y[Index]) {
      return (INTN)X[Index] - (INTN)Y[Index];
    }
  }
  return 0;
}

BOOLEAN GuidEqual(const EFI_GUID* A, const EFI_GUID* B) {
  const UNALIGNED_UINT64* X = reinterpret_cast<const UNALIGNED_UINT64*>(A);
  const UNALIGNED_UINT64* Y = reinterpret_cast<const UNALIGNED_UINT64*>(B);
  return (X[0] == Y[0] && X[1] == Y[1]) ? TRUE : FALSE;
}

EFI_GUID* GuidCopy(EFI_GUID* Dest, const EFI_GUID* Src) {
  UNALIGNED_UINT64* D = reinterpret_cast<UNALIGNED_UINT64*>(Dest);
  const UNALIGNED_UINT64* S = reinterpret_cast<const UNALIGNED_UINT64*>(Src);
  D[0] = S[0];
  D[1] = S[1];
  return Dest;
}
