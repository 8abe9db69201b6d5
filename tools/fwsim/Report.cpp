// The boot report of fwsim.
#include "Report.h"

#include <fstream>
#include <ostream>
#include <stdexcept>

namespace fwsim {

int ReportBoot(sim::Boot& Finished, std::ostream& Out, const std::string& JsonPath) {
  Finished.Trace().WriteText(Out);
  if (!JsonPath.empty()) {
    std::ofstream Json(JsonPath);
    if (!Json) throw std::runtime_error("cannot write " + JsonPath);
    Finished.Trace().WriteJsonLines(Json);
  }
  const sim::Outcome& Result = Finished.Outcome();
  Out << "boot " << Finished.Number() << ": " << sim::OutcomeName(Result.What);
  if (!Result.Detail.empty()) Out << " (" << Result.Detail << ")";
  Out << ", " << Finished.Violations().size() << " violation(s), " << Finished.Trace().Events().size()
      << " trace events, " << Finished.Clock().Seconds() << " s virtual time\n";
  return Result.What == sim::Outcome::Kind::Completed ? 0 : 1;
}

}  // namespace fwsim
