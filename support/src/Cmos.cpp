// CMOS RAM access through the port facade. Each access remembers whether
// interrupts were enabled, holds them off across the index/data pair and
// enables them again only if they were.
#include "support/Cmos.h"

#include "support/Cpu.h"

namespace {

BOOLEAN SaveAndDisableInterrupts() {
  const BOOLEAN WereEnabled = (CpuReadFlags() & CPU_FLAGS_INTERRUPT_ENABLE) != 0 ? TRUE : FALSE;
  CpuDisableInterrupts();
  return WereEnabled;
}

VOID RestoreInterrupts(BOOLEAN WereEnabled) {
  if (WereEnabled) {
    CpuEnableInterrupts();
  }
}

// Selects a bank-0 index without touching the NMI mask that shares the port.
// The index is kept to 7 bits so that it can never set the mask either.
VOID SelectBank0Index(UINT8 Index) {
  const UINT8 NmiMask = (UINT8)(IoRead8(CMOS_BANK0_INDEX_PORT) & CMOS_NMI_MASK);
  IoWrite8(CMOS_BANK0_INDEX_PORT, (UINT8)(NmiMask | (Index & CMOS_INDEX_MASK)));
}

}  // namespace

UINT8 CmosRead(UINT8 Index) {
  const BOOLEAN WereEnabled = SaveAndDisableInterrupts();
  SelectBank0Index(Index);
  const UINT8 Value = IoRead8(CMOS_BANK0_DATA_PORT);
  RestoreInterrupts(WereEnabled);
  return Value;
}

VOID CmosWrite(UINT8 Index, UINT8 Value) {
  const BOOLEAN WereEnabled = SaveAndDisableInterrupts();
  SelectBank0Index(Index);
  IoWrite8(CMOS_BANK0_DATA_PORT, Value);
  RestoreInterrupts(WereEnabled);
}

UINT8 CmosReadAt(UINT16 IndexPort, UINT16 DataPort, UINT8 Index) {
  const BOOLEAN WereEnabled = SaveAndDisableInterrupts();
  IoWrite8(IndexPort, Index);
  const UINT8 Value = IoRead8(DataPort);
  RestoreInterrupts(WereEnabled);
  return Value;
}

VOID CmosWriteAt(UINT16 IndexPort, UINT16 DataPort, UINT8 Index, UINT8 Value) {
  const BOOLEAN WereEnabled = SaveAndDisableInterrupts();
  IoWrite8(IndexPort, Index);
  IoWrite8(DataPort, Value);
  RestoreInterrupts(WereEnabled);
}
