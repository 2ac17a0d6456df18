#pragma once
// The machine's volumes by drive index (0 = A ... 25 = Z). On Linux the table
// is filled from block devices that carry a file system and from disk image
// files the user names; on Windows from the system's drive letters and the
// image files the user names. Each slot maps a drive letter to the path its
// sectors are read from. Every per-drive table of the program is indexed the same way.

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

inline constexpr int DRIVE_COUNT = 26;

// The drive types of the Windows drive-type call, which the edition profile tests.
enum class EDriveType : int {
    Unknown = 0,
    NoRoot = 1,
    Removable = 2,
    Fixed = 3,
    Remote = 4,
    CdRom = 5,
    RamDisk = 6,
};

struct CVolumeInfo {
    std::string m_strSourcePath;   // block device or image file the sectors come from
    EDriveType m_nType = EDriveType::Fixed;
    std::string m_strFileSystem;   // "NTFS", "FAT32", "FAT", "CDFS" or another upper-case name
    std::string m_strVolumeLabel;
    std::string m_strSerial;       // "%04X-%04X"; empty when the volume has none
    std::string m_strDescription;  // what the user knows the drive by: model, size, or the image's name
    bool m_bImage = false;
    int m_nFixedDrive = -1;        // the letter the system gave the volume (Windows); -1: the table chooses
};

// The file-system name the Windows volume call would report for a blkid type
// and version ("ntfs" -> "NTFS", "vfat"+"FAT32" -> "FAT32", "vfat" -> "FAT").
std::string FileSystemNameFromBlkid(const std::string& strType, const std::string& strVersion);
// "%04X-%04X" from a blkid UUID of a FAT or NTFS volume (last 8 hex digits).
std::string SerialFromUuid(const std::string& strUuid);

// Reads the file-system signature of a device or image (Linux: libblkid;
// Windows: the boot sector). False (and a message) when the path cannot be
// read; an unknown file system gives true with an empty m_strFileSystem.
bool ProbeVolume(const std::string& strPath, CVolumeInfo* pInfo, std::string* pError);

class CVolumeTable {
public:
    static CVolumeTable& Instance();

    // Puts a volume into the first free slot from C on (or nPreferred when it
    // is free); returns its drive index, or -1 when all slots are taken. A
    // source that is already registered keeps its slot. A volume with a fixed
    // drive goes into that slot only (-1 when an image holds it).
    int Register(const CVolumeInfo& info, int nPreferred = -1);
    void Remove(int nDrive);
    void Clear();

    std::optional<CVolumeInfo> Get(int nDrive) const;
    std::string GetSourcePath(int nDrive) const;
    int FindBySource(const std::string& strPath) const;
    // Bit i set when slot i is in use (bit 0 = A), as the Windows drive mask.
    uint32_t GetLogicalDrives() const;

private:
    CVolumeTable() = default;
    mutable std::mutex m_mutex;
    std::optional<CVolumeInfo> m_slots[DRIVE_COUNT];
};

// Drive letter of an index ("C" for 2); empty outside 0..25.
std::string DriveLetter(int nDrive);
// The raw volume of a drive on Windows: "\\.\C:" for 2; empty outside 0..25.
std::string DevicePathOfDrive(int nDrive);
// The drive index of such a device path ("\\.\c:" too), or -1.
int DriveOfDevicePath(const std::string& strPath);
