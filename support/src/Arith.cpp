// 64-bit arithmetic, byte order and unaligned access.
#include "support/Arith.h"

#include "Unaligned.h"

UINT64 Mul64By32(UINT64 Multiplicand, UINT32 Multiplier) { return Multiplicand * Multiplier; }

UINT64 Div64By32(UINT64 Dividend, UINT32 Divisor) { return Dividend / Divisor; }

UINT64 Div64By32Rem(UINT64 Dividend, UINT32 Divisor, UINT32* Remainder) {
  if (Remainder != NULL) {
    *Remainder = (UINT32)(Dividend % Divisor);
  }
  return Dividend / Divisor;
}

UINT64 ShiftRight64(UINT64 Value, UINTN Count) { return Value >> (Count & 63); }

UINT16 SwapBytes16(UINT16 Value) { return (UINT16)((Value << 8) | (Value >> 8)); }

UINT32 SwapBytes32(UINT32 Value) {
  return (Value << 24) | ((Value & 0xFF00u) << 8) | ((Value >> 8) & 0xFF00u) | (Value >> 24);
}

UINT16 ReadUnaligned16(const VOID* Address) { return *static_cast<const UNALIGNED_UINT16*>(Address); }
UINT32 ReadUnaligned32(const VOID* Address) { return *static_cast<const UNALIGNED_UINT32*>(Address); }
UINT64 ReadUnaligned64(const VOID* Address) { return *static_cast<const UNALIGNED_UINT64*>(Address); }

UINT64 WriteUnaligned64(VOID* Address, UINT64 Value) {
  *static_cast<UNALIGNED_UINT64*>(Address) = Value;
  return Value;
}
