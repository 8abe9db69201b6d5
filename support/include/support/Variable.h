// UEFI variables through the runtime services, with their arguments and
// results unchanged.
#pragma once
#include "uefi/Base.h"

[[nodiscard]] EFI_STATUS VariableGet(const CHAR16* Name, const EFI_GUID* VendorGuid, UINT32* Attributes,
                                     UINTN* DataSize, VOID* Data);
[[nodiscard]] EFI_STATUS VariableSet(const CHAR16* Name, const EFI_GUID* VendorGuid, UINT32 Attributes, UINTN DataSize,
                                     const VOID* Data);
