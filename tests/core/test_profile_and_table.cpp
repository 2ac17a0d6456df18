#include <gtest/gtest.h>

#include "fs/FileSystem.h"
#include "model/EditionProfile.h"
#include "model/ScanCheck.h"
#include "platform/VolumeTable.h"
#include "tests/core/TestSupport.h"

using namespace testsupport;

namespace {

// Restores the build's edition after a test changed it.
struct CEditionGuard {
    std::string strSaved = g_strEdition;
    ~CEditionGuard()
    {
        g_strEdition = strSaved;
        ApplyEditionProfile();
    }
};

}  // namespace

TEST(EditionProfile, FiveProfilesAndUnknownCodes)
{
    CEditionGuard guard;
    struct {
        const char* pszCode;
        bool bRemovableOnly, bFixedAndRemovable, bFat, bNtfs, bFormatted, bLabel;
    } cases[] = {
        {"1", false, true, true, false, false, true},  {"2", false, true, true, false, true, true},
        {"3", false, true, false, true, false, true},  {"4", false, true, false, true, true, true},
        {"5", true, false, true, true, true, true},    {"6", false, false, false, false, false, false},
        {"03", false, false, false, false, false, false},
    };
    for (const auto& c : cases) {
        g_strEdition = c.pszCode;
        ApplyEditionProfile();
        SCOPED_TRACE(c.pszCode);
        EXPECT_EQ(g_bRemovableOnly, c.bRemovableOnly);
        EXPECT_EQ(g_bFixedAndRemovable, c.bFixedAndRemovable);
        EXPECT_EQ(g_bFatEnabled, c.bFat);
        EXPECT_EQ(g_bNtfsEnabled, c.bNtfs);
        EXPECT_EQ(g_bFormattedMode, c.bFormatted);
        EXPECT_EQ(!g_strEditionLabel.empty(), c.bLabel);
        EXPECT_FALSE(g_bNewScanEnabled);
        EXPECT_EQ(ProductTitle(), "Varnel Data Recovery for " + g_strEditionLabel);
    }
}

TEST(EditionProfile, DriveQualification)
{
    CEditionGuard guard;
    struct {
        const char* pszCode;
        EDriveType nType;
        const char* pszFs;
        bool bListed;
    } cases[] = {
        {"3", EDriveType::Fixed, "NTFS", true},       {"3", EDriveType::Removable, "FAT32", true},
        {"3", EDriveType::CdRom, "CDFS", false},      {"3", EDriveType::Fixed, "CDFS", false},
        {"3", EDriveType::Remote, "NTFS", false},     {"3", EDriveType::Fixed, "EXT4", true},
        {"5", EDriveType::Fixed, "NTFS", false},      {"5", EDriveType::Removable, "FAT", true},
        {"9", EDriveType::Fixed, "NTFS", true},       {"9", EDriveType::Removable, "NTFS", false},
    };
    for (const auto& c : cases) {
        g_strEdition = c.pszCode;
        ApplyEditionProfile();
        EXPECT_EQ(DriveQualifies(c.nType, c.pszFs), c.bListed) << c.pszCode << " " << c.pszFs;
    }
}

TEST(ScanCheck, RefusalsAndTheirTexts)
{
    CEditionGuard guard;
    g_strEdition = "3";
    ApplyEditionProfile();
    CScanRefusal refusal;
    // An engine whose boot sector could not be read (nothing behind it).
    auto pUnread = MemoryEngine({}, "NTFS");
    EXPECT_EQ(CheckDriveBeforeScan(pUnread.get(), "NTFS", &refusal), EScanVerdict::DriveUnreadable);
    EXPECT_EQ(refusal.m_strText, "Failed to read the Drive, Possible cause may be\n 1. You are not in the "
                                 "Administrator mode\n 2. Your drive is faulty");
    EXPECT_EQ(refusal.m_strCaption, "Error Message");
    EXPECT_EQ(CheckDriveBeforeScan(nullptr, "FAT32", &refusal), EScanVerdict::Unsupported);
    EXPECT_EQ(refusal.m_strText, "Sorry this application does not support FAT32 file system");
    EXPECT_EQ(refusal.m_strCaption, "Varnel Data Recovery");
    g_strEdition = "1";
    ApplyEditionProfile();
    EXPECT_EQ(CheckDriveBeforeScan(nullptr, "EXT4", &refusal), EScanVerdict::Unsupported);  // no engine knows it
    EXPECT_EQ(refusal.m_strText, "Sorry this application does not support EXT4 file system");
}

TEST(VolumeTable, FileSystemNamesAsWindowsReportsThem)
{
    struct {
        const char *pszType, *pszVersion, *pszName;
    } cases[] = {
        {"ntfs", "", "NTFS"},   {"vfat", "FAT32", "FAT32"}, {"vfat", "FAT16", "FAT"}, {"vfat", "FAT12", "FAT"},
        {"iso9660", "", "CDFS"}, {"udf", "", "CDFS"},        {"ext4", "1.0", "EXT4"},  {"exfat", "", "EXFAT"},
    };
    for (const auto& c : cases) EXPECT_EQ(FileSystemNameFromBlkid(c.pszType, c.pszVersion), c.pszName);
    EXPECT_EQ(SerialFromUuid("1A2B-3C4D"), "1A2B-3C4D");
    EXPECT_EQ(SerialFromUuid("0123456789abcdef"), "89AB-CDEF");
    EXPECT_EQ(SerialFromUuid("12"), "");
    EXPECT_EQ(DriveLetter(2), "C");
    EXPECT_EQ(DriveLetter(25), "Z");
    EXPECT_EQ(DriveLetter(26), "");
}

TEST(VolumeTable, ProbesRealVolumesAndGivesLettersFromC)
{
    CTempDir dir("probe");
    std::string strNtfs = dir / "n.img", strFat = dir / "f.img";
    MustRun("truncate -s 8M " + Quote(strNtfs) + " && mkntfs -q -F -L NLABEL " + Quote(strNtfs));
    MustRun("mkfs.fat -C -F 32 -n FLABEL -i 1A2B3C4D " + Quote(strFat) + " 40000 >/dev/null");
    CVolumeInfo ntfs, fat;
    std::string strError;
    ASSERT_TRUE(ProbeVolume(strNtfs, &ntfs, &strError)) << strError;
    ASSERT_TRUE(ProbeVolume(strFat, &fat, &strError)) << strError;
    EXPECT_EQ(ntfs.m_strFileSystem, "NTFS");
    EXPECT_EQ(ntfs.m_strVolumeLabel, "NLABEL");
    EXPECT_EQ(fat.m_strFileSystem, "FAT32");
    EXPECT_EQ(fat.m_strSerial, "1A2B-3C4D");
    EXPECT_FALSE(ProbeVolume(dir / "none.img", &fat, &strError));

    CVolumeTable& table = CVolumeTable::Instance();
    table.Clear();
    int nFirst = table.Register(ntfs);
    int nSecond = table.Register(fat);
    EXPECT_EQ(nFirst, 2);
    EXPECT_EQ(nSecond, 3);
    EXPECT_EQ(table.Register(ntfs), 2);  // the same source keeps its letter
    EXPECT_EQ(table.GetLogicalDrives(), 0xCu);
    table.Remove(2);
    EXPECT_EQ(table.GetLogicalDrives(), 0x8u);
    table.Clear();
}
