// Configuration tokens. The token database is looked up on first use and kept
// for the life of the driver; its answers are passed back unchanged.
#include "support/Token.h"

#include "support/Library.h"
#include "uefi/protocol/Pcd.h"

namespace {

EFI_PCD_PROTOCOL* gTokenDatabase;

// The database, or NULL while the platform has none.
EFI_PCD_PROTOCOL* TokenDatabase() {
  if (gTokenDatabase == NULL) {
    VOID* Interface = NULL;
    if (!EFI_ERROR(gBS->LocateProtocol(const_cast<EFI_GUID*>(&EFI_PCD_PROTOCOL_GUID), NULL, &Interface))) {
      gTokenDatabase = static_cast<EFI_PCD_PROTOCOL*>(Interface);
    }
  }
  return gTokenDatabase;
}

}  // namespace

BOOLEAN TokenGetBool(const EFI_GUID* TokenSpace, UINTN TokenNumber) {
  EFI_PCD_PROTOCOL* Database = TokenDatabase();
  return Database == NULL ? FALSE : Database->GetBoolEx(TokenSpace, TokenNumber);
}
