#ifdef _WIN32

#include "disk/WinSectorSource.h"

#include <algorithm>
#include <windows.h>
#include <winioctl.h>

#include "disk/SectorReader.h"
#include "platform/VolumeTable.h"

namespace {

HANDLE AsHandle(NativeFile hFile) { return static_cast<HANDLE>(hFile); }

// ReadFile takes 32-bit counts; 1 GiB pieces keep well inside them and stay
// whole sectors, which a raw volume insists on.
constexpr uint64_t MAX_READ_PIECE = uint64_t{1} << 30;

// Positions the handle at a 64-bit offset with the low half and a pointer to
// the high half, from the beginning.
bool SeekTo(HANDLE hFile, uint64_t nOffset)
{
    LONG nHigh = static_cast<LONG>(nOffset >> 32);
    SetLastError(NO_ERROR);
    DWORD dwLow = SetFilePointer(hFile, static_cast<LONG>(static_cast<DWORD>(nOffset)), &nHigh, FILE_BEGIN);
    return dwLow != INVALID_SET_FILE_POINTER || GetLastError() == NO_ERROR;
}

uint64_t SizeOf(HANDLE hFile)
{
    GET_LENGTH_INFORMATION length {};
    DWORD dwReturned = 0;
    if (DeviceIoControl(hFile, IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length, sizeof length, &dwReturned, nullptr))
        return static_cast<uint64_t>(length.Length.QuadPart);
    LARGE_INTEGER size {};
    return GetFileSizeEx(hFile, &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
}

std::string OpenErrorText(const std::string& strPath)
{
    bool bDenied = GetLastError() == ERROR_ACCESS_DENIED;
    std::string strText = strPath + ": " + LastErrorText();
    if (bDenied && DriveOfDevicePath(strPath) >= 0) strText += " (reading a drive needs administrator rights)";
    return strText;
}

}  // namespace

std::unique_ptr<CFileSectorSource> CFileSectorSource::Open(const std::string& strPath, std::string* pError)
{
    HANDLE hFile = CreateFileW(LongPath(strPath).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        if (pError) *pError = OpenErrorText(strPath);
        return nullptr;
    }
    return std::unique_ptr<CFileSectorSource>(new CFileSectorSource(hFile, SizeOf(hFile)));
}

std::unique_ptr<CFileSectorSource> CFileSectorSource::OpenDrive(int nDrive, std::string* pError)
{
    std::string strPath = DevicePathOfDrive(nDrive);
    HANDLE hDevice = CreateFileA(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    if (hDevice == INVALID_HANDLE_VALUE) {
        if (pError) *pError = strPath.empty() ? "no such drive" : OpenErrorText(strPath);
        return nullptr;
    }
    return std::unique_ptr<CFileSectorSource>(new CFileSectorSource(hDevice, SizeOf(hDevice)));
}

CFileSectorSource::~CFileSectorSource() { CloseHandle(AsHandle(m_hFile)); }

bool CFileSectorSource::ReadAt(uint64_t nOffset, void* pBuffer, size_t nLength)
{
    auto* p = static_cast<uint8_t*>(pBuffer);
    while (nLength > 0) {
        if (nOffset > static_cast<uint64_t>(INT64_MAX) || !SeekTo(AsHandle(m_hFile), nOffset)) return false;
        DWORD dwRead = 0;
        DWORD dwWanted = static_cast<DWORD>(std::min<uint64_t>(nLength, MAX_READ_PIECE));
        if (!ReadFile(AsHandle(m_hFile), p, dwWanted, &dwRead, nullptr)) return false;
        // A read that ends early has reached the end: what is missing was not read.
        if (dwRead == 0) return false;
        p += dwRead;
        nOffset += dwRead;
        nLength -= dwRead;
    }
    return true;
}

bool FillVWin32Read(int nDrive, uint32_t nStartSector, uint16_t nCount, uintptr_t nBufferAddress,
                    uintptr_t nBlockAddress, CDiskIoBlock* pBlock, CVWin32Registers* pRegisters)
{
    if (nBufferAddress > UINT32_MAX || nBlockAddress > UINT32_MAX) return false;
    pBlock->m_dwStartSector = nStartSector;
    pBlock->m_wSectors = nCount;
    pBlock->m_dwBuffer = static_cast<uint32_t>(nBufferAddress);
    *pRegisters = CVWin32Registers{};
    pRegisters->m_dwEAX = DOS_EXTENDED_ABSOLUTE_DISK_RW;
    pRegisters->m_dwEBX = static_cast<uint32_t>(nBlockAddress);
    pRegisters->m_dwECX = 0xFFFFFFFF;
    pRegisters->m_dwEDX = static_cast<uint32_t>(nDrive + 1);  // 1 = A:
    pRegisters->m_dwESI = 0;                                  // read
    return true;
}

CVWin32SectorSource::~CVWin32SectorSource() { CloseHandle(AsHandle(m_hVWin32)); }

bool CVWin32SectorSource::ReadAt(uint64_t nOffset, void* pBuffer, size_t nLength)
{
    // The request knows only whole sectors, numbered in 32 bits.
    if (nOffset % SECTOR_SIZE != 0 || nLength % SECTOR_SIZE != 0) return false;
    uint64_t nSector = nOffset / SECTOR_SIZE;
    uint64_t nSectors = nLength / SECTOR_SIZE;
    if (nSectors > 0 && nSector + nSectors - 1 > UINT32_MAX) return false;
    auto* p = static_cast<uint8_t*>(pBuffer);
    while (nSectors > 0) {
        uint16_t nPiece = static_cast<uint16_t>(std::min<uint64_t>(nSectors, VWIN32_MAX_SECTORS));
        CDiskIoBlock block {};
        CVWin32Registers registers {};
        if (!FillVWin32Read(m_nDrive, static_cast<uint32_t>(nSector), nPiece, reinterpret_cast<uintptr_t>(p),
                            reinterpret_cast<uintptr_t>(&block), &block, &registers))
            return false;
        DWORD dwReturned = 0;
        if (!DeviceIoControl(AsHandle(m_hVWin32), VWIN32_DIOC_DOS_DRIVEINFO, &registers, sizeof registers, &registers,
                             sizeof registers, &dwReturned, nullptr) ||
            (registers.m_dwFlags & CARRY_FLAG))
            return false;
        p += uint64_t{nPiece} * SECTOR_SIZE;
        nSector += nPiece;
        nSectors -= nPiece;
    }
    return true;
}

std::unique_ptr<ISectorSource> OpenWindowsDrive(int nDrive, std::string* pOS, std::string* pError)
{
    // Only Windows 9x has the VWIN32 device; on the NT family this open fails.
    HANDLE hVWin32 = CreateFileA("\\\\.\\vwin32", 0, 0, nullptr, 0, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    *pOS = hVWin32 == INVALID_HANDLE_VALUE ? "WinXP" : "Win98";
    std::string strSource = CVolumeTable::Instance().GetSourcePath(nDrive);
    if (!strSource.empty() && DriveOfDevicePath(strSource) < 0) {
        if (hVWin32 != INVALID_HANDLE_VALUE) CloseHandle(hVWin32);
        return CFileSectorSource::Open(strSource, pError);
    }
    if (*pOS == "WinXP") return CFileSectorSource::OpenDrive(nDrive, pError);
    return std::make_unique<CVWin32SectorSource>(hVWin32, nDrive);
}

#endif  // _WIN32
