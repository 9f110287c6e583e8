#include "engine/EditStatus.h"

const char* EditStatusText(EditStatus pStatus) {
    switch (pStatus) {
    case EditStatus::Done:
        return "done";
    case EditStatus::SourceUnreadable:
        return "cannot read the source";
    case EditStatus::NotWav:
        return "not a WAV file";
    case EditStatus::NotPcm:
        return "not PCM";
    case EditStatus::UnsupportedLayout:
        return "a channel count or sample width that is not edited";
    case EditStatus::EmptyRange:
        return "nothing left after trimming";
    case EditStatus::TargetExists:
        return "target exists";
    case EditStatus::ReadFailed:
        return "read failed";
    case EditStatus::WriteFailed:
        return "write failed";
    case EditStatus::DiskFull:
        return "disk full";
    case EditStatus::OutputTooLarge:
        return "output too large for a WAV file (4 GiB)";
    case EditStatus::Cancelled:
        return "cancelled";
    case EditStatus::OutOfMemory:
        return "out of memory";
    case EditStatus::InvalidArgument:
        return "invalid argument";
    case EditStatus::NonFiniteSample:
        return "a float sample that is not a finite number";
    case EditStatus::SourceChanged:
        return "the source changed since it was measured";
    case EditStatus::InternalError:
        return "internal error";
    }
    return "internal error";
}
