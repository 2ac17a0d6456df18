#include "model/ScanCheck.h"

#include "fs/FileSystem.h"
#include "model/EditionProfile.h"

std::string UnsupportedFileSystemText(const std::string& strFileSystem)
{
    return "Sorry this application does not support " + strFileSystem + " file system";
}

EScanVerdict CheckDriveBeforeScan(const CFileSystem* pEngine, const std::string& strFileSystem,
                                  CScanRefusal* pRefusal)
{
    if (pEngine && !pEngine->m_bBootLoaded) {
        if (pRefusal) *pRefusal = {MSG_DRIVE_UNREADABLE, CAPTION_ERROR};
        return EScanVerdict::DriveUnreadable;
    }
    bool bEnabled = strFileSystem == "NTFS" ? g_bNtfsEnabled : g_bFatEnabled;
    // A name the profile lets through but no engine knows is refused the same way.
    if (!bEnabled || !pEngine) {
        if (pRefusal) *pRefusal = {UnsupportedFileSystemText(strFileSystem), CAPTION_UNSUPPORTED};
        return EScanVerdict::Unsupported;
    }
    return EScanVerdict::Allowed;
}
