// The text mode of the error screen: EDID, graphics modes, the resolution
// policy and the text-mode search.
#include <vector>

#include "sim/devices/BootLogo.h"
#include "sim/devices/SetupPresence.h"
#include "tests/prompt/PromptFixture.h"
#include "uefi/Hob.h"
#include "uefi/platform/SetupVariable.h"

namespace {

using Modes = std::vector<sim::GraphicsMode>;
using TextModes = std::vector<sim::TextMode>;

constexpr UINT8 kSetupDisplayPolicyOffset = 110;

class DisplayModeTest : public PromptTest {
 protected:
  void WithSetup(UINT8 DisplayPolicy) {
    Machine.AddComponent(std::make_shared<sim::SetupPresence>());
    std::vector<UINT8> Setup(400, 0);
    Setup[kSetupDisplayPolicyOffset] = DisplayPolicy;
    Machine.NonVolatileVariables().Put(SETUP_VARIABLE_NAME, SETUP_VARIABLE_GUID, 7, Setup);
  }

  static EFI_STATUS SetErrorScreenTextMode(sim::Boot& Boot) {
    EFI_STATUS Status = EFI_ABORTED;
    Boot.Invoke([&] { Status = Routine<EFI_STATUS()>(Boot, "_Z22SetErrorScreenTextModev")(); });
    return Status;
  }

  struct Resolutions {
    EFI_STATUS Status = EFI_ABORTED;
    UINT32 TextWidth = 0, TextHeight = 0, GraphicsMode = 99, GraphicsWidth = 0, GraphicsHeight = 0;
  };
  static Resolutions GetDisplayResolutions(sim::Boot& Boot) {
    Resolutions Out;
    Boot.Invoke([&] {
      Out.Status = Routine<EFI_STATUS(EFI_HANDLE, UINT32*, UINT32*, UINT32*, UINT32*, UINT32*)>(
          Boot, "_Z21GetDisplayResolutionsPvPjS0_S0_S0_S0_")(Boot.ConsoleOutHandle(), &Out.TextWidth,
                                                             &Out.TextHeight, &Out.GraphicsMode, &Out.GraphicsWidth,
                                                             &Out.GraphicsHeight);
    });
    return Out;
  }

  static RESOLUTION_REQUEST& Policy(sim::Boot& Boot) {
    return *Boot.Image("Sentrel")->Global<RESOLUTION_REQUEST>("ResolutionPolicy");
  }
  static BOOLEAN PolicyDone(sim::Boot& Boot) { return *Boot.Image("Sentrel")->Global<BOOLEAN>("ResolutionPolicyDone"); }
};

struct TextModeCase {
  const char* Name;
  Modes Graphics;
  TextModes Text;
  bool Setup;
  INT32 ExpectedMode;
};

void PrintTo(const TextModeCase& Case, std::ostream* Out) { *Out << Case.Name; }

class ErrorScreenModeTest : public DisplayModeTest, public ::testing::WithParamInterface<TextModeCase> {};

TEST_P(ErrorScreenModeTest, TextModeFillsTheDisplay) {
  const TextModeCase& Case = GetParam();
  Display->Config().Modes = Case.Graphics;
  Machine.Config().TextModes = Case.Text;
  if (Case.Setup) WithSetup(1);
  auto Boot = StartPromptBoot();
  Boot->Invoke([&] { ASSERT_EQ(Boot->Console().EnableCursor(FALSE), EFI_SUCCESS); });
  EXPECT_EQ(SetErrorScreenTextMode(*Boot), EFI_SUCCESS);
  EXPECT_EQ(Boot->Console().Mode().Mode, Case.ExpectedMode);
  EXPECT_EQ(Boot->Trace().Count("console.mode"), 1u);
  EXPECT_EQ(Display->ScreenMode(), EfiConsoleControlScreenText);
  EXPECT_EQ(Boot->Console().Mode().CursorVisible, TRUE);
  EXPECT_EQ(Display->DisplayChangeSignals(), 1u);
  ExpectClean(*Boot);
}

const TextModes kTextModes{{80, 25}, {80, 50}, {100, 31}, {128, 40}, {240, 56}};

INSTANTIATE_TEST_SUITE_P(
    Cases, ErrorScreenModeTest,
    ::testing::Values(
        TextModeCase{"FullHdGivesItsGrid", Modes{{800, 600}, {1024, 768}, {1920, 1080}}, kTextModes, true, 4},
        TextModeCase{"WithoutFullHdThe1024x768Grid", Modes{{1280, 1024}, {1024, 768}}, kTextModes, true, 3},
        TextModeCase{"WithoutSetupPresenceThe800x600Grid", Modes{{800, 600}, {1024, 768}, {1920, 1080}}, kTextModes,
                     false, 2},
        TextModeCase{"TwoTextModesAndNoMatchGiveMode0", Modes{{800, 600}, {1920, 1080}}, TextModes{{80, 25}, {80, 50}},
                     true, 0}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(DisplayModeTest, NoDisplayKeepsTheModeButSignalsTheChange) {
  Display->Config().GraphicsOutput = false;
  auto Boot = StartPromptBoot();
  Boot->Invoke([&] { ASSERT_EQ(Boot->Console().SetMode(1), EFI_SUCCESS); });
  EXPECT_EQ(SetErrorScreenTextMode(*Boot), EFI_UNSUPPORTED);
  EXPECT_EQ(Boot->Console().Mode().Mode, 1);
  EXPECT_EQ(Display->ScreenMode(), EfiConsoleControlScreenGraphics);
  EXPECT_EQ(Display->DisplayChangeSignals(), 1u);
  ExpectClean(*Boot);
}

TEST_F(DisplayModeTest, UgaOnlyConsoleTakesThe1024x768Grid) {
  Display->Config().GraphicsOutput = false;
  Display->Config().UgaDraw = true;
  Display->Config().ConsoleControl = false;
  Machine.Config().TextModes = kTextModes;
  auto Boot = StartPromptBoot();
  EXPECT_EQ(SetErrorScreenTextMode(*Boot), EFI_SUCCESS);
  EXPECT_EQ(Boot->Console().Mode().Mode, 3);
  // Without console control the screen is cleared here.
  EXPECT_EQ(Boot->Trace().Count("console.clear"), 1u);
  ExpectClean(*Boot);
}

struct PickCase {
  const char* Name;
  Modes Graphics;
  UINT32 Width, Height;
  EFI_STATUS Status;
  UINT32 Mode;
};

void PrintTo(const PickCase& Case, std::ostream* Out) { *Out << Case.Name; }

class PickGopModeTest : public DisplayModeTest, public ::testing::WithParamInterface<PickCase> {};

TEST_P(PickGopModeTest, BestModeOfTheShapeFirst) {
  const PickCase& Case = GetParam();
  Display->Config().Modes = Case.Graphics;
  auto Boot = StartPromptBoot();
  EFI_STATUS Status = EFI_ABORTED;
  UINT32 Mode = 99, Width = 0, Height = 0;
  Boot->Invoke([&] {
    Status = Routine<EFI_STATUS(EFI_GRAPHICS_OUTPUT_PROTOCOL*, UINT32, UINT32, UINT32*, UINT32*, UINT32*)>(
        *Boot, "_Z11PickGopModeP28EFI_GRAPHICS_OUTPUT_PROTOCOLjjPjS1_S1_")(Display->Protocol(), Case.Width,
                                                                           Case.Height, &Mode, &Width, &Height);
  });
  EXPECT_EQ(Status, Case.Status);
  if (!EFI_ERROR(Case.Status)) {
    EXPECT_EQ(Mode, Case.Mode);
    EXPECT_EQ(Width, Case.Graphics[Case.Mode].Width);
    EXPECT_EQ(Height, Case.Graphics[Case.Mode].Height);
  }
  // Every mode record the display handed out is freed.
  ExpectClean(*Boot);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PickGopModeTest,
    ::testing::Values(
        // gcd(1024, 768) = 256: 1280 x 960 is a step larger, 1152 x 864 is not.
        PickCase{"SameShapeWithinOneStep", Modes{{1280, 960}, {1152, 864}}, 1024, 768, EFI_SUCCESS, 1},
        PickCase{"AnyLargerModeInTheSecondPass", Modes{{1600, 1200}, {1280, 960}}, 1024, 768, EFI_SUCCESS, 1},
        PickCase{"ShapeBeatsSmallerWidth", Modes{{1100, 1100}, {1200, 900}}, 1024, 768, EFI_SUCCESS, 1},
        PickCase{"LaterOfEqualModesWins", Modes{{1024, 768}, {800, 600}, {1024, 768}}, 1024, 768, EFI_SUCCESS, 2},
        PickCase{"SmallerHeightBreaksTies", Modes{{1920, 1200}, {1920, 1080}}, 1920, 1000, EFI_SUCCESS, 1},
        PickCase{"NoneLargeEnough", Modes{{800, 600}, {1024, 600}}, 1024, 768, EFI_NOT_FOUND, 0},
        PickCase{"ZeroSizeRefused", Modes{{800, 600}}, 0, 600, EFI_INVALID_PARAMETER, 0}),
    [](const auto& Info) { return std::string(Info.param.Name); });

struct EdidCase {
  const char* Name;
  std::size_t EdidBytes;  // of a 1280 x 1024 EDID; 0 for none
  UINT32 GraphicsWidth, GraphicsHeight, GraphicsMode;
  UINT32 TextWidth, TextHeight;
};

void PrintTo(const EdidCase& Case, std::ostream* Out) { *Out << Case.Name; }

class EdidTest : public DisplayModeTest, public ::testing::WithParamInterface<EdidCase> {};

TEST_P(EdidTest, PreferredTimingGivesTheGraphicsSize) {
  const EdidCase& Case = GetParam();
  if (Case.EdidBytes != 0) {
    auto Edid = sim::Display::MakeEdid(1280, 1024);
    Edid.resize(Case.EdidBytes);
    Display->Config().Edid = Edid;
  }
  auto Boot = StartPromptBoot();
  Resolutions Got = GetDisplayResolutions(*Boot);
  EXPECT_EQ(Got.Status, EFI_SUCCESS);
  EXPECT_EQ(Got.GraphicsWidth, Case.GraphicsWidth);
  EXPECT_EQ(Got.GraphicsHeight, Case.GraphicsHeight);
  EXPECT_EQ(Got.GraphicsMode, Case.GraphicsMode);
  // Without setup presence the policy is not settled; a size from the EDID
  // still takes the policy's text pair, the default size keeps its own.
  EXPECT_EQ(Got.TextWidth, Case.TextWidth);
  EXPECT_EQ(Got.TextHeight, Case.TextHeight);
  EXPECT_EQ(PolicyDone(*Boot), FALSE);
  ExpectClean(*Boot);
}

INSTANTIATE_TEST_SUITE_P(Cases, EdidTest,
                         ::testing::Values(EdidCase{"NoEdid", 0, 800, 600, 0, 800, 600},
                                           EdidCase{"FullBlock", 128, 1280, 1024, 2, 1920, 1080},
                                           EdidCase{"JustTheFirstTiming", 72, 1280, 1024, 2, 1920, 1080},
                                           // Cut inside the timing: treated as no EDID, never read past.
                                           EdidCase{"TooShortForTheFirstTiming", 60, 800, 600, 0, 800, 600}),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(DisplayModeTest, EdidSizeLeavesThePolicyUnsettled) {
  WithSetup(1);
  Display->Config().Edid = sim::Display::MakeEdid(1024, 768);
  auto Boot = StartPromptBoot();
  Resolutions Got = GetDisplayResolutions(*Boot);
  EXPECT_EQ(Got.GraphicsWidth, 1024u);
  EXPECT_EQ(Got.TextWidth, 1920u);
  EXPECT_EQ(Got.TextHeight, 1080u);
  EXPECT_EQ(PolicyDone(*Boot), FALSE);
  ExpectClean(*Boot);
}

// Byte 110 must lie inside what was read: a shorter "Setup" counts as
// unreadable, so the policy stays open and the text request stays 800 x 600.
TEST_F(DisplayModeTest, ASetupTooShortForItsDisplayByteCountsAsUnreadable) {
  Machine.AddComponent(std::make_shared<sim::SetupPresence>());
  Machine.NonVolatileVariables().Put(SETUP_VARIABLE_NAME, SETUP_VARIABLE_GUID, 7, std::vector<UINT8>(100, 0));
  auto Boot = StartPromptBoot();
  Resolutions Got = GetDisplayResolutions(*Boot);
  EXPECT_EQ(PolicyDone(*Boot), FALSE);
  EXPECT_EQ(Got.TextWidth, 800u);
  EXPECT_EQ(Got.TextHeight, 600u);
  ExpectClean(*Boot);
}

struct PolicyCase {
  const char* Name;
  UINT32 BootMode;
  UINT8 SetupByte;
  bool Logo;
  RESOLUTION_REQUEST Policy;
  UINT32 GraphicsWidth, GraphicsHeight;
};

void PrintTo(const PolicyCase& Case, std::ostream* Out) { *Out << Case.Name; }

class ResolutionPolicyTest : public DisplayModeTest, public ::testing::WithParamInterface<PolicyCase> {};

TEST_P(ResolutionPolicyTest, SettledOncePerBoot) {
  const PolicyCase& Case = GetParam();
  Machine.Config().BootMode = Case.BootMode;
  WithSetup(Case.SetupByte);
  if (Case.Logo) {
    sim::BootLogoConfig Logos;
    Logos.Decoders = {0, 1};
    Logos.Images = {
        {.Type = 1, .Format = 0, .Width = 1024, .Height = 768},                    // not the boot logo
        {.Format = 2, .Width = 1024, .Height = 768},                               // no decoder for the format
        {.Format = 0, .Width = 1024, .Height = 768, .Damaged = true},              // the decoder refuses it
        {.Format = 3, .Width = 1024, .Height = 768},                               // decoder not installed
        {.Format = 0, .Width = 2560, .Height = 1440},                              // does not fit the logo area
        {.Format = 1, .Width = 1280, .Height = 1024},                              // the logo
        {.Format = 0, .Width = 1152, .Height = 864},
    };
    Machine.AddComponent(std::make_shared<sim::BootLogo>(Logos));
  }
  auto Boot = StartPromptBoot();
  Resolutions Got = GetDisplayResolutions(*Boot);
  EXPECT_EQ(Got.Status, EFI_SUCCESS);
  EXPECT_EQ(PolicyDone(*Boot), TRUE);
  const RESOLUTION_REQUEST& Policy = DisplayModeTest::Policy(*Boot);
  EXPECT_EQ(Policy.GraphicsWidth, Case.Policy.GraphicsWidth);
  EXPECT_EQ(Policy.GraphicsHeight, Case.Policy.GraphicsHeight);
  EXPECT_EQ(Got.GraphicsWidth, Case.GraphicsWidth);
  EXPECT_EQ(Got.GraphicsHeight, Case.GraphicsHeight);
  EXPECT_EQ(Got.TextWidth, 1920u);
  EXPECT_EQ(Got.TextHeight, 1080u);
  // Settled: the next request neither reads Setup again nor asks the logo.
  std::size_t LogoCalls = Boot->Trace().Count("logo.");
  GetDisplayResolutions(*Boot);
  EXPECT_EQ(Boot->Trace().Count("logo."), LogoCalls);
  ExpectClean(*Boot);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ResolutionPolicyTest,
    ::testing::Values(PolicyCase{"RecoveryBootTakesFullHd", BOOT_IN_RECOVERY_MODE, 1, true, {1920, 1080, 1920, 1080},
                                 800, 600},
                      PolicyCase{"SetupByteZeroTakesFullHd", 0, 0, true, {1920, 1080, 1920, 1080}, 800, 600},
                      PolicyCase{"FirstAcceptedLogoGivesTheSize", 0, 1, true, {1280, 1024, 1920, 1080}, 1280, 1024},
                      PolicyCase{"NoLogoGivesTheDefault", 0, 1, false, {800, 600, 1920, 1080}, 800, 600}),
    [](const auto& Info) { return std::string(Info.param.Name); });

}  // namespace
