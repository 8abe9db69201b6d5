// A picture of every prompt screen, as a person sees it: the prompt area of
// the framebuffer, enlarged. Written to FW_SCREENSHOT_DIR (the environment
// variable, else the build's directory); the `prompt_screens` target writes
// the set kept under docs/screens.
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "tests/prompt/PromptFixture.h"

namespace {

struct ScreenCase {
  const char* File;
  std::vector<UINT16> Kinds;  // shown in order
  std::u16string Typed;       // then typed, pictured before Enter
  int F1Presses;
};

// Test listings show the picture's file name, not the bytes of the case.
void PrintTo(const ScreenCase& Case, std::ostream* Out) { *Out << Case.File; }

std::filesystem::path ScreenshotDirectory() {
  const char* Chosen = std::getenv("FW_SCREENSHOT_DIR");
  return Chosen != nullptr ? std::filesystem::path(Chosen) : std::filesystem::path(FW_SCREENSHOT_DIR);
}

class ScreenshotTest : public PromptTest, public ::testing::WithParamInterface<ScreenCase> {
 protected:
  // Everything the prompts draw lies in this corner of the screen.
  static constexpr sim::PixelRect kPromptArea{0, 0, 160, 80};
  static constexpr unsigned kScale = 4;
};

TEST_P(ScreenshotTest, Screen) {
  const ScreenCase& Case = GetParam();
  auto Boot = StartPromptBoot();
  for (UINT16 Kind : Case.Kinds) ASSERT_EQ(ShowScreen(*Boot, Kind), EFI_SUCCESS);
  const std::filesystem::path File = ScreenshotDirectory() / Case.File;
  std::filesystem::remove(File);
  if (Case.Typed.empty()) {
    Display->Screenshot(File, kPromptArea, kScale);
  } else {
    for (int Press = 0; Press < Case.F1Presses; Press++) Keyboard->Press(SCAN_F1);
    Keyboard->Type(Case.Typed).Enter();
    Boot->Trace().Subscribe([&](const sim::TraceEvent& Event) {
      if (Event.Kind == "keyboard.key" && Event.Data["char"] == CHAR_CARRIAGE_RETURN) {
        Display->Screenshot(File, kPromptArea, kScale);
      }
    });
    ASSERT_TRUE(ReadEntry(*Boot, TRUE).Returned);
  }
  ASSERT_TRUE(std::filesystem::exists(File));
  EXPECT_GT(std::filesystem::file_size(File), 0u);
  ExpectClean(*Boot);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ScreenshotTest,
    ::testing::Values(ScreenCase{"0-supervisor-prompt.png", {0}, u"", 0},
                      ScreenCase{"1-power-on-prompt.png", {1}, u"", 0},
                      ScreenCase{"2-drive-0-prompt.png", {2}, u"", 0},
                      ScreenCase{"3-drive-1-prompt.png", {3}, u"", 0},
                      ScreenCase{"4-drive-2-prompt.png", {4}, u"", 0},
                      ScreenCase{"5-accepted.png", {1, 5}, u"", 0},
                      ScreenCase{"6-rejected.png", {1, 6}, u"", 0},
                      ScreenCase{"7-locked-out.png", {1, 6, 6, 6, 7}, u"", 0},
                      ScreenCase{"8-closed.png", {1, 5, 8}, u"", 0},
                      ScreenCase{"typing.png", {1, 6}, u"secret", 0},
                      ScreenCase{"drive-master-typing.png", {2}, u"master", 1}),
    [](const auto& Info) {
      std::string Name;
      for (const char* C = Info.param.File; *C != '.'; C++) Name += std::isalnum((unsigned char)*C) ? *C : '_';
      return "Screen_" + Name;
    });

}  // namespace
