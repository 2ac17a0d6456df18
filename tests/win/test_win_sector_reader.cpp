// The reader on Windows: drive index to "\\.\X:", the raw device read at
// 64-bit offsets, failures that stay failures, the VWIN32 request blocks.

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

#include "disk/SectorReader.h"
#include "disk/WinSectorSource.h"
#include "platform/VolumeTable.h"
#include "tests/win/WinTestSupport.h"

using namespace wintest;

TEST(WinSectorReader, DriveIndexNamesTheDevicePath)
{
    EXPECT_EQ(DevicePathOfDrive(2), "\\\\.\\C:");
    EXPECT_EQ(DevicePathOfDrive(25), "\\\\.\\Z:");
    EXPECT_EQ(DevicePathOfDrive(0), "\\\\.\\A:");
    EXPECT_EQ(DevicePathOfDrive(26), "");
    EXPECT_EQ(DriveOfDevicePath("\\\\.\\c:"), 2);
    EXPECT_EQ(DriveOfDevicePath("\\\\.\\Z:"), 25);
    EXPECT_EQ(DriveOfDevicePath("C:"), -1);
    EXPECT_EQ(DriveOfDevicePath("\\\\.\\PhysicalDrive0"), -1);
}

TEST(WinSectorReader, AMappedDriveIsReadThroughItsRawDevice)
{
    CMappedVolume ntfs = MappedVolume("NTFS");
    REQUIRE_MAPPED(ntfs);
    // Nothing in the table at that letter: the reader opens the drive itself.
    CVolumeTable::Instance().Remove(ntfs.m_nDrive);
    CSectorReader reader(ntfs.m_nDrive);
    ASSERT_TRUE(reader.IsOpen()) << reader.GetOpenError();
    EXPECT_EQ(reader.GetOS(), "WinXP");  // Wine, like every NT, has no VWIN32 device

    std::string strError;
    std::unique_ptr<CFileSectorSource> pImage = CFileSectorSource::Open(ntfs.m_strImage, &strError);
    ASSERT_TRUE(pImage) << strError;
    std::vector<uint8_t> expected(64 * SECTOR_SIZE);
    ASSERT_TRUE(pImage->ReadAt(100 * SECTOR_SIZE, expected.data(), expected.size()));
    std::unique_ptr<uint8_t[]> pSectors = reader.ReadSectors(ntfs.m_nDrive, 100, 64);
    ASSERT_TRUE(pSectors);
    EXPECT_EQ(std::memcmp(pSectors.get(), expected.data(), expected.size()), 0);
    std::unique_ptr<uint8_t[]> pBoot = reader.ReadSectors(ntfs.m_nDrive, 0, 1);
    ASSERT_TRUE(pBoot);
    EXPECT_EQ(std::memcmp(pBoot.get() + 3, "NTFS    ", 8), 0);
}

TEST(WinSectorReader, SectorTwoToTheTwentyThirdLiesAtByteTwoToTheThirtySecond)
{
    CMappedVolume big = MappedVolume("BIG");
    REQUIRE_MAPPED(big);
    CVolumeTable::Instance().Remove(big.m_nDrive);
    CSectorReader reader(big.m_nDrive);
    ASSERT_TRUE(reader.IsOpen()) << reader.GetOpenError();
    std::unique_ptr<uint8_t[]> pMark = reader.ReadSectors(big.m_nDrive, uint64_t{1} << 23, 1);
    ASSERT_TRUE(pMark);
    EXPECT_EQ(std::vector<uint8_t>(pMark.get(), pMark.get() + SECTOR_SIZE), std::vector<uint8_t>(SECTOR_SIZE, BIG_VOLUME_MARK));
    std::unique_ptr<uint8_t[]> pBefore = reader.ReadSectors(big.m_nDrive, (uint64_t{1} << 23) - 1, 1);
    ASSERT_TRUE(pBefore);
    EXPECT_EQ(std::vector<uint8_t>(pBefore.get(), pBefore.get() + SECTOR_SIZE), std::vector<uint8_t>(SECTOR_SIZE, 0));
    // 2048 sectors are one 1 MiB buffer, here ending with the marked sector.
    std::unique_ptr<uint8_t[]> pChunk = reader.ReadSectors(big.m_nDrive, (uint64_t{1} << 23) - 2047, 2048);
    ASSERT_TRUE(pChunk);
    EXPECT_EQ(pChunk[0], 0);
    EXPECT_EQ(pChunk[1048575], BIG_VOLUME_MARK);

    // The device ends with the volume: a read across its end returns fewer
    // bytes than asked, and that is a failure, not a half-filled success.
    uint64_t nLast = BIG_VOLUME_BYTES / SECTOR_SIZE - 1;
    EXPECT_TRUE(reader.ReadSectors(big.m_nDrive, nLast, 1));
    EXPECT_FALSE(reader.ReadSectors(big.m_nDrive, nLast, 2));
    std::vector<uint8_t> buffer(2 * SECTOR_SIZE, 0xEE);
    EXPECT_FALSE(reader.ReadSectorsInto(big.m_nDrive, nLast, 2, buffer.data()));
}

TEST(WinSectorReader, ADriveThatCannotBeOpenedFailsEveryRead)
{
    int nDrive = UnusedDrive();
    ASSERT_GE(nDrive, 0);
    CVolumeTable::Instance().Remove(nDrive);
    CSectorReader reader(nDrive);
    EXPECT_FALSE(reader.IsOpen());
    EXPECT_NE(reader.GetOpenError().find(DevicePathOfDrive(nDrive)), std::string::npos) << reader.GetOpenError();
    EXPECT_EQ(reader.GetOS(), "WinXP");
    uint8_t buffer[SECTOR_SIZE];
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(reader.ReadSectors(nDrive, 0, 1));
        EXPECT_FALSE(reader.ReadSectorsInto(nDrive, 0, 1, buffer));
    }
}

TEST(WinSectorReader, AnImageFileAtALetterIsReadAsAFile)
{
    CMappedVolume fat = MappedVolume("FAT");
    REQUIRE_MAPPED(fat);
    CVolumeInfo info;
    std::string strError;
    ASSERT_TRUE(ProbeVolume(fat.m_strImage, &info, &strError)) << strError;
    // What the boot sector says is what libblkid says on Linux.
    EXPECT_EQ(info.m_strFileSystem, Setting("FAT_FILESYSTEM"));
    EXPECT_EQ(info.m_strVolumeLabel, Setting("FAT_LABEL"));
    EXPECT_EQ(info.m_strSerial, Setting("FAT_SERIAL"));
    info.m_bImage = true;
    int nDrive = CVolumeTable::Instance().Register(info);
    ASSERT_GE(nDrive, 2);
    CSectorReader reader(nDrive);
    ASSERT_TRUE(reader.IsOpen()) << reader.GetOpenError();
    EXPECT_EQ(reader.GetTotalSectors() * SECTOR_SIZE, std::filesystem::file_size(PathFromUtf8(fat.m_strImage)));
    std::unique_ptr<uint8_t[]> pBoot = reader.ReadSectors(nDrive, 0, 1);
    ASSERT_TRUE(pBoot);
    EXPECT_EQ(pBoot[510], 0x55);
    EXPECT_EQ(pBoot[511], 0xAA);
    CVolumeTable::Instance().Remove(nDrive);

    CMappedVolume ntfs = MappedVolume("NTFS");
    ASSERT_TRUE(ProbeVolume(ntfs.m_strImage, &info, &strError)) << strError;
    EXPECT_EQ(info.m_strFileSystem, "NTFS");
    EXPECT_EQ(info.m_strSerial, Setting("NTFS_SERIAL"));
}

TEST(WinVWin32, RequestBlocksHoldTheExtendedAbsoluteRead)
{
    CDiskIoBlock block {};
    CVWin32Registers registers {};
    registers.m_dwFlags = 0xFFFF;
    ASSERT_TRUE(FillVWin32Read(2, 0x12345678, 2048, 0x00400000, 0x00300000, &block, &registers));
    EXPECT_EQ(registers.m_dwEAX, 0x7305u);
    EXPECT_EQ(registers.m_dwEBX, 0x00300000u);  // where the disk-I/O block lies
    EXPECT_EQ(registers.m_dwECX, 0xFFFFFFFFu);
    EXPECT_EQ(registers.m_dwEDX, 3u);           // 1 = A:, so C: is 3
    EXPECT_EQ(registers.m_dwESI, 0u);           // read
    EXPECT_EQ(registers.m_dwFlags, 0u);
    // The packed block as DOS reads it: sector, count, buffer, little-endian.
    uint8_t bytes[sizeof block];
    std::memcpy(bytes, &block, sizeof block);
    const uint8_t expected[] = {0x78, 0x56, 0x34, 0x12, 0x00, 0x08, 0x00, 0x00, 0x40, 0x00};
    EXPECT_EQ(std::memcmp(bytes, expected, sizeof expected), 0);
    // An address the 32-bit registers cannot hold is refused, never cut.
    EXPECT_FALSE(FillVWin32Read(2, 0, 1, uintptr_t{1} << 32, 0x1000, &block, &registers));
    EXPECT_FALSE(FillVWin32Read(2, 0, 1, 0x1000, uintptr_t{1} << 32, &block, &registers));
}
