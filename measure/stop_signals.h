// The signals that ask zirt-measure to stop (SIGINT, SIGTERM, SIGHUP), held back in every
// thread and taken in one place, so no file is ever half replaced by one of them.
#pragma once

namespace zirt {

// Blocks the stop signals in the calling thread. Called first in main, before any thread
// exists, so that every thread OpenCV starts inherits the block and none of them can be the
// one the system hands the signal to.
void HoldStopSignals();

// A stop signal that arrived, taken from the pending ones, waiting for one at most
// `timeout_ms`; 0 when none came.
int TakeStopSignal(int timeout_ms = 0);

// The name for messages: "SIGINT".
const char* StopSignalName(int signal);

}  // namespace zirt
