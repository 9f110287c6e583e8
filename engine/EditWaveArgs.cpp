#include "engine/EditWaveArgs.h"

int32_t CallEditWave(C_EditWave& editWave, const EditWaveArgs& a) {
    return editWave.EditWave(a.pSourceFN, a.pTargetFN, a.pFrom, a.pTo, a.pUseTh, a.pThIn, a.pThOut,
                             a.pStartMargin, a.pEndMargin, a.pForceMargin, a.pUseNorm, a.pNormLevel,
                             a.pNormMode, a.pRMSmsec, a.pRMSdb, a.pClip, a.pAdjustdbL, a.pAdjustdbR,
                             a.pFadeInSample, a.pFadeOutSample, a.pCheckLevel);
}
