// The handle and protocol database and protocol notifications.
#include "SimTest.h"

namespace simtest {
namespace {

using ::testing::ElementsAre;

constexpr EFI_GUID kWidget = EFI_GUID_LITERAL(0x6A1E2C44, 0x0B7D, 0x4E11, 0x8C, 0x02, 0x3A, 0x44, 0x9B, 0x10, 0x77, 0x21);
constexpr EFI_GUID kGadget = EFI_GUID_LITERAL(0x2F0D7B90, 0x51C3, 0x4A86, 0x95, 0x1E, 0x0C, 0x6B, 0x28, 0xD4, 0x3F, 0x5A);

class ProtocolsTest : public SimTest {
 protected:
  void SetUp() override { PowerOn(); }

  EFI_HANDLE Install(const EFI_GUID& Guid, VOID* Interface, EFI_HANDLE Handle = nullptr) {
    EXPECT_EQ(BS->InstallProtocolInterface(&Handle, const_cast<EFI_GUID*>(&Guid), EFI_NATIVE_INTERFACE, Interface),
              EFI_SUCCESS);
    return Handle;
  }

  int One = 1, Two = 2, Three = 3;
};

TEST_F(ProtocolsTest, ARegistrationSeesEachInstallMadeAfterItOnceAndReinstallsAgain) {
  std::vector<VOID*> Seen;
  VOID* Registration = nullptr;
  Within([&] {
    Install(kWidget, &One);  // before the registration: not new to it
    EFI_EVENT Event = NewEvent(EVT_NOTIFY_SIGNAL, TPL_CALLBACK, NewProbe("arrival", [&] {
      VOID* Interface = nullptr;
      while (BS->LocateProtocol(const_cast<EFI_GUID*>(&kWidget), Registration, &Interface) == EFI_SUCCESS) {
        Seen.push_back(Interface);
      }
    }));
    ASSERT_EQ(BS->RegisterProtocolNotify(const_cast<EFI_GUID*>(&kWidget), Event, &Registration), EFI_SUCCESS);
    EXPECT_TRUE(Log.empty()) << "registering signals nothing by itself";

    EFI_HANDLE Second = Install(kWidget, &Two);
    EXPECT_THAT(Seen, ElementsAre(&Two)) << "the notify ran during the install, at TPL_CALLBACK";
    // Two installs while the notify cannot run: it finds both, in order.
    EFI_TPL Old = BS->RaiseTPL(TPL_NOTIFY);
    Install(kWidget, &Three);
    ASSERT_EQ(BS->ReinstallProtocolInterface(Second, const_cast<EFI_GUID*>(&kWidget), &Two, &One), EFI_SUCCESS);
    BS->RestoreTPL(Old);
    Install(kGadget, &Two);  // another protocol: no signal
  });
  EXPECT_THAT(Seen, ElementsAre(&Two, &Three, &One));
  EXPECT_EQ(Log.size(), 2u);
  sim::ExpectNoViolations(*Boot);
}

TEST_F(ProtocolsTest, LocateHandleByRegisterNotifyHandsOutOneNewHandlePerCall) {
  Within([&] {
    EFI_EVENT Event = nullptr;
    ASSERT_EQ(BS->CreateEvent(0, 0, nullptr, nullptr, &Event), EFI_SUCCESS);
    VOID* Registration = nullptr;
    ASSERT_EQ(BS->RegisterProtocolNotify(const_cast<EFI_GUID*>(&kWidget), Event, &Registration), EFI_SUCCESS);
    EFI_HANDLE First = Install(kWidget, &One);
    EFI_HANDLE Second = Install(kWidget, &Two);
    EFI_HANDLE Found = nullptr;
    UINTN Size = 0;
    EXPECT_EQ(BS->LocateHandle(ByRegisterNotify, nullptr, Registration, &Size, &Found), EFI_BUFFER_TOO_SMALL);
    EXPECT_EQ(Size, sizeof(EFI_HANDLE));
    EXPECT_EQ(BS->LocateHandle(ByRegisterNotify, nullptr, Registration, &Size, &Found), EFI_SUCCESS);
    EXPECT_EQ(Found, First) << "a buffer too small does not use up a handle";
    EXPECT_EQ(BS->LocateHandle(ByRegisterNotify, nullptr, Registration, &Size, &Found), EFI_SUCCESS);
    EXPECT_EQ(Found, Second);
    EXPECT_EQ(BS->LocateHandle(ByRegisterNotify, nullptr, Registration, &Size, &Found), EFI_NOT_FOUND);
    EXPECT_EQ(BS->CheckEvent(Event), EFI_SUCCESS) << "the installs signalled the event";
  });
}

TEST_F(ProtocolsTest, InstallUninstallAndLookupGiveTheStandardResults) {
  Within([&] {
    EFI_HANDLE Handle = Install(kWidget, &One);
    VOID* Interface = nullptr;
    // A second instance of a protocol on one handle is refused and recorded.
    EXPECT_EQ(BS->InstallProtocolInterface(&Handle, const_cast<EFI_GUID*>(&kWidget), EFI_NATIVE_INTERFACE, &Two),
              EFI_INVALID_PARAMETER);
    EXPECT_EQ(BS->HandleProtocol(Handle, const_cast<EFI_GUID*>(&kGadget), &Interface), EFI_UNSUPPORTED);
    EXPECT_EQ(Interface, nullptr);
    EXPECT_EQ(BS->HandleProtocol(Handle, const_cast<EFI_GUID*>(&kWidget), nullptr), EFI_INVALID_PARAMETER);
    EXPECT_EQ(BS->UninstallProtocolInterface(Handle, const_cast<EFI_GUID*>(&kWidget), &Two), EFI_NOT_FOUND);
    EXPECT_EQ(BS->UninstallProtocolInterface(Handle, const_cast<EFI_GUID*>(&kGadget), &One), EFI_NOT_FOUND);
    EXPECT_EQ(BS->LocateProtocol(const_cast<EFI_GUID*>(&kGadget), nullptr, &Interface), EFI_NOT_FOUND);
    EXPECT_EQ(BS->UninstallProtocolInterface(Handle, const_cast<EFI_GUID*>(&kWidget), &One), EFI_SUCCESS);
    // Its last protocol gone, the handle is gone too.
    EXPECT_EQ(BS->HandleProtocol(Handle, const_cast<EFI_GUID*>(&kWidget), &Interface), EFI_INVALID_PARAMETER);
    EXPECT_EQ(BS->InstallProtocolInterface(&Handle, const_cast<EFI_GUID*>(&kWidget), EFI_NATIVE_INTERFACE, &One),
              EFI_INVALID_PARAMETER);
  });
  ASSERT_EQ(Boot->Violations().size(), 1u);
  EXPECT_EQ(Boot->Violations()[0].Kind, "protocol.duplicate");
}

TEST_F(ProtocolsTest, LocateHandleBufferListsInInstallOrderIntoAnArrayTheCallerOwns) {
  EFI_HANDLE A = nullptr, B = nullptr, C = nullptr;
  EFI_HANDLE* Buffer = nullptr;
  UINTN Count = 0;
  Within([&] {
    A = Install(kGadget, &One);  // the older handle
    B = Install(kWidget, &Two);
    Install(kWidget, &One, A);  // but the younger install
    C = Install(kWidget, &Three);
    ASSERT_EQ(BS->LocateHandleBuffer(ByProtocol, const_cast<EFI_GUID*>(&kWidget), nullptr, &Count, &Buffer), EFI_SUCCESS);
  });
  ASSERT_EQ(Count, 3u);
  EXPECT_THAT(std::vector<EFI_HANDLE>(Buffer, Buffer + Count), ElementsAre(B, A, C));
  auto Outstanding = Boot->Memory().Outstanding("platform");
  ASSERT_EQ(Outstanding.size(), 1u);
  EXPECT_EQ(Outstanding[0].Size, 3 * sizeof(EFI_HANDLE));
  Within([&] {
    EXPECT_EQ(BS->FreePool(Buffer), EFI_SUCCESS);
    UINTN None = 7;
    EXPECT_EQ(BS->LocateHandleBuffer(ByProtocol, const_cast<EFI_GUID*>(&kWidget), nullptr, &None, nullptr),
              EFI_INVALID_PARAMETER);
  });
}

TEST_F(ProtocolsTest, MultipleInterfacesInstallAllOrNothing) {
  Within([&] {
    EFI_HANDLE Handle = nullptr;
    ASSERT_EQ(BS->InstallMultipleProtocolInterfaces(&Handle, &kWidget, &One, &kGadget, &Two, nullptr), EFI_SUCCESS);
    VOID* Interface = nullptr;
    EXPECT_EQ(BS->HandleProtocol(Handle, const_cast<EFI_GUID*>(&kGadget), &Interface), EFI_SUCCESS);
    EXPECT_EQ(Interface, &Two);
    // The second pair clashes, so the first is taken back.
    EFI_HANDLE Other = nullptr;
    EXPECT_EQ(BS->InstallMultipleProtocolInterfaces(&Other, &kGadget, &Three, &kGadget, &One, nullptr),
              EFI_INVALID_PARAMETER);
    EXPECT_EQ(Other, nullptr);
    UINTN Count = 0;
    EFI_HANDLE* Buffer = nullptr;
    ASSERT_EQ(BS->LocateHandleBuffer(ByProtocol, const_cast<EFI_GUID*>(&kGadget), nullptr, &Count, &Buffer), EFI_SUCCESS);
    EXPECT_EQ(Count, 1u);
    EXPECT_EQ(BS->FreePool(Buffer), EFI_SUCCESS);
    // Uninstalling needs every pair to be there.
    EXPECT_EQ(BS->UninstallMultipleProtocolInterfaces(Handle, &kWidget, &One, &kGadget, &Three, nullptr),
              EFI_INVALID_PARAMETER);
    EXPECT_EQ(BS->HandleProtocol(Handle, const_cast<EFI_GUID*>(&kWidget), &Interface), EFI_SUCCESS);
    EXPECT_EQ(BS->UninstallMultipleProtocolInterfaces(Handle, &kWidget, &One, &kGadget, &Two, nullptr), EFI_SUCCESS);
  });
}

}  // namespace
}  // namespace simtest
