#pragma once

#include "host.h"

namespace torvex {

// "Now" for the page stamp: the instant in SOURCE_DATE_EPOCH (UTC) when that
// variable holds a whole number of seconds, so that builds of documentation
// are reproducible; otherwise the local time. One reading of the clock.
StampTime StampNow();

}  // namespace torvex
