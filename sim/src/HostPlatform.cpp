// The processor and port operations that host-built driver images call
// through their processor facade.
#include "sim/Boot.h"
#include "sim/Cpu.h"

namespace sim {
namespace {

UINT64 EFIAPI ReadFlags() { return Boot::Current().Cpu().Flags(); }
VOID EFIAPI DisableInterrupts() { Boot::Current().Cpu().DisableInterrupts(); }
VOID EFIAPI EnableInterrupts() { Boot::Current().Cpu().EnableInterrupts(); }
VOID EFIAPI Pause() { Boot::Current().Cpu().Pause(); }
UINT64 EFIAPI ReadTsc() { return Boot::Current().Cpu().ReadTsc(); }
VOID EFIAPI CpuId(UINT32 Leaf, UINT32 SubLeaf, UINT32 Out[4]) { Cpu::CpuId(Leaf, SubLeaf, Out); }
VOID EFIAPI WriteBackInvalidate() { Boot::Current().Trace().Record("cpu.wbinvd"); }
VOID EFIAPI DeadLoop() { Boot::Current().Cpu().DeadLoop(); }
UINT32 EFIAPI IoRead(UINT16 Port, UINT8 Width) { return Boot::Current().Ports().Read(Port, Width); }
VOID EFIAPI IoWrite(UINT16 Port, UINT8 Width, UINT32 Value) { Boot::Current().Ports().Write(Port, Width, Value); }
VOID EFIAPI SoftwareSmi(SMI_REGISTERS* Registers) { Boot::Current().Smi().Trigger(*Registers); }

constexpr HOST_PLATFORM kTable = {
    HOST_PLATFORM_REVISION, 0,      ReadFlags, DisableInterrupts, EnableInterrupts, Pause,  ReadTsc,
    CpuId,                  WriteBackInvalidate, DeadLoop, IoRead, IoWrite, SoftwareSmi,
};

}  // namespace

const HOST_PLATFORM* HostPlatformTable() { return &kTable; }

}  // namespace sim
