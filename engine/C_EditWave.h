#pragma once

#include "engine/EditJob.h"
#include "engine/EditStatus.h"
#include "engine/Loudness.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// The edit job: processes one source WAV file into one target WAV file (trim,
// normalise, level adjust, fades), or only measures it. One object serves a
// whole batch run; every call is independent except for the result properties
// of a level check, which survive until the next level check.
class C_EditWave {
  public:
    // Progress event: pRate is the fraction of the whole job done (0 to 1).
    // A handler that leaves pCancel non-zero cancels the job after the block.
    using ProgHandler = std::function<void(float pRate, int32_t& pCancel)>;

    // Raised after every block of every pass; may be empty.
    ProgHandler Prog;

    // Cancel flag: cleared on entry to EditWave, set to 1 when the handler asks
    // to cancel; any non-zero value stops the job after the current block.
    int32_t Canceled() const { return m_Canceled; }
    void SetCanceled(int32_t pValue) { m_Canceled = pValue; }

    // Results of a level check (pCheckLevel != 0), in sample units and in dB
    // relative to full scale. Float levels are given on the 32-bit scale (1.0 = 2147483647),
    // and the magnitude 2^31 of a 32-bit sample as 2147483647.
    int32_t MaxPeak() const { return m_MaxPeak; }
    int32_t MaxRMS() const { return m_MaxRMS; }
    int32_t NormRMS() const { return m_NormRMS; }
    float MaxPeakDB() const { return m_MaxPeakDB; }
    float MaxRMSDB() const { return m_MaxRMSDB; }
    float NormRMSDB() const { return m_NormRMSDB; }

    // Loudness of the last finished job's range (the written range; the whole range in a
    // check) when it measured one: EditJob::MeasureLoudness or the Loudness mode.
    const std::optional<LoudnessResult>& Loudness() const { return m_Loudness; }
    // Normalisation gain of the last finished job that wrote a file, in dB (0: not scaled), and
    // whether the true-peak ceiling held it below the loudness target.
    double GainDb() const { return m_GainDb; }
    bool CeilingLowered() const { return m_CeilingLowered; }

    // Why the last job ended (Done with result 1), and a detail for the user where the
    // status has one ("A-law", "4 channels", the system's text of a failed write); empty
    // otherwise.
    EditStatus Status() const { return m_Status; }
    const std::string& StatusDetail() const { return m_StatusDetail; }
    // Frames of source audio the last job wrote (forced-margin silence not counted); 0 when a
    // finished job kept no audio: an empty range, or no sound above the start threshold.
    int64_t KeptFrames() const { return m_KeptFrames; }

    // Returns 1 when the job ran to its end, 0 otherwise (Status() tells why: a source
    // that is not 8/16/24/32-bit PCM or 32-bit float in one to eight channels, a float sample
    // that is NaN or infinite, left and right adjustments that differ on more than two
    // channels, a negative trimmed range, an
    // existing target, a failed read or write, an output too large, a cancel). The target is
    // created exclusively and removed again when the job does not finish. The source is read
    // through one descriptor; [pFrom, pTo) is kept inside its data (pTo 0: to the end). Frames are
    // sample frames; levels, thresholds and adjustments are dB; margins and pRMSmsec are ms.
    // pNormMode: 0 Peak, 1 RMS(Max), 2 RMS(Average), 3 RMS(Calc), 4 Loudness (pNormLevel in
    // LUFS, true-peak ceiling at -1 dBTP; Edit sets the ceiling).
    // pCheckLevel: 1 measure only; other non-zero values store the results and
    // process as usual; 0 no results.
    int32_t EditWave(const std::string& pSourceFN, const std::string& pTargetFN, int64_t pFrom,
                     int64_t pTo, int32_t pUseTh, float pThIn, float pThOut, int32_t pStartMargin,
                     int32_t pEndMargin, int32_t pForceMargin, int32_t pUseNorm, float pNormLevel,
                     int32_t pNormMode, int32_t pRMSmsec, float pRMSdb, int32_t pClip,
                     float pAdjustdbL, float pAdjustdbR, int32_t pFadeInSample,
                     int32_t pFadeOutSample, int32_t pCheckLevel);

    // The same job as one record; EditWave above fills one and calls this.
    int32_t Edit(const EditJob& pJob);

  private:
    int32_t m_Canceled = 0;
    int32_t m_MaxPeak = 0;
    int32_t m_MaxRMS = 0;
    int32_t m_NormRMS = 0;
    float m_MaxPeakDB = 0.0f;
    float m_MaxRMSDB = 0.0f;
    float m_NormRMSDB = 0.0f;
    EditStatus m_Status = EditStatus::Done;
    std::string m_StatusDetail;
    int64_t m_KeptFrames = 0;
    std::optional<LoudnessResult> m_Loudness;
    double m_GainDb = 0.0;
    bool m_CeilingLowered = false;
};
