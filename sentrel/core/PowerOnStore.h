// The power-on password store: a 12-byte hash split over the two CMOS banks,
// with a checksum byte beside it.
#pragma once
#include "uefi/Base.h"

#define POWER_ON_HASH_SIZE 12u

// Bank-number wrappers of the CMOS routines; any bank but 0 and 1 reads as 0
// and writes nothing.
UINT8 ReadCmosBank(UINT8 Offset, UINT8 Bank);
VOID WriteCmosBank(UINT8 Offset, UINT8 Value, UINT8 Bank);

[[nodiscard]] EFI_STATUS PowerOnPasswordHash(const UINT8* Digest, UINT8* Hash);
[[nodiscard]] EFI_STATUS ReadPowerOnHash(UINT8* Hash);
// A NULL Hash with Length 0 writes the cleared state.
[[nodiscard]] EFI_STATUS WritePowerOnHash(const UINT8* Hash, UINTN Length);
UINT8 PowerOnChecksum(const UINT8* Hash);

BOOLEAN IsPowerOnPasswordSet();
[[nodiscard]] EFI_STATUS SetPowerOnPassword(const CHAR16* Password);
BOOLEAN VerifyPowerOnPassword(const CHAR16* Password);
