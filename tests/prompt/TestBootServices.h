// Boot services for unit tests of the prompt code: pool allocation from the
// host heap, every buffer followed by guard bytes that are checked when it is
// freed, so a write past the end fails the test also without sanitizers.
#pragma once
#include <cstddef>

#include "uefi/SystemTable.h"

// Points gBS at the test table and forgets earlier allocations.
void InstallTestBootServices();
// Pool buffers allocated and not yet freed.
std::size_t LivePoolBuffers();
