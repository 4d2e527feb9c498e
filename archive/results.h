// What the extraction and the install steps report upwards: the result codes
// of a step and the count of failures of the installation. Below both the
// archive reader and the setup driver, so that the reader and its tools need
// nothing of the window side.
#pragma once

#include <stdint.h>

// ---- Step results -------------------------------------------------------------
constexpr int StepNextDisk = 1;  // unpack dialog: another disk follows
constexpr int StepDone     = 2;  // done, go on
constexpr int StepAborted  = 3;  // the installation was aborted

// Archives not found, files not opened, members not written: a count above 0
// leaves out the success message.
extern int32_t FailureCount;
