#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "convert/files/file.h"
#include "convert/stages/stage.h"
#include "tests/support/scripted_progress.h"

namespace sonaro::test {

// A stage run with a fresh progress interface.
struct StageRun {
    explicit StageRun(int stopAtReport = 0, std::string watched = "")
        : progress(stopAtReport, std::move(watched)) {}

    // Runs the stage: true when it succeeded, with count set to what it handed back; else false,
    // with the failure's words in messages and its file in messagePaths.
    bool Run(const Stage& stage, const StageCall& call, std::uint32_t& count);

    ScriptedProgress progress;
    std::vector<std::string> messages;
    std::vector<std::string> messagePaths;
};

// Runs a stage once for each report, stopping at that report, until a run is not stopped. Each
// stopped run must fail with exactly "Conversion cancelled." and leave the watched file as long
// as it was at that report. Answers the number of stopped runs.
int ExpectCancelAtEveryReport(const std::function<void()>& prepare,
                              const std::function<bool(StageRun&)>& stage,
                              const std::string& watched);

// Runs a stage once for each occurrence of each kind of file operation, failing that occurrence
// with an errno value that selects a known message. Each such run must fail with exactly that one
// message. Answers how many occurrences of each kind were failed.
std::map<FileOperation, int> ExpectEveryFaultReported(const std::function<void()>& prepare,
                                                      const std::function<bool(StageRun&)>& stage);

// Checks the counts of ExpectEveryFaultReported: each kind as expected, but writes may number up
// to extraWrites more (a report made because time passed writes out what a stage holds back).
void ExpectFaultCounts(std::map<FileOperation, int> failed, std::map<FileOperation, int> expected,
                       int extraWrites);

// Little-endian sample files.
std::vector<std::uint8_t> FloatBytes(const std::vector<float>& values);
std::vector<float> ReadFloats(const std::string& path);
std::vector<std::uint8_t> Int16Bytes(const std::vector<std::int16_t>& values);
std::vector<std::int16_t> ReadInt16(const std::string& path);

}  // namespace sonaro::test
