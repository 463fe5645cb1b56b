#pragma once

#include <QString>

namespace sonaro {

// The time a run still needs, from the time it has taken and the share of its work done (0 to 1),
// as the batch window words it: "about 25 s left" (in steps of 5 s), "about 3 min left"; empty
// while too little is done to tell.
QString TimeLeftText(double elapsedSeconds, double doneShare);

}  // namespace sonaro
