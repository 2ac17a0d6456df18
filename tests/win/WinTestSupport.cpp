#include "tests/win/WinTestSupport.h"

#include <cstdlib>
#include <windows.h>

#include "platform/NativeFiles.h"

namespace wintest {

std::string Setting(const std::string& strName)
{
    const char* pszValue = std::getenv(("VARNEL_WIN_" + strName).c_str());
    return pszValue ? pszValue : "";
}

CMappedVolume MappedVolume(const std::string& strName)
{
    CMappedVolume volume;
    std::string strLetter = Setting(strName + "_DRIVE");
    if (strLetter.size() == 1 && strLetter[0] >= 'A' && strLetter[0] <= 'Z') volume.m_nDrive = strLetter[0] - 'A';
    volume.m_strImage = Setting(strName + "_IMAGE");
    return volume;
}

bool DrivesAreDevices() { return Setting("DEVICES") == "loop"; }

int UnusedDrive()
{
    DWORD dwMask = GetLogicalDrives();
    for (int i = 24; i >= 3; --i)
        if (!(dwMask & (1u << i))) return i;
    return -1;
}

CTempFolder::CTempFolder(const std::string& strTag)
{
    m_path = std::filesystem::temp_directory_path() /
             PathFromUtf8("varnel-" + strTag + "-" + std::to_string(GetCurrentProcessId()));
    std::filesystem::remove_all(m_path);
    std::filesystem::create_directories(m_path);
}

CTempFolder::~CTempFolder()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::string CTempFolder::Utf8() const { return Utf8FromPath(m_path); }

}  // namespace wintest
