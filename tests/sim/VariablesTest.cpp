// The variable services and their rules.
#include <cstring>

#include "SimTest.h"

namespace simtest {
namespace {

constexpr EFI_GUID kVendor = EFI_GUID_LITERAL(0x3C1A2B4D, 0x9E8F, 0x4A70, 0xB1, 0x62, 0x53, 0x04, 0x95, 0xA6, 0xB7, 0xC8);
constexpr UINT32 kNvBsRt = EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS;
constexpr UINT32 kBs = EFI_VARIABLE_BOOTSERVICE_ACCESS;

class VariablesTest : public SimTest {
 protected:
  void SetUp() override {
    Machine.Config().NonVolatileStoreSize = 1024;
    Machine.Config().MaxVariableSize = 600;
    PowerOn();
  }

  EFI_STATUS Set(const char16_t* Name, UINT32 Attributes, std::vector<UINT8> Data) {
    EFI_STATUS Status = EFI_ABORTED;
    Within([&] {
      Status = RT->SetVariable(const_cast<CHAR16*>(Name), const_cast<EFI_GUID*>(&kVendor), Attributes, Data.size(),
                               Data.empty() ? nullptr : Data.data());
    });
    return Status;
  }
};

struct SetCase {
  const char* What;
  const char16_t* Name;
  UINT32 Attributes;
  std::size_t Size;
  EFI_STATUS Expected;
};

TEST_F(VariablesTest, SetVariableFollowsTheAttributeAndSizeRules) {
  ASSERT_EQ(Set(u"Existing", kNvBsRt, {1, 2, 3, 4}), EFI_SUCCESS);
  const SetCase Cases[] = {
      {"runtime access needs boot-service access", u"New", EFI_VARIABLE_RUNTIME_ACCESS, 4, EFI_INVALID_PARAMETER},
      {"other attributes on an existing variable", u"Existing", kBs, 4, EFI_INVALID_PARAMETER},
      {"size 0 with other attributes is a rewrite", u"Existing", kBs, 0, EFI_INVALID_PARAMETER},
      {"deleting a variable that does not exist", u"Missing", kNvBsRt, 0, EFI_NOT_FOUND},
      {"attributes 0 on a variable that does not exist", u"Missing", 0, 4, EFI_NOT_FOUND},
      {"authenticated writes", u"New", kNvBsRt | EFI_VARIABLE_TIME_BASED_AUTHENTICATED_WRITE_ACCESS, 4, EFI_UNSUPPORTED},
      {"an empty name", u"", kNvBsRt, 4, EFI_INVALID_PARAMETER},
      {"larger than a variable may be", u"Big", kNvBsRt, 700, EFI_INVALID_PARAMETER},
      {"more than the store has left", u"Big", kNvBsRt, 450, EFI_SUCCESS},
      {"more than the store has left", u"Bigger", kNvBsRt, 450, EFI_OUT_OF_RESOURCES},
      {"the same size again, replacing", u"Big", kNvBsRt, 450, EFI_SUCCESS},
      {"a volatile variable is not in the non-volatile store", u"Bigger", kBs, 450, EFI_SUCCESS},
      {"attributes 0 deletes", u"Existing", 0, 0, EFI_SUCCESS},
      {"size 0 deletes", u"Big", kNvBsRt, 0, EFI_SUCCESS},
  };
  for (const auto& Case : Cases) {
    EXPECT_EQ(Set(Case.Name, Case.Attributes, std::vector<UINT8>(Case.Size, 0x5A)), Case.Expected) << Case.What;
  }
  Within([&] {
    EXPECT_EQ(RT->SetVariable(const_cast<CHAR16*>(u"X"), const_cast<EFI_GUID*>(&kVendor), kBs, 4, nullptr),
              EFI_INVALID_PARAMETER);
  });
  EXPECT_EQ(Machine.NonVolatileVariables().Names().size(), 0u);
  sim::ExpectNoViolations(*Boot);
}

TEST_F(VariablesTest, GetVariableReportsTheSizeItNeedsAndChecksItsArguments) {
  ASSERT_EQ(Set(u"Value", kNvBsRt, {1, 2, 3, 4, 5}), EFI_SUCCESS);
  Within([&] {
    auto* Name = const_cast<CHAR16*>(u"Value");
    auto* Vendor = const_cast<EFI_GUID*>(&kVendor);
    UINT8 Data[8] = {};
    UINT32 Attributes = 0;
    UINTN Size = 2;
    EXPECT_EQ(RT->GetVariable(Name, Vendor, &Attributes, &Size, Data), EFI_BUFFER_TOO_SMALL);
    EXPECT_EQ(Size, 5u);
    EXPECT_EQ(Attributes, kNvBsRt);
    EXPECT_EQ(RT->GetVariable(Name, Vendor, nullptr, &Size, nullptr), EFI_INVALID_PARAMETER);
    EXPECT_EQ(RT->GetVariable(nullptr, Vendor, nullptr, &Size, Data), EFI_INVALID_PARAMETER);
    EXPECT_EQ(RT->GetVariable(Name, nullptr, nullptr, &Size, Data), EFI_INVALID_PARAMETER);
    EXPECT_EQ(RT->GetVariable(Name, Vendor, nullptr, nullptr, Data), EFI_INVALID_PARAMETER);
    EXPECT_EQ(RT->GetVariable(const_cast<CHAR16*>(u"Other"), Vendor, nullptr, &Size, Data), EFI_NOT_FOUND);
    Size = sizeof(Data);
    EXPECT_EQ(RT->GetVariable(Name, Vendor, nullptr, &Size, Data), EFI_SUCCESS);
    EXPECT_EQ(Size, 5u);
    EXPECT_EQ(Data[4], 5);
  });
}

TEST_F(VariablesTest, AppendWriteAddsAndNamesAreEnumeratedOnce) {
  ASSERT_EQ(Set(u"Log", kNvBsRt, {1}), EFI_SUCCESS);
  ASSERT_EQ(Set(u"Log", kNvBsRt | EFI_VARIABLE_APPEND_WRITE, {2, 3}), EFI_SUCCESS);
  ASSERT_EQ(Set(u"Scratch", kBs, {9}), EFI_SUCCESS);
  std::vector<std::u16string> Names;
  Within([&] {
    UINT8 Data[4] = {};
    UINTN Size = sizeof(Data);
    ASSERT_EQ(RT->GetVariable(const_cast<CHAR16*>(u"Log"), const_cast<EFI_GUID*>(&kVendor), nullptr, &Size, Data),
              EFI_SUCCESS);
    EXPECT_EQ(Size, 3u);
    EXPECT_EQ(Data[2], 3);
    CHAR16 Name[64] = {};
    EFI_GUID Guid{};
    for (;;) {
      UINTN NameSize = sizeof(Name);
      EFI_STATUS Status = RT->GetNextVariableName(&NameSize, Name, &Guid);
      if (Status == EFI_NOT_FOUND) break;
      ASSERT_EQ(Status, EFI_SUCCESS);
      Names.emplace_back(Name);
    }
    UINTN Tiny = 2;
    Name[0] = 0;
    EXPECT_EQ(RT->GetNextVariableName(&Tiny, Name, &Guid), EFI_BUFFER_TOO_SMALL);
    EXPECT_EQ(Tiny, sizeof(u"Log"));
  });
  EXPECT_EQ(Names, (std::vector<std::u16string>{u"Log", u"Scratch"}));
}

TEST_F(VariablesTest, QueryVariableInfoCountsWhatTheStoreHolds) {
  UINT64 Maximum = 0, Before = 0, After = 0, Largest = 0;
  Within([&] { ASSERT_EQ(RT->QueryVariableInfo(kNvBsRt, &Maximum, &Before, &Largest), EFI_SUCCESS); });
  ASSERT_EQ(Set(u"Sized", kNvBsRt, std::vector<UINT8>(100)), EFI_SUCCESS);
  Within([&] {
    ASSERT_EQ(RT->QueryVariableInfo(kNvBsRt, &Maximum, &After, &Largest), EFI_SUCCESS);
    EXPECT_EQ(RT->QueryVariableInfo(EFI_VARIABLE_RUNTIME_ACCESS, &Maximum, &After, &Largest), EFI_INVALID_PARAMETER);
  });
  EXPECT_EQ(Maximum, 1024u);
  EXPECT_EQ(Largest, 600u);
  EXPECT_EQ(Before - After, sim::VariableStore::Cost(u"Sized", 100));
}

TEST_F(VariablesTest, AnUnterminatedNameOrACallAboveCallbackIsAViolation) {
  std::vector<CHAR16> Unterminated(2 * sim::Variables::kMaxNameLength, u'A');
  Within([&] {
    UINTN Size = 0;
    EXPECT_EQ(RT->GetVariable(Unterminated.data(), const_cast<EFI_GUID*>(&kVendor), nullptr, &Size, nullptr),
              EFI_INVALID_PARAMETER);
    EFI_TPL Old = BS->RaiseTPL(TPL_NOTIFY);
    EXPECT_EQ(RT->GetVariable(const_cast<CHAR16*>(u"Any"), const_cast<EFI_GUID*>(&kVendor), nullptr, &Size, nullptr),
              EFI_NOT_FOUND);
    BS->RestoreTPL(Old);
  });
  ASSERT_EQ(Boot->Violations().size(), 2u);
  EXPECT_EQ(Boot->Violations()[0].Kind, "variable.name-unterminated");
  EXPECT_EQ(Boot->Violations()[1].Kind, "tpl");
}

}  // namespace
}  // namespace simtest
