// Linked into every test program: before anything runs, the desktop's data and state
// folders point into the build tree, so backups and session logs of the programs under
// test never land in the home of whoever runs the suite.

#include <cstdlib>

namespace {

const bool kHomesSet = [] {
    ::setenv("XDG_DATA_HOME", ZORT_TEST_HOMES_DIR "/data", 1);
    ::setenv("XDG_STATE_HOME", ZORT_TEST_HOMES_DIR "/state", 1);
    return true;
}();

}  // namespace
