// Painting over what the prompt screens drew: an image at its last place,
// and the cursor bar under the typed characters.
#pragma once
#include "uefi/Base.h"
#include "uefi/Status.h"

// Paints black over the area where image Id was last drawn. The typed and
// failed images first move back by their width, undoing the advance of their
// draw. EFI_NOT_FOUND: no table entry; EFI_NOT_READY: never drawn (nothing
// painted); otherwise the status of the fill.
[[nodiscard]] EFI_STATUS ErasePromptImage(UINT16 Id);

// Fills the 8 x 2 cursor bar below the next typed character (at the column of
// the typed image), white or black.
VOID ClearCursorBar(BOOLEAN White);
