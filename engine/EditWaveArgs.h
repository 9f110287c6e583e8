#pragma once

// The arguments of one EditWave call as one record, for callers that build them up step by
// step (the window's batch run, the benchmark drivers).

#include "engine/C_EditWave.h"

#include <cstdint>
#include <string>

// The arguments of one EditWave call, in call order.
struct EditWaveArgs {
    std::string pSourceFN;
    std::string pTargetFN;
    int64_t pFrom = 0;
    int64_t pTo = 0;
    int32_t pUseTh = 0;
    float pThIn = 0;
    float pThOut = 0;
    int32_t pStartMargin = 0;
    int32_t pEndMargin = 0;
    int32_t pForceMargin = 0;
    int32_t pUseNorm = 0;
    float pNormLevel = 0;
    int32_t pNormMode = 0;
    int32_t pRMSmsec = 0;
    float pRMSdb = 0;
    int32_t pClip = 0;
    float pAdjustdbL = 0;
    float pAdjustdbR = 0;
    int32_t pFadeInSample = 0;
    int32_t pFadeOutSample = 0;
    int32_t pCheckLevel = 0;
};

// One EditWave call with these arguments; its result (1 finished, 0 not).
int32_t CallEditWave(C_EditWave& editWave, const EditWaveArgs& a);
