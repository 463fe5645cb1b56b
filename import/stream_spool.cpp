#include "import/stream_spool.h"

#include <sys/stat.h>

#include <cstdio>
#include <vector>

#include "convert/files/file.h"

namespace sonaro {

StreamSpool::~StreamSpool() {
    std::remove(path_.c_str());
}

bool StreamSpool::IsStream(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode);
}

// A stream has no length to measure by: the bar stays at 0 while it is copied.
bool StreamSpool::Fill(const std::string& stream, ProgressReporter& reporter) {
    File input(stream, File::Mode::Read);
    File output(path_, File::Mode::Write);
    std::vector<unsigned char> block(1 << 16);
    while (const std::size_t count = input.Read(block.data(), block.size())) {
        output.Write(block.data(), count);
        if (reporter.Report(0)) {
            return false;
        }
    }
    output.Close();
    return true;
}

}  // namespace sonaro
