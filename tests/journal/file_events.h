#pragma once

namespace kerfolio::journal::testing {

// From now on, the process is killed just before its n-th file event (fsync, fdatasync or rename);
// n = 0 only counts them.
void KillAtFileEvent(int n);
// The file events since KillAtFileEvent.
int FileEventsCounted();

}  // namespace kerfolio::journal::testing
