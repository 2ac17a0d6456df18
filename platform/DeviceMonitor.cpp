#include "platform/DeviceMonitor.h"

#ifndef _WIN32

#include <cstring>
#include <libudev.h>

CDeviceMonitor::CDeviceMonitor()
{
    m_pUdev = udev_new();
    if (!m_pUdev) return;
    // "udev" rather than "kernel": the events come after udev's rules have
    // run, so the file-system properties the enumerator reads are there.
    m_pMonitor = udev_monitor_new_from_netlink(m_pUdev, "udev");
    if (m_pMonitor && (udev_monitor_filter_add_match_subsystem_devtype(m_pMonitor, "block", nullptr) < 0 ||
                       udev_monitor_enable_receiving(m_pMonitor) < 0)) {
        udev_monitor_unref(m_pMonitor);
        m_pMonitor = nullptr;
    }
}

CDeviceMonitor::~CDeviceMonitor()
{
    if (m_pMonitor) udev_monitor_unref(m_pMonitor);
    if (m_pUdev) udev_unref(m_pUdev);
}

int CDeviceMonitor::GetFd() const { return m_pMonitor ? udev_monitor_get_fd(m_pMonitor) : -1; }

std::vector<CDeviceEvent> CDeviceMonitor::Read()
{
    std::vector<CDeviceEvent> events;
    if (!m_pMonitor) return events;
    // The monitor's socket is non-blocking: receive_device returns null once
    // the queue is empty.
    while (udev_device* pDevice = udev_monitor_receive_device(m_pMonitor)) {
        const char* pszAction = udev_device_get_action(pDevice);
        const char* pszNode = udev_device_get_devnode(pDevice);
        if (pszAction && std::strcmp(pszAction, "add") == 0)
            events.push_back({EDeviceEvent::Added, pszNode ? pszNode : ""});
        else if (pszAction && std::strcmp(pszAction, "remove") == 0)
            events.push_back({EDeviceEvent::Removed, pszNode ? pszNode : ""});
        udev_device_unref(pDevice);
    }
    return events;
}

#else

// Windows tells a window of drives coming and going by a message of its own
// (WM_DEVICECHANGE); there is no descriptor to watch, so this monitor stays closed.
CDeviceMonitor::CDeviceMonitor() = default;
CDeviceMonitor::~CDeviceMonitor() = default;
int CDeviceMonitor::GetFd() const { return -1; }
std::vector<CDeviceEvent> CDeviceMonitor::Read() { return {}; }

#endif  // !_WIN32
