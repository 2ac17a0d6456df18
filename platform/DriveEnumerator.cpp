#include "platform/DriveEnumerator.h"

void RegisterEnumeratedDrives(IDriveEnumerator& enumerator)
{
    for (const CVolumeInfo& info : enumerator.Enumerate()) CVolumeTable::Instance().Register(info);
}
