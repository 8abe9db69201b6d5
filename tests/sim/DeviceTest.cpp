// The platform's devices and tables: console, ports and SMIs, the
// configuration table and the real-time clock.
#include "SimTest.h"
#include "sim/StandardGuids.h"
#include "sim/SystemTables.h"

namespace simtest {
namespace {

using ::testing::ElementsAre;

class DeviceTest : public SimTest {};

TEST_F(DeviceTest, TheConsoleKeepsItsGridCursorAndModes) {
  Machine.Config().TextModes = {{80, 25}, {0, 0}, {100, 31}};
  PowerOn();
  EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL* Out = Boot->SystemTable()->ConOut;
  ASSERT_NE(Out, nullptr);
  Within([&] {
    EXPECT_EQ(Out->OutputString(Out, const_cast<CHAR16*>(u"Hello\r\nWorld")), EFI_SUCCESS);
    EXPECT_EQ(Out->Mode->CursorColumn, 5);
    EXPECT_EQ(Out->Mode->CursorRow, 1);
    UINTN Columns = 0, Rows = 0;
    EXPECT_EQ(Out->QueryMode(Out, 1, &Columns, &Rows), EFI_UNSUPPORTED);
    EXPECT_EQ(Out->QueryMode(Out, 2, &Columns, &Rows), EFI_SUCCESS);
    EXPECT_EQ(Columns, 100u);
    EXPECT_EQ(Out->QueryMode(Out, 3, &Columns, &Rows), EFI_UNSUPPORTED);
    EXPECT_EQ(Out->Mode->MaxMode, 3);
    EXPECT_EQ(Out->SetCursorPosition(Out, 80, 0), EFI_UNSUPPORTED);
  });
  EXPECT_EQ(Boot->Console().Row(0).substr(0, 6), "Hello ");
  EXPECT_EQ(Boot->Console().Row(1).substr(0, 6), "World ");
  EXPECT_EQ(Boot->Trace().First("console.text")->Data["text"], "Hello\r\nWorld");

  Within([&] {
    ASSERT_EQ(Out->SetMode(Out, 2), EFI_SUCCESS);
    EXPECT_EQ(Out->Mode->Mode, 2);
    // A full line wraps; a line feed on the last row scrolls.
    std::u16string Line(100, u'x');
    Line += u"y";
    EXPECT_EQ(Out->OutputString(Out, Line.data()), EFI_SUCCESS);
    for (int Row = 0; Row < 30; Row++) EXPECT_EQ(Out->OutputString(Out, const_cast<CHAR16*>(u"\r\n")), EFI_SUCCESS);
  });
  EXPECT_EQ(Boot->Console().Screen().size(), 31u);
  EXPECT_EQ(Boot->Console().Row(0)[0], 'y');
  EXPECT_EQ(Boot->Console().Mode().CursorRow, 30);
}

TEST_F(DeviceTest, PortsAnswerAsHardwareDoesAndSoftwareSmisReachTheirHandler) {
  PowerOn();
  std::vector<SMI_REGISTERS> Handled;
  Boot->Smi().RegisterSmiHandler(0xD4, [&](SMI_REGISTERS& Registers) {
    Handled.push_back(Registers);
    Registers.Rcx = 0x600D;
  });
  const HOST_PLATFORM* Cpu = sim::HostPlatformTable();
  SMI_REGISTERS Registers{0xD4, 7, 0, 0, 0, 0};
  Within([&] {
    EXPECT_EQ(Cpu->IoRead(0x1234, 1), 0xFFu);
    EXPECT_EQ(Cpu->IoRead(0x1234, 4), 0xFFFFFFFFu);
    Cpu->IoWrite(0x80, 1, 0x42);
    EXPECT_EQ(Cpu->IoRead(0x80, 1), 0x42u);
    Cpu->SoftwareSmi(&Registers);
    Cpu->IoWrite(SMI_COMMAND_PORT, 1, 0xD4);
    Cpu->IoWrite(SMI_COMMAND_PORT, 1, 0x99);
  });
  EXPECT_THAT(Boot->ProgressCodes().Codes(), ElementsAre(0x42));
  ASSERT_EQ(Handled.size(), 2u);
  EXPECT_EQ(Handled[0].Rbx, 7u) << "the trigger hands over the registers";
  EXPECT_EQ(Registers.Rcx, 0x600Du) << "and takes back what the handler left";
  EXPECT_EQ(Handled[1].Rbx, 0u) << "a plain port write hands over none";
  auto Smis = Boot->Trace().Find("smi");
  ASSERT_EQ(Smis.size(), 3u);
  EXPECT_EQ(Smis[2]->Data["handled"], false);
  auto Reads = Boot->Trace().Find("port.read");
  ASSERT_EQ(Reads.size(), 2u) << "unclaimed reads are recorded, the latch's are not";
  EXPECT_TRUE(Reads[0]->Data["device"].is_null());
  EXPECT_EQ(Boot->Trace().Count("port.write"), 4u);
}

// A battery-backed index/data register pair: what a boot writes, the next
// boot reads.
class Nvram : public sim::Component {
 public:
  std::string Name() const override { return "nvram"; }
  void OnBootStart(sim::Boot& Current) override {
    sim::PortHandler Handler;
    Handler.Device = "nvram";
    Handler.Read = [this](UINT16 Port, UINT8) -> UINT32 { return Port == 0x71 ? Cells[Index] : Index; };
    Handler.Write = [this](UINT16 Port, UINT8, UINT32 Value) { (Port == 0x70 ? Index : Cells[Index]) = (UINT8)Value; };
    Current.Ports().Claim(0x70, 0x71, std::move(Handler));
  }
  UINT8 Index = 0;
  UINT8 Cells[256] = {};
};

TEST_F(DeviceTest, AComponentClaimsPortsInEveryBootAndKeepsItsStateAcrossBoots) {
  Machine.AddComponent(std::make_shared<Nvram>());
  const HOST_PLATFORM* Cpu = sim::HostPlatformTable();
  PowerOn();
  Within([&] {
    Cpu->IoWrite(0x70, 1, 0x38);
    Cpu->IoWrite(0x71, 1, 0xA5);
  });
  PowerOn();
  UINT32 Value = 0;
  Within([&] {
    Cpu->IoWrite(0x70, 1, 0x38);
    Value = Cpu->IoRead(0x71, 1);
  });
  EXPECT_EQ(Value, 0xA5u);
}

TEST_F(DeviceTest, TheConfigurationTableAddsReplacesAndDeletesKeepingTheSystemTableInStep) {
  static constexpr EFI_GUID Table = EFI_GUID_LITERAL(0x4D1C7E02, 0x2B9A, 0x4E3F, 0x81, 0x55, 0x6A, 0x0F, 0x3C, 0x92, 0x7D, 0x14);
  PowerOn();
  EFI_SYSTEM_TABLE* System = Boot->SystemTable();
  auto ChecksumHolds = [&] {
    EFI_SYSTEM_TABLE Copy = *System;
    Copy.Hdr.CRC32 = 0;
    return sim::Crc32(&Copy, Copy.Hdr.HeaderSize) == System->Hdr.CRC32;
  };
  // The hand-off block list comes first; the boot mode sits at offset 12.
  ASSERT_EQ(System->NumberOfTableEntries, 1u);
  EXPECT_TRUE(sim::GuidEqual(System->ConfigurationTable[0].VendorGuid, sim::kHobListGuid));
  EXPECT_EQ(*(UINT32*)((UINT8*)System->ConfigurationTable[0].VendorTable + 12), Machine.Config().BootMode);
  EXPECT_TRUE(ChecksumHolds());
  int First = 1, Second = 2;
  Within([&] {
    EFI_EVENT Watch = nullptr;
    ASSERT_EQ(BS->CreateEventEx(EVT_NOTIFY_SIGNAL, TPL_CALLBACK, ProbeNotify, &NewProbe("changed"), &Table, &Watch),
              EFI_SUCCESS);
    auto* Guid = const_cast<EFI_GUID*>(&Table);
    EXPECT_EQ(BS->InstallConfigurationTable(Guid, nullptr), EFI_NOT_FOUND);
    EXPECT_EQ(BS->InstallConfigurationTable(Guid, &First), EFI_SUCCESS);
    EXPECT_EQ(System->NumberOfTableEntries, 2u);
    EXPECT_EQ(BS->InstallConfigurationTable(Guid, &Second), EFI_SUCCESS);
    EXPECT_EQ(System->NumberOfTableEntries, 2u);
    EXPECT_EQ(System->ConfigurationTable[1].VendorTable, &Second);
    EXPECT_TRUE(ChecksumHolds());
    EXPECT_EQ(BS->InstallConfigurationTable(Guid, nullptr), EFI_SUCCESS);
    EXPECT_EQ(System->NumberOfTableEntries, 1u);
    EXPECT_EQ(BS->InstallConfigurationTable(nullptr, &First), EFI_INVALID_PARAMETER);
  });
  EXPECT_TRUE(ChecksumHolds());
  EXPECT_EQ(Log.size(), 3u) << "each change signals the table's event group";
}

TEST_F(DeviceTest, GetTimeFollowsTheVirtualClockAcrossDaysAndBoots) {
  Machine.Config().StartTime = EFI_TIME{2024, 2, 28, 23, 59, 30, 0, 0, EFI_UNSPECIFIED_TIMEZONE, 0, 0};
  PowerOn();
  EFI_TIME Now{};
  Within([&] {
    ASSERT_EQ(BS->Stall(45'000'000), EFI_SUCCESS);
    ASSERT_EQ(RT->GetTime(&Now, nullptr), EFI_SUCCESS);
    EXPECT_EQ(RT->GetTime(nullptr, nullptr), EFI_INVALID_PARAMETER);
  });
  EXPECT_EQ(Now.Month, 2);
  EXPECT_EQ(Now.Day, 29);
  EXPECT_EQ(Now.Hour, 0);
  EXPECT_EQ(Now.Second, 15);
  Boot.reset();
  PowerOn();
  Within([&] { ASSERT_EQ(RT->GetTime(&Now, nullptr), EFI_SUCCESS); });
  EXPECT_EQ(Now.Day, 29) << "the clock kept the time of the first boot";
  EXPECT_EQ(Now.Second, 15);
}

}  // namespace
}  // namespace simtest
