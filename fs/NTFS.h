#pragma once
// The NTFS engine. (Skeleton: decoding, scan and recovery are filled in next.)

#include "fs/FileSystem.h"

class CNTFS : public CFileSystem {
public:
    CNTFS(int nDrive, std::unique_ptr<CSectorReader> pReader);
    ~CNTFS() override;
    int ScanDrive(int nDrive, IScanProgress* pProgress) override;
    uint64_t GetRootRef() const override { return 5; }
};
