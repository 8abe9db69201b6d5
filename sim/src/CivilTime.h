// Calendar arithmetic for the real-time clock.
#pragma once
#include "uefi/Base.h"

namespace sim {

// Start plus Ticks (100 ns units), in the calendar, keeping the time zone.
EFI_TIME AddTicks(const EFI_TIME& Start, UINT64 Ticks);

}  // namespace sim
