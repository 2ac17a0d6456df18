// Writing recovered files on Windows: UTF-8 names through the wide calls,
// paths past 260 characters, nothing replaced, times kept, and the checks on
// the destination.

#include <gtest/gtest.h>
#include <windows.h>

#include "fs/OutputFile.h"
#include "platform/NativeFiles.h"
#include "platform/VolumeTable.h"
#include "tests/win/WinTestSupport.h"

using namespace wintest;

namespace {

// "Grüße 日本 😀.txt": Latin, CJK and a character outside the basic plane.
const std::string UTF8_NAME = "Gr\xC3\xBC\xC3\x9F" "e \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80.txt";
const std::wstring WIDE_NAME = L"Gr\u00FC\u00DFe \u65E5\u672C \U0001F600.txt";

uint64_t Ticks(const FILETIME& ft) { return (uint64_t{ft.dwHighDateTime} << 32) | ft.dwLowDateTime; }

}  // namespace

TEST(WinOutput, Utf8NamesReachTheWideCallsAndNothingIsReplaced)
{
    CTempFolder dir("names");
    std::string strError;
    CNativeFolder folder = CNativeFolder::OpenForWriting(dir.Utf8(), &strError);
    ASSERT_TRUE(folder.IsOpen()) << strError;
    NativeFile hFile = folder.CreateNewFile(UTF8_NAME);
    ASSERT_NE(hFile, NO_NATIVE_FILE) << LastErrorText();
    COutputFile out(hFile, dir.Utf8() + "\\" + UTF8_NAME);
    ASSERT_TRUE(out.Write("abc", 3));
    ASSERT_TRUE(out.Close());
    EXPECT_EQ(std::filesystem::file_size(dir.Path() / WIDE_NAME), 3u);

    // The name is taken now, in any case: a second file is never made over it.
    EXPECT_EQ(folder.CreateNewFile(UTF8_NAME), NO_NATIVE_FILE);
    EXPECT_TRUE(LastErrorWasNameTaken());
    EXPECT_EQ(folder.CreateNewFile("GR\xC3\x9C\xC3\x9F" "E \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80.TXT"), NO_NATIVE_FILE);
    EXPECT_TRUE(LastErrorWasNameTaken());
    EXPECT_FALSE(folder.CreateNewFolder(UTF8_NAME).IsOpen());
    EXPECT_TRUE(LastErrorWasNameTaken());
    ASSERT_TRUE(folder.CreateNewFolder("Sub").IsOpen());
    EXPECT_EQ(folder.CreateNewFile("sub"), NO_NATIVE_FILE);
    EXPECT_TRUE(LastErrorWasNameTaken());
    EXPECT_EQ(std::filesystem::file_size(dir.Path() / WIDE_NAME), 3u);
    // A file is not a folder to write into.
    EXPECT_FALSE(CNativeFolder::OpenForWriting(dir.Utf8() + "\\" + UTF8_NAME, &strError).IsOpen());
    EXPECT_NE(strError.find("not a folder"), std::string::npos) << strError;
}

TEST(WinOutput, FoldersNestDeeperThanTheOld260CharacterLimit)
{
    CTempFolder dir("deep");
    std::string strError;
    CNativeFolder folder = CNativeFolder::OpenForWriting(dir.Utf8(), &strError);
    ASSERT_TRUE(folder.IsOpen()) << strError;
    std::wstring strWide = L"\\\\?\\" + dir.Path().wstring();
    const std::string strLevel = "level-of-a-deep-folder-tree-\xC3\xA9";
    for (int i = 0; i < 12; ++i) {
        folder = folder.CreateNewFolder(strLevel);
        ASSERT_TRUE(folder.IsOpen()) << i << ": " << LastErrorText();
        strWide += L"\\" + WideFromUtf8(strLevel);
    }
    NativeFile hFile = folder.CreateNewFile("bottom.bin");
    ASSERT_NE(hFile, NO_NATIVE_FILE) << LastErrorText();
    COutputFile out(hFile, "bottom.bin");
    ASSERT_TRUE(out.Write("x", 1));
    ASSERT_TRUE(out.Close());
    strWide += L"\\bottom.bin";
    ASSERT_GT(strWide.size(), 300u);
    EXPECT_NE(GetFileAttributesW(strWide.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(WinOutput, HolesAndTimesAreSetWhenTheFileIsClosed)
{
    CTempFolder dir("times");
    std::string strPath = dir.Utf8() + "\\" + UTF8_NAME, strError;
    COutputFile out = COutputFile::Create(strPath, &strError);
    ASSERT_TRUE(out.IsOpen()) << strError;
    ASSERT_TRUE(out.Write("head", 4));
    ASSERT_TRUE(out.WriteZeros(1 << 20));
    const uint64_t nAccess = 133500000000000000ull, nModify = 132000000001234567ull;  // 2024 and 2019
    out.SetTimesOnClose(nAccess, nModify);
    ASSERT_TRUE(out.Close());
    EXPECT_EQ(out.GetBytesWritten(), 4u + (1u << 20));
    EXPECT_EQ(std::filesystem::file_size(dir.Path() / WIDE_NAME), 4u + (1u << 20));
    HANDLE hFile = CreateFileW(LongPath(strPath).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hFile, INVALID_HANDLE_VALUE);
    FILETIME created, accessed, modified;
    ASSERT_TRUE(GetFileTime(hFile, &created, &accessed, &modified));
    CloseHandle(hFile);
    EXPECT_EQ(Ticks(accessed), nAccess);
    EXPECT_EQ(Ticks(modified), nModify);
    // An existing file is refused, not opened.
    EXPECT_FALSE(COutputFile::Create(strPath, &strError).IsOpen());
}

TEST(WinOutput, ADestinationOnTheScannedDriveIsRefused)
{
    CMappedVolume ntfs = MappedVolume("NTFS");
    REQUIRE_MAPPED(ntfs);
    std::string strLetter = DriveLetter(ntfs.m_nDrive);
    std::string strDevice = DevicePathOfDrive(ntfs.m_nDrive);
    EXPECT_TRUE(IsOnScannedVolume(strLetter + ":\\rescued\\not-made-yet", strDevice));
    EXPECT_TRUE(IsOnScannedVolume(strLetter + ":\\", strDevice));
    CTempFolder dir("dest");
    EXPECT_FALSE(IsOnScannedVolume(dir.Utf8(), strDevice));
    // An image file is not the volume it lies on.
    EXPECT_FALSE(IsOnScannedVolume(dir.Utf8(), ntfs.m_strImage));
}

TEST(WinOutput, AFatDestinationTakesNoFileOf4GiB)
{
    CMappedVolume fat = MappedVolume("FAT");
    REQUIRE_MAPPED(fat);
    CTempFolder dir("limit");
    std::string strError;
    EXPECT_EQ(CNativeFolder::OpenForWriting(dir.Utf8(), &strError).MaxFileBytes(), UINT64_MAX) << strError;
    if (!DrivesAreDevices()) return;  // Wine knows the file system of a device only
    CNativeFolder onFat = CNativeFolder::OpenForWriting(DriveLetter(fat.m_nDrive) + ":\\", &strError);
    ASSERT_TRUE(onFat.IsOpen()) << strError;
    EXPECT_EQ(onFat.MaxFileBytes(), 0xFFFFFFFFull);
}
