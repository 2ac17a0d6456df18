#pragma once
// Names from the volume into UTF-8.

#include <cstddef>
#include <cstdint>
#include <string>

// UTF-16LE code units to UTF-8. Surrogate pairs are joined; a lone surrogate
// becomes U+FFFD so that the result is always valid UTF-8.
std::string Utf16LeToUtf8(const uint8_t* pBytes, size_t nUnits);
// Appends one code point as UTF-8.
void AppendUtf8(std::string& strOut, uint32_t nCodePoint);
// One byte of the OEM code page 437 to UTF-8 (bytes below 0x80 unchanged).
void AppendCp437(std::string& strOut, uint8_t byChar);
// True when the bytes are valid UTF-8.
bool IsValidUtf8(const std::string& str);
