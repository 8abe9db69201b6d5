// The text console device and its simple-text-output protocol.
#include "sim/Console.h"

#include <algorithm>

#include <cstddef>

#include "sim/Boot.h"
#include "sim/Trace.h"
#include "ServiceCall.h"

namespace sim {
namespace {

constexpr CHAR16 kBackspace = 0x08;
constexpr CHAR16 kLineFeed = 0x0A;
constexpr CHAR16 kCarriageReturn = 0x0D;
constexpr UINTN kMaxAttribute = 0x7F;

EFI_STATUS EFIAPI ResetEntry(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL* This, BOOLEAN ExtendedVerification) {
  (void)ExtendedVerification;
  ServiceCall Call(Service::ConsoleOutput, __builtin_return_address(0));
  return Console::From(This).Reset();
}

EFI_STATUS EFIAPI OutputStringEntry(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL* This, CHAR16* String) {
  ServiceCall Call(Service::ConsoleOutput, __builtin_return_address(0));
  return Console::From(This).OutputString(String);
}

EFI_STATUS EFIAPI TestStringEntry(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL* This, CHAR16* String) {
  ServiceCall Call(Service::ConsoleOutput, __builtin_return_address(0));
  return Console::From(This).TestString(String);
}

EFI_STATUS EFIAPI QueryModeEntry(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL* This, UINTN Mode, UINTN* Columns, UINTN* Rows) {
  ServiceCall Call(Service::ConsoleOutput, __builtin_return_address(0));
  return Console::From(This).QueryMode(Mode, Columns, Rows);
}

EFI_STATUS EFIAPI SetModeEntry(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL* This, UINTN Mode) {
  ServiceCall Call(Service::ConsoleOutput, __builtin_return_address(0));
  return Console::From(This).SetMode(Mode);
}

EFI_STATUS EFIAPI SetAttributeEntry(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL* This, UINTN Attribute) {
  ServiceCall Call(Service::ConsoleOutput, __builtin_return_address(0));
  return Console::From(This).SetAttribute(Attribute);
}

EFI_STATUS EFIAPI ClearScreenEntry(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL* This) {
  ServiceCall Call(Service::ConsoleOutput, __builtin_return_address(0));
  return Console::From(This).ClearScreen();
}

EFI_STATUS EFIAPI SetCursorPositionEntry(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL* This, UINTN Column, UINTN Row) {
  ServiceCall Call(Service::ConsoleOutput, __builtin_return_address(0));
  return Console::From(This).SetCursorPosition(Column, Row);
}

EFI_STATUS EFIAPI EnableCursorEntry(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL* This, BOOLEAN Visible) {
  ServiceCall Call(Service::ConsoleOutput, __builtin_return_address(0));
  return Console::From(This).EnableCursor(Visible);
}

}  // namespace

Console::Console(Boot& Owner, std::vector<TextMode> Modes) : Boot_(Owner), Modes_(std::move(Modes)) {
  if (Modes_.empty() || Modes_[0].Columns == 0 || Modes_[0].Rows == 0) Modes_.insert(Modes_.begin(), {80, 25});
  Instance_.Protocol = EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL{ResetEntry,      OutputStringEntry, TestStringEntry,
                                                       QueryModeEntry,  SetModeEntry,      SetAttributeEntry,
                                                       ClearScreenEntry, SetCursorPositionEntry,
                                                       EnableCursorEntry, &Mode_};
  Instance_.Device = this;
  Mode_.MaxMode = (INT32)Modes_.size();
  Mode_.Mode = 0;
  Mode_.Attribute = kDefaultAttribute;
  Mode_.CursorVisible = TRUE;
  Grid_.assign(Modes_[0].Rows, std::u16string(Modes_[0].Columns, u' '));
}

Console& Console::From(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL* This) {
  static_assert(offsetof(Instance, Protocol) == 0);
  // A protocol pointer that is not this console's is a caller's fault the
  // host cannot survive; fail loudly rather than write through it.
  auto* Found = reinterpret_cast<Instance*>(This);
  if (This == nullptr || Found->Device == nullptr || &Found->Device->Instance_ != Found) {
    Boot::Current().Violate("console.this", "console output called with a foreign This pointer");
    Boot::Current().Stop(Outcome::Kind::Crashed, "console output called with a foreign This pointer");
  }
  return *Found->Device;
}

std::vector<std::u16string> Console::Screen() const { return Grid_; }

std::string Console::Row(UINTN Row) const { return Row < Grid_.size() ? Utf8FromUcs2(Grid_[Row]) : std::string(); }

EFI_STATUS Console::Reset() {
  Mode_.Attribute = kDefaultAttribute;
  return ClearScreen();
}

void Console::LineFeed() {
  if ((std::size_t)Mode_.CursorRow + 1 < Grid_.size()) {
    Mode_.CursorRow++;
    return;
  }
  // At the bottom the screen scrolls up one row.
  Grid_.erase(Grid_.begin());
  Grid_.push_back(std::u16string(Grid_.empty() ? 0 : Grid_[0].size(), u' '));
}

void Console::Put(CHAR16 Character) {
  auto Columns = (INT32)Grid_[0].size();
  // The mode record is the driver's to read, and so also to scribble on.
  if (Mode_.CursorRow < 0 || Mode_.CursorColumn < 0 || (std::size_t)Mode_.CursorRow >= Grid_.size() ||
      Mode_.CursorColumn >= Columns) {
    Boot_.Violate("console.cursor", "output with the cursor outside the screen (row " +
                                        std::to_string(Mode_.CursorRow) + ", column " +
                                        std::to_string(Mode_.CursorColumn) + ")");
    Mode_.CursorRow = std::clamp<INT32>(Mode_.CursorRow, 0, (INT32)Grid_.size() - 1);
    Mode_.CursorColumn = std::clamp<INT32>(Mode_.CursorColumn, 0, Columns - 1);
  }
  switch (Character) {
    case kCarriageReturn:
      Mode_.CursorColumn = 0;
      return;
    case kLineFeed:
      LineFeed();
      return;
    case kBackspace:
      if (Mode_.CursorColumn > 0) Mode_.CursorColumn--;
      return;
    default:
      break;
  }
  Grid_[Mode_.CursorRow][Mode_.CursorColumn] = Character;
  if (++Mode_.CursorColumn >= Columns) {
    Mode_.CursorColumn = 0;
    LineFeed();
  }
}

EFI_STATUS Console::OutputString(const CHAR16* Text) {
  if (Text == nullptr) return EFI_INVALID_PARAMETER;
  std::u16string Written;
  for (const CHAR16* Unit = Text; *Unit != 0; Unit++) {
    Put(*Unit);
    Written += *Unit;
  }
  Boot_.Trace().Record("console.text", {{"text", Utf8FromUcs2(Written)}});
  return EFI_SUCCESS;
}

EFI_STATUS Console::TestString(const CHAR16* Text) const {
  if (Text == nullptr) return EFI_INVALID_PARAMETER;
  for (const CHAR16* Unit = Text; *Unit != 0; Unit++) {
    // Every character of the basic plane has a glyph but the surrogates.
    if (*Unit >= 0xD800 && *Unit <= 0xDFFF) return EFI_UNSUPPORTED;
  }
  return EFI_SUCCESS;
}

EFI_STATUS Console::QueryMode(UINTN Mode, UINTN* Columns, UINTN* Rows) const {
  if (Columns == nullptr || Rows == nullptr) return EFI_INVALID_PARAMETER;
  if (Mode >= Modes_.size() || Modes_[Mode].Columns == 0) return EFI_UNSUPPORTED;
  *Columns = Modes_[Mode].Columns;
  *Rows = Modes_[Mode].Rows;
  return EFI_SUCCESS;
}

EFI_STATUS Console::SetMode(UINTN Mode) {
  if (Mode >= Modes_.size() || Modes_[Mode].Columns == 0) return EFI_UNSUPPORTED;
  Mode_.Mode = (INT32)Mode;
  Grid_.assign(Modes_[Mode].Rows, std::u16string(Modes_[Mode].Columns, u' '));
  Mode_.CursorColumn = 0;
  Mode_.CursorRow = 0;
  Boot_.Trace().Record("console.mode", {{"mode", Mode}, {"columns", Modes_[Mode].Columns}, {"rows", Modes_[Mode].Rows}});
  return EFI_SUCCESS;
}

EFI_STATUS Console::SetAttribute(UINTN Attribute) {
  if (Attribute > kMaxAttribute) return EFI_UNSUPPORTED;
  Mode_.Attribute = (INT32)Attribute;
  return EFI_SUCCESS;
}

EFI_STATUS Console::ClearScreen() {
  for (auto& Line : Grid_) Line.assign(Line.size(), u' ');
  Mode_.CursorColumn = 0;
  Mode_.CursorRow = 0;
  Boot_.Trace().Record("console.clear");
  return EFI_SUCCESS;
}

EFI_STATUS Console::SetCursorPosition(UINTN Column, UINTN Row) {
  if (Row >= Grid_.size() || Column >= Grid_[0].size()) return EFI_UNSUPPORTED;
  Mode_.CursorColumn = (INT32)Column;
  Mode_.CursorRow = (INT32)Row;
  return EFI_SUCCESS;
}

EFI_STATUS Console::EnableCursor(BOOLEAN Visible) {
  Mode_.CursorVisible = Visible != FALSE ? TRUE : FALSE;
  return EFI_SUCCESS;
}

}  // namespace sim
