#pragma once
// The edition profile: which drives are offered and which file systems may be
// scanned. The code is fixed when the program is built (VARNEL_EDITION).

#include <string>

extern std::string g_strEdition;       // the build's edition code, "3" unless built otherwise
extern std::string g_strEditionLabel;  // display label, set by ApplyEditionProfile
extern bool g_bRemovableOnly;
extern bool g_bFixedAndRemovable;
extern bool g_bFatEnabled;
extern bool g_bNtfsEnabled;
extern bool g_bFormattedMode;
extern bool g_bNewScanEnabled;

// Sets the label and flags from g_strEdition. A code other than "1".."5"
// leaves the label empty and every flag false.
void ApplyEditionProfile();

inline constexpr const char* PRODUCT_NAME = "Varnel Data Recovery";
// "Varnel Data Recovery for " + label: the window title and the caption of
// result and drive-loss messages.
std::string ProductTitle();

enum class EDriveType : int;
// Whether the profile lists a drive of this type and file system: removable
// and fixed drives only, of the wanted type, never the CD file system.
bool DriveQualifies(EDriveType nType, const std::string& strFileSystem);
