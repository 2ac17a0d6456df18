#include "fs/FileTime.h"

#include <cstdio>
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

constexpr uint64_t SECONDS_PER_DAY = 86400;
// Days from 0000-03-01 (the proleptic Gregorian calendar's own start of a
// year, leap day last) to 1601-01-01.
constexpr int64_t DAYS_TO_1601 = 584694;

// Days since 0000-03-01 of a date; Hinnant's days_from_civil shifted.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe);
}

void CivilFromDays(int64_t z, int64_t* pYear, unsigned* pMonth, unsigned* pDay)
{
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    *pDay = doy - (153 * mp + 2) / 5 + 1;
    *pMonth = mp < 10 ? mp + 3 : mp - 9;
    *pYear = static_cast<int64_t>(yoe) + era * 400 + (*pMonth <= 2);
}

bool IsLeap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned DaysInMonth(int64_t y, unsigned m)
{
    static const unsigned days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

}  // namespace

CCivilTime FileTimeToCivil(uint64_t nTime)
{
    CCivilTime civil;
    uint64_t nSeconds = nTime / FILETIME_TICKS_PER_SECOND;
    civil.m_nTicks = static_cast<uint32_t>(nTime % FILETIME_TICKS_PER_SECOND);
    uint64_t nSecondOfDay = nSeconds % SECONDS_PER_DAY;
    civil.m_nHour = static_cast<unsigned>(nSecondOfDay / 3600);
    civil.m_nMinute = static_cast<unsigned>(nSecondOfDay / 60 % 60);
    civil.m_nSecond = static_cast<unsigned>(nSecondOfDay % 60);
    CivilFromDays(static_cast<int64_t>(nSeconds / SECONDS_PER_DAY) + DAYS_TO_1601, &civil.m_nYear, &civil.m_nMonth,
                  &civil.m_nDay);
    return civil;
}

uint64_t CivilToFileTime(const CCivilTime& c)
{
    if (c.m_nMonth < 1 || c.m_nMonth > 12 || c.m_nDay < 1 || c.m_nDay > DaysInMonth(c.m_nYear, c.m_nMonth)) return 0;
    if (c.m_nHour > 23 || c.m_nMinute > 59 || c.m_nSecond > 59 || c.m_nTicks >= FILETIME_TICKS_PER_SECOND) return 0;
    if (c.m_nYear < 1601 || c.m_nYear > 30000) return 0;
    int64_t nDays = DaysFromCivil(c.m_nYear, c.m_nMonth, c.m_nDay) - DAYS_TO_1601;
    uint64_t nSeconds = static_cast<uint64_t>(nDays) * SECONDS_PER_DAY + c.m_nHour * 3600u + c.m_nMinute * 60u +
                        c.m_nSecond;
    return nSeconds * FILETIME_TICKS_PER_SECOND + c.m_nTicks;
}

uint64_t FatTimeToFileTime(uint16_t wDate, uint16_t wTime, uint8_t byTenMs)
{
    if (wDate == 0 || byTenMs > 199) return 0;
    CCivilTime c;
    c.m_nYear = 1980 + (wDate >> 9);
    c.m_nMonth = (wDate >> 5) & 0x0F;
    c.m_nDay = wDate & 0x1F;
    c.m_nHour = wTime >> 11;
    c.m_nMinute = (wTime >> 5) & 0x3F;
    // Two-second units, and the creation time's 10-ms count on top.
    unsigned nHundredths = (wTime & 0x1F) * 200u + byTenMs;
    c.m_nSecond = nHundredths / 100;
    c.m_nTicks = nHundredths % 100 * 100000;
    return CivilToFileTime(c);
}

std::string FileTimeToIso8601(uint64_t nTime)
{
    if (nTime == 0) return {};
    CCivilTime c = FileTimeToCivil(nTime);
    char sz[48];
    int n = std::snprintf(sz, sizeof sz, "%04lld-%02u-%02uT%02u:%02u:%02u", static_cast<long long>(c.m_nYear),
                          c.m_nMonth, c.m_nDay, c.m_nHour, c.m_nMinute, c.m_nSecond);
    std::string str(sz, static_cast<size_t>(n));
    if (c.m_nTicks) {
        std::snprintf(sz, sizeof sz, ".%07u", c.m_nTicks);
        std::string strFraction(sz);
        strFraction.erase(strFraction.find_last_not_of('0') + 1);
        str += strFraction;
    }
    return str + "Z";
}

#ifndef _WIN32
struct timespec FileTimeToTimespec(uint64_t nTime)
{
    struct timespec ts {};
    if (nTime == 0) {
        ts.tv_nsec = UTIME_OMIT;
        return ts;
    }
    // Floor division: times before 1970 have a negative second and a positive fraction.
    int64_t nTicks = static_cast<int64_t>(nTime - FILETIME_UNIX_EPOCH);
    int64_t nPerSecond = static_cast<int64_t>(FILETIME_TICKS_PER_SECOND);
    int64_t nSeconds = nTicks / nPerSecond;
    int64_t nRest = nTicks % nPerSecond;
    if (nRest < 0) {
        nRest += nPerSecond;
        --nSeconds;
    }
    ts.tv_sec = static_cast<time_t>(nSeconds);
    ts.tv_nsec = static_cast<long>(nRest * 100);
    return ts;
}
#endif
