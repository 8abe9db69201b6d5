// Drive passwords as the HDD password service takes them: drive-bound hashes,
// the service's password functions, and the two probes.
#pragma once
#include "sentrel/core/SentrelProtocol.h"

// SHA-256 of digest bytes 0-11, the drive's model number (IDENTIFY bytes
// 54-93) and serial number (IDENTIFY bytes 20-39), as they lie in the
// buffer: one typed password gives a different drive password on every
// drive identity. Hash receives 32 bytes.
[[nodiscard]] EFI_STATUS DriveBoundHash(const UINT8* Digest, const HDD_DEVICE_RECORD* Record, UINT8* Hash);

// The service's password functions for the drive a record describes. Each
// takes its own copy of the record and reads only its lookup keys;
// EFI_UNSUPPORTED when the service, its list or the drive cannot be found,
// otherwise the service's status.
[[nodiscard]] EFI_STATUS SetPassword(HDD_DEVICE_RECORD Record, UINT8 Mode, const VOID* Password, UINTN Length);
[[nodiscard]] EFI_STATUS UnlockPassword(HDD_DEVICE_RECORD Record, UINT8 Mode, const VOID* Password, UINTN Length);
[[nodiscard]] EFI_STATUS DisablePassword(HDD_DEVICE_RECORD Record, UINT8 Mode, const VOID* Password, UINTN Length);

// TRUE when the drive in Slot has a user password (security enabled), as its
// IDENTIFY data last read says.
BOOLEAN ProbeUserPassword(UINT8 Slot);
// TRUE when the drive in Slot, with security enabled, refused the default
// master password at the last probe. The drive is asked at most once until a
// password set re-arms the probe.
BOOLEAN ProbeDefaultMaster(UINT8 Slot);
// Writes the default master password to the drive in Slot; no state changes.
[[nodiscard]] EFI_STATUS SetDefaultMasterPassword(UINT8 Slot);
// Makes the next ProbeDefaultMaster of Slot ask the drive again.
VOID RearmDefaultMasterProbe(UINT8 Slot);
