// The prompt screens on the real framebuffer of the virtual display.
#include <vector>

#include "tests/prompt/PromptFixture.h"
#include "uefi/platform/PromptFeedback.h"

namespace {

class PromptScreenTest : public PromptTest {};

TEST_F(PromptScreenTest, FailureMarksAdvanceAndLockoutErasesThem) {
  auto Boot = StartPromptBoot();
  ASSERT_EQ(ShowScreen(*Boot, 1), EFI_SUCCESS);
  EXPECT_GT(LitImage(13, 32, 19), 0u);
  EXPECT_EQ(PromptIcon(*Boot), 13);
  for (int Attempt = 0; Attempt < 3; Attempt++) ASSERT_EQ(ShowScreen(*Boot, 6), EFI_SUCCESS);
  for (UINT32 Column : {32u, 40u, 48u}) EXPECT_GT(LitImage(12, Column, 51), 0u) << Column;
  EXPECT_EQ(Lit(56, 51, 8, 9), 0u);
  EXPECT_EQ(FailureMarks(*Boot), 3);
  EXPECT_EQ(ImageEntry(*Boot, 12).X, 56u);

  ASSERT_EQ(ShowScreen(*Boot, 7), EFI_SUCCESS);
  EXPECT_EQ(Lit(32, 51, 24, 9), 0u);
  EXPECT_GT(LitImage(10, 90, 19), 0u);
  EXPECT_EQ(FailureMarks(*Boot), 0);
  EXPECT_EQ(ImageEntry(*Boot, 12).X, 32u);
  EXPECT_EQ(Feedback->Codes(), (std::vector<UINT8>{PROMPT_FEEDBACK_PROMPT_SHOWN, PROMPT_FEEDBACK_REJECTED,
                                                   PROMPT_FEEDBACK_REJECTED, PROMPT_FEEDBACK_REJECTED,
                                                   PROMPT_FEEDBACK_LOCKED_OUT}));
  ExpectClean(*Boot);
}

TEST_F(PromptScreenTest, PromptsAcceptAndClose) {
  auto Boot = StartPromptBoot();
  // The first screen clears the text console once.
  Boot->Invoke([&] { Boot->Console().OutputString(u"boot text"); });
  ASSERT_EQ(ShowScreen(*Boot, 0), EFI_SUCCESS);
  EXPECT_EQ(Boot->Console().Row(0).find("boot text"), std::string::npos);
  EXPECT_GT(LitImage(14, 32, 19), 0u);
  EXPECT_EQ(PromptIcon(*Boot), 14);

  // A drive prompt replaces the icon and puts the drive's badge over its corner.
  ASSERT_EQ(ShowScreen(*Boot, 3), EFI_SUCCESS);
  EXPECT_EQ(PromptIcon(*Boot), 11);
  auto Badge = Boot->Trace().Find("display.blt").back();
  EXPECT_EQ(Badge->Data["op"], "buffer-to-video");
  EXPECT_EQ(Badge->Data["width"], 12);
  EXPECT_GT(LitImage(11, 32, 19), 0u);

  ASSERT_EQ(ShowScreen(*Boot, 6), EFI_SUCCESS);
  ASSERT_EQ(ShowScreen(*Boot, 5), EFI_SUCCESS);
  EXPECT_GT(LitImage(15, 80, 19), 0u);

  ASSERT_EQ(ShowScreen(*Boot, 8), EFI_SUCCESS);
  EXPECT_EQ(Display->Screen().CountLit(), 0u);
  EXPECT_EQ(FailureMarks(*Boot), 0);
  EXPECT_EQ(Feedback->Codes(), (std::vector<UINT8>{11, 11, 13, 12}));
  EXPECT_EQ(Boot->Trace().Count("console.clear"), 1u);
  ExpectClean(*Boot);
}

TEST_F(PromptScreenTest, FeedbackOnlyWhenSetupAsksForIt) {
  auto Boot = StartPromptBoot();
  State(*Boot).PromptFeedbackEnabled = FALSE;
  ASSERT_EQ(ShowScreen(*Boot, 1), EFI_SUCCESS);
  EXPECT_GT(LitImage(13, 32, 19), 0u);
  EXPECT_TRUE(Feedback->Codes().empty());
  ExpectClean(*Boot);
}

TEST_F(PromptScreenTest, WithoutFeedbackServiceNothingIsDrawn) {
  auto Boot = StartPromptBoot(false);
  EXPECT_EQ(ShowScreen(*Boot, 1), EFI_UNSUPPORTED);
  EXPECT_EQ(Boot->Trace().Count("display.blt"), 0u);
  EXPECT_EQ(Display->Screen().CountLit(), 0u);
  ExpectClean(*Boot);
}

TEST_F(PromptScreenTest, WithoutGraphicsOutputNothingIsDrawn) {
  Display->Config().GraphicsOutput = false;
  auto Boot = StartPromptBoot();
  EXPECT_EQ(ShowScreen(*Boot, 0), EFI_UNSUPPORTED);
  EXPECT_TRUE(Feedback->Codes().empty());
  // The password is still read.
  Keyboard->Type(u"ab").Enter();
  auto Typed = ReadEntry(*Boot);
  EXPECT_EQ(Typed.Status, EFI_SUCCESS);
  EXPECT_EQ(Typed.Text, u"ab");
  ExpectClean(*Boot);
}

TEST_F(PromptScreenTest, UnknownKindDrawsNothing) {
  auto Boot = StartPromptBoot();
  EXPECT_EQ(ShowScreen(*Boot, 9), EFI_SUCCESS);
  EXPECT_EQ(Boot->Trace().Count("display.blt"), 0u);
  EXPECT_TRUE(Feedback->Codes().empty());
  ExpectClean(*Boot);
}

TEST_F(PromptScreenTest, ErasingAnImageNeverDrawnPaintsNothing) {
  auto Boot = StartPromptBoot();
  ASSERT_EQ(ShowScreen(*Boot, 1), EFI_SUCCESS);
  std::size_t Blts = Boot->Trace().Count("display.blt");
  EFI_STATUS Status = EFI_SUCCESS;
  Boot->Invoke([&] { Status = Routine<EFI_STATUS(UINT16)>(*Boot, "_Z16ErasePromptImaget")(15); });
  EXPECT_EQ(Status, EFI_NOT_READY);
  EXPECT_EQ(Boot->Trace().Count("display.blt"), Blts);
  ExpectClean(*Boot);
}

}  // namespace
