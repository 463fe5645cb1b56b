#pragma once

#include <string>

namespace sonaro {

// A message that concerns one file: the path the failure concerns, its text, and the system's
// error number behind it (0 when there is none).
struct FileMessage {
    std::string path;
    std::string text;
    int osError = 0;
};

// Shows the user one message (a warning with an OK button) and returns when it was acknowledged.
class MessagePort {
  public:
    virtual ~MessagePort() = default;
    virtual void ShowMessage(const std::string& text) = 0;
    // A message about one file. The desktop's box shows the text alone; a front end that names
    // files (the command line) puts the path in front.
    virtual void ShowFileMessage(const FileMessage& message) { ShowMessage(message.text); }
};

}  // namespace sonaro
