#pragma once

// Expiry dates of cookies. Lumo takes them as civil date and time in GMT:
// the date is written and stored exactly as given.

#include <cstdint>
#include <string>

namespace lumo::net {

struct CookieDate {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;

    // Clamped to 0100-01-01 00:00:00 .. 9999-12-31 23:59:59; fields out of
    // their range are carried over first (month 13 is January next year).
    CookieDate Clamped() const;

    // The zero date 1899-12-30 00:00:00 stands for "no date".
    bool IsZero() const;

    // Seconds since 1970-01-01 00:00:00 GMT (negative before it).
    int64_t ToUnixSeconds() const;
};

// "Fri, 1-Jan-1999 1:1:1 GMT": numbers without leading zeros.
std::string FormatCookieDate(const CookieDate& date);

}  // namespace lumo::net
