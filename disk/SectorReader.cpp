#include "disk/SectorReader.h"

#include <limits>
#include <new>

#include "platform/VolumeTable.h"

#ifdef _WIN32
#include "disk/WinSectorSource.h"

CSectorReader::CSectorReader(int nDrive) : m_nDrive(nDrive)
{
    m_pSource = OpenWindowsDrive(nDrive, &m_strOS, &m_strOpenError);
}
#else
CSectorReader::CSectorReader(int nDrive) : m_nDrive(nDrive)
{
    std::string strPath = CVolumeTable::Instance().GetSourcePath(nDrive);
    if (strPath.empty()) {
        m_strOpenError = "no volume is registered for this drive";
        return;
    }
    m_pSource = CFileSectorSource::Open(strPath, &m_strOpenError);
}
#endif

CSectorReader::CSectorReader(int nDrive, std::unique_ptr<ISectorSource> pSource)
    : m_nDrive(nDrive), m_pSource(std::move(pSource))
{
}

CSectorReader::~CSectorReader() = default;

uint64_t CSectorReader::GetTotalSectors() const
{
    return m_pSource ? m_pSource->GetSize() / SECTOR_SIZE : 0;
}

std::unique_ptr<uint8_t[]> CSectorReader::ReadSectors(int nDrive, uint64_t nStartSector, int32_t nCount)
{
    if (nCount <= 0) return nullptr;
    std::unique_ptr<uint8_t[]> pBuffer(new (std::nothrow) uint8_t[static_cast<size_t>(nCount) * SECTOR_SIZE]);
    if (!pBuffer || !ReadSectorsInto(nDrive, nStartSector, static_cast<uint64_t>(nCount), pBuffer.get()))
        return nullptr;
    return pBuffer;
}

bool CSectorReader::ReadSectorsInto(int /*nDrive*/, uint64_t nStartSector, uint64_t nCount, uint8_t* pBuffer)
{
    if (!m_pSource || !pBuffer || nCount == 0) return false;
    constexpr uint64_t nMaxSector = std::numeric_limits<uint64_t>::max() / SECTOR_SIZE;
    if (nStartSector > nMaxSector || nCount > nMaxSector - nStartSector) return false;
    if (nCount > std::numeric_limits<size_t>::max() / SECTOR_SIZE) return false;
    return m_pSource->ReadAt(nStartSector * SECTOR_SIZE, pBuffer, static_cast<size_t>(nCount * SECTOR_SIZE));
}
