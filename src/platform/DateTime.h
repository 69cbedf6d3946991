#pragma once
// Date-times as days since 30 December 1899 (the fraction is the time of day), in local time,
// and their text forms in the user's locale: the short date format is the locale's D_FMT and
// the long time format its T_FMT.
#include <ctime>
#include <string>

using TDateTime = double;

struct TDateTimeParts {
    int Year = 1899, Month = 12, Day = 30, Hour = 0, Minute = 0, Second = 0, MilliSecond = 0;
};

namespace DateTimeUtils {

TDateTime EncodeDateTime(const TDateTimeParts& parts);
TDateTimeParts DecodeDateTime(TDateTime value);

TDateTime Now();
// A moment in time as the local date-time it was, and back.
TDateTime FromTimeT(std::time_t time, int milliSeconds = 0);
std::time_t ToTimeT(TDateTime local);
// The local time zone's offset from UTC, in minutes east, at the given moment.
int LocalOffsetMinutes(std::time_t at);

std::string FormatShortDate(TDateTime value);
std::string FormatLongTime(TDateTime value);
// Short date, a blank and long time; the time is left out when it is exactly midnight.
std::string DateTimeToStr(TDateTime value);
// The user's time separator (the character between hours and minutes in the long time format).
char TimeSeparator();

// Reads a date-time in the user's formats: short date, optionally a blank and the long time.
// Surrounding blanks are allowed; anything else left over fails the conversion.
bool TryStrToDateTime(const std::string& text, TDateTime& value);
// Reads a date text and a time text written by any installation: the user's formats first,
// then the common numeric forms (the user's date order with a two- or four-digit year,
// year-month-day, day.month.year; 24-hour or AM/PM time, with or without seconds).
bool TryStrToDateTimeForms(const std::string& date, const std::string& time, TDateTime& value);
// The same as TryStrToDateTime, raising EConvertError on failure.
TDateTime StrToDateTime(const std::string& text);

}  // namespace DateTimeUtils
