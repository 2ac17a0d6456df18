#pragma once
// Finding the volumes of this machine. Behind an interface so that the GUI's
// tests can attach and detach drives that do not exist.

#include <memory>
#include <vector>

#include "platform/VolumeTable.h"

class IDriveEnumerator {
public:
    virtual ~IDriveEnumerator() = default;
    // Every block device of the machine that carries a file system, in a
    // stable order (so that letters stay the same from one run to the next).
    virtual std::vector<CVolumeInfo> Enumerate() = 0;
};

// Block devices from udev's database (readable without root), with libblkid
// probing where udev knows nothing, and the drive type from sysfs.
class CLinuxDriveEnumerator final : public IDriveEnumerator {
public:
    std::vector<CVolumeInfo> Enumerate() override;
};

// Fills the volume table from an enumerator: devices from C on, in order.
// Slots already in use (image files, say) are kept.
void RegisterEnumeratedDrives(IDriveEnumerator& enumerator);
