// Byte access to the battery-backed CMOS RAM of the real-time-clock block.
// Each index/data pair runs with interrupts held off on this processor, so no
// interrupt handler can move the index in between.
#pragma once
#include "uefi/Base.h"

#define CMOS_BANK0_INDEX_PORT ((UINT16)0x70)
#define CMOS_BANK0_DATA_PORT ((UINT16)0x71)
#define CMOS_BANK1_INDEX_PORT ((UINT16)0x72)
#define CMOS_BANK1_DATA_PORT ((UINT16)0x73)
// Bit 7 of the bank-0 index port masks NMIs; bank-0 access keeps it as it is.
#define CMOS_NMI_MASK 0x80u
#define CMOS_INDEX_MASK 0x7Fu

// Bank 0.
UINT8 CmosRead(UINT8 Index);
VOID CmosWrite(UINT8 Index, UINT8 Value);

// Any index/data port pair; the index is written unchanged.
UINT8 CmosReadAt(UINT16 IndexPort, UINT16 DataPort, UINT8 Index);
VOID CmosWriteAt(UINT16 IndexPort, UINT16 DataPort, UINT8 Index, UINT8 Value);
