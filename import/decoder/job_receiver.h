#pragma once

#include <optional>
#include <string>
#include <vector>

namespace sonaro {

// Waits on the socket that is the process's standard input for its job (see
// import/decoder_protocol.h) and answers its words; a descriptor that came with it becomes the
// standard input, in the socket's place. Answers nothing when the parent closed the socket
// without a job, or sent one that does not fit.
std::optional<std::vector<std::string>> ReceiveJob();

}  // namespace sonaro
