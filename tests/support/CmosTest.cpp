// CMOS access through the port facade, on a small CMOS model bound as the
// host platform: two banks of 128 bytes, the NMI mask in bit 7 of port 0x70,
// and a record of every port access with the interrupt flag at that moment.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "support/Cmos.h"
#include "support/Cpu.h"
#include "support/HostPlatform.h"
#include "uefi/Status.h"

extern "C" EFI_STATUS EFIAPI HostBindPlatform(const HOST_PLATFORM* Platform);

namespace {

struct ACCESS {
  bool Write;
  UINT16 Port;
  UINT8 Value;
  bool InterruptsEnabled;
  bool operator==(const ACCESS&) const = default;
};

struct CMOS_MODEL {
  bool InterruptsEnabled = true;
  int EnableCalls = 0;
  UINT8 Index0 = 0;  // NMI mask in bit 7
  UINT8 Index1 = 0;
  std::array<std::array<UINT8, 128>, 2> Banks{};
  std::vector<ACCESS> Accesses;
};
CMOS_MODEL* gModel;

UINT64 EFIAPI ReadFlags() { return gModel->InterruptsEnabled ? CPU_FLAGS_INTERRUPT_ENABLE : 0; }
VOID EFIAPI DisableInterrupts() { gModel->InterruptsEnabled = false; }
VOID EFIAPI EnableInterrupts() {
  gModel->InterruptsEnabled = true;
  gModel->EnableCalls++;
}

UINT32 EFIAPI IoRead(UINT16 Port, UINT8) {
  UINT8 Value = 0xFF;
  if (Port == CMOS_BANK0_INDEX_PORT) Value = gModel->Index0;
  if (Port == CMOS_BANK0_DATA_PORT) Value = gModel->Banks[0][gModel->Index0 & CMOS_INDEX_MASK];
  if (Port == CMOS_BANK1_INDEX_PORT) Value = gModel->Index1;
  if (Port == CMOS_BANK1_DATA_PORT) Value = gModel->Banks[1][gModel->Index1 & CMOS_INDEX_MASK];
  gModel->Accesses.push_back({false, Port, Value, gModel->InterruptsEnabled});
  return Value;
}

VOID EFIAPI IoWrite(UINT16 Port, UINT8, UINT32 Value) {
  const UINT8 Byte = (UINT8)Value;
  gModel->Accesses.push_back({true, Port, Byte, gModel->InterruptsEnabled});
  if (Port == CMOS_BANK0_INDEX_PORT) gModel->Index0 = Byte;
  if (Port == CMOS_BANK0_DATA_PORT) gModel->Banks[0][gModel->Index0 & CMOS_INDEX_MASK] = Byte;
  if (Port == CMOS_BANK1_INDEX_PORT) gModel->Index1 = Byte;
  if (Port == CMOS_BANK1_DATA_PORT) gModel->Banks[1][gModel->Index1 & CMOS_INDEX_MASK] = Byte;
}

class Cmos : public testing::Test {
 protected:
  void SetUp() override {
    gModel = &Model;
    Platform.Revision = HOST_PLATFORM_REVISION;
    Platform.ReadFlags = ReadFlags;
    Platform.DisableInterrupts = DisableInterrupts;
    Platform.EnableInterrupts = EnableInterrupts;
    Platform.IoRead = IoRead;
    Platform.IoWrite = IoWrite;
    ASSERT_EQ(HostBindPlatform(&Platform), EFI_SUCCESS);
  }

  CMOS_MODEL Model;
  HOST_PLATFORM Platform{};
};

TEST_F(Cmos, Bank0KeepsTheNmiMask) {
  for (UINT8 Mask : {0x00, 0x80}) {
    SCOPED_TRACE(Mask);
    Model.Index0 = Mask;
    Model.Banks[0][0x38] = 0x5C;
    Model.Accesses.clear();
    EXPECT_EQ(CmosRead(0x38), 0x5C);
    const std::vector<ACCESS> Read = {
        {false, 0x70, Mask, false}, {true, 0x70, (UINT8)(Mask | 0x38), false}, {false, 0x71, 0x5C, false}};
    EXPECT_EQ(Model.Accesses, Read);

    Model.Accesses.clear();
    CmosWrite(0x3F, 0xA7);
    EXPECT_EQ(Model.Banks[0][0x3F], 0xA7);
    const std::vector<ACCESS> Write = {{false, 0x70, (UINT8)(Mask | 0x38), false},
                                       {true, 0x70, (UINT8)(Mask | 0x3F), false},
                                       {true, 0x71, 0xA7, false}};
    EXPECT_EQ(Model.Accesses, Write);
  }
  // An index with bit 7 set cannot mask NMIs.
  Model.Index0 = 0;
  CmosWrite(0xB8, 1);
  EXPECT_EQ(Model.Index0, 0x38);
  EXPECT_EQ(Model.Banks[0][0x38], 1);
}

TEST_F(Cmos, PortPairTakesTheIndexUnchanged) {
  CmosWriteAt(CMOS_BANK1_INDEX_PORT, CMOS_BANK1_DATA_PORT, 0x3C, 0x99);
  EXPECT_EQ(Model.Banks[1][0x3C], 0x99);
  EXPECT_EQ(CmosReadAt(CMOS_BANK1_INDEX_PORT, CMOS_BANK1_DATA_PORT, 0x3C), 0x99);
  const std::vector<ACCESS> Expected = {
      {true, 0x72, 0x3C, false}, {true, 0x73, 0x99, false}, {true, 0x72, 0x3C, false}, {false, 0x73, 0x99, false}};
  EXPECT_EQ(Model.Accesses, Expected);
  EXPECT_EQ(Model.Banks[0][0x3C], 0);
}

TEST_F(Cmos, InterruptsComeBackOnlyIfTheyWereOn) {
  for (bool Enabled : {true, false}) {
    SCOPED_TRACE(Enabled);
    Model.InterruptsEnabled = Enabled;
    Model.EnableCalls = 0;
    Model.Accesses.clear();
    CmosWrite(0x10, 1);
    EXPECT_EQ(Model.InterruptsEnabled, Enabled);
    (VOID) CmosRead(0x10);
    EXPECT_EQ(Model.InterruptsEnabled, Enabled);
    CmosWriteAt(CMOS_BANK1_INDEX_PORT, CMOS_BANK1_DATA_PORT, 0x10, 2);
    EXPECT_EQ(Model.InterruptsEnabled, Enabled);
    (VOID) CmosReadAt(CMOS_BANK1_INDEX_PORT, CMOS_BANK1_DATA_PORT, 0x10);
    EXPECT_EQ(Model.InterruptsEnabled, Enabled);
    EXPECT_EQ(Model.EnableCalls, Enabled ? 4 : 0);
    for (const ACCESS& Access : Model.Accesses) EXPECT_FALSE(Access.InterruptsEnabled);
  }
}

}  // namespace
