#pragma once
// Times of found entries, kept as NTFS keeps them: 100-ns ticks since
// 1601-01-01 00:00 UTC. 0 stands for a time the volume does not tell.

#include <cstdint>
#include <ctime>
#include <string>

inline constexpr uint64_t FILETIME_TICKS_PER_SECOND = 10000000;
// Ticks from 1601-01-01 to 1970-01-01.
inline constexpr uint64_t FILETIME_UNIX_EPOCH = 116444736000000000ull;

// A time broken into its calendar parts (UTC).
struct CCivilTime {
    int64_t m_nYear = 0;
    unsigned m_nMonth = 0;    // 1..12
    unsigned m_nDay = 0;      // 1..31
    unsigned m_nHour = 0;
    unsigned m_nMinute = 0;
    unsigned m_nSecond = 0;
    uint32_t m_nTicks = 0;    // 100-ns ticks within the second
};

CCivilTime FileTimeToCivil(uint64_t nTime);
// 0 when the parts do not name a day that exists, or lie before 1601.
uint64_t CivilToFileTime(const CCivilTime& civil);

// A FAT directory entry's date (and time, and 10-ms count of the creation
// time). The volume does not say which zone its clock was in; the stamp is
// taken as UTC, as Linux's vfat driver does by default. 0 for an empty or
// impossible stamp.
uint64_t FatTimeToFileTime(uint16_t wDate, uint16_t wTime = 0, uint8_t byTenMs = 0);

// "2024-03-01T12:34:56Z", with as many fraction digits as the time has
// (at most 7); empty for 0.
std::string FileTimeToIso8601(uint64_t nTime);

#ifndef _WIN32
// For utimensat: UTIME_OMIT when the time is not known.
struct timespec FileTimeToTimespec(uint64_t nTime);
#endif
