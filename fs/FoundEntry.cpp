#include "fs/FoundEntry.h"

const char* RecoverStateText(ERecoverState eState)
{
    switch (eState) {
    case ERecoverState::Good: return "good";
    case ERecoverState::PartlyOverwritten: return "partly overwritten";
    case ERecoverState::Overwritten: return "overwritten";
    default: return "";
    }
}

ERecoverState StateOfClusters(uint64_t nClusters, uint64_t nInUse)
{
    if (nInUse == 0) return ERecoverState::Good;
    return nInUse >= nClusters ? ERecoverState::Overwritten : ERecoverState::PartlyOverwritten;
}
