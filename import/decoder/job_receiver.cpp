#include "import/decoder/job_receiver.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "import/decoder_protocol.h"

namespace sonaro {
namespace {

// The descriptor that came with a message, or -1.
int PassedDescriptor(msghdr& message) {
    for (cmsghdr* control = CMSG_FIRSTHDR(&message); control != nullptr;
         control = CMSG_NXTHDR(&message, control)) {
        if (control->cmsg_level == SOL_SOCKET && control->cmsg_type == SCM_RIGHTS &&
            control->cmsg_len == CMSG_LEN(sizeof(int))) {
            int fd = -1;
            std::memcpy(&fd, CMSG_DATA(control), sizeof fd);
            return fd;
        }
    }
    return -1;
}

// The words of the text, each ended by a NUL byte.
std::optional<std::vector<std::string>> Words(const char* text, std::size_t size) {
    if (size == 0 || text[size - 1] != '\0') {
        return std::nullopt;
    }
    std::vector<std::string> words;
    for (std::size_t at = 0; at < size; at += words.back().size() + 1) {
        words.emplace_back(text + at);
    }
    return words;
}

}  // namespace

std::optional<std::vector<std::string>> ReceiveJob() {
    char text[decoder::kMaxJobBytes];
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))];
    iovec part{text, sizeof text};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    ssize_t got = 0;
    do {
        got = ::recvmsg(STDIN_FILENO, &message, MSG_CMSG_CLOEXEC);
    } while (got < 0 && errno == EINTR);
    const int input = got > 0 ? PassedDescriptor(message) : -1;
    if (input >= 0) {
        ::dup2(input, STDIN_FILENO);
        ::close(input);
    }
    if (got <= 0 || (message.msg_flags & (MSG_TRUNC | MSG_CTRUNC)) != 0) {
        return std::nullopt;
    }
    return Words(text, static_cast<std::size_t>(got));
}

}  // namespace sonaro
