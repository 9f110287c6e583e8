// Set-up of every media test process, before any test starts GStreamer:
// - GStreamer keeps its registry in the build tree, not in the user's cache;
// - the error log goes to a state folder in the build tree, not the user's;
// - the processes of this binary run one at a time, because they share one error log and
//   the tests read back the lines they caused (CTest may start several at once).

#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>

namespace {

bool PrepareProcess() {
    ::setenv("GST_REGISTRY", QUILLAN_GST_REGISTRY, 0);
    ::setenv("XDG_STATE_HOME", QUILLAN_MEDIA_STATE_HOME, 1);
    int fd = ::open(QUILLAN_MEDIA_TEST_LOCK, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    return fd >= 0 && ::flock(fd, LOCK_EX) == 0; // held until the process ends
}

[[maybe_unused]] const bool kPrepared = PrepareProcess();

} // namespace
