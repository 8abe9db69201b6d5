// Boots as a whole: phases, platform actions, components, and the ways a
// boot ends (completion, halt, reset) with what survives into the next one.
#include "SimTest.h"
#include "sim/StandardGuids.h"

namespace simtest {
namespace {

using ::testing::ElementsAre;

constexpr EFI_GUID kVendor = EFI_GUID_LITERAL(0x7B3F0C21, 0x5A44, 0x4D0E, 0x8E, 0x6A, 0x11, 0x2C, 0x9D, 0x40, 0x3B, 0x57);
constexpr EFI_GUID kService = EFI_GUID_LITERAL(0x0E5D21A7, 0x6C38, 0x4B19, 0xA2, 0x7F, 0x48, 0x90, 0x1D, 0x6E, 0x25, 0xC3);
constexpr UINT32 kNvBsRt = EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS;

class BootTest : public SimTest {};

class Recorder : public sim::Component {
 public:
  std::string Name() const override { return "recorder"; }
  void OnBootStart(sim::Boot& Current) override { Seen.push_back("start " + std::to_string(Current.Number())); }
  void OnPhase(sim::Boot&, sim::Phase Entered) override { Seen.push_back(sim::PhaseName(Entered)); }
  void OnBootEnd(sim::Boot&, const sim::Outcome& Result) override {
    Seen.push_back(std::string("end ") + sim::OutcomeName(Result.What));
  }
  std::vector<std::string> Seen;
};

TEST_F(BootTest, AHaltEndsTheBootAndTheNextBootStartsCleanKeepingOnlyNonVolatileVariables) {
  bool PastTheHalt = false;
  bool LaterRan = false;
  Machine.AddDriver("Halter", [&](EFI_HANDLE, EFI_SYSTEM_TABLE* System) -> EFI_STATUS {
    UINT8 Byte = 1;
    auto* Vendor = const_cast<EFI_GUID*>(&kVendor);
    EXPECT_EQ(System->RuntimeServices->SetVariable(const_cast<CHAR16*>(u"Kept"), Vendor, kNvBsRt, 1, &Byte), EFI_SUCCESS);
    EXPECT_EQ(System->RuntimeServices->SetVariable(const_cast<CHAR16*>(u"Gone"), Vendor, EFI_VARIABLE_BOOTSERVICE_ACCESS,
                                                   1, &Byte),
              EFI_SUCCESS);
    VOID* Block = nullptr;
    EXPECT_EQ(System->BootServices->AllocatePool(EfiBootServicesData, 32, &Block), EFI_SUCCESS);
    (void)System->BootServices->RaiseTPL(TPL_HIGH_LEVEL);
    sim::HostPlatformTable()->DeadLoop();
    PastTheHalt = true;
    return EFI_SUCCESS;
  });
  Machine.AddDriver("Later", [&](EFI_HANDLE, EFI_SYSTEM_TABLE*) -> EFI_STATUS {
    LaterRan = true;
    return EFI_SUCCESS;
  });

  auto First = Machine.Boot();
  EXPECT_EQ(First->Outcome().What, sim::Outcome::Kind::Halted);
  EXPECT_EQ(First->Outcome().Tpl, TPL_HIGH_LEVEL);
  EXPECT_FALSE(First->Outcome().InterruptsEnabled);
  EXPECT_FALSE(PastTheHalt);
  EXPECT_FALSE(LaterRan);
  EXPECT_EQ(First->Memory().Outstanding("Halter").size(), 1u) << "what the halted boot left stays inspectable";
  EXPECT_FALSE(First->Invoke([] {})) << "nothing runs on a halted machine";

  auto Second = Machine.PrepareBoot();
  Second->SetDispatchOrder({"Later"});
  Second->Run();
  EXPECT_EQ(Second->Outcome().What, sim::Outcome::Kind::Completed);
  EXPECT_TRUE(LaterRan);
  EXPECT_EQ(Second->Events().CurrentTpl(), TPL_APPLICATION);
  EXPECT_TRUE(Second->Cpu().InterruptsEnabled());
  EXPECT_TRUE(Second->Memory().Outstanding().empty());
  EXPECT_NE(Machine.NonVolatileVariables().Get(u"Kept", kVendor), nullptr);
  EXPECT_EQ(Second->Variables().Volatile().Get(u"Gone", kVendor), nullptr);
  EXPECT_EQ(Second->Trace().Count("variable.set"), 0u);
  sim::ExpectNoViolations(*First);
  sim::ExpectNoViolations(*Second);
}

TEST_F(BootTest, ResetSystemEndsTheBootWhereItIsAndIsRecorded) {
  bool PastTheReset = false;
  Machine.AddDriver("Resetter", [&](EFI_HANDLE, EFI_SYSTEM_TABLE* System) -> EFI_STATUS {
    System->RuntimeServices->ResetSystem(EfiResetWarm, EFI_SUCCESS, 0, nullptr);
    PastTheReset = true;
    return EFI_SUCCESS;
  });
  Boot = Machine.Boot();
  EXPECT_FALSE(PastTheReset);
  EXPECT_EQ(Boot->Outcome().What, sim::Outcome::Kind::Reset);
  EXPECT_EQ(Boot->Outcome().ResetType, EfiResetWarm);
  EXPECT_EQ(Boot->CurrentPhase(), sim::Phase::DriverDispatch);
  const sim::TraceEvent* Reset = Boot->Trace().First("reset");
  ASSERT_NE(Reset, nullptr);
  EXPECT_EQ(Reset->Data["type"], "warm");
  EXPECT_EQ(Reset->Data["caller"], "Resetter");
}

TEST_F(BootTest, ADeadLoopWithInterruptsOnStillLetsAPendingTimerPowerTheMachineOff) {
  Probe& Timeout = NewProbe("timeout", [] {
    sim::Boot::Current().RuntimeServices()->ResetSystem(EfiResetShutdown, EFI_SUCCESS, 0, nullptr);
  });
  Machine.AddDriver("Prompt", [&](EFI_HANDLE, EFI_SYSTEM_TABLE* System) -> EFI_STATUS {
    EFI_EVENT Timer = nullptr;
    EXPECT_EQ(System->BootServices->CreateEvent(EVT_TIMER | EVT_NOTIFY_SIGNAL, TPL_CALLBACK, ProbeNotify, &Timeout, &Timer),
              EFI_SUCCESS);
    EXPECT_EQ(System->BootServices->SetTimer(Timer, TimerRelative, 60 * kSecond), EFI_SUCCESS);
    sim::HostPlatformTable()->DeadLoop();
    return EFI_SUCCESS;
  });
  Boot = Machine.Boot();
  EXPECT_EQ(Boot->Outcome().What, sim::Outcome::Kind::Reset);
  EXPECT_EQ(Boot->Outcome().ResetType, EfiResetShutdown);
  EXPECT_EQ(Boot->Clock().Now(), 60 * kSecond);
}

TEST_F(BootTest, PhasesRunInOrderSignallingTheirEventGroupsAndTellingComponents) {
  auto Components = std::make_shared<Recorder>();
  Machine.AddComponent(Components);
  std::vector<std::string> Heard;
  auto InPhase = [&](std::string What) {
    return [&Heard, What] { Heard.push_back(What + " in " + sim::PhaseName(sim::Boot::Current().CurrentPhase())); };
  };
  Probe& EndOfDxe = NewProbe("end-of-dxe", InPhase("end-of-dxe"));
  Probe& ReadyToLock = NewProbe("ready-to-lock", InPhase("ready-to-lock"));
  Probe& ReadyToBoot = NewProbe("ready-to-boot", InPhase("ready-to-boot"));
  Probe& Exit = NewProbe("exit", InPhase("exit"));
  Machine.AddDriver("Watcher", [&](EFI_HANDLE, EFI_SYSTEM_TABLE* System) -> EFI_STATUS {
    EFI_BOOT_SERVICES* Services = System->BootServices;
    EFI_EVENT Event = nullptr;
    EXPECT_EQ(Services->CreateEventEx(EVT_NOTIFY_SIGNAL, TPL_CALLBACK, ProbeNotify, &EndOfDxe, &sim::kEventGroupEndOfDxe,
                                      &Event),
              EFI_SUCCESS);
    EXPECT_EQ(Services->CreateEvent(EVT_NOTIFY_SIGNAL, TPL_CALLBACK, ProbeNotify, &ReadyToLock, &Event), EFI_SUCCESS);
    VOID* Registration = nullptr;
    EXPECT_EQ(Services->RegisterProtocolNotify(const_cast<EFI_GUID*>(&sim::kDxeSmmReadyToLockProtocolGuid), Event,
                                               &Registration),
              EFI_SUCCESS);
    EXPECT_EQ(Services->CreateEventEx(EVT_NOTIFY_SIGNAL, TPL_CALLBACK, ProbeNotify, &ReadyToBoot,
                                      &sim::kEventGroupReadyToBoot, &Event),
              EFI_SUCCESS);
    EXPECT_EQ(Services->CreateEvent(EVT_SIGNAL_EXIT_BOOT_SERVICES, TPL_NOTIFY, ProbeNotify, &Exit, &Event), EFI_SUCCESS);
    return EFI_SUCCESS;
  });
  Boot = Machine.Boot();
  EXPECT_THAT(Heard, ElementsAre("end-of-dxe in boot-device-selection", "ready-to-lock in boot-device-selection",
                                 "ready-to-boot in ready-to-boot", "exit in exit-boot-services"));
  EXPECT_THAT(Components->Seen, ElementsAre("start 1", "driver-dispatch", "boot-device-selection", "ready-to-boot",
                                            "exit-boot-services", "end completed"));
  std::vector<std::string> Phases;
  for (const auto* Event : Boot->Trace().Find("phase")) Phases.push_back(Event->Data["phase"]);
  EXPECT_THAT(Phases, ElementsAre("driver-dispatch", "boot-device-selection", "ready-to-boot", "exit-boot-services"));
  EXPECT_TRUE(Boot->BootServicesEnded());
  sim::ExpectNoViolations(*Boot);
}

TEST_F(BootTest, ScheduledPlatformActionsRunBetweenImagesInDispatchOrder) {
  std::vector<std::string> Order;
  static int ServiceInterface = 0;
  auto Image = [&](std::string Name) {
    return [&Order, Name](EFI_HANDLE, EFI_SYSTEM_TABLE* System) -> EFI_STATUS {
      VOID* Found = nullptr;
      bool Present = System->BootServices->LocateProtocol(const_cast<EFI_GUID*>(&kService), nullptr, &Found) == EFI_SUCCESS;
      Order.push_back(Name + (Present ? " sees the service" : " alone"));
      return EFI_SUCCESS;
    };
  };
  Machine.AddDriver("First", Image("First"));
  Machine.AddDriver("Second", Image("Second"));
  Boot = Machine.PrepareBoot();
  Boot->SetDispatchOrder({"Second", "First"});
  Boot->At(sim::When::BeforeDispatch(), [&](sim::Boot&) { Order.push_back("before dispatch"); });
  Boot->At(sim::When::AfterImage("Second"), [&](sim::Boot& Current) {
    EFI_HANDLE Handle = nullptr;
    EXPECT_EQ(Current.Protocols().Install(&Handle, &kService, EFI_NATIVE_INTERFACE, &ServiceInterface, "platform"),
              EFI_SUCCESS);
    Order.push_back("service installed");
  });
  Boot->At(sim::When::AfterDispatch(), [&](sim::Boot&) { Order.push_back("after dispatch"); });
  Boot->Run();
  EXPECT_THAT(Order, ElementsAre("before dispatch", "Second alone", "service installed", "First sees the service",
                                 "after dispatch"));
}

TEST_F(BootTest, AnActionThatEndsTheBootStopsItThere) {
  Machine.AddDriver("Never", [](EFI_HANDLE, EFI_SYSTEM_TABLE*) -> EFI_STATUS {
    ADD_FAILURE() << "no image runs after the reset";
    return EFI_SUCCESS;
  });
  Boot = Machine.PrepareBoot();
  Boot->At(sim::When::BeforeDispatch(), [](sim::Boot& Current) {
    EXPECT_FALSE(Current.Invoke([&] { Current.RuntimeServices()->ResetSystem(EfiResetCold, EFI_SUCCESS, 0, nullptr); }));
    ADD_FAILURE() << "the action does not go on after the reset";
  });
  Boot->Run();
  EXPECT_EQ(Boot->Outcome().What, sim::Outcome::Kind::Reset);
  EXPECT_EQ(Boot->CurrentPhase(), sim::Phase::DriverDispatch);
}

}  // namespace
}  // namespace simtest
