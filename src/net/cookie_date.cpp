#include "net/cookie_date.h"

#include <algorithm>

namespace lumo::net {
namespace {

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

int64_t RawSeconds(const CookieDate& d) {
    // Months are carried first so that month 13 or 0 still names a month.
    int64_t year = d.year;
    int64_t month = d.month - 1;
    year += month >= 0 ? month / 12 : -((11 - month) / 12);
    month = ((month % 12) + 12) % 12;
    const int64_t days = DaysFromCivil(year, month + 1, 1) + (d.day - 1);
    return days * 86400 + int64_t{d.hour} * 3600 + int64_t{d.minute} * 60 + d.second;
}

CookieDate FromSeconds(int64_t s) {
    int64_t days = s >= 0 ? s / 86400 : -((86399 - s) / 86400);
    int64_t rest = s - days * 86400;
    CookieDate out;
    CivilFromDays(days, out.year, out.month, out.day);
    out.hour = static_cast<int>(rest / 3600);
    out.minute = static_cast<int>(rest / 60 % 60);
    out.second = static_cast<int>(rest % 60);
    return out;
}

constexpr int64_t kMinSeconds = -59011459200;  // 0100-01-01 00:00:00
constexpr int64_t kMaxSeconds = 253402300799;  // 9999-12-31 23:59:59

}  // namespace

CookieDate CookieDate::Clamped() const {
    return FromSeconds(std::clamp(RawSeconds(*this), kMinSeconds, kMaxSeconds));
}

bool CookieDate::IsZero() const {
    const CookieDate c = Clamped();
    return c.year == 1899 && c.month == 12 && c.day == 30 && c.hour == 0 && c.minute == 0 &&
           c.second == 0;
}

int64_t CookieDate::ToUnixSeconds() const {
    return std::clamp(RawSeconds(*this), kMinSeconds, kMaxSeconds);
}

std::string FormatCookieDate(const CookieDate& date) {
    static constexpr const char* kDays[] = {"Thu", "Fri", "Sat", "Sun", "Mon", "Tue", "Wed"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const CookieDate d = date.Clamped();
    const int64_t days = DaysFromCivil(d.year, d.month, d.day);  // 1970-01-01 was a Thursday
    const int64_t weekday = ((days % 7) + 7) % 7;
    return std::string(kDays[weekday]) + ", " + std::to_string(d.day) + "-" + kMonths[d.month - 1] +
           "-" + std::to_string(d.year) + " " + std::to_string(d.hour) + ":" +
           std::to_string(d.minute) + ":" + std::to_string(d.second) + " GMT";
}

}  // namespace lumo::net
