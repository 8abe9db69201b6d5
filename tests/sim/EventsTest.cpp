// Events, notification order across task priority levels, and timers on
// the virtual clock.
#include "SimTest.h"

namespace simtest {
namespace {

using ::testing::ElementsAre;

class EventsTest : public SimTest {
 protected:
  void SetUp() override { PowerOn(); }
};

TEST_F(EventsTest, NotifyFunctionsWaitForTheLevelToDropThenRunHighestFirstInSignalOrder) {
  Within([&] {
    EFI_EVENT First = NewEvent(EVT_NOTIFY_SIGNAL, TPL_CALLBACK, NewProbe("callback-1"));
    EFI_EVENT Notify = NewEvent(EVT_NOTIFY_SIGNAL, TPL_NOTIFY, NewProbe("notify"));
    EFI_EVENT Second = NewEvent(EVT_NOTIFY_SIGNAL, TPL_CALLBACK, NewProbe("callback-2"));

    EFI_TPL Old = BS->RaiseTPL(TPL_NOTIFY);
    EXPECT_EQ(BS->SignalEvent(First), EFI_SUCCESS);
    EXPECT_EQ(BS->SignalEvent(Notify), EFI_SUCCESS);
    EXPECT_EQ(BS->SignalEvent(Second), EFI_SUCCESS);
    EXPECT_TRUE(Log.empty()) << "nothing may run at or below the current level";
    BS->RestoreTPL(Old);
  });
  EXPECT_THAT(Names(Log), ElementsAre("notify", "callback-1", "callback-2"));
  // Each runs at its own level, and the caller is back where it was.
  EXPECT_EQ(Log[0].Tpl, TPL_NOTIFY);
  EXPECT_EQ(Log[1].Tpl, TPL_CALLBACK);
  EXPECT_EQ(Boot->Events().CurrentTpl(), TPL_APPLICATION);
  sim::ExpectNoViolations(*Boot);
}

TEST_F(EventsTest, ASignalFromALowerLevelRunsAtOnceAndAHigherNotifyPreemptsALowerOne) {
  Within([&] {
    EFI_EVENT Inner = NewEvent(EVT_NOTIFY_SIGNAL, TPL_NOTIFY, NewProbe("inner"));
    EFI_EVENT Outer = NewEvent(EVT_NOTIFY_SIGNAL, TPL_CALLBACK, NewProbe("outer", [&] {
      EXPECT_EQ(BS->SignalEvent(Inner), EFI_SUCCESS);
      Log.push_back(Fired{"outer-after", Boot->Events().CurrentTpl(), 0});
    }));
    EXPECT_EQ(BS->SignalEvent(Outer), EFI_SUCCESS);
    EXPECT_THAT(Names(Log), ElementsAre("outer", "inner", "outer-after"));
  });
}

TEST_F(EventsTest, ASixtySecondTimerFiresDuringAStallLoopAtItsDueTime) {
  bool Fired = false;
  Within([&] {
    EFI_EVENT Timer = NewEvent(EVT_TIMER | EVT_NOTIFY_SIGNAL, TPL_CALLBACK, NewProbe("timeout", [&] { Fired = true; }));
    ASSERT_EQ(BS->SetTimer(Timer, TimerRelative, 60 * kSecond), EFI_SUCCESS);
    int Seconds = 0;
    while (!Fired && Seconds < 120) {
      ASSERT_EQ(BS->Stall(1'000'000), EFI_SUCCESS);
      Seconds++;
    }
    EXPECT_EQ(Seconds, 60);
  });
  ASSERT_EQ(Log.size(), 1u);
  EXPECT_EQ(Log[0].Time, 60 * kSecond);
  EXPECT_EQ(Log[0].Tpl, TPL_CALLBACK);
}

TEST_F(EventsTest, ACallbackTimerCannotPreemptCodeAtCallbackAndFiresOnceTheLevelDrops) {
  Within([&] {
    EFI_EVENT Timer = NewEvent(EVT_TIMER | EVT_NOTIFY_SIGNAL, TPL_CALLBACK, NewProbe("timeout"));
    ASSERT_EQ(BS->SetTimer(Timer, TimerRelative, 60 * kSecond), EFI_SUCCESS);
    EFI_TPL Old = BS->RaiseTPL(TPL_CALLBACK);
    for (int Second = 0; Second < 90; Second++) ASSERT_EQ(BS->Stall(1'000'000), EFI_SUCCESS);
    EXPECT_TRUE(Log.empty());
    BS->RestoreTPL(Old);
  });
  ASSERT_EQ(Log.size(), 1u);
  EXPECT_EQ(Log[0].Time, 90 * kSecond) << "it runs when the level drops, not at its due time";
}

TEST_F(EventsTest, TimersFireInDueOrderAndAPeriodicTimerEveryPeriodUntilCancelled) {
  Within([&] {
    EFI_EVENT Late = NewEvent(EVT_TIMER | EVT_NOTIFY_SIGNAL, TPL_NOTIFY, NewProbe("late"));
    EFI_EVENT Early = NewEvent(EVT_TIMER | EVT_NOTIFY_SIGNAL, TPL_CALLBACK, NewProbe("early"));
    EFI_EVENT Tick = NewEvent(EVT_TIMER | EVT_NOTIFY_SIGNAL, TPL_CALLBACK, NewProbe("tick"));
    ASSERT_EQ(BS->SetTimer(Late, TimerRelative, 25'000), EFI_SUCCESS);
    ASSERT_EQ(BS->SetTimer(Early, TimerRelative, 15'000), EFI_SUCCESS);
    ASSERT_EQ(BS->SetTimer(Tick, TimerPeriodic, 10'000), EFI_SUCCESS);
    ASSERT_EQ(BS->Stall(3'000), EFI_SUCCESS);  // 3 ms
    ASSERT_EQ(BS->SetTimer(Tick, TimerCancel, 0), EFI_SUCCESS);
    ASSERT_EQ(BS->Stall(3'000), EFI_SUCCESS);
  });
  EXPECT_THAT(Names(Log), ElementsAre("tick", "early", "tick", "late", "tick"));
  std::vector<UINT64> Times;
  for (const auto& Entry : Log) Times.push_back(Entry.Time);
  EXPECT_THAT(Times, ElementsAre(10'000, 15'000, 20'000, 25'000, 30'000));
}

TEST_F(EventsTest, DisabledInterruptsHoldTimersBackUntilEnabled) {
  Within([&] {
    EFI_EVENT Timer = NewEvent(EVT_TIMER | EVT_NOTIFY_SIGNAL, TPL_CALLBACK, NewProbe("timer"));
    ASSERT_EQ(BS->SetTimer(Timer, TimerRelative, 10'000), EFI_SUCCESS);
    const HOST_PLATFORM* Cpu = sim::HostPlatformTable();
    Cpu->DisableInterrupts();
    EXPECT_EQ(Cpu->ReadFlags() & CPU_FLAGS_INTERRUPT_ENABLE, 0u);
    ASSERT_EQ(BS->Stall(5'000), EFI_SUCCESS);
    EXPECT_TRUE(Log.empty());
    Cpu->EnableInterrupts();
  });
  ASSERT_EQ(Log.size(), 1u);
  EXPECT_EQ(Log[0].Time, 50'000u);
}

TEST_F(EventsTest, SignallingOneMemberOfAGroupSignalsEveryMember) {
  static constexpr EFI_GUID Group = EFI_GUID_LITERAL(0x1D2B5F10, 0x7C6E, 0x4F21, 0x9A, 0x31, 0x55, 0x0E, 0x71, 0x2C, 0x44, 0x18);
  Within([&] {
    EFI_EVENT A = nullptr;
    EFI_EVENT B = nullptr;
    ASSERT_EQ(BS->CreateEventEx(EVT_NOTIFY_SIGNAL, TPL_CALLBACK, ProbeNotify, &NewProbe("a"), &Group, &A), EFI_SUCCESS);
    ASSERT_EQ(BS->CreateEventEx(EVT_NOTIFY_SIGNAL, TPL_CALLBACK, ProbeNotify, &NewProbe("b"), &Group, &B), EFI_SUCCESS);
    EXPECT_EQ(BS->SignalEvent(B), EFI_SUCCESS);
  });
  EXPECT_THAT(Names(Log), ElementsAre("a", "b"));
}

TEST_F(EventsTest, ClosingTwiceOrUsingAClosedEventIsAViolation) {
  Within([&] {
    EFI_EVENT Event = NewEvent(EVT_NOTIFY_SIGNAL, TPL_CALLBACK, NewProbe("closed"));
    EXPECT_EQ(BS->CloseEvent(Event), EFI_SUCCESS);
    EXPECT_EQ(BS->CloseEvent(Event), EFI_INVALID_PARAMETER);
    EXPECT_EQ(BS->SignalEvent(Event), EFI_INVALID_PARAMETER);
  });
  EXPECT_TRUE(Log.empty());
  ASSERT_EQ(Boot->Violations().size(), 2u);
  EXPECT_EQ(Boot->Violations()[0].Kind, "event.closed");
  EXPECT_EQ(Boot->Violations()[1].Kind, "event.closed");
}

TEST_F(EventsTest, WaitForEventIdlesTheClockToTheTimerAndHangsWhenNothingCanSignal) {
  Within([&] {
    EFI_EVENT Timer = nullptr;
    ASSERT_EQ(BS->CreateEvent(EVT_TIMER, 0, nullptr, nullptr, &Timer), EFI_SUCCESS);
    ASSERT_EQ(BS->SetTimer(Timer, TimerRelative, 5 * kSecond), EFI_SUCCESS);
    UINTN Index = 99;
    EXPECT_EQ(BS->WaitForEvent(1, &Timer, &Index), EFI_SUCCESS);
    EXPECT_EQ(Index, 0u);
    EXPECT_EQ(Boot->Clock().Now(), 5 * kSecond);
  });
  EFI_EVENT Never = nullptr;
  Within([&] { ASSERT_EQ(BS->CreateEvent(0, 0, nullptr, nullptr, &Never), EFI_SUCCESS); });
  UINTN Index = 0;
  EXPECT_FALSE(Boot->Invoke([&] { (void)BS->WaitForEvent(1, &Never, &Index); }));
  EXPECT_EQ(Boot->Outcome().What, sim::Outcome::Kind::Hung);
}

TEST_F(EventsTest, ServiceArgumentsAndLevelsAreCheckedAsTheStandardSays) {
  Within([&] {
    EFI_EVENT Event = nullptr;
    EXPECT_EQ(BS->CreateEvent(EVT_NOTIFY_SIGNAL, TPL_CALLBACK, nullptr, nullptr, &Event), EFI_INVALID_PARAMETER);
    EXPECT_EQ(BS->CreateEvent(EVT_NOTIFY_SIGNAL, TPL_APPLICATION, ProbeNotify, nullptr, &Event), EFI_INVALID_PARAMETER);
    EXPECT_EQ(BS->CreateEvent(EVT_NOTIFY_SIGNAL | EVT_NOTIFY_WAIT, TPL_CALLBACK, ProbeNotify, nullptr, &Event),
              EFI_INVALID_PARAMETER);
    Event = NewEvent(EVT_NOTIFY_SIGNAL, TPL_CALLBACK, NewProbe("signal"));
    EXPECT_EQ(BS->CheckEvent(Event), EFI_INVALID_PARAMETER);
    EXPECT_EQ(BS->SetTimer(Event, TimerRelative, 1), EFI_INVALID_PARAMETER) << "not a timer event";
    EFI_TPL Old = BS->RaiseTPL(TPL_CALLBACK);
    UINTN Index = 0;
    EXPECT_EQ(BS->WaitForEvent(1, &Event, &Index), EFI_UNSUPPORTED);
    BS->RestoreTPL(Old);
    EXPECT_EQ(BS->CloseEvent(Event), EFI_SUCCESS);
  });
  ASSERT_EQ(Boot->Violations().size(), 1u);
  EXPECT_EQ(Boot->Violations()[0].Kind, "tpl") << "WaitForEvent above TPL_APPLICATION";
}

TEST_F(EventsTest, RaisingToALowerLevelOrRestoringToAHigherOneIsAViolation) {
  Within([&] {
    EFI_TPL Old = BS->RaiseTPL(TPL_NOTIFY);
    (void)BS->RaiseTPL(TPL_CALLBACK);
    BS->RestoreTPL(TPL_NOTIFY);
    BS->RestoreTPL(Old);
  });
  ASSERT_EQ(Boot->Violations().size(), 2u);
  EXPECT_EQ(Boot->Violations()[0].Kind, "tpl.raise-lower");
  EXPECT_EQ(Boot->Violations()[1].Kind, "tpl.restore-higher");
}

}  // namespace
}  // namespace simtest
