// Driver images: the real host-built driver loaded anew for every boot, and
// in-process images.
#include "SimTest.h"
#include "uefi/protocol/Pcd.h"

namespace simtest {
namespace {

class ImageTest : public SimTest {};

TEST_F(ImageTest, EveryBootLoadsItsOwnCopyOfARealDriverImageWithFreshGlobals) {
  Machine.AddDriver("Sentrel", sim::Machine::DefaultDriverDirectory() / "Sentrel.so");
  auto First = Machine.Boot();
  const sim::LoadedImage* FirstImage = First->Image("Sentrel");
  ASSERT_NE(FirstImage, nullptr);
  ASSERT_TRUE(FirstImage->EntryStatus.has_value()) << "the entry point ran";
  auto** FirstTable = FirstImage->Global<EFI_SYSTEM_TABLE*>("gST");
  ASSERT_NE(FirstTable, nullptr) << "the image's own symbols are readable";
  EXPECT_EQ(*FirstTable, First->SystemTable());
  // Scribble over the first copy's global: a shared copy would show it.
  auto* Scribble = reinterpret_cast<EFI_SYSTEM_TABLE*>(0x5C5C5C5C);
  *FirstTable = Scribble;

  auto Second = Machine.Boot();
  const sim::LoadedImage* SecondImage = Second->Image("Sentrel");
  ASSERT_NE(SecondImage, nullptr);
  ASSERT_TRUE(SecondImage->EntryStatus.has_value());
  EXPECT_NE(SecondImage->Base(), FirstImage->Base());
  auto** SecondTable = SecondImage->Global<EFI_SYSTEM_TABLE*>("gST");
  ASSERT_NE(SecondTable, nullptr);
  EXPECT_EQ(*SecondTable, Second->SystemTable());
  EXPECT_EQ(*FirstTable, Scribble);
  EXPECT_EQ(Second->Trace().Count("image.entry"), 1u);

  // The image handle carries the loaded-image protocol of the mapping.
  VOID* Interface = Second->Protocols().Find(SecondImage->Handle, EFI_LOADED_IMAGE_PROTOCOL_GUID);
  if (!EFI_ERROR(*SecondImage->EntryStatus)) {
    auto* Loaded = static_cast<EFI_LOADED_IMAGE_PROTOCOL*>(Interface);
    ASSERT_NE(Loaded, nullptr);
    EXPECT_EQ(Loaded->ImageBase, SecondImage->Base());
    EXPECT_EQ(Loaded->SystemTable, Second->SystemTable());
    EXPECT_EQ(Loaded->ImageCodeType, EfiBootServicesCode);
  } else {
    EXPECT_EQ(Interface, nullptr) << "a driver whose entry failed is unloaded";
  }
}

// A token database whose boolean read powers the machine off: the boot ends
// deep inside the driver that asked.
BOOLEAN EFIAPI ShutDownOnRead(CONST EFI_GUID*, UINTN) {
  sim::Boot::Current().RuntimeServices()->ResetSystem(EfiResetShutdown, EFI_SUCCESS, 0, nullptr);
  return TRUE;
}

TEST_F(ImageTest, ABootEndingInsideARealDriverUnwindsItsFramesAndTheNextBootRunsIt) {
  Machine.AddDriver("Sentrel", sim::Machine::DefaultDriverDirectory() / "Sentrel.so");
  static EFI_PCD_PROTOCOL Trap{};
  Trap.GetBoolEx = ShutDownOnRead;
  Boot = Machine.PrepareBoot();
  Boot->At(sim::When::BeforeDispatch(), [](sim::Boot& Current) {
    EFI_HANDLE Handle = nullptr;
    ASSERT_EQ(Current.Protocols().Install(&Handle, &EFI_PCD_PROTOCOL_GUID, EFI_NATIVE_INTERFACE, &Trap, "platform"),
              EFI_SUCCESS);
  });
  Boot->Run();
  ASSERT_EQ(Boot->Outcome().What, sim::Outcome::Kind::Reset) << "the entry point reads its feature token first";
  EXPECT_EQ(Boot->Outcome().ResetType, EfiResetShutdown);
  EXPECT_EQ(Boot->Trace().Count("image.entry"), 0u) << "the entry point never returned";

  auto Next = Machine.Boot();
  EXPECT_EQ(Next->Trace().Count("image.entry"), 1u);
  EXPECT_EQ(Next->Outcome().What, sim::Outcome::Kind::Completed);
}

TEST_F(ImageTest, AnInProcessImageGetsItsHandleAndTheSystemTableInEveryBoot) {
  std::vector<EFI_HANDLE> Handles;
  std::vector<EFI_SYSTEM_TABLE*> Tables;
  Machine.AddDriver("Toy", [&](EFI_HANDLE Image, EFI_SYSTEM_TABLE* System) -> EFI_STATUS {
    Handles.push_back(Image);
    Tables.push_back(System);
    VOID* Loaded = nullptr;
    EXPECT_EQ(System->BootServices->HandleProtocol(Image, const_cast<EFI_GUID*>(&EFI_LOADED_IMAGE_PROTOCOL_GUID), &Loaded),
              EFI_SUCCESS);
    EXPECT_EQ(static_cast<EFI_LOADED_IMAGE_PROTOCOL*>(Loaded)->SystemTable, System);
    return EFI_UNSUPPORTED;
  });
  auto First = Machine.Boot();
  auto Second = Machine.Boot();
  ASSERT_EQ(Tables.size(), 2u);
  EXPECT_EQ(Tables[0], First->SystemTable());
  EXPECT_EQ(Tables[1], Second->SystemTable());
  // A failed entry unloads the image: its handle goes with the protocol.
  EXPECT_FALSE(Second->Protocols().IsHandle(Handles[1]));
  EXPECT_EQ(Second->Trace().Count("image.unload"), 1u);
}

}  // namespace
}  // namespace simtest
