#include "app/RunTarget.h"

#include "services/core/Paths.h"

namespace app {

std::string TargetPath(const std::string& source, const std::string& soundPath, int32_t overWrite) {
    std::string target = source;
    if (overWrite == 0 && FolderExists(soundPath) == 1)
        target = SetBackslash(soundPath, 0) + PathPart(source, 0, 0, 1, 1, 1);
    if (FileExists(target) == 1) target = UniqueName(target, 1, 1, 2, 0);
    return target;
}

ItemOutcome SettleTarget(int32_t result, bool aborted, int32_t overWrite, const std::string& target,
                         const std::string& source) {
    // A source that vanished after the drop becomes its own target; never delete it.
    if (target == source)
        return result == 1 && !aborted ? ItemOutcome::Written : ItemOutcome::Failed;
    if (aborted) {
        DeleteFileForced(target);
        return ItemOutcome::Aborted;
    }
    if (result != 1) {
        DeleteFileForced(target);
        return ItemOutcome::Failed;
    }
    if (overWrite != 1) return ItemOutcome::Written;
    return ReplaceFile(target, source, 1) == 1 ? ItemOutcome::Replaced : ItemOutcome::ReplaceFailed;
}

} // namespace app
