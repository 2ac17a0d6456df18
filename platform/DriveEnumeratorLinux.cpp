#ifndef _WIN32

#include "platform/DriveEnumerator.h"

#include <algorithm>
#include <libudev.h>
#include <string>

namespace {

std::string Property(udev_device* pDevice, const char* pszName)
{
    const char* pszValue = udev_device_get_property_value(pDevice, pszName);
    return pszValue ? pszValue : "";
}

std::string SysAttr(udev_device* pDevice, const char* pszName)
{
    const char* pszValue = udev_device_get_sysattr_value(pDevice, pszName);
    return pszValue ? pszValue : "";
}

EDriveType DriveType(udev_device* pDevice)
{
    if (!Property(pDevice, "ID_CDROM").empty() || udev_device_get_devnum(pDevice) >> 8 == 11)
        return EDriveType::CdRom;
    udev_device* pDisk = pDevice;
    if (Property(pDevice, "DEVTYPE") == "partition")
        pDisk = udev_device_get_parent_with_subsystem_devtype(pDevice, "block", "disk");
    if (pDisk && SysAttr(pDisk, "removable") == "1") return EDriveType::Removable;
    // USB and card-reader disks report removable 0 on many bridges; the
    // Windows drive type of a stick is removable all the same.
    if (Property(pDevice, "ID_BUS") == "usb" || !Property(pDevice, "ID_DRIVE_FLASH_SD").empty())
        return EDriveType::Removable;
    return EDriveType::Fixed;
}

std::string SizeText(udev_device* pDevice)
{
    unsigned long long nSectors = std::strtoull(SysAttr(pDevice, "size").c_str(), nullptr, 10);
    double dGiB = static_cast<double>(nSectors) * 512.0 / (1024.0 * 1024.0 * 1024.0);
    char sz[32];
    std::snprintf(sz, sizeof sz, dGiB >= 1.0 ? "%.1f GiB" : "%.0f MiB", dGiB >= 1.0 ? dGiB : dGiB * 1024.0);
    return sz;
}

bool Listable(udev_device* pDevice)
{
    std::string strName = udev_device_get_sysname(pDevice);
    if (strName.rfind("ram", 0) == 0 || strName.rfind("zram", 0) == 0) return false;
    return SysAttr(pDevice, "size") != "0";
}

bool Describe(udev_device* pDevice, CVolumeInfo* pInfo)
{
    const char* pszNode = udev_device_get_devnode(pDevice);
    if (!pszNode || !Listable(pDevice)) return false;
    pInfo->m_strSourcePath = pszNode;
    std::string strType = Property(pDevice, "ID_FS_TYPE");
    if (!strType.empty()) {
        pInfo->m_strFileSystem = FileSystemNameFromBlkid(strType, Property(pDevice, "ID_FS_VERSION"));
        pInfo->m_strVolumeLabel = Property(pDevice, "ID_FS_LABEL");
        pInfo->m_strSerial = SerialFromUuid(Property(pDevice, "ID_FS_UUID"));
    } else if (!ProbeVolume(pszNode, pInfo, nullptr) || pInfo->m_strFileSystem.empty()) {
        return false;  // no file system: not a volume Windows would give a letter
    }
    pInfo->m_nType = DriveType(pDevice);
    std::string strModel = Property(pDevice, "ID_MODEL");
    pInfo->m_strDescription = std::string(pszNode) + " (" + (strModel.empty() ? "" : strModel + ", ") +
                              SizeText(pDevice) + ")";
    return true;
}

}  // namespace

std::vector<CVolumeInfo> CLinuxDriveEnumerator::Enumerate()
{
    std::vector<CVolumeInfo> volumes;
    udev* pUdev = udev_new();
    if (!pUdev) return volumes;
    udev_enumerate* pEnum = udev_enumerate_new(pUdev);
    udev_enumerate_add_match_subsystem(pEnum, "block");
    udev_enumerate_scan_devices(pEnum);
    udev_list_entry* pEntry = nullptr;
    udev_list_entry_foreach(pEntry, udev_enumerate_get_list_entry(pEnum))
    {
        udev_device* pDevice = udev_device_new_from_syspath(pUdev, udev_list_entry_get_name(pEntry));
        if (!pDevice) continue;
        CVolumeInfo info;
        if (Describe(pDevice, &info)) volumes.push_back(info);
        udev_device_unref(pDevice);
    }
    udev_enumerate_unref(pEnum);
    udev_unref(pUdev);
    std::sort(volumes.begin(), volumes.end(),
              [](const CVolumeInfo& a, const CVolumeInfo& b) { return a.m_strSourcePath < b.m_strSourcePath; });
    return volumes;
}

#endif  // !_WIN32
