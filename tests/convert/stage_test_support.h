#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "convert/files/file.h"
#include "convert/stages/stage.h"
#include "tests/support/fake_user.h"
#include "tests/support/scripted_progress.h"

namespace sonaro::test {

// A stage run with a fresh user and progress window.
struct StageRun {
    explicit StageRun(int cancelAtPump = 0, std::string watched = "")
        : progress(cancelAtPump, std::move(watched)) {}
    ScriptedProgress progress;
    FakeUser user;
    StageContext context{progress, user};
};

// Runs a stage once for each pump, cancelling at that pump, until a run is not cancelled. Each
// cancelled run must fail with exactly "Conversion cancelled." and leave the watched file as long
// as it was at that pump. Answers the number of cancelled runs.
int ExpectCancelAtEveryReport(const std::function<void()>& prepare,
                              const std::function<bool(StageContext&)>& stage,
                              const std::string& watched);

// Runs a stage once for each occurrence of each kind of file operation, failing that occurrence
// with an errno value that selects a known message. Each such run must fail with exactly that one
// message. Answers how many occurrences of each kind were failed.
std::map<FileOperation, int> ExpectEveryFaultReported(
    const std::function<void()>& prepare, const std::function<bool(StageContext&)>& stage);

// Checks the counts of ExpectEveryFaultReported: each kind as expected, but writes may number up
// to extraWrites more (a pump made because time passed writes out what a stage holds back).
void ExpectFaultCounts(std::map<FileOperation, int> failed, std::map<FileOperation, int> expected,
                       int extraWrites);

// Little-endian sample files.
std::vector<std::uint8_t> FloatBytes(const std::vector<float>& values);
std::vector<float> ReadFloats(const std::string& path);
std::vector<std::uint8_t> Int16Bytes(const std::vector<std::int16_t>& values);
std::vector<std::int16_t> ReadInt16(const std::string& path);

}  // namespace sonaro::test
