// How fwsim shows a finished boot: the trace as readable lines, optionally
// as JSON lines in a file, and a closing summary.
#pragma once
#include <iosfwd>
#include <string>

#include "sim/Boot.h"

namespace fwsim {

// Writes the report; the result is the process exit code: 0 when the boot
// completed, 1 when it ended otherwise.
int ReportBoot(sim::Boot& Finished, std::ostream& Out, const std::string& JsonPath);

}  // namespace fwsim
