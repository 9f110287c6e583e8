#pragma once

// Why an edit job ended: kept beside EditWave's 1/0 result so that both front ends can say
// what happened without guessing afterwards.

#include <cstdint>

enum class EditStatus : int32_t {
    Done,              // the job ran to its end
    SourceUnreadable,  // the source could not be opened or read (detail: the system's reason)
    NotWav,            // no usable "fmt " and "data" chunks
    NotPcm,            // an encoding other than integer PCM (detail: A-law, 32-bit float, ...)
    UnsupportedLayout, // a channel count or sample width that is not edited (detail: 4 channels)
    EmptyRange,        // the trimmed range would end before it starts
    TargetExists,      // something is already at the target path; it was left alone
    ReadFailed,        // a read of the audio failed during the job
    WriteFailed,       // the target could not be created or written (detail: the reason)
    DiskFull,          // the target's file system ran out of space
    OutputTooLarge,    // the result would pass the 4 GiB limit of the WAV size fields
    Cancelled,         // the progress handler asked to stop
    OutOfMemory,       // an allocation failed
    InvalidArgument,   // an argument no job can have (detail: which)
    NonFiniteSample,   // a float sample that is NaN or infinite (detail: where)
    SourceChanged,     // written to since it was measured for its set; nothing written
    InternalError,     // any other fault
};

// A short lower-case text for the status ("done", "not PCM", "target exists", ...).
const char* EditStatusText(EditStatus pStatus);
