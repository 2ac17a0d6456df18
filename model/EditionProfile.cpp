#include "model/EditionProfile.h"

#ifndef VARNEL_EDITION
#define VARNEL_EDITION "3"
#endif

std::string g_strEdition = VARNEL_EDITION;
std::string g_strEditionLabel;
bool g_bRemovableOnly = false;
bool g_bFixedAndRemovable = false;
bool g_bFatEnabled = false;
bool g_bNtfsEnabled = false;
bool g_bFormattedMode = false;
bool g_bNewScanEnabled = false;

namespace {
struct CProfile {
    const char* pszCode;
    const char* pszLabel;
    bool bRemovableOnly, bFixedAndRemovable, bFat, bNtfs, bFormatted;
};
constexpr CProfile g_profiles[] = {
    {"1", "FAT", false, true, true, false, false},
    {"2", "Formatted FAT", false, true, true, false, true},
    {"3", "NTFS", false, true, false, true, false},
    {"4", "Formatted NTFS", false, true, false, true, true},
    {"5", "Removable Media", true, false, true, true, true},
};
}  // namespace

void ApplyEditionProfile()
{
    g_strEditionLabel.clear();
    g_bRemovableOnly = g_bFixedAndRemovable = g_bFatEnabled = g_bNtfsEnabled = g_bFormattedMode = false;
    for (const CProfile& profile : g_profiles) {
        if (g_strEdition != profile.pszCode) continue;
        g_strEditionLabel = profile.pszLabel;
        g_bRemovableOnly = profile.bRemovableOnly;
        g_bFixedAndRemovable = profile.bFixedAndRemovable;
        g_bFatEnabled = profile.bFat;
        g_bNtfsEnabled = profile.bNtfs;
        g_bFormattedMode = profile.bFormatted;
        return;
    }
}

std::string ProductTitle() { return std::string(PRODUCT_NAME) + " for " + g_strEditionLabel; }

#include "platform/VolumeTable.h"

bool DriveQualifies(EDriveType nType, const std::string& strFileSystem)
{
    if (nType != EDriveType::Removable && nType != EDriveType::Fixed) return false;
    if (strFileSystem == "CDFS") return false;
    if (g_bFixedAndRemovable) return true;
    return nType == (g_bRemovableOnly ? EDriveType::Removable : EDriveType::Fixed);
}
