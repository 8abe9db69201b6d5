// 64-bit arithmetic, byte order and unaligned access.
#pragma once
#include "uefi/Base.h"

UINT64 Mul64By32(UINT64 Multiplicand, UINT32 Multiplier);
UINT64 Div64By32(UINT64 Dividend, UINT32 Divisor);
// Quotient returned; the remainder goes to Remainder when it is not NULL.
UINT64 Div64By32Rem(UINT64 Dividend, UINT32 Divisor, UINT32* Remainder);
// Count is taken modulo 64.
UINT64 ShiftRight64(UINT64 Value, UINTN Count);

UINT16 SwapBytes16(UINT16 Value);
UINT32 SwapBytes32(UINT32 Value);

UINT16 ReadUnaligned16(const VOID* Address);
UINT32 ReadUnaligned32(const VOID* Address);
UINT64 ReadUnaligned64(const VOID* Address);
// Returns Value.
UINT64 WriteUnaligned64(VOID* Address, UINT64 Value);
