#pragma once
// The FAT engines. (Skeleton: boot sector, scan and recovery are filled in next.)

#include "fs/FileSystem.h"

class CFAT : public CFileSystem {
public:
    CFAT(int nDrive, std::unique_ptr<CSectorReader> pReader);
    ~CFAT() override;
    int ScanDrive(int nDrive, IScanProgress* pProgress) override;
    uint64_t GetRootRef() const override { return 0; }
};

class CFAT32 : public CFAT {
public:
    CFAT32(int nDrive, std::unique_ptr<CSectorReader> pReader);
};

class CFAT_12_16 : public CFAT {
public:
    CFAT_12_16(int nDrive, std::unique_ptr<CSectorReader> pReader);
};
