#pragma once

#include <string>

namespace sonaro {

// Shows the user one message (a warning with an OK button) and returns when it was acknowledged.
class MessagePort {
  public:
    virtual ~MessagePort() = default;
    virtual void ShowMessage(const std::string& text) = 0;
};

}  // namespace sonaro
