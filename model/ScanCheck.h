#pragma once
// The check before a drive is scanned: is its boot sector readable, and does
// the edition profile let its file system be scanned?

#include <string>

class CFileSystem;

inline constexpr const char* MSG_DRIVE_UNREADABLE =
    "Failed to read the Drive, Possible cause may be\n 1. You are not in the Administrator mode\n 2. Your drive is faulty";
inline constexpr const char* CAPTION_UNSUPPORTED = "Varnel Data Recovery";
inline constexpr const char* MSG_NO_DATA =
    "No Data found!\nIf the Drive is Formatted then please use Software for Formatted Drives";

enum class EScanVerdict {
    Allowed,
    DriveUnreadable,  // the engine could not read the boot sector
    Unsupported,      // the profile does not enable this file system, or no engine knows it
};

struct CScanRefusal {
    std::string m_strText;
    std::string m_strCaption;
};

// "Sorry this application does not support " + name + " file system"
std::string UnsupportedFileSystemText(const std::string& strFileSystem);

// pEngine may be null (a file system no engine knows). The refusal's text and
// caption are filled when the verdict is not Allowed.
EScanVerdict CheckDriveBeforeScan(const CFileSystem* pEngine, const std::string& strFileSystem,
                                  CScanRefusal* pRefusal);
