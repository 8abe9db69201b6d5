// Calendar arithmetic over days since 1970-01-01 (proleptic Gregorian).
#include "CivilTime.h"

#include "sim/Clock.h"

namespace sim {
namespace {

INT64 DaysFromCivil(INT64 Year, unsigned Month, unsigned Day) {
  Year -= Month <= 2;
  INT64 Era = (Year >= 0 ? Year : Year - 399) / 400;
  auto YearOfEra = (unsigned)(Year - Era * 400);
  unsigned DayOfYear = (153 * (Month + (Month > 2 ? -3 : 9)) + 2) / 5 + Day - 1;
  unsigned DayOfEra = YearOfEra * 365 + YearOfEra / 4 - YearOfEra / 100 + DayOfYear;
  return Era * 146097 + (INT64)DayOfEra - 719468;
}

void CivilFromDays(INT64 Days, INT64& Year, unsigned& Month, unsigned& Day) {
  Days += 719468;
  INT64 Era = (Days >= 0 ? Days : Days - 146096) / 146097;
  auto DayOfEra = (unsigned)(Days - Era * 146097);
  unsigned YearOfEra = (DayOfEra - DayOfEra / 1460 + DayOfEra / 36524 - DayOfEra / 146096) / 365;
  unsigned DayOfYear = DayOfEra - (365 * YearOfEra + YearOfEra / 4 - YearOfEra / 100);
  unsigned MonthIndex = (5 * DayOfYear + 2) / 153;
  Day = DayOfYear - (153 * MonthIndex + 2) / 5 + 1;
  Month = MonthIndex < 10 ? MonthIndex + 3 : MonthIndex - 9;
  Year = (INT64)YearOfEra + Era * 400 + (Month <= 2);
}

}  // namespace

EFI_TIME AddTicks(const EFI_TIME& Start, UINT64 Ticks) {
  constexpr UINT64 kTicksPerNanosecond100 = 100;  // nanoseconds per tick
  UINT64 StartNanoseconds = Start.Nanosecond;
  UINT64 TotalNanoseconds = StartNanoseconds + (Ticks % Clock::kPerSecond) * kTicksPerNanosecond100;
  INT64 Seconds = DaysFromCivil(Start.Year, Start.Month, Start.Day) * 86400 + Start.Hour * 3600 +
                  Start.Minute * 60 + Start.Second + (INT64)(Ticks / Clock::kPerSecond) +
                  (INT64)(TotalNanoseconds / 1'000'000'000);
  EFI_TIME Now = Start;
  Now.Nanosecond = (UINT32)(TotalNanoseconds % 1'000'000'000);
  INT64 Days = Seconds / 86400;
  INT64 Rest = Seconds % 86400;
  INT64 Year = 0;
  unsigned Month = 0;
  unsigned Day = 0;
  CivilFromDays(Days, Year, Month, Day);
  Now.Year = (UINT16)Year;
  Now.Month = (UINT8)Month;
  Now.Day = (UINT8)Day;
  Now.Hour = (UINT8)(Rest / 3600);
  Now.Minute = (UINT8)(Rest % 3600 / 60);
  Now.Second = (UINT8)(Rest % 60);
  return Now;
}

}  // namespace sim
