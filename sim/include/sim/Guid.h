// GUID helpers of the virtual platform: comparison, ordering, text form and
// the readable names the trace shows for well-known GUIDs.
#pragma once
#include <string>

#include "uefi/Base.h"

namespace sim {

bool GuidEqual(const EFI_GUID& A, const EFI_GUID& B);

struct GuidLess {
  bool operator()(const EFI_GUID& A, const EFI_GUID& B) const;
};

// "8BE4DF61-93CA-11D2-AA0D-00E098032B8C": registry form, upper-case digits.
std::string GuidToString(const EFI_GUID& Guid);

// Gives Guid a short name for the trace (protocols, event groups, tables).
void NameGuid(const EFI_GUID& Guid, std::string Name);
// The name given with NameGuid, else the registry form.
std::string GuidLabel(const EFI_GUID& Guid);

}  // namespace sim
