#include "platform/DateTime.h"

#include "platform/Exceptions.h"

#include <cmath>
#include <cstring>
#include <langinfo.h>
#include <time.h>

namespace DateTimeUtils {

namespace {

constexpr double MSecsPerDay = 86400000.0;

// Days from 1970-01-01 to the civil date (proleptic Gregorian).
constexpr long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long yy = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yy + (m <= 2));
}

constexpr long long DelphiEpochDays = DaysFromCivil(1899, 12, 30);  // fixed at compile time: usable by other statics

std::tm ToTm(TDateTime value) {
    const TDateTimeParts p = DecodeDateTime(value);
    std::tm tm{};
    tm.tm_year = p.Year - 1900;
    tm.tm_mon = p.Month - 1;
    tm.tm_mday = p.Day;
    tm.tm_hour = p.Hour;
    tm.tm_min = p.Minute;
    tm.tm_sec = p.Second;
    tm.tm_isdst = -1;
    tm.tm_wday = static_cast<int>(((DaysFromCivil(p.Year, p.Month, p.Day) % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    return tm;
}

std::string Strftime(const char* format, const std::tm& tm) {
    char buffer[256];
    const size_t n = std::strftime(buffer, sizeof buffer, format, &tm);
    return std::string(buffer, n);
}

const char* ShortDateFormat() {
    const char* f = nl_langinfo(D_FMT);
    return f && *f ? f : "%m/%d/%y";
}

const char* LongTimeFormat() {
    const char* f = nl_langinfo(T_FMT);
    return f && *f ? f : "%H:%M:%S";
}

bool OnlyBlanks(const char* p) {
    while (*p == ' ' || *p == '\t') ++p;
    return *p == '\0';
}

}  // namespace

TDateTime EncodeDateTime(const TDateTimeParts& p) {
    const double days = static_cast<double>(DaysFromCivil(p.Year, p.Month, p.Day) - DelphiEpochDays);
    const double time = ((p.Hour * 60.0 + p.Minute) * 60.0 + p.Second) * 1000.0 + p.MilliSecond;
    return days + time / MSecsPerDay;
}

TDateTimeParts DecodeDateTime(TDateTime value) {
    TDateTimeParts p;
    if (!std::isfinite(value) || std::fabs(value) > 3.0e6) return p;  // out of any calendar: 1899-12-30
    long long msecs = std::llround(value * MSecsPerDay);
    long long days = msecs / 86400000LL;
    long long rest = msecs % 86400000LL;
    if (rest < 0) {
        // Before the epoch the fraction still counts forward from midnight, as the date-time
        // format defines it: -1.25 is 29 December, 06:00.
        rest = std::llround(std::fabs(value - std::trunc(value)) * MSecsPerDay);
        days = static_cast<long long>(std::trunc(value));
    }
    CivilFromDays(days + DelphiEpochDays, p.Year, p.Month, p.Day);
    p.Hour = static_cast<int>(rest / 3600000);
    p.Minute = static_cast<int>(rest / 60000 % 60);
    p.Second = static_cast<int>(rest / 1000 % 60);
    p.MilliSecond = static_cast<int>(rest % 1000);
    return p;
}

TDateTime FromTimeT(std::time_t time, int milliSeconds) {
    std::tm tm{};
    if (!localtime_r(&time, &tm)) return 0;
    return EncodeDateTime({tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, milliSeconds});
}

std::time_t ToTimeT(TDateTime local) {
    std::tm tm = ToTm(local);
    return mktime(&tm);
}

TDateTime Now() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return FromTimeT(ts.tv_sec, static_cast<int>(ts.tv_nsec / 1000000));
}

int LocalOffsetMinutes(std::time_t at) {
    std::tm tm{};
    if (!localtime_r(&at, &tm)) return 0;
    return static_cast<int>(tm.tm_gmtoff / 60);
}

std::string FormatShortDate(TDateTime value) { return Strftime(ShortDateFormat(), ToTm(value)); }

std::string FormatLongTime(TDateTime value) { return Strftime(LongTimeFormat(), ToTm(value)); }

std::string DateTimeToStr(TDateTime value) {
    const TDateTimeParts p = DecodeDateTime(value);
    std::string text = FormatShortDate(value);
    if (p.Hour || p.Minute || p.Second || p.MilliSecond) text += " " + FormatLongTime(value);
    return text;
}

char TimeSeparator() {
    const char* f = LongTimeFormat();
    for (const char* p = f; *p; ++p) {
        if (*p == '%' && p[1]) {
            ++p;
            if (*p == 'H' || *p == 'I' || *p == 'k' || *p == 'l') {
                if (p[1] && p[1] != '%') return p[1];
            }
            if (*p == 'T' || *p == 'R' || *p == 'r') return ':';
        }
    }
    return ':';
}

namespace {

// Reads text with one strptime format; surrounding blanks are allowed, nothing else is.
bool ParseWith(const std::string& text, const std::string& format, TDateTime& value) {
    std::tm tm{};
    tm.tm_mday = 1;
    const char* start = text.c_str();
    while (*start == ' ' || *start == '\t') ++start;
    const char* end = strptime(start, format.c_str(), &tm);
    if (!end || !OnlyBlanks(end)) return false;
    const int year = tm.tm_year + 1900;
    if (tm.tm_mon < 0 || tm.tm_mon > 11 || tm.tm_mday < 1 || tm.tm_mday > 31 || year < 1 || year > 9999) return false;
    // strptime takes 31 February; a real date does not.
    const TDateTime day = EncodeDateTime({year, tm.tm_mon + 1, tm.tm_mday, 0, 0, 0, 0});
    if (DecodeDateTime(day).Month != tm.tm_mon + 1) return false;
    value = EncodeDateTime({year, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, 0});
    return true;
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t p = text.find(from); p != std::string::npos; p = text.find(from, p + to.size())) text.replace(p, from.size(), to);
    return text;
}

}  // namespace

bool TryStrToDateTime(const std::string& text, TDateTime& value) {
    const std::string withTime = std::string(ShortDateFormat()) + " " + LongTimeFormat();
    return ParseWith(text, withTime, value) || ParseWith(text, ShortDateFormat(), value);
}

bool TryStrToDateTimeForms(const std::string& date, const std::string& time, TDateTime& value) {
    // The user's date order with either length of year; a two-digit year is tried first, as
    // "%Y" would also take "26" as the year 26.
    const std::string order = ReplaceAll(ReplaceAll(ShortDateFormat(), "%D", "%m/%d/%y"), "%F", "%Y-%m-%d");
    const std::string dates[] = {ShortDateFormat(), ReplaceAll(order, "%Y", "%y"), ReplaceAll(order, "%y", "%Y"),
                                 "%Y-%m-%d", "%d.%m.%y", "%d.%m.%Y"};
    const std::string times[] = {LongTimeFormat(), "%H:%M:%S", "%H:%M", "%I:%M:%S %p", "%I:%M %p"};
    const std::string text = date + " " + time;
    for (const std::string& d : dates)
        for (const std::string& t : times)
            if (ParseWith(text, d + " " + t, value)) return true;
    return false;
}

TDateTime StrToDateTime(const std::string& text) {
    TDateTime value = 0;
    if (!TryStrToDateTime(text, value)) throw EConvertError("'" + text + "' is not a valid date and time");
    return value;
}

}  // namespace DateTimeUtils
