// The boot's trace: recording, queries and the two output forms.
#include "sim/Trace.h"

#include <cstdio>
#include <ostream>

#include "sim/Clock.h"

namespace sim {

Trace::Trace(std::function<UINT64()> Now) : Now_(std::move(Now)) {}

const TraceEvent& Trace::Record(std::string Kind, nlohmann::json Data) {
  Events_.push_back(TraceEvent{Events_.size() + 1, Now_(), std::move(Kind), std::move(Data)});
  const TraceEvent& Event = Events_.back();
  for (const auto& Listener : Listeners_) {
    Listener(Event);
  }
  return Event;
}

namespace {

bool Matches(const TraceEvent& Event, std::string_view Kind) {
  if (!Kind.empty() && Kind.back() == '.') {
    return Event.Kind.compare(0, Kind.size(), Kind) == 0;
  }
  return Event.Kind == Kind;
}

}  // namespace

std::vector<const TraceEvent*> Trace::Find(std::string_view Kind) const {
  std::vector<const TraceEvent*> Found;
  for (const auto& Event : Events_) {
    if (Matches(Event, Kind)) Found.push_back(&Event);
  }
  return Found;
}

const TraceEvent* Trace::First(std::string_view Kind) const {
  for (const auto& Event : Events_) {
    if (Matches(Event, Kind)) return &Event;
  }
  return nullptr;
}

std::size_t Trace::Count(std::string_view Kind) const { return Find(Kind).size(); }

void Trace::Subscribe(std::function<void(const TraceEvent&)> Listener) { Listeners_.push_back(std::move(Listener)); }

void Trace::WriteJsonLines(std::ostream& Out) const {
  for (const auto& Event : Events_) {
    Out << R"({"seq":)" << Event.Sequence << R"(,"time_us":)"
        << nlohmann::json((double)Event.Time / Clock::kPerMicrosecond).dump() << R"(,"kind":)"
        << nlohmann::json(Event.Kind).dump() << R"(,"data":)" << Event.Data.dump() << "}\n";
  }
}

std::string Trace::Describe(const TraceEvent& Event) {
  char Stamp[32];
  std::snprintf(Stamp, sizeof(Stamp), "%12.6f s  ", (double)Event.Time / Clock::kPerSecond);
  std::string Line = Stamp + Event.Kind;
  if (Event.Data.is_object()) {
    for (const auto& [Key, Value] : Event.Data.items()) {
      Line += "  " + Key + "=";
      Line += Value.is_string() ? Value.get<std::string>() : Value.dump();
    }
  } else if (!Event.Data.is_null()) {
    Line += "  " + Event.Data.dump();
  }
  return Line;
}

void Trace::WriteText(std::ostream& Out) const {
  for (const auto& Event : Events_) {
    Out << Describe(Event) << '\n';
  }
}

std::string HexStatus(EFI_STATUS Status) {
  char Text[24];
  std::snprintf(Text, sizeof(Text), "0x%llX", (unsigned long long)Status);
  return Text;
}

std::string Utf8FromUcs2(std::u16string_view Text) {
  std::string Out;
  for (char16_t Unit : Text) {
    auto Code = (unsigned)Unit;
    if (Code < 0x80) {
      Out += (char)Code;
    } else if (Code < 0x800) {
      Out += (char)(0xC0 | (Code >> 6));
      Out += (char)(0x80 | (Code & 0x3F));
    } else {
      // UCS-2 has no surrogate pairs; a lone surrogate becomes U+FFFD.
      if (Code >= 0xD800 && Code <= 0xDFFF) Code = 0xFFFD;
      Out += (char)(0xE0 | (Code >> 12));
      Out += (char)(0x80 | ((Code >> 6) & 0x3F));
      Out += (char)(0x80 | (Code & 0x3F));
    }
  }
  return Out;
}

std::string HexBytes(const void* Data, std::size_t Size, std::size_t Limit) {
  static const char Digits[] = "0123456789abcdef";
  std::string Out;
  const auto* Bytes = static_cast<const unsigned char*>(Data);
  for (std::size_t Index = 0; Index < Size && Index < Limit; Index++) {
    Out += Digits[Bytes[Index] >> 4];
    Out += Digits[Bytes[Index] & 0xF];
  }
  if (Size > Limit) Out += "...";
  return Out;
}

}  // namespace sim
