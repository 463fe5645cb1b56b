#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "convert/operations/import_port.h"
#include "resources/string_ids.h"

namespace sonaro::test {

// An importer that writes the bytes it is given. It reports in four steps, stopping when asked
// to (and holds at its first report when told to); cancelled or failed, it leaves what it wrote
// behind, as an import stopped halfway might.
class FakeImporter final : public ImportPort {
  public:
    std::optional<Failure> Import(const std::string& source, const std::string& target,
                                  ProgressPort& progress) override {
        sources.push_back(source);
        targets.push_back(target);
        std::ofstream(target, std::ios::binary)
            .write(reinterpret_cast<const char*>(output.data()),
                   static_cast<std::streamsize>(output.size()));
        for (int position = 25; position <= 100; position += 25) {
            if (progress.Report(position) ||
                (holdAtFirstReport.exchange(false) && Hold(progress))) {
                return Failure::Of(IDS_CONVERSION_CANCELLED, source);
            }
        }
        if (!reason.empty()) {
            return Failure::Words(reason, source);
        }
        return std::nullopt;
    }
    std::vector<std::string> FileExtensions() const override { return {"flac", "mp3"}; }

    // Reports its first position again and again until it is asked to stop (for at most 20 s),
    // once: a test can then cancel a run while this import is under way.
    static bool Hold(ProgressPort& progress) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < until) {
            if (progress.Report(25)) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }

    std::vector<std::uint8_t> output;
    std::string reason;                          // not empty: the import fails with it
    std::atomic<bool> holdAtFirstReport{false};  // the next import holds at its first report
    std::vector<std::string> sources;
    std::vector<std::string> targets;
};

}  // namespace sonaro::test
