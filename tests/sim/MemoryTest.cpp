// Pool and page memory: ownership, leaks, misuse and fault injection.
#include <gtest/gtest-spi.h>

#include "SimTest.h"

namespace simtest {
namespace {

class MemoryTest : public SimTest {};

// An image that keeps one buffer of each kind and forgets to free a third.
EFI_STATUS Leaky(EFI_HANDLE, EFI_SYSTEM_TABLE* System) {
  VOID* Kept = nullptr;
  VOID* Freed = nullptr;
  VOID* Forgotten = nullptr;
  EFI_BOOT_SERVICES* Services = System->BootServices;
  if (Services->AllocatePool(EfiBootServicesData, 16, &Kept) != EFI_SUCCESS ||
      Services->AllocatePool(EfiBootServicesData, 32, &Freed) != EFI_SUCCESS ||
      Services->AllocatePool(EfiRuntimeServicesData, 48, &Forgotten) != EFI_SUCCESS) {
    return EFI_OUT_OF_RESOURCES;
  }
  return Services->FreePool(Freed);
}

TEST_F(MemoryTest, WhatAnImageLeavesAllocatedIsItsOwnAndTheLeakCheckSeesIt) {
  Machine.AddDriver("Leaky", Leaky);
  Boot = Machine.Boot();
  ASSERT_EQ(Boot->Outcome().What, sim::Outcome::Kind::Completed);
  auto Outstanding = Boot->Memory().Outstanding("Leaky");
  ASSERT_EQ(Outstanding.size(), 2u);
  EXPECT_EQ(Outstanding[0].Size, 16u);
  EXPECT_EQ(Outstanding[1].Type, EfiRuntimeServicesData);
  EXPECT_TRUE(Boot->Memory().Outstanding("platform").empty());

  EXPECT_NONFATAL_FAILURE(sim::ExpectNoLeaks(*Boot, "Leaky", {{EfiBootServicesData, 16}}),
                          "48 bytes of RuntimeServicesData pool");
  sim::ExpectCleanBoot(*Boot, "Leaky", {{EfiBootServicesData, 16}, {EfiRuntimeServicesData, 48}});
}

TEST_F(MemoryTest, DoubleAndForeignFreesAreRefusedAndRecorded) {
  PowerOn();
  Within([&] {
    VOID* Block = nullptr;
    ASSERT_EQ(BS->AllocatePool(EfiBootServicesData, 24, &Block), EFI_SUCCESS);
    EXPECT_EQ(BS->FreePool(Block), EFI_SUCCESS);
    EXPECT_EQ(BS->FreePool(Block), EFI_INVALID_PARAMETER);
    int OnTheStack = 0;
    EXPECT_EQ(BS->FreePool(&OnTheStack), EFI_INVALID_PARAMETER);
    EXPECT_EQ(BS->FreePages(0x10000, 1), EFI_NOT_FOUND);
  });
  ASSERT_EQ(Boot->Violations().size(), 3u);
  EXPECT_EQ(Boot->Violations()[0].Kind, "free.double");
  EXPECT_EQ(Boot->Violations()[1].Kind, "free.foreign");
  EXPECT_EQ(Boot->Violations()[2].Kind, "free.foreign");
}

TEST_F(MemoryTest, FaultInjectionFailsTheNthRequestOrEveryRequestOfAnImage) {
  Machine.AddDriver("Toy", Leaky);
  Boot = Machine.PrepareBoot();
  Boot->Memory().FailNthAllocation(2, "Toy");
  Boot->Run();
  ASSERT_NE(Boot->Image("Toy"), nullptr);
  EXPECT_EQ(Boot->Image("Toy")->EntryStatus, EFI_OUT_OF_RESOURCES);
  EXPECT_EQ(Boot->Memory().Outstanding("Toy").size(), 1u) << "the first request succeeded";
  EXPECT_EQ(Boot->Trace().Count("memory.fault"), 1u);

  Boot = Machine.PrepareBoot();
  Boot->Memory().FailAllAllocationsOf("Toy");
  BS = Boot->BootServices();
  VOID* Platform = nullptr;
  Within([&] { EXPECT_EQ(BS->AllocatePool(EfiBootServicesData, 8, &Platform), EFI_SUCCESS); });
  Boot->Run();
  EXPECT_EQ(Boot->Image("Toy")->EntryStatus, EFI_OUT_OF_RESOURCES);
  EXPECT_TRUE(Boot->Memory().Outstanding("Toy").empty());
}

TEST_F(MemoryTest, NewPoolIsNotZeroedAndLowPagesAreReallyBelowFourGigabytes) {
  PowerOn();
  Within([&] {
    UINT8* Pool = nullptr;
    ASSERT_EQ(BS->AllocatePool(EfiBootServicesData, 64, (VOID**)&Pool), EFI_SUCCESS);
    EXPECT_EQ(std::count(Pool, Pool + 64, 0), 0);
    EXPECT_EQ(BS->FreePool(Pool), EFI_SUCCESS);

    EFI_PHYSICAL_ADDRESS Low = 0xFFFFFFFF;
    ASSERT_EQ(BS->AllocatePages(AllocateMaxAddress, EfiBootServicesData, 3, &Low), EFI_SUCCESS);
    EXPECT_LE(Low + 3 * EFI_PAGE_SIZE - 1, 0xFFFFFFFFull);
    *(volatile UINT64*)(Low + 2 * EFI_PAGE_SIZE) = 1;
    // A part of an allocation may go back; the rest stays.
    EXPECT_EQ(BS->FreePages(Low + EFI_PAGE_SIZE, 1), EFI_SUCCESS);
    EXPECT_EQ(Boot->Memory().Outstanding("platform").size(), 2u);
    EXPECT_EQ(BS->FreePages(Low, 1), EFI_SUCCESS);
    EXPECT_EQ(BS->FreePages(Low + 2 * EFI_PAGE_SIZE, 1), EFI_SUCCESS);
    EXPECT_EQ(BS->AllocatePool(EfiConventionalMemory, 8, (VOID**)&Pool), EFI_INVALID_PARAMETER);
  });
  EXPECT_TRUE(Boot->Memory().Outstanding().empty());
  sim::ExpectNoViolations(*Boot);
}

TEST_F(MemoryTest, AllocatingAboveTplNotifyIsAViolation) {
  PowerOn();
  Within([&] {
    EFI_TPL Old = BS->RaiseTPL(TPL_HIGH_LEVEL);
    VOID* Block = nullptr;
    EXPECT_EQ(BS->AllocatePool(EfiBootServicesData, 8, &Block), EFI_SUCCESS);
    EXPECT_EQ(BS->FreePool(Block), EFI_SUCCESS);
    BS->RestoreTPL(Old);
  });
  ASSERT_EQ(Boot->Violations().size(), 2u);
  EXPECT_EQ(Boot->Violations()[0].Kind, "tpl");
  EXPECT_NE(Boot->Violations()[0].Detail.find("AllocatePool"), std::string::npos);
}

}  // namespace
}  // namespace simtest
