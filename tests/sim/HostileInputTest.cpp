// What a misbehaving driver or test sequence can do to the machine: every
// case gets an error or a recorded violation, never a crash of the host.
#include <string>

#include "SimTest.h"
#include "sim/devices/Keyboard.h"
#include "uefi/protocol/SimpleTextIn.h"
#include "uefi/protocol/SimpleTextOut.h"

namespace {

class HostileInputTest : public simtest::SimTest {};

// A boot that ends after the next one has started must not detach the
// devices from the new one.
TEST_F(HostileInputTest, AnOlderBootEndingLeavesTheNewBootsDevicesAttached) {
  auto Keys = std::make_shared<sim::Keyboard>();
  Machine.AddComponent(Keys);
  Keys->Type(u"k");
  PowerOn();
  PowerOn();  // the first boot is let go only after the second powered on
  EFI_INPUT_KEY Key{};
  Within([&] {
    EFI_SIMPLE_TEXT_INPUT_PROTOCOL* In = Boot->SystemTable()->ConIn;
    ASSERT_NE(In, nullptr);
    EXPECT_EQ(In->ReadKeyStroke(In, &Key), EFI_SUCCESS);
  });
  EXPECT_EQ(Key.UnicodeChar, u'k');
}

TEST_F(HostileInputTest, AnAbsurdVariableSizeIsRefusedBeforeAnythingIsCopied) {
  PowerOn();
  UINT8 Byte = 0;
  static CHAR16 Name[] = u"Big";
  static EFI_GUID Vendor = EFI_GUID_LITERAL(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11);
  Within([&] { EXPECT_EQ(RT->SetVariable(Name, &Vendor, 7, (UINTN)1 << 44, &Byte), EFI_INVALID_PARAMETER); });
  EXPECT_EQ(Machine.NonVolatileVariables().Get(u"Big", Vendor), nullptr);
}

TEST_F(HostileInputTest, AConsoleCursorMovedOffTheScreenIsAViolationNotACrash) {
  PowerOn();
  Within([&] {
    EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL* Out = Boot->SystemTable()->ConOut;
    Out->Mode->CursorRow = 1000;
    Out->Mode->CursorColumn = -3;
    static CHAR16 Text[] = u"x";
    (void)Out->OutputString(Out, Text);
  });
  ASSERT_EQ(Boot->Violations().size(), 1u);
  EXPECT_EQ(Boot->Violations()[0].Kind, "console.cursor");
}

TEST_F(HostileInputTest, FreeingAPageCountThatWrapsIsAForeignFree) {
  PowerOn();
  Within([&] {
    EFI_PHYSICAL_ADDRESS Address = 0;
    ASSERT_EQ(BS->AllocatePages(AllocateAnyPages, EfiBootServicesData, 1, &Address), EFI_SUCCESS);
    EXPECT_EQ(BS->FreePages(Address, ((UINTN)1 << 52) + 1), EFI_NOT_FOUND);
    EXPECT_EQ(BS->FreePages(Address, 1), EFI_SUCCESS);
  });
  ASSERT_EQ(Boot->Violations().size(), 1u);
  EXPECT_EQ(Boot->Violations()[0].Kind, "free.foreign");
}

}  // namespace
