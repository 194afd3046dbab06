#pragma once
// Times shown side by side (the two ends of a range) written in one form.
#include "time_text.h"

#include <string>

namespace varnotile {

// `seconds` as isoTimeText writes it, in a form that also fits `alike`: with the time of day when
// either needs it, and as many digits of the seconds' fraction as either needs.
std::string isoTimeTextAlike(double seconds, TimeKind kind, double alike);

} // namespace varnotile
