// The formatter: one pass over the format string, writing ASCII or UTF-16
// output and stopping when one character of room is left for the terminator.
#include "support/Format.h"

#include "support/String.h"
#include "uefi/Status.h"

namespace {

constexpr CHAR8 kHexDigits[] = "0123456789ABCDEF";
constexpr CHAR8 kNullString[] = "<null string>";
constexpr CHAR8 kNullGuid[] = "<null guid>";
constexpr CHAR8 kNullTime[] = "<null time>";
constexpr CHAR8 kGuidFormat[] = "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x";
constexpr CHAR8 kTimeFormat[] = "%02d/%02d/%04d  %02d:%02d";
constexpr CHAR8 kUnnamedStatusFormat[] = "%08X";

// The longest sub-result of g, t and r is a GUID: 36 characters.
constexpr UINTN kSubResultCharacters = 40;
// 20 decimal digits of a 64-bit value and their 6 group separators.
constexpr UINTN kNumberCharacters = 32;

constexpr UINT32 kLeftJustify = 0x01;
constexpr UINT32 kPlusSign = 0x02;
constexpr UINT32 kSpaceSign = 0x04;
constexpr UINT32 kCommaGroups = 0x08;
constexpr UINT32 kZeroFill = 0x10;
constexpr UINT32 kWidthGiven = 0x20;
constexpr UINT32 kPrecisionGiven = 0x40;
constexpr UINT32 kLongArgument = 0x80;

struct DIRECTIVE {
  UINT32 Flags;
  UINTN Width;
  UINTN Precision;
};

// Text that is either ASCII or UTF-16, read one character at a time.
struct TEXT {
  const VOID* Data;
  BOOLEAN Wide;

  CHAR16 At(UINTN Index) const {
    return Wide ? static_cast<const CHAR16*>(Data)[Index] : (CHAR16)(UINT8) static_cast<const CHAR8*>(Data)[Index];
  }
};

class OUTPUT {
 public:
  OUTPUT(VOID* Buffer, UINTN Characters, BOOLEAN Wide) : Buffer(Buffer), Room(Characters - 1), Wide(Wide) {}

  BOOLEAN Full() const { return Count == Room; }

  VOID Put(CHAR16 Character) {
    if (!Full()) {
      Store(Count++, Character);
    }
  }

  VOID Repeat(CHAR16 Character, UINTN Times) {
    for (; Times != 0 && !Full(); Times--) {
      Put(Character);
    }
  }

  UINTN Finish() {
    Store(Count, 0);
    return Count;
  }

 private:
  // ASCII output keeps the low byte of a UTF-16 character.
  VOID Store(UINTN Index, CHAR16 Character) {
    if (Wide) {
      static_cast<CHAR16*>(Buffer)[Index] = Character;
    } else {
      static_cast<CHAR8*>(Buffer)[Index] = (CHAR8)(Character & 0xFF);
    }
  }

  VOID* Buffer;
  UINTN Room;
  BOOLEAN Wide;
  UINTN Count = 0;
};

BOOLEAN IsDigit(CHAR16 Character) { return Character >= u'0' && Character <= u'9' ? TRUE : FALSE; }

// Widths and precisions beyond the largest buffer change nothing, so they
// are capped there and the field arithmetic cannot overflow.
UINTN CapCount(UINT64 Value) { return Value > FORMAT_MAX_CHARACTERS ? FORMAT_MAX_CHARACTERS : (UINTN)Value; }

// A width or precision: decimal digits, or '*' for the next argument.
UINTN ReadCount(TEXT Format, UINTN& Position, VA_LIST& Arguments) {
  if (Format.At(Position) == u'*') {
    Position++;
    return CapCount(VA_ARG(Arguments, UINT64));
  }
  UINTN Value = 0;
  while (IsDigit(Format.At(Position))) {
    Value = CapCount(Value * 10 + (Format.At(Position) - u'0'));
    Position++;
  }
  return Value;
}

UINTN PaddingFor(const DIRECTIVE& Directive, UINTN FieldLength) {
  return Directive.Width > FieldLength ? Directive.Width - FieldLength : 0;
}

// A string field: precision limits the characters taken, width pads it.
VOID PutText(OUTPUT& Out, TEXT Text, const DIRECTIVE& Directive) {
  const UINTN Limit = (Directive.Flags & kPrecisionGiven) != 0 ? Directive.Precision : ~(UINTN)0;
  UINTN Length = 0;
  while (Length < Limit && Text.At(Length) != 0) {
    Length++;
  }
  const UINTN Padding = PaddingFor(Directive, Length);
  if ((Directive.Flags & kLeftJustify) == 0) {
    Out.Repeat(u' ', Padding);
  }
  for (UINTN Index = 0; Index < Length && !Out.Full(); Index++) {
    Out.Put(Text.At(Index));
  }
  if ((Directive.Flags & kLeftJustify) != 0) {
    Out.Repeat(u' ', Padding);
  }
}

VOID PutAscii(OUTPUT& Out, const CHAR8* Text, const DIRECTIVE& Directive) {
  PutText(Out, TEXT{Text, FALSE}, Directive);
}

// A number field: [blanks][sign][zeros]digits[blanks]. SignAllowed says
// whether '+' and ' ' may put a sign before a non-negative value.
VOID PutNumber(OUTPUT& Out, UINT64 Magnitude, BOOLEAN Negative, UINT32 Radix, BOOLEAN SignAllowed,
               const DIRECTIVE& Directive) {
  const UINT32 Flags = Directive.Flags;
  const BOOLEAN Group = (Flags & kCommaGroups) != 0 && Radix == 10 ? TRUE : FALSE;
  CHAR8 Digits[kNumberCharacters];  // least significant first
  UINTN Length = 0;
  UINTN DigitCount = 0;
  // A zero value with precision 0 prints no digits at all.
  if (Magnitude != 0 || Directive.Precision != 0) {
    do {
      if (Group && DigitCount != 0 && DigitCount % 3 == 0) {
        Digits[Length++] = ',';
      }
      Digits[Length++] = kHexDigits[Magnitude % Radix];
      Magnitude /= Radix;
      DigitCount++;
    } while (Magnitude != 0);
  }

  CHAR16 Sign = 0;
  if (Negative) {
    Sign = u'-';
  } else if (SignAllowed && (Flags & kPlusSign) != 0) {
    Sign = u'+';
  } else if (SignAllowed && (Flags & kSpaceSign) != 0) {
    Sign = u' ';
  }

  UINTN Zeros = Directive.Precision > DigitCount ? Directive.Precision - DigitCount : 0;
  UINTN Field = Length + Zeros + (Sign != 0 ? 1 : 0);
  const UINT32 ZeroFillBlockers = kLeftJustify | kPrecisionGiven | kCommaGroups;
  if ((Flags & (kZeroFill | kWidthGiven)) == (kZeroFill | kWidthGiven) && (Flags & ZeroFillBlockers) == 0) {
    // Zeros go after the sign, up to the width.
    const UINTN Fill = PaddingFor(Directive, Field);
    Zeros += Fill;
    Field += Fill;
  }
  const UINTN Padding = PaddingFor(Directive, Field);

  if ((Flags & kLeftJustify) == 0) {
    Out.Repeat(u' ', Padding);
  }
  if (Sign != 0) {
    Out.Put(Sign);
  }
  Out.Repeat(u'0', Zeros);
  while (Length != 0 && !Out.Full()) {
    Out.Put((CHAR16)Digits[--Length]);
  }
  if ((Flags & kLeftJustify) != 0) {
    Out.Repeat(u' ', Padding);
  }
}

// Integer arguments are 32 bits unless 'l' or 'L' asked for 64.
UINT64 ReadUnsigned(VA_LIST& Arguments, UINT32 Flags) {
  return (Flags & kLongArgument) != 0 ? VA_ARG(Arguments, UINT64) : (UINT64)VA_ARG(Arguments, UINT32);
}

INT64 ReadSigned(VA_LIST& Arguments, UINT32 Flags) {
  return (Flags & kLongArgument) != 0 ? VA_ARG(Arguments, INT64) : (INT64)VA_ARG(Arguments, INT32);
}

VOID PutGuid(OUTPUT& Out, const EFI_GUID* Guid, const DIRECTIVE& Directive) {
  if (Guid == NULL) {
    PutAscii(Out, kNullGuid, Directive);
    return;
  }
  CHAR8 Text[kSubResultCharacters];
  FormatAscii(Text, sizeof(Text), kGuidFormat, (UINT32)Guid->Data1, (UINT32)Guid->Data2, (UINT32)Guid->Data3,
              (UINT32)Guid->Data4[0], (UINT32)Guid->Data4[1], (UINT32)Guid->Data4[2], (UINT32)Guid->Data4[3],
              (UINT32)Guid->Data4[4], (UINT32)Guid->Data4[5], (UINT32)Guid->Data4[6], (UINT32)Guid->Data4[7]);
  PutAscii(Out, Text, Directive);
}

VOID PutTime(OUTPUT& Out, const EFI_TIME* Time, const DIRECTIVE& Directive) {
  if (Time == NULL) {
    PutAscii(Out, kNullTime, Directive);
    return;
  }
  CHAR8 Text[kSubResultCharacters];
  FormatAscii(Text, sizeof(Text), kTimeFormat, (UINT32)Time->Month, (UINT32)Time->Day, (UINT32)Time->Year,
              (UINT32)Time->Hour, (UINT32)Time->Minute);
  PutAscii(Out, Text, Directive);
}

VOID PutStatus(OUTPUT& Out, EFI_STATUS Status, const DIRECTIVE& Directive) {
  const CHAR8* Name = StatusName(Status);
  if (Name != NULL) {
    PutAscii(Out, Name, Directive);
    return;
  }
  CHAR8 Text[kSubResultCharacters];
  FormatAscii(Text, sizeof(Text), kUnnamedStatusFormat, (UINT32)(Status & 0xFFFFFFFFu));
  PutAscii(Out, Text, Directive);
}

// One directive after its '%'. Returns FALSE when the format ended inside it.
BOOLEAN PutDirective(OUTPUT& Out, TEXT Format, UINTN& Position, VA_LIST& Arguments) {
  DIRECTIVE Directive = {0, 0, 1};
  for (;; Position++) {
    const CHAR16 Flag = Format.At(Position);
    if (Flag == u'-') {
      Directive.Flags |= kLeftJustify;
    } else if (Flag == u'+') {
      Directive.Flags |= kPlusSign;
    } else if (Flag == u' ') {
      Directive.Flags |= kSpaceSign;
    } else if (Flag == u',') {
      Directive.Flags |= kCommaGroups;
      Directive.Precision = 1;
    } else {
      break;
    }
  }
  if (Format.At(Position) == u'0') {
    // The leading zero asks for zero fill; the width follows it, as digits
    // or as '*', so "%0*d" takes its width from the arguments.
    Directive.Flags |= kZeroFill;
    while (Format.At(Position) == u'0') {
      Position++;
    }
  }
  if (Format.At(Position) == u'*' || IsDigit(Format.At(Position))) {
    Directive.Flags |= kWidthGiven;
    Directive.Width = ReadCount(Format, Position, Arguments);
  }
  if (Format.At(Position) == u'.') {
    Position++;
    Directive.Flags |= kPrecisionGiven;
    Directive.Precision = ReadCount(Format, Position, Arguments);
  }
  if (Format.At(Position) == u'l' || Format.At(Position) == u'L') {
    Position++;
    Directive.Flags |= kLongArgument;
  }

  const CHAR16 Type = Format.At(Position);
  if (Type == 0) {
    return FALSE;
  }
  Position++;
  switch (Type) {
    case u'd': {
      const INT64 Value = ReadSigned(Arguments, Directive.Flags);
      const UINT64 Magnitude = Value < 0 ? 0 - (UINT64)Value : (UINT64)Value;
      PutNumber(Out, Magnitude, Value < 0 ? TRUE : FALSE, 10, TRUE, Directive);
      break;
    }
    case u'u':
      PutNumber(Out, ReadUnsigned(Arguments, Directive.Flags), FALSE, 10, FALSE, Directive);
      break;
    case u'X':
      Directive.Flags |= kZeroFill;
      [[fallthrough]];
    case u'x':
      PutNumber(Out, ReadUnsigned(Arguments, Directive.Flags), FALSE, 16, TRUE, Directive);
      break;
    case u'p':
      Directive.Flags |= kZeroFill;
      PutNumber(Out, (UINT64)(UINTN)VA_ARG(Arguments, VOID*), FALSE, 16, FALSE, Directive);
      break;
    case u'c': {
      const CHAR16 Character[2] = {(CHAR16)ReadUnsigned(Arguments, Directive.Flags), 0};
      PutText(Out, TEXT{Character, TRUE}, Directive);
      break;
    }
    case u'a': {
      const CHAR8* String = VA_ARG(Arguments, const CHAR8*);
      PutText(Out, String != NULL ? TEXT{String, FALSE} : TEXT{kNullString, FALSE}, Directive);
      break;
    }
    case u's':
    case u'S': {
      const CHAR16* String = VA_ARG(Arguments, const CHAR16*);
      PutText(Out, String != NULL ? TEXT{String, TRUE} : TEXT{kNullString, FALSE}, Directive);
      break;
    }
    case u'g':
      PutGuid(Out, VA_ARG(Arguments, const EFI_GUID*), Directive);
      break;
    case u't':
      PutTime(Out, VA_ARG(Arguments, const EFI_TIME*), Directive);
      break;
    case u'r':
      // A status is always a full 64-bit value: its top bit marks errors.
      PutStatus(Out, VA_ARG(Arguments, EFI_STATUS), Directive);
      break;
    default:
      // '%' and any unknown type print themselves.
      Out.Put(Type);
      break;
  }
  return TRUE;
}

}  // namespace

UINTN FormatCore(VOID* Buffer, UINTN Characters, UINT32 Flags, const VOID* Format, VA_LIST Arguments) {
  if (Buffer == NULL || Format == NULL || Characters == 0 || Characters > FORMAT_MAX_CHARACTERS) {
    return 0;
  }
  const BOOLEAN WideFormat = (Flags & FORMAT_WIDE_FORMAT) != 0 ? TRUE : FALSE;
  const UINTN FormatLength = WideFormat
                                 ? WideLengthBounded(static_cast<const CHAR16*>(Format), FORMAT_MAX_CHARACTERS + 1)
                                 : AsciiLengthBounded(static_cast<const CHAR8*>(Format), FORMAT_MAX_CHARACTERS + 1);
  if (FormatLength > FORMAT_MAX_CHARACTERS) {
    return 0;
  }

  VA_LIST Args;
  VA_COPY(Args, Arguments);
  OUTPUT Out(Buffer, Characters, (Flags & FORMAT_WIDE_OUTPUT) != 0 ? TRUE : FALSE);
  const TEXT Text = {Format, WideFormat};
  UINTN Position = 0;
  while (!Out.Full()) {
    const CHAR16 Character = Text.At(Position);
    if (Character == 0) {
      break;
    }
    Position++;
    if (Character == u'%') {
      if (!PutDirective(Out, Text, Position, Args)) {
        break;
      }
    } else if (Character == u'\n') {
      // A line feed becomes CR LF and absorbs a carriage return after it.
      Out.Put(u'\r');
      Out.Put(u'\n');
      if (Text.At(Position) == u'\r') {
        Position++;
      }
    } else if (Character == u'\r' && Text.At(Position) == u'\n') {
      Out.Put(u'\r');
      Out.Put(u'\n');
      Position++;
    } else {
      Out.Put(Character);
    }
  }
  VA_END(Args);
  return Out.Finish();
}

UINTN FormatAscii(CHAR8* Buffer, UINTN BufferSize, const CHAR8* Format, ...) {
  VA_LIST Arguments;
  VA_START(Arguments, Format);
  const UINTN Count = FormatCore(Buffer, BufferSize, 0, Format, Arguments);
  VA_END(Arguments);
  return Count;
}

UINTN FormatWide(CHAR16* Buffer, UINTN BufferSize, const CHAR16* Format, ...) {
  VA_LIST Arguments;
  VA_START(Arguments, Format);
  const UINTN Count =
      FormatCore(Buffer, BufferSize / sizeof(CHAR16), FORMAT_WIDE_FORMAT | FORMAT_WIDE_OUTPUT, Format, Arguments);
  VA_END(Arguments);
  return Count;
}
