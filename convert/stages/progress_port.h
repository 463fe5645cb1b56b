#pragma once

#include <string>

namespace sonaro {

// How long work tells its progress: a line of text and a position from 0 to 100 go out, whether to
// stop comes back. A front end implements it: the desktop's progress window (which handles its
// events at each report), a progress line on a terminal, a row of the batch window, or a scripted
// object in tests.
class ProgressPort {
  public:
    virtual ~ProgressPort() = default;

    // The line of text shown with the position, as it is.
    virtual void SetMessage(const std::string& text) = 0;
    // The work has reached this position; answers true when it should stop.
    virtual bool Report(int position) = 0;
};

}  // namespace sonaro
