#include "tests/support/run_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace sonaro::test {
namespace {

// Reads both pipes until the child closes them, so that neither can fill up and block it. A pipe
// already closed (-1) counts as done.
void Drain(int outFd, int errFd, ProcessResult& result) {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    int open = (outFd >= 0 ? 1 : 0) + (errFd >= 0 ? 1 : 0);
    char buffer[4096];
    while (open > 0) {
        if (::poll(fds, 2, -1) < 0) {
            continue;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) {
                continue;
            }
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got <= 0) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            } else {
                (i == 0 ? result.out : result.err).append(buffer, static_cast<std::size_t>(got));
            }
        }
    }
}

void MakePipe(int ends[2]) {
    if (::pipe(ends) != 0) {
        throw std::runtime_error("pipe failed");
    }
}

// In the child: the environment set, then the program run in place of it.
[[noreturn]] void Exec(const std::string& program, const std::vector<std::string>& arguments,
                       const std::vector<std::string>& environment) {
    for (const std::string& entry : environment) {
        if (entry.find('=') == std::string::npos) {
            ::unsetenv(entry.c_str());
        } else {
            ::putenv(const_cast<char*>(entry.c_str()));
        }
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
}

int ExitCode(pid_t child) {
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment) {
    ProcessSetup setup;
    setup.environment = environment;
    return RunProcessWith(program, arguments, setup);
}

ProcessResult RunProcessWith(const std::string& program, const std::vector<std::string>& arguments,
                             const ProcessSetup& setup) {
    int inPipe[2] = {-1, -1};
    int outPipe[2];
    int errPipe[2];
    if (setup.input) {
        MakePipe(inPipe);
    }
    MakePipe(outPipe);
    MakePipe(errPipe);
    if (setup.outputReaderGone) {
        ::close(outPipe[0]);  // before the child exists, so that no reader is ever left
        outPipe[0] = -1;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        const int in =
            setup.input
                ? inPipe[0]
                : ::open(setup.inputPath.empty() ? "/dev/null" : setup.inputPath.c_str(), O_RDONLY);
        ::dup2(in, 0);
        ::dup2(outPipe[1], 1);
        ::dup2(errPipe[1], 2);
        for (const int unused : {inPipe[1], outPipe[0], errPipe[0]}) {
            if (unused >= 0) {
                ::close(unused);
            }
        }
        Exec(program, arguments, setup.environment);
    }
    std::thread feeder;
    if (setup.input) {
        ::close(inPipe[0]);
        feeder = std::thread([&] {
            const auto& bytes = *setup.input;
            for (std::size_t done = 0; done < bytes.size();) {
                const ssize_t wrote = ::write(inPipe[1], bytes.data() + done, bytes.size() - done);
                if (wrote <= 0) {
                    break;
                }
                done += static_cast<std::size_t>(wrote);
            }
            ::close(inPipe[1]);
        });
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    ProcessResult result;
    Drain(outPipe[0], errPipe[0], result);
    if (feeder.joinable()) {
        feeder.join();
    }
    result.exitCode = ExitCode(child);
    return result;
}

ProcessResult RunShellIn(const std::string& directory, const std::string& command) {
    return RunProcess("/bin/sh", {"-c", "cd '" + directory + "' && " + command});
}

pid_t StartProcess(const std::string& program, const std::vector<std::string>& arguments,
                   const std::vector<std::string>& environment, const std::string& errorsPath,
                   int* input) {
    int inPipe[2] = {-1, -1};
    if (input != nullptr) {
        MakePipe(inPipe);
    }
    const pid_t child = ::fork();
    if (child == 0) {
        const int errors = ::open(errorsPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(errors, 2);
        ::dup2(input != nullptr ? inPipe[0] : ::open("/dev/null", O_RDONLY), 0);
        if (input != nullptr) {
            ::close(inPipe[1]);
        }
        Exec(program, arguments, environment);
    }
    if (input != nullptr) {
        ::close(inPipe[0]);
        *input = inPipe[1];
    }
    return child;
}

std::string ProcFile(pid_t pid, const char* name) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/" + name);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The parent's number is the second field after the name, which ends at the last ')'.
std::vector<pid_t> ChildrenOf(pid_t pid) {
    std::vector<pid_t> children;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        const std::string stat = ProcFile(std::stoi(name), "stat");
        const auto nameEnd = stat.rfind(')');
        std::istringstream fields(nameEnd == std::string::npos ? "" : stat.substr(nameEnd + 1));
        std::string state;
        pid_t parent = 0;
        if (fields >> state >> parent && parent == pid) {
            children.push_back(std::stoi(name));
        }
    }
    return children;
}

}  // namespace sonaro::test
