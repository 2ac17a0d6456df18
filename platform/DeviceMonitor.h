#pragma once
// Block devices coming and going while the program runs, from udev's netlink
// monitor. The owner watches GetFd() for readability (the GUI through a socket
// notifier) and then calls Read(). On Windows the window's own device-change
// message stands in for it, and the monitor is never open.

#include <string>
#include <vector>

struct udev;
struct udev_monitor;

enum class EDeviceEvent {
    Added,
    Removed,
};

struct CDeviceEvent {
    EDeviceEvent m_nEvent;
    std::string m_strDevNode;  // "/dev/sdb1"; empty when udev gives none
};

class CDeviceMonitor {
public:
    CDeviceMonitor();
    ~CDeviceMonitor();
    CDeviceMonitor(const CDeviceMonitor&) = delete;
    CDeviceMonitor& operator=(const CDeviceMonitor&) = delete;

    // False where netlink is not available (containers, some sandboxes): then
    // there is no hot-plug, and the drive list stays as it was built.
    bool IsOpen() const { return m_pMonitor != nullptr; }
    // Non-blocking descriptor; -1 when not open.
    int GetFd() const;
    // Every event queued now; add and remove only (change, bind ... are dropped).
    std::vector<CDeviceEvent> Read();

private:
    udev* m_pUdev = nullptr;
    udev_monitor* m_pMonitor = nullptr;
};
