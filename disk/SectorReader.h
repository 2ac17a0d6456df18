#pragma once
// Raw, read-only access to one volume in 512-byte sectors. Each engine owns
// one reader for its drive. Sector numbers and byte offsets are 64-bit.

#include <cstdint>
#include <memory>
#include <string>

#include "disk/SectorSource.h"

inline constexpr uint32_t SECTOR_SIZE = 512;

class CSectorReader {
public:
    // Opens the source that the volume table holds for the drive index (on
    // Windows: an image file registered there, else the drive itself). If it
    // cannot be opened every read fails; GetOpenError says why.
    explicit CSectorReader(int nDrive);
    // A reader over a given source (tests, fuzzers, the memory source).
    CSectorReader(int nDrive, std::unique_ptr<ISectorSource> pSource);
    virtual ~CSectorReader();
    CSectorReader(const CSectorReader&) = delete;
    CSectorReader& operator=(const CSectorReader&) = delete;

    // A new buffer of nCount sectors from nStartSector on, or null when the
    // source is not open, nCount is not positive, or any byte cannot be read.
    std::unique_ptr<uint8_t[]> ReadSectors(int nDrive, uint64_t nStartSector, int32_t nCount);
    // Reads nCount sectors into the caller's buffer. False on failure; the
    // buffer's contents are then unspecified and must not be parsed.
    bool ReadSectorsInto(int nDrive, uint64_t nStartSector, uint64_t nCount, uint8_t* pBuffer);

    bool IsOpen() const { return m_pSource != nullptr; }
    // Volume length in whole sectors; 0 when the source cannot tell.
    uint64_t GetTotalSectors() const;
    const std::string& GetOpenError() const { return m_strOpenError; }
    int GetDrive() const { return m_nDrive; }
#ifdef _WIN32
    // "WinXP" on the NT family, "Win98" where the VWIN32 device answers;
    // decided once, when a reader of a drive index is made.
    const std::string& GetOS() const { return m_strOS; }
#endif

private:
    int m_nDrive;
    std::unique_ptr<ISectorSource> m_pSource;
    std::string m_strOpenError;
#ifdef _WIN32
    std::string m_strOS;
#endif
};
