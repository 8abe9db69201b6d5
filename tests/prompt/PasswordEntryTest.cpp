// Typing a password at a prompt: the keyboard rules, the dots, the master
// toggle, the 60-second time-out and the wiped text buffer.
#include <algorithm>
#include <functional>
#include <vector>

#include "tests/prompt/PromptFixture.h"

namespace {

constexpr UINT64 kSecond = 1'000'000;  // microseconds

class PasswordEntryTest : public PromptTest {
 protected:
  // Dots on the screen, counted slot by slot from image 9's first column.
  std::size_t Dots() const {
    std::size_t Count = 0;
    for (UINT32 Slot = 0; Slot < 66; Slot++) Count += LitImage(9, 80 + 8 * Slot, 19) > 0 ? 1 : 0;
    return Count;
  }
  // Runs Check when the keyboard hands out the key with this character.
  static void AtKey(sim::Boot& Boot, CHAR16 Character, std::function<void()> Check) {
    Boot.Trace().Subscribe([Character, Check](const sim::TraceEvent& Event) {
      if (Event.Kind == "keyboard.key" && Event.Data["char"] == Character) Check();
    });
  }
  static std::size_t DotErasures(sim::Boot& Boot) {
    auto Fills = Boot.Trace().Find("display.blt");
    return std::count_if(Fills.begin(), Fills.end(), [](const sim::TraceEvent* Event) {
      return Event->Data["op"] == "video-fill" && Event->Data["y"] == 19 && Event->Data["width"] == 8 &&
             Event->Data["height"] == 6;
    });
  }
};

TEST_F(PasswordEntryTest, SeventyCharactersKeepSixtyFourAndShowSixtyFourDots) {
  auto Boot = StartPromptBoot();
  ASSERT_EQ(ShowScreen(*Boot, 1), EFI_SUCCESS);
  std::u16string Typed;
  for (int Index = 0; Index < 70; Index++) Typed += u"aZ9 ;q"[Index % 6];
  Keyboard->Type(Typed).Enter();
  std::size_t DotsAtEnter = 0;
  UINT64 ColumnAtEnter = 0;
  AtKey(*Boot, CHAR_CARRIAGE_RETURN, [&] {
    DotsAtEnter = Dots();
    ColumnAtEnter = ImageEntry(*Boot, 9).X;
  });
  auto Entry = ReadEntry(*Boot);
  EXPECT_EQ(Entry.Status, EFI_SUCCESS);
  EXPECT_EQ(Entry.Text, Typed.substr(0, 64));
  EXPECT_EQ(DotsAtEnter, 64u);
  EXPECT_EQ(ColumnAtEnter, 80u + 64 * 8);
  // The dots go when the entry ends.
  EXPECT_EQ(Dots(), 0u);
  EXPECT_EQ(ImageEntry(*Boot, 9).X, 80u);
  ExpectClean(*Boot);
}

TEST_F(PasswordEntryTest, ThreeDotsAdvanceTheTypedImage) {
  auto Boot = StartPromptBoot();
  ASSERT_EQ(ShowScreen(*Boot, 1), EFI_SUCCESS);
  Keyboard->Type(u"abc").Enter();
  UINT64 ColumnAtEnter = 0;
  AtKey(*Boot, CHAR_CARRIAGE_RETURN, [&] { ColumnAtEnter = ImageEntry(*Boot, 9).X; });
  auto Entry = ReadEntry(*Boot);
  EXPECT_EQ(Entry.Text, u"abc");
  EXPECT_EQ(ColumnAtEnter, 104u);
  ExpectClean(*Boot);
}

TEST_F(PasswordEntryTest, BackspaceRemovesOnlyWhatIsHeld) {
  auto Boot = StartPromptBoot();
  ASSERT_EQ(ShowScreen(*Boot, 1), EFI_SUCCESS);
  Keyboard->Type(u"\b").Type(u"abc\b\b\b\b").Type(u"x").Enter();
  auto Entry = ReadEntry(*Boot);
  EXPECT_EQ(Entry.Text, u"x");
  // Three dots erased by the backspaces, the last one when the entry ended.
  EXPECT_EQ(DotErasures(*Boot), 4u);
  EXPECT_EQ(ImageEntry(*Boot, 9).X, 80u);
  ExpectClean(*Boot);
}

TEST_F(PasswordEntryTest, IgnoredKeysDrawNothingButRestartTheTimeout) {
  auto Boot = StartPromptBoot();
  ASSERT_EQ(ShowScreen(*Boot, 1), EFI_SUCCESS);
  std::size_t Drawn = Drawing(*Boot).size();
  Keyboard->Pause(50 * kSecond).Type(u"-").Pause(50 * kSecond).Press(SCAN_ESC);
  Keyboard->Pause(50 * kSecond).Type(u".").Pause(50 * kSecond).Enter();
  auto Entry = ReadEntry(*Boot);
  ASSERT_TRUE(Entry.Returned) << "powered off at " << Boot->Clock().Seconds() << " s";
  EXPECT_EQ(Entry.Status, EFI_SUCCESS);
  EXPECT_EQ(Entry.Text, u"");
  EXPECT_GE(Boot->Clock().Seconds(), 200.0);
  EXPECT_EQ(Drawing(*Boot).size(), Drawn);
  ExpectClean(*Boot);
}

struct ToggleCase {
  const char* Name;
  UINT16 Kind;
  BOOLEAN ToggleIn;
  int F1Presses;
  bool IndicatorAtEnter;
  std::size_t IndicatorDraws;
  BOOLEAN ToggleOut;
};

void PrintTo(const ToggleCase& Case, std::ostream* Out) { *Out << Case.Name; }

class MasterToggleTest : public PasswordEntryTest, public ::testing::WithParamInterface<ToggleCase> {};

TEST_P(MasterToggleTest, F1OnlyOnDrivePromptsThatAllowIt) {
  const ToggleCase& Case = GetParam();
  auto Boot = StartPromptBoot();
  ASSERT_EQ(ShowScreen(*Boot, Case.Kind), EFI_SUCCESS);
  for (int Press = 0; Press < Case.F1Presses; Press++) Keyboard->Press(SCAN_F1);
  Keyboard->Type(u"pw").Enter();
  bool IndicatorAtEnter = false;
  AtKey(*Boot, CHAR_CARRIAGE_RETURN, [&] { IndicatorAtEnter = LitImage(1, 64, 25) > 0; });
  auto Entry = ReadEntry(*Boot, Case.ToggleIn);
  EXPECT_EQ(Entry.Text, u"pw");
  EXPECT_EQ(IndicatorAtEnter, Case.IndicatorAtEnter);
  auto Draws = Boot->Trace().Find("display.blt");
  EXPECT_EQ(std::count_if(Draws.begin(), Draws.end(),
                          [](const sim::TraceEvent* Event) {
                            return Event->Data["op"] == "buffer-to-video" && Event->Data["x"] == 64 &&
                                   Event->Data["y"] == 25;
                          }),
            (std::ptrdiff_t)Case.IndicatorDraws);
  EXPECT_EQ(Entry.Toggle, Case.ToggleOut);
  ExpectClean(*Boot);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MasterToggleTest,
    ::testing::Values(ToggleCase{"ShownThenErased", 2, TRUE, 2, false, 1, FALSE},
                      ToggleCase{"ChosenMaster", 4, TRUE, 1, true, 1, TRUE},
                      ToggleCase{"NotAllowed", 2, FALSE, 1, false, 0, FALSE},
                      ToggleCase{"PowerOnPromptLeavesToggle", 1, TRUE, 1, false, 0, TRUE}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(PasswordEntryTest, RejectedMasterAttemptDropsTheIndicator) {
  auto Boot = StartPromptBoot();
  ASSERT_EQ(ShowScreen(*Boot, 2), EFI_SUCCESS);
  Keyboard->Press(SCAN_F1).Type(u"pw").Enter();
  auto Entry = ReadEntry(*Boot, TRUE);
  ASSERT_EQ(Entry.Toggle, TRUE);
  ASSERT_GT(LitImage(1, 64, 25), 0u);
  ASSERT_EQ(ShowScreen(*Boot, 6), EFI_SUCCESS);
  EXPECT_EQ(LitImage(1, 64, 25), 0u);
  ExpectClean(*Boot);
}

// The text is wiped before it goes back to the pool.
std::vector<std::vector<UINT8>> FreedTexts;
EFI_STATUS(EFIAPI* PlatformFreePool)(VOID*);
EFI_STATUS EFIAPI WatchFreePool(VOID* Buffer) {
  const sim::Allocation* Block = sim::Boot::Current().Memory().Find(Buffer);
  if (Block != nullptr && Block->Size == 130) {
    auto* Bytes = static_cast<UINT8*>(Buffer);
    FreedTexts.emplace_back(Bytes, Bytes + Block->Size);
  }
  return PlatformFreePool(Buffer);
}

TEST_F(PasswordEntryTest, TextIsWipedWhenFreed) {
  auto Boot = StartPromptBoot();
  ASSERT_EQ(ShowScreen(*Boot, 1), EFI_SUCCESS);
  Keyboard->Type(u"secret").Enter();
  FreedTexts.clear();
  PlatformFreePool = Boot->BootServices()->FreePool;
  Boot->BootServices()->FreePool = WatchFreePool;
  auto Entry = ReadEntry(*Boot);
  Boot->BootServices()->FreePool = PlatformFreePool;
  EXPECT_EQ(Entry.Text, u"secret");
  ASSERT_EQ(FreedTexts.size(), 1u);
  EXPECT_TRUE(std::all_of(FreedTexts[0].begin(), FreedTexts[0].end(), [](UINT8 Byte) { return Byte == 0; }));
  ExpectClean(*Boot);
}

TEST_F(PasswordEntryTest, WithoutKeyboardTheTextIsEmpty) {
  auto Boot = StartPromptBoot();
  // The keyboard leaves the console input before the prompt.
  Boot->Invoke([&] {
    VOID* Keys = nullptr;
    ASSERT_EQ(Boot->BootServices()->HandleProtocol(Boot->ConsoleInHandle(),
                                                   (EFI_GUID*)&EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL_GUID, &Keys),
              EFI_SUCCESS);
    ASSERT_EQ(Boot->BootServices()->UninstallProtocolInterface(
                  Boot->ConsoleInHandle(), (EFI_GUID*)&EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL_GUID, Keys),
              EFI_SUCCESS);
  });
  auto Entry = ReadEntry(*Boot);
  EXPECT_TRUE(Entry.Returned);
  EXPECT_EQ(Entry.Status, EFI_UNSUPPORTED);
  EXPECT_EQ(Entry.Text, u"");
  ExpectClean(*Boot);
}

struct TimeoutCase {
  const char* Name;
  EFI_TPL Tpl;
  UINT64 KeyAfter;  // microseconds; 0 for no key
  double PowerOffAt;
};

void PrintTo(const TimeoutCase& Case, std::ostream* Out) { *Out << Case.Name; }

class PromptTimeoutTest : public PasswordEntryTest, public ::testing::WithParamInterface<TimeoutCase> {};

TEST_P(PromptTimeoutTest, SixtySecondsWithoutAKeyPowerOff) {
  const TimeoutCase& Case = GetParam();
  // A prompt that never times out shows up as a hung boot, soon.
  Machine.Config().TimeLimit = 300 * sim::Clock::kPerSecond;
  auto Boot = StartPromptBoot();
  ASSERT_EQ(ShowScreen(*Boot, 1), EFI_SUCCESS);
  if (Case.KeyAfter != 0) Keyboard->Pause(Case.KeyAfter).Type(u"a");
  double Start = Boot->Clock().Seconds();
  auto Entry = ReadEntry(*Boot, FALSE, Case.Tpl);
  ASSERT_FALSE(Entry.Returned);
  EXPECT_EQ(Boot->Outcome().What, sim::Outcome::Kind::Reset);
  EXPECT_EQ(Boot->Outcome().ResetType, EfiResetShutdown);
  EXPECT_GE(Boot->Clock().Seconds() - Start, Case.PowerOffAt);
  EXPECT_LT(Boot->Clock().Seconds() - Start, Case.PowerOffAt + 0.1);
  ExpectNoViolations(*Boot);
  // The machine went off in the middle of the entry: its text is all that
  // is left besides what the driver keeps.
  auto Kept = KeptBootServicesBlocks();
  Kept.push_back(130);
  ExpectOnlyKept(*Boot, Kept);
}

INSTANTIATE_TEST_SUITE_P(Cases, PromptTimeoutTest,
                         ::testing::Values(TimeoutCase{"Application", TPL_APPLICATION, 0, 60.0},
                                           TimeoutCase{"Callback", TPL_CALLBACK, 0, 60.0},
                                           TimeoutCase{"KeyAt59sRestartsTheCount", TPL_APPLICATION, 59 * kSecond,
                                                       119.0},
                                           TimeoutCase{"KeyAt59sAtCallback", TPL_CALLBACK, 59 * kSecond, 119.0}),
                         [](const auto& Info) { return std::string(Info.param.Name); });

}  // namespace
