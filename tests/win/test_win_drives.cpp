// The drive list on Windows: the drive mask, the type of each root and its
// volume information, each volume at its own letter.

#include <algorithm>
#include <gtest/gtest.h>
#include <regex>
#include <windows.h>

#include "model/EditionProfile.h"
#include "platform/DriveEnumerator.h"
#include "tests/win/WinTestSupport.h"

using namespace wintest;

namespace {

const CVolumeInfo* Find(const std::vector<CVolumeInfo>& volumes, int nDrive)
{
    auto it = std::find_if(volumes.begin(), volumes.end(), [&](const CVolumeInfo& v) { return v.m_nFixedDrive == nDrive; });
    return it == volumes.end() ? nullptr : &*it;
}

}  // namespace

TEST(WinDrives, MappedDrivesAreListedAtTheirLettersAsTheSystemDescribesThem)
{
    CMappedVolume ntfs = MappedVolume("NTFS"), fat = MappedVolume("FAT");
    REQUIRE_MAPPED(ntfs);
    CWindowsDriveEnumerator enumerator;
    std::vector<CVolumeInfo> volumes = enumerator.Enumerate();

    const CVolumeInfo* pNtfs = Find(volumes, ntfs.m_nDrive);
    ASSERT_TRUE(pNtfs);
    EXPECT_EQ(pNtfs->m_strSourcePath, DevicePathOfDrive(ntfs.m_nDrive));
    EXPECT_EQ(pNtfs->m_nType, EDriveType::Fixed);
    EXPECT_EQ(pNtfs->m_strFileSystem, "NTFS");
    EXPECT_TRUE(std::regex_match(pNtfs->m_strSerial, std::regex("[0-9A-F]{4}-[0-9A-F]{4}"))) << pNtfs->m_strSerial;
    EXPECT_EQ(pNtfs->m_strDescription.substr(0, 3), DriveLetter(ntfs.m_nDrive) + ":\\");
    EXPECT_FALSE(Find(volumes, UnusedDrive()));
    if (DrivesAreDevices()) {
        // Wine reads a device's file system as Windows would; a linked image file it takes for NTFS.
        const CVolumeInfo* pFat = Find(volumes, fat.m_nDrive);
        ASSERT_TRUE(pFat);
        EXPECT_EQ(pFat->m_strFileSystem, Setting("FAT_FILESYSTEM"));
        EXPECT_EQ(pFat->m_strVolumeLabel, Setting("FAT_LABEL"));
        EXPECT_EQ(pFat->m_strSerial, Setting("FAT_SERIAL"));
    }
}

TEST(WinDrives, DrivesKeepTheirLettersAndImagesTakeFreeOnes)
{
    CMappedVolume ntfs = MappedVolume("NTFS");
    REQUIRE_MAPPED(ntfs);
    CVolumeTable& table = CVolumeTable::Instance();
    table.Clear();
    CWindowsDriveEnumerator enumerator;
    RegisterEnumeratedDrives(enumerator);
    std::optional<CVolumeInfo> info = table.Get(ntfs.m_nDrive);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->m_strSourcePath, DevicePathOfDrive(ntfs.m_nDrive));
    EXPECT_EQ(table.GetLogicalDrives() & ~GetLogicalDrives(), 0u);  // no letter the system lacks

    CVolumeInfo image;
    image.m_strSourcePath = ntfs.m_strImage;
    image.m_bImage = true;
    int nImage = table.Register(image);
    ASSERT_GE(nImage, 2);
    EXPECT_FALSE(GetLogicalDrives() & (1u << nImage));
    // A drive that turns up at a letter an image holds leaves the image there.
    CVolumeInfo arriving = *info;
    arriving.m_nFixedDrive = nImage;
    EXPECT_EQ(table.Register(arriving), -1);
    EXPECT_EQ(table.GetSourcePath(nImage), ntfs.m_strImage);
    table.Clear();
}
