#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "convert/operations/import_port.h"
#include "convert/stages/progress_reporter.h"
#include "import/decoder_limits.h"
#include "import/decoder_process.h"
#include "import/decoder_starter.h"

namespace sonaro {

// The import, with the decoding done by the decoder program (sonaro-decoder) in a process of its
// own, locked down, started for each file and given the file as an open descriptor (a stream is
// first copied to an unnamed file). This process checks everything it sends back and writes the
// PCM WAV file. More than two channels are mixed to one by their plain average; a rate the reader
// refuses becomes the next accepted one; 8- and 16-bit integer sources that need neither are
// copied sample for sample, everything else is scaled so that its peak is 32767, as 16-bit PCM.
// A decoder that crashes, is killed, breaks its rules or its limits, or takes too long fails the
// import with one message; the next import starts a new one. Each import has a process of its
// own; once the importer is in use (its endings asked, a file imported), the next one is started
// ahead, so that loading its libraries costs the next import nothing. Imports may run at once in
// several threads.
class SandboxedImporter final : public ImportPort {
  public:
    // Whether the next decoder is started ahead of the import that needs it.
    enum class Ahead { Start, Wait };

    // The decoder installed with the running program.
    SandboxedImporter();
    explicit SandboxedImporter(std::string decoder, DecoderLimits limits = {},
                               Ahead ahead = Ahead::Start);
    ~SandboxedImporter() override;

    std::optional<Failure> Import(const std::string& source, const std::string& target,
                                  ProgressPort& progress) override;
    // Asked of the decoder once; none when it cannot say.
    std::vector<std::string> FileExtensions() const override;

  private:
    // A decoder in use, ended (Finish) when the object goes.
    class Finishing;

    // The import, its failures made its outcome.
    std::optional<Failure> Attempt(const std::string& source, const std::string& target,
                                   ProgressPort& progress) const;
    // Runs the import; answers false when the user cancelled.
    bool Run(const std::string& source, const std::string& target,
             ProgressReporter& reporter) const;
    bool Decode(int input, const std::string& target, ProgressReporter& reporter) const;
    std::vector<std::string> AskExtensions() const;
    // A decoder process given this job: the one started ahead, else a new one.
    std::unique_ptr<DecoderProcess> Started(const std::vector<std::string>& job, int input) const;
    // Starts the next decoder ahead, unless one waits already.
    void StartAhead() const;
    // Ends a decoder the import is done with: on the starter's thread when decoders are started
    // ahead, else here.
    void Finish(std::unique_ptr<DecoderProcess> process) const;

    std::string decoder_;
    DecoderLimits limits_;
    Ahead ahead_;
    mutable std::mutex extensionsLock_;
    mutable std::vector<std::string> extensions_;
    mutable DecoderStarter starter_;
};

}  // namespace sonaro
