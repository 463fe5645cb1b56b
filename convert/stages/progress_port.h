#pragma once

#include <string>

namespace sonaro {

// The progress window as the conversion stages see it. A front end implements it: a window with a
// bar and a Cancel button, a progress line on a terminal, or a scripted object in tests.
class ProgressPort {
  public:
    virtual ~ProgressPort() = default;

    // Makes the window modal towards the main window (which is disabled until the object goes).
    virtual bool BeginModal(const std::string& title, bool smooth) = 0;
    virtual int SetBarRange(int lower, int upper, int step) = 0;
    // Moves the bar; answers the previous position.
    virtual int SetBarPos(int position) = 0;
    // Sets the message line to this text, shown as it is.
    virtual void SetMessage(const std::string& text) = 0;
    // Resizes the window for that many text lines of that width in pixels.
    virtual void Layout(int textLines, int textWidth) = 0;
    // Handles the events waiting for the program, watching for the cancel gestures.
    virtual void PumpWaitingMessages(bool cancelOnEscape) = 0;
    virtual bool IsCancelled() const = 0;
};

}  // namespace sonaro
