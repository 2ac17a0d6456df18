#pragma once
// Safe output names: what a name from a volume becomes on disk, and unique
// names that never replace an existing file.

#include <string>

// A name fit for one path component: no "/" or NUL or other control
// characters, not "." or "..", not empty, valid UTF-8, at most 240 bytes
// (room left for a " (n)" suffix within the 255-byte limit).
std::string SanitizeName(const std::string& strName);
// "name (n).ext" for n >= 2; a name without an extension gets "name (n)".
std::string NumberedName(const std::string& strName, unsigned nNumber);
