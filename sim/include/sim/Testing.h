// Checks that every driver test ends with: the machine recorded no
// violation and, unless the boot halted or reset, the image left nothing
// allocated beyond what it keeps for the boot.
#pragma once
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sim/Boot.h"

namespace sim {

// One allocation an image may keep: its type and size, and its address
// when that matters.
struct Kept {
  EFI_MEMORY_TYPE Type;
  std::size_t Size;
  const void* Address = nullptr;
};

inline std::string DescribeViolations(const std::vector<Violation>& Found) {
  std::string Text;
  for (const auto& Item : Found) {
    Text += "  " + Item.Kind + " (" + (Item.Caller.empty() ? "?" : Item.Caller) + "): " + Item.Detail + "\n";
  }
  return Text;
}

inline void ExpectNoViolations(const Boot& Current) {
  EXPECT_TRUE(Current.Violations().empty()) << "violations recorded:\n" << DescribeViolations(Current.Violations());
}

inline void ExpectNoLeaks(Boot& Current, const std::string& Image, std::vector<Kept> Allowed = {}) {
  auto Ending = Current.Outcome().What;
  if (Ending == Outcome::Kind::Halted || Ending == Outcome::Kind::Reset) return;  // nothing is handed on
  std::string Leaks;
  for (const auto& Block : Current.Memory().Outstanding(Image)) {
    auto Match = std::find_if(Allowed.begin(), Allowed.end(), [&](const Kept& Entry) {
      return Entry.Type == Block.Type && Entry.Size == Block.Size &&
             (Entry.Address == nullptr || Entry.Address == (const void*)Block.Address);
    });
    if (Match != Allowed.end()) {
      Allowed.erase(Match);
      continue;
    }
    Leaks += "  " + std::to_string(Block.Size) + " bytes of " + MemoryTypeName(Block.Type) +
             (Block.Pages ? " pages" : " pool") + ", request " + std::to_string(Block.Sequence) + "\n";
  }
  EXPECT_TRUE(Leaks.empty()) << Image << " left allocated:\n" << Leaks;
}

inline void ExpectCleanBoot(Boot& Current, const std::string& Image, std::vector<Kept> Allowed = {}) {
  ExpectNoViolations(Current);
  ExpectNoLeaks(Current, Image, std::move(Allowed));
}

}  // namespace sim
