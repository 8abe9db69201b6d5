// The virtual display and keyboard themselves: block transfers by the
// standard's rules, and a scripted keyboard that spends virtual time while it
// is polled empty.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "sim/Boot.h"
#include "sim/Machine.h"
#include "sim/devices/Display.h"
#include "sim/devices/Framebuffer.h"
#include "sim/devices/Keyboard.h"
#include "uefi/protocol/SimpleTextInEx.h"

namespace {

using Pixel = EFI_GRAPHICS_OUTPUT_BLT_PIXEL;
constexpr Pixel kRed{0, 0, 0xFF, 0};
constexpr Pixel kBlue{0xFF, 0, 0, 0};

bool Same(Pixel A, Pixel B) { return A.Blue == B.Blue && A.Green == B.Green && A.Red == B.Red; }

std::vector<Pixel> Pixels(const sim::Framebuffer& Screen) {
  std::vector<Pixel> All;
  for (UINT32 Y = 0; Y < Screen.Height(); Y++) {
    for (UINT32 X = 0; X < Screen.Width(); X++) All.push_back(Screen.At(X, Y));
  }
  return All;
}

struct RefusedBlt {
  const char* Name;
  EFI_GRAPHICS_OUTPUT_BLT_OPERATION Operation;
  UINTN SourceX, SourceY, DestinationX, DestinationY, Width, Height;
  bool NoBuffer;
};

void PrintTo(const RefusedBlt& Case, std::ostream* Out) { *Out << Case.Name; }

class RefusedBltTest : public ::testing::TestWithParam<RefusedBlt> {};

TEST_P(RefusedBltTest, InvalidParameterAndNothingDrawn) {
  const RefusedBlt& Case = GetParam();
  sim::Framebuffer Screen(16, 8);
  Screen.Resize(16, 8);
  std::vector<Pixel> Buffer(64, kRed);
  ASSERT_EQ(Screen.Blt(Buffer.data(), EfiBltVideoFill, 0, 0, 0, 0, 4, 4, 0).Status, EFI_SUCCESS);
  std::vector<Pixel> Before = Pixels(Screen);
  std::vector<Pixel> Source(64, kBlue);
  sim::BltResult Result = Screen.Blt(Case.NoBuffer ? nullptr : Source.data(), Case.Operation, Case.SourceX,
                                     Case.SourceY, Case.DestinationX, Case.DestinationY, Case.Width, Case.Height, 0);
  EXPECT_EQ(Result.Status, EFI_INVALID_PARAMETER);
  EXPECT_EQ(Result.Changed, 0u);
  std::vector<Pixel> After = Pixels(Screen);
  for (std::size_t Index = 0; Index < After.size(); Index++) ASSERT_TRUE(Same(After[Index], Before[Index])) << Index;
  // The caller's buffer is not written either.
  for (const Pixel& Unchanged : Source) ASSERT_TRUE(Same(Unchanged, kBlue));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedBltTest,
    ::testing::Values(RefusedBlt{"FillPastRightEdge", EfiBltVideoFill, 0, 0, 13, 0, 4, 1, false},
                      RefusedBlt{"FillPastBottom", EfiBltVideoFill, 0, 0, 0, 7, 1, 2, false},
                      RefusedBlt{"BufferToVideoPastEdge", EfiBltBufferToVideo, 0, 0, 15, 7, 2, 2, false},
                      RefusedBlt{"VideoToBufferFromOutside", EfiBltVideoToBltBuffer, 16, 0, 0, 0, 1, 1, false},
                      RefusedBlt{"VideoToVideoIntoOutside", EfiBltVideoToVideo, 0, 0, 14, 0, 4, 4, false},
                      RefusedBlt{"HugeWidthWraps", EfiBltVideoFill, 0, 0, 4, 0, ~0ull - 2, 1, false},
                      RefusedBlt{"ZeroWidth", EfiBltVideoFill, 0, 0, 0, 0, 0, 1, false},
                      RefusedBlt{"ZeroHeight", EfiBltBufferToVideo, 0, 0, 0, 0, 1, 0, false},
                      RefusedBlt{"NoBuffer", EfiBltBufferToVideo, 0, 0, 0, 0, 1, 1, true},
                      RefusedBlt{"UnknownOperation", EfiGraphicsOutputBltOperationMax, 0, 0, 0, 0, 1, 1, false}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(FramebufferTest, TransfersFollowTheStandard) {
  sim::Framebuffer Screen(8, 8);
  Screen.Resize(8, 8);
  // A 4 x 3 buffer with one blue pixel at (2, 1); the transfer takes a 2 x 2
  // part of it from (1, 1), rows 16 bytes apart.
  std::vector<Pixel> Buffer(12, kRed);
  Buffer[1 * 4 + 2] = kBlue;
  ASSERT_EQ(Screen.Blt(Buffer.data(), EfiBltBufferToVideo, 1, 1, 5, 6, 2, 2, 4 * sizeof(Pixel)).Status, EFI_SUCCESS);
  EXPECT_TRUE(Same(Screen.At(5, 6), kRed));
  EXPECT_TRUE(Same(Screen.At(6, 6), kBlue));
  EXPECT_EQ(Screen.CountLit(), 4u);

  // Read back into a buffer of 3-pixel rows, at (1, 0).
  std::vector<Pixel> Back(6, Pixel{});
  ASSERT_EQ(Screen.Blt(Back.data(), EfiBltVideoToBltBuffer, 5, 6, 1, 0, 2, 2, 3 * sizeof(Pixel)).Status, EFI_SUCCESS);
  EXPECT_TRUE(Same(Back[0], Pixel{}));
  EXPECT_TRUE(Same(Back[1], kRed));
  EXPECT_TRUE(Same(Back[2], kBlue));
  EXPECT_TRUE(Same(Back[4], kRed));

  // An overlapping move to the left keeps the picture whole.
  ASSERT_EQ(Screen.Blt(nullptr, EfiBltVideoToVideo, 5, 6, 4, 6, 2, 2, 0).Status, EFI_SUCCESS);
  EXPECT_TRUE(Same(Screen.At(4, 6), kRed));
  EXPECT_TRUE(Same(Screen.At(5, 6), kBlue));
  EXPECT_TRUE(Same(Screen.At(6, 6), kBlue));  // the source's pixel that was not overwritten

  // A fill takes the buffer's first pixel; Changed counts real changes only.
  sim::BltResult Fill = Screen.Blt(Buffer.data(), EfiBltVideoFill, 0, 0, 4, 6, 2, 1, 0);
  EXPECT_EQ(Fill.Status, EFI_SUCCESS);
  EXPECT_EQ(Fill.Changed, 1u);
}

class KeyboardTest : public ::testing::Test {
 protected:
  sim::Machine Machine;
  std::shared_ptr<sim::Keyboard> Keyboard = std::make_shared<sim::Keyboard>();
  KeyboardTest() { Machine.AddComponent(Keyboard); }

  static EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL* Input(sim::Boot& Boot) {
    VOID* Found = nullptr;
    EXPECT_EQ(Boot.Protocols().HandleProtocol(Boot.ConsoleInHandle(), &EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL_GUID, &Found),
              EFI_SUCCESS);
    return static_cast<EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL*>(Found);
  }
};

TEST_F(KeyboardTest, PausesSpendVirtualTime) {
  Keyboard->Type(u"A").Pause(1'000'000).Press(SCAN_F1).Control(u'c');
  auto Boot = Machine.PrepareBoot();
  EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL* Keys = Input(*Boot);
  ASSERT_NE(Keys, nullptr);
  Boot->Invoke([&] {
    EFI_KEY_DATA Key{};
    ASSERT_EQ(Keys->ReadKeyStrokeEx(Keys, &Key), EFI_SUCCESS);
    EXPECT_EQ(Key.Key.UnicodeChar, u'A');
    EXPECT_EQ(Key.KeyState.KeyShiftState, EFI_SHIFT_STATE_VALID);
    UINT64 Typed = Boot->Clock().Now();
    // Empty polls each take one idle quantum.
    ASSERT_EQ(Keys->ReadKeyStrokeEx(Keys, &Key), EFI_NOT_READY);
    EXPECT_EQ(Boot->Clock().Now() - Typed, sim::Keyboard::kIdlePoll);
    // An idle wait jumps to the end of the pause.
    UINTN Index = 9;
    ASSERT_EQ(Boot->BootServices()->WaitForEvent(1, &Keys->WaitForKeyEx, &Index), EFI_SUCCESS);
    EXPECT_EQ(Index, 0u);
    EXPECT_EQ(Boot->Clock().Now() - Typed, 1'000'000 * sim::Clock::kPerMicrosecond);
    ASSERT_EQ(Keys->ReadKeyStrokeEx(Keys, &Key), EFI_SUCCESS);
    EXPECT_EQ(Key.Key.ScanCode, SCAN_F1);
    EXPECT_EQ(Key.Key.UnicodeChar, 0);
    ASSERT_EQ(Keys->ReadKeyStrokeEx(Keys, &Key), EFI_SUCCESS);
    EXPECT_EQ(Key.Key.UnicodeChar, u'c');
    EXPECT_EQ(Key.KeyState.KeyShiftState, EFI_SHIFT_STATE_VALID | EFI_LEFT_CONTROL_PRESSED);
  });
  EXPECT_EQ(Keyboard->Pending(), 0u);
  EXPECT_EQ(Boot->Trace().Count("keyboard.key"), 3u);
  EXPECT_TRUE(Boot->Violations().empty());
}

TEST_F(KeyboardTest, ResetDropsOnlyWhatIsAlreadyTyped) {
  Keyboard->Type(u"ab").Pause(1000).Type(u"c");
  auto Boot = Machine.PrepareBoot();
  EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL* Keys = Input(*Boot);
  Boot->Invoke([&] {
    ASSERT_EQ(Keys->Reset(Keys, FALSE), EFI_SUCCESS);
    EFI_KEY_DATA Key{};
    while (Keys->ReadKeyStrokeEx(Keys, &Key) == EFI_NOT_READY) {
    }
    EXPECT_EQ(Key.Key.UnicodeChar, u'c');
  });
}

// A timer notification preempts a polling loop only when its level is above
// the loop's.
bool Fired;
VOID EFIAPI MarkFired(EFI_EVENT Event, VOID* Context) {
  (void)Event;
  (void)Context;
  Fired = true;
}

struct PreemptCase {
  const char* Name;
  EFI_TPL LoopTpl;
  EFI_TPL TimerTpl;
  bool FiresWhilePolling;
};

void PrintTo(const PreemptCase& Case, std::ostream* Out) { *Out << Case.Name; }

class TimerPreemptionTest : public KeyboardTest, public ::testing::WithParamInterface<PreemptCase> {};

TEST_P(TimerPreemptionTest, OnlyAHigherLevelPreempts) {
  const PreemptCase& Case = GetParam();
  auto Boot = Machine.PrepareBoot();
  EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL* Keys = Input(*Boot);
  Fired = false;
  bool FiredWhilePolling = true;
  Boot->Invoke([&] {
    EFI_BOOT_SERVICES* BS = Boot->BootServices();
    EFI_EVENT Timer = nullptr;
    ASSERT_EQ(BS->CreateEvent(EVT_TIMER | EVT_NOTIFY_SIGNAL, Case.TimerTpl, MarkFired, nullptr, &Timer), EFI_SUCCESS);
    ASSERT_EQ(BS->SetTimer(Timer, TimerRelative, 1'000'000), EFI_SUCCESS);  // 100 ms
    EFI_TPL Old = BS->RaiseTPL(Case.LoopTpl);
    EFI_KEY_DATA Key{};
    for (int Poll = 0; Poll < 50; Poll++) (void)Keys->ReadKeyStrokeEx(Keys, &Key);
    FiredWhilePolling = Fired;
    BS->RestoreTPL(Old);
    ASSERT_EQ(BS->CloseEvent(Timer), EFI_SUCCESS);
  });
  EXPECT_EQ(FiredWhilePolling, Case.FiresWhilePolling);
  // Once the loop's level drops, a held-back notification runs.
  EXPECT_TRUE(Fired);
}

INSTANTIATE_TEST_SUITE_P(Cases, TimerPreemptionTest,
                         ::testing::Values(PreemptCase{"CallbackTimerApplicationLoop", TPL_APPLICATION, TPL_CALLBACK,
                                                       true},
                                           PreemptCase{"CallbackTimerCallbackLoop", TPL_CALLBACK, TPL_CALLBACK, false},
                                           PreemptCase{"NotifyTimerCallbackLoop", TPL_CALLBACK, TPL_NOTIFY, true}),
                         [](const auto& Info) { return std::string(Info.param.Name); });

}  // namespace
