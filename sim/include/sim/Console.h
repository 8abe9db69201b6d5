// The text console: EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL on the console output
// handle. It keeps the character grid of the current mode, the cursor and
// the attribute, and records what is written in the trace.
#pragma once
#include <string>
#include <vector>

#include "uefi/protocol/SimpleTextOut.h"

namespace sim {

class Boot;

struct TextMode {
  UINTN Columns;
  UINTN Rows;  // a mode of 0 x 0 exists in the list but is not available
};

class Console {
 public:
  static constexpr INT32 kDefaultAttribute = EFI_TEXT_ATTR(EFI_LIGHTGRAY, EFI_BLACK);

  Console(Boot& Owner, std::vector<TextMode> Modes);
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL* Protocol() { return &Instance_.Protocol; }
  const SIMPLE_TEXT_OUTPUT_MODE& Mode() const { return Mode_; }
  const std::vector<TextMode>& Modes() const { return Modes_; }

  // The grid as text, one string per row, trailing blanks kept.
  std::vector<std::u16string> Screen() const;
  std::string Row(UINTN Row) const;  // UTF-8

  // The protocol's operations, for the service entries.
  EFI_STATUS Reset();
  EFI_STATUS OutputString(const CHAR16* Text);
  EFI_STATUS TestString(const CHAR16* Text) const;
  EFI_STATUS QueryMode(UINTN Mode, UINTN* Columns, UINTN* Rows) const;
  EFI_STATUS SetMode(UINTN Mode);
  EFI_STATUS SetAttribute(UINTN Attribute);
  EFI_STATUS ClearScreen();
  EFI_STATUS SetCursorPosition(UINTN Column, UINTN Row);
  EFI_STATUS EnableCursor(BOOLEAN Visible);

  static Console& From(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL* This);

 private:
  struct Instance {
    EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL Protocol;  // first, so This finds the device
    Console* Device;
  };

  void Put(CHAR16 Character);
  void LineFeed();

  Boot& Boot_;
  Instance Instance_;
  SIMPLE_TEXT_OUTPUT_MODE Mode_{};
  std::vector<TextMode> Modes_;
  std::vector<std::u16string> Grid_;
};

}  // namespace sim
