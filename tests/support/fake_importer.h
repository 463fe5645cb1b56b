#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "convert/operations/import_port.h"

namespace sonaro::test {

// An importer that writes the bytes it is given. It moves the bar in four steps, stopping when
// the window was cancelled; cancelled or failed, it leaves what it wrote behind, as an import
// stopped halfway might.
class FakeImporter final : public ImportPort {
  public:
    ImportOutcome Import(const std::string& source, const std::string& target,
                         ProgressPort& progress) override {
        sources.push_back(source);
        targets.push_back(target);
        std::ofstream(target, std::ios::binary)
            .write(reinterpret_cast<const char*>(output.data()),
                   static_cast<std::streamsize>(output.size()));
        for (int position = 25; position <= 100; position += 25) {
            progress.SetBarPos(position);
            progress.PumpWaitingMessages(true);
            if (progress.IsCancelled()) {
                return {ImportOutcome::Status::Cancelled, ""};
            }
        }
        return {reason.empty() ? ImportOutcome::Status::Done : ImportOutcome::Status::Failed,
                reason};
    }
    std::vector<std::string> FileExtensions() const override { return {"flac", "mp3"}; }

    std::vector<std::uint8_t> output;
    std::string reason;  // not empty: the import fails with it
    std::vector<std::string> sources;
    std::vector<std::string> targets;
};

}  // namespace sonaro::test
