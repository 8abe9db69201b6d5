// The password driver on a machine with a display, a keyboard and the prompt
// feedback service, and the driver's prompt routines and state reached by
// their symbols in the loaded image.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "sentrel/prompt/DisplayMode.h"
#include "sentrel/prompt/PromptImage.h"
#include "sim/devices/Display.h"
#include "sim/devices/Keyboard.h"
#include "sim/devices/PromptFeedback.h"
#include "tests/sentrel/SentrelFixture.h"

class PromptTest : public SentrelTest {
 protected:
  std::shared_ptr<sim::Display> Display = std::make_shared<sim::Display>();
  std::shared_ptr<sim::Keyboard> Keyboard = std::make_shared<sim::Keyboard>();
  std::shared_ptr<sim::PromptFeedbackService> Feedback = std::make_shared<sim::PromptFeedbackService>();

  PromptTest() {
    Machine.AddComponent(Display);
    Machine.AddComponent(Keyboard);
  }

  // A boot with the driver started, the feedback service present unless the
  // test says otherwise, and feedback asked for (as Setup byte 290 would).
  std::unique_ptr<sim::Boot> StartPromptBoot(bool WithFeedback = true) {
    if (WithFeedback) Machine.AddComponent(Feedback);
    auto Boot = StartBoot();
    State(*Boot).PromptFeedbackEnabled = TRUE;
    return Boot;
  }

  // The driver's prompt routines.
  static EFI_STATUS ShowScreen(sim::Boot& Boot, UINT16 Kind) {
    EFI_STATUS Status = EFI_ABORTED;
    Boot.Invoke([&] { Status = Routine<EFI_STATUS(UINT16)>(Boot, "_Z16ShowPromptScreent")(Kind); });
    return Status;
  }
  struct Entry {
    EFI_STATUS Status = EFI_ABORTED;
    std::u16string Text;
    BOOLEAN Toggle = FALSE;
    bool Returned = false;  // FALSE: the boot ended while reading
  };
  // ReadPassword at Tpl with a toggle of Toggle on entry; the text is freed
  // the driver's way.
  static Entry ReadEntry(sim::Boot& Boot, BOOLEAN Toggle = FALSE, EFI_TPL Tpl = TPL_APPLICATION) {
    Entry Result;
    Result.Toggle = Toggle;
    Result.Returned = Boot.Invoke([&] {
      EFI_TPL Old = Boot.BootServices()->RaiseTPL(Tpl);
      CHAR16* Text = nullptr;
      Result.Status = Routine<EFI_STATUS(CHAR16**, BOOLEAN*)>(Boot, "_Z12ReadPasswordPPDsPh")(&Text, &Result.Toggle);
      Boot.BootServices()->RestoreTPL(Old);
      if (Text != nullptr) {
        Result.Text = Text;
        Routine<VOID(CHAR16*)>(Boot, "_Z16FreePasswordTextPDs")(Text);
      }
    });
    return Result;
  }

  // The driver's module state of the prompts.
  static PROMPT_IMAGE_ENTRY& ImageEntry(sim::Boot& Boot, UINT16 Id) {
    auto* Table = Boot.Image("Sentrel")->Global<PROMPT_IMAGE_ENTRY>("PromptImageTable");
    for (int Index = 0; Index < PROMPT_IMAGE_TABLE_COUNT; Index++) {
      if (Table[Index].ImageId == Id) return Table[Index];
    }
    throw std::logic_error("no table entry");
  }
  static UINT16 FailureMarks(sim::Boot& Boot) { return *Boot.Image("Sentrel")->Global<UINT16>("FailureMarkCount"); }
  static UINT16 PromptIcon(sim::Boot& Boot) { return *Boot.Image("Sentrel")->Global<UINT16>("CurrentPromptIcon"); }

  // Lit pixels of the screen in a rectangle.
  std::size_t Lit(UINT32 X, UINT32 Y, UINT32 Width, UINT32 Height) const {
    return Display->Screen().CountLit({X, Y, Width, Height});
  }
  // The area where image Id is placed, with its size in the built-in package.
  std::size_t LitImage(UINT16 Id, UINT64 X, UINT64 Y) const {
    const auto [Width, Height] = ImageSize(Id);
    return Lit((UINT32)X, (UINT32)Y, Width, Height);
  }
  static std::pair<UINT32, UINT32> ImageSize(UINT16 Id) {
    static constexpr std::pair<UINT32, UINT32> kSizes[] = {
        {0, 0},   {16, 20}, {12, 12}, {12, 12}, {12, 12}, {12, 12}, {12, 12}, {12, 12},
        {12, 12}, {8, 6},   {24, 24}, {32, 32}, {8, 9},   {32, 32}, {32, 32}, {32, 44},
    };
    return kSizes[Id];
  }

  // Block transfers of the boot that drew or erased something other than the
  // cursor bar.
  static std::vector<const sim::TraceEvent*> Drawing(sim::Boot& Boot) {
    std::vector<const sim::TraceEvent*> Found;
    for (const auto* Event : Boot.Trace().Find("display.blt")) {
      if (Event->Data["y"] != 38) Found.push_back(Event);
    }
    return Found;
  }
};
