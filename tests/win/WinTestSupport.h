#pragma once
// The volumes scripts/test-windows.sh makes with the Linux tools (mkntfs and
// ntfs-3g, mkfs.fat and mtools) and maps to Wine drive letters: a "dosdevices"
// link "n::" to an image (or to a read-only loop device over it) makes
// "\\.\N:" open it. The script names them in the environment.

#include <cstdint>
#include <filesystem>
#include <string>

namespace wintest {

struct CMappedVolume {
    int m_nDrive = -1;        // -1: not mapped (the tests were not started by the script)
    std::string m_strImage;   // the image file, as a Windows path
};

// VARNEL_WIN_<NAME>_DRIVE (a letter) and VARNEL_WIN_<NAME>_IMAGE.
CMappedVolume MappedVolume(const std::string& strName);
// VARNEL_WIN_<NAME>, empty when unset.
std::string Setting(const std::string& strName);
// True when the letters lead to loop devices: Wine then reads each volume's
// file system, label and serial as Windows would.
bool DrivesAreDevices();

// A letter with no drive behind it, from the end of the alphabet; -1 when all are taken.
int UnusedDrive();

// A fresh folder under the temporary folder, removed with the object.
class CTempFolder {
public:
    explicit CTempFolder(const std::string& strTag);
    ~CTempFolder();
    const std::filesystem::path& Path() const { return m_path; }
    std::string Utf8() const;

private:
    std::filesystem::path m_path;
};

// The size of the large volume: just over 4 GiB, a marked sector at byte 2^32.
inline constexpr uint64_t BIG_VOLUME_BYTES = 4295000064ull;
inline constexpr uint8_t BIG_VOLUME_MARK = 0x5A;

}  // namespace wintest

#define REQUIRE_MAPPED(volume)                                                                   \
    if ((volume).m_nDrive < 0)                                                                   \
    GTEST_SKIP() << "run through scripts/test-windows.sh, which maps the test volumes to letters"
