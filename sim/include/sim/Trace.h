// The boot's record of every observable interaction: one structured event per
// interaction, stamped with the virtual time, in the order it happened.
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "uefi/Base.h"

namespace sim {

struct TraceEvent {
  std::uint64_t Sequence;
  UINT64 Time;  // 100 ns units since power-on
  std::string Kind;
  nlohmann::json Data;
};

class Trace {
 public:
  explicit Trace(std::function<UINT64()> Now);

  const TraceEvent& Record(std::string Kind, nlohmann::json Data = nlohmann::json::object());

  const std::deque<TraceEvent>& Events() const { return Events_; }
  // Events whose kind equals Kind, or starts with it when Kind ends in '.'
  // ("port." finds "port.write" and "port.read").
  std::vector<const TraceEvent*> Find(std::string_view Kind) const;
  const TraceEvent* First(std::string_view Kind) const;
  std::size_t Count(std::string_view Kind) const;

  // Called for every later event (streaming output, devices that react).
  void Subscribe(std::function<void(const TraceEvent&)> Listener);

  // One object per line: seq, time_us, kind, data, in that order.
  void WriteJsonLines(std::ostream& Out) const;
  void WriteText(std::ostream& Out) const;
  // One readable line: time, kind and the data as key=value pairs.
  static std::string Describe(const TraceEvent& Event);

 private:
  std::function<UINT64()> Now_;
  std::deque<TraceEvent> Events_;
  std::vector<std::function<void(const TraceEvent&)>> Listeners_;
};

// Helpers for trace data.
std::string HexStatus(EFI_STATUS Status);
std::string Utf8FromUcs2(std::u16string_view Text);
std::string HexBytes(const void* Data, std::size_t Size, std::size_t Limit = 256);

}  // namespace sim
