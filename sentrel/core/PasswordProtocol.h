// The operations of SENTREL_PASSWORD_PROTOCOL: argument tests and the
// dispatch by kind to the stores and the drive flows.
#pragma once
#include "sentrel/core/SentrelProtocol.h"

// Fills the twelve operations and the snapshot pointer of an instance;
// positions 11 and 12 are left as they are.
VOID FillPasswordProtocol(SENTREL_PASSWORD_PROTOCOL* Protocol, HDD_DEVICE_RECORD* Snapshot);
