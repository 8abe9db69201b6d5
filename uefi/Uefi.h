// The UEFI environment every driver source starts from: base types, status
// codes and the system table with the boot and runtime services. Protocols
// and tables are included one by one where they are used.
#pragma once
#include "uefi/Base.h"
#include "uefi/Status.h"
#include "uefi/SystemTable.h"
