// UEFI variables through the runtime services.
#include "support/Variable.h"

#include "support/Library.h"

EFI_STATUS VariableGet(const CHAR16* Name, const EFI_GUID* VendorGuid, UINT32* Attributes, UINTN* DataSize,
                       VOID* Data) {
  return gRT->GetVariable(const_cast<CHAR16*>(Name), const_cast<EFI_GUID*>(VendorGuid), Attributes, DataSize, Data);
}

EFI_STATUS VariableSet(const CHAR16* Name, const EFI_GUID* VendorGuid, UINT32 Attributes, UINTN DataSize,
                       const VOID* Data) {
  return gRT->SetVariable(const_cast<CHAR16*>(Name), const_cast<EFI_GUID*>(VendorGuid), Attributes, DataSize,
                          const_cast<VOID*>(Data));
}
