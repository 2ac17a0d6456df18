#pragma once
// Safe output names: what a name from a volume becomes on disk, and unique
// names that never replace an existing file.

#include <string>

// A name fit for one path component: no "/" or NUL or other control
// characters, not "." or "..", not empty, valid UTF-8, at most 240 bytes
// (room left for a " (n)" suffix within the 255-byte limit). On Windows also
// what WindowsSafeName makes of it.
std::string SanitizeName(const std::string& strName);
// A name Windows takes as it stands: none of < > : " \ | ? *, no dot or blank
// at the end (Windows would drop it), and no device name (CON, NUL, COM1 ...
// with any extension), which would open the device instead of a file.
std::string WindowsSafeName(const std::string& strName);
// "name (n).ext" for n >= 2; a name without an extension gets "name (n)".
std::string NumberedName(const std::string& strName, unsigned nNumber);
