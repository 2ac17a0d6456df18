#pragma once
// Raw volume access on Windows. On the NT family a drive is opened as the
// raw device "\\.\C:" and read with ordinary file reads at byte offsets
// (CFileSectorSource::OpenDrive). On Windows 9x the VWIN32 virtual device
// performs the extended absolute disk read, DOS function 7305h, for us.

#ifdef _WIN32

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "disk/SectorSource.h"

// The register block VWIN32 takes and gives back (its DIOC_REGISTERS): seven
// 32-bit registers. It is a request to the system, never laid over bytes read
// from a volume.
struct CVWin32Registers {
    uint32_t m_dwEBX;
    uint32_t m_dwEDX;
    uint32_t m_dwECX;
    uint32_t m_dwEAX;
    uint32_t m_dwEDI;
    uint32_t m_dwESI;
    uint32_t m_dwFlags;
};
static_assert(sizeof(CVWin32Registers) == 28);
static_assert(offsetof(CVWin32Registers, m_dwEBX) == 0 && offsetof(CVWin32Registers, m_dwEDX) == 4 &&
              offsetof(CVWin32Registers, m_dwECX) == 8 && offsetof(CVWin32Registers, m_dwEAX) == 12 &&
              offsetof(CVWin32Registers, m_dwEDI) == 16 && offsetof(CVWin32Registers, m_dwESI) == 20 &&
              offsetof(CVWin32Registers, m_dwFlags) == 24);

// The disk-I/O block of function 7305h, packed as DOS reads it: start
// sector, sector count, buffer address.
#pragma pack(push, 1)
struct CDiskIoBlock {
    uint32_t m_dwStartSector;
    uint16_t m_wSectors;
    uint32_t m_dwBuffer;
};
#pragma pack(pop)
static_assert(sizeof(CDiskIoBlock) == 10);
static_assert(offsetof(CDiskIoBlock, m_dwStartSector) == 0 && offsetof(CDiskIoBlock, m_wSectors) == 4 &&
              offsetof(CDiskIoBlock, m_dwBuffer) == 6);

inline constexpr uint32_t VWIN32_DIOC_DOS_DRIVEINFO = 6;  // the control code of 7305h requests
inline constexpr uint32_t DOS_EXTENDED_ABSOLUTE_DISK_RW = 0x7305;
inline constexpr uint32_t CARRY_FLAG = 0x0001;
inline constexpr uint32_t VWIN32_MAX_SECTORS = 0xFFFF;  // the block's count has 16 bits

// Fills the blocks of a read of nCount sectors from nStartSector of the
// drive into the buffer at nBufferAddress; nBlockAddress is where *pBlock
// lies. False when either address does not fit the 32 bits VWIN32 takes
// (a 64-bit program, which Windows 9x never runs).
bool FillVWin32Read(int nDrive, uint32_t nStartSector, uint16_t nCount, uintptr_t nBufferAddress,
                    uintptr_t nBlockAddress, CDiskIoBlock* pBlock, CVWin32Registers* pRegisters);

// Sectors read through VWIN32 (Windows 9x). Reads are whole sectors below
// sector 2^32; a longer read is made of several requests.
class CVWin32SectorSource final : public ISectorSource {
public:
    // Takes the open VWIN32 device handle.
    CVWin32SectorSource(void* hVWin32, int nDrive) : m_hVWin32(hVWin32), m_nDrive(nDrive) {}
    ~CVWin32SectorSource() override;
    CVWin32SectorSource(const CVWin32SectorSource&) = delete;
    CVWin32SectorSource& operator=(const CVWin32SectorSource&) = delete;

    bool ReadAt(uint64_t nOffset, void* pBuffer, size_t nLength) override;
    uint64_t GetSize() const override { return 0; }

private:
    void* m_hVWin32;
    int m_nDrive;
};

// Opens what a drive index reads from, as the reader's constructor does: the
// VWIN32 probe sets *pOS to "Win98" where the device answers and to "WinXP"
// otherwise. An image file registered at the index is read as a file; other
// drives through the platform's path. Null (and why) when it cannot be opened.
std::unique_ptr<ISectorSource> OpenWindowsDrive(int nDrive, std::string* pOS, std::string* pError);

#endif  // _WIN32
