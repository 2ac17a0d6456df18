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

#ifdef _WIN32
// The system's drive letters: the drive mask, the type of each drive's root,
// and its volume information. Only removable and fixed drives whose volume
// information can be read are listed, each at its own letter.
class CWindowsDriveEnumerator final : public IDriveEnumerator {
public:
    std::vector<CVolumeInfo> Enumerate() override;
};
using CSystemDriveEnumerator = CWindowsDriveEnumerator;
#else
// Block devices from udev's database (readable without root), with libblkid
// probing where udev knows nothing, and the drive type from sysfs.
class CLinuxDriveEnumerator final : public IDriveEnumerator {
public:
    std::vector<CVolumeInfo> Enumerate() override;
};
using CSystemDriveEnumerator = CLinuxDriveEnumerator;
#endif

// Fills the volume table from an enumerator: on Linux devices from C on, in
// order; on Windows each at its own letter. Slots already in use (image
// files, say) are kept.
void RegisterEnumeratedDrives(IDriveEnumerator& enumerator);
