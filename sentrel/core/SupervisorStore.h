// The supervisor password store: a salted, truncated SHA-256 value of the
// password in the "Z18Svp" variable.
#pragma once
#include "uefi/Base.h"

#define SUPERVISOR_HASH_SIZE 16u

constexpr EFI_GUID SUPERVISOR_PASSWORD_VARIABLE_GUID =
    EFI_GUID_LITERAL(0xA6B04A42, 0x56EC, 0x4B91, 0xA3, 0x00, 0x26, 0xBF, 0xA1, 0xF7, 0x1D, 0x49);

[[nodiscard]] EFI_STATUS SupervisorPasswordHash(const UINT8* Digest, UINT8* Hash);
BOOLEAN IsSupervisorPasswordSet();
[[nodiscard]] EFI_STATUS SetSupervisorPassword(const CHAR16* Password);
BOOLEAN VerifySupervisorPassword(const CHAR16* Password);
