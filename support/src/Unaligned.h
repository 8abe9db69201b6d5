// Word types the compiler may place at any address and that may alias any
// other object: the only way driver code reads or writes memory in words.
#pragma once
#include "uefi/Base.h"

typedef UINT16 __attribute__((aligned(1), may_alias)) UNALIGNED_UINT16;
typedef UINT32 __attribute__((aligned(1), may_alias)) UNALIGNED_UINT32;
typedef UINT64 __attribute__((aligned(1), may_alias)) UNALIGNED_UINT64;
