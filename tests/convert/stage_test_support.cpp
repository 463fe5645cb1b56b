#include "tests/convert/stage_test_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "tests/support/fault_injection.h"
#include "tests/support/scratch_dir.h"

namespace sonaro::test {

bool StageRun::Run(const Stage& stage, const StageCall& call, std::uint32_t& count) {
    const Outcome<std::uint32_t> outcome = stage.Run(call, progress);
    if (!outcome) {
        messages.push_back(outcome.failure().Text());
        messagePaths.push_back(outcome.failure().path);
        return false;
    }
    count = *outcome;
    return true;
}

int ExpectCancelAtEveryReport(const std::function<void()>& prepare,
                              const std::function<bool(StageRun&)>& stage,
                              const std::string& watched) {
    for (int report = 1;; ++report) {
        prepare();
        StageRun run(report, watched);
        const bool ok = stage(run);
        if (!run.progress.cancelled) {
            EXPECT_TRUE(ok) << "report " << report;
            EXPECT_TRUE(run.messages.empty()) << "report " << report;
            return report - 1;
        }
        EXPECT_FALSE(ok) << "report " << report;
        EXPECT_EQ(run.messages, std::vector<std::string>{"Conversion cancelled."})
            << "report " << report;
        EXPECT_EQ(static_cast<long>(ReadAll(watched).size()),
                  run.progress.sizesAtReport.at(report - 1))
            << "the stage went on writing after the stop at report " << report;
    }
}

std::map<FileOperation, int> ExpectEveryFaultReported(const std::function<void()>& prepare,
                                                      const std::function<bool(StageRun&)>& stage) {
    const struct {
        FileOperation operation;
        int error;
        const char* message;
    } kinds[] = {{FileOperation::Open, EACCES, "The file could not be accessed."},
                 {FileOperation::Read, EIO, "Hardware error."},
                 {FileOperation::Write, ENOSPC, "The disk is full."},
                 {FileOperation::Seek, EINVAL, "Unexpected file error."},
                 {FileOperation::Length, EIO, "Hardware error."},
                 {FileOperation::Close, ENOSPC, "The disk is full."},
                 {FileOperation::Remove, ENOENT, "The file could not be located."},
                 {FileOperation::Sync, EIO, "Hardware error."},
                 {FileOperation::Rename, EACCES, "The file could not be accessed."}};
    std::map<FileOperation, int> failed;
    for (const auto& kind : kinds) {
        for (int nth = 1;; ++nth) {
            prepare();
            StageRun run;
            ScopedFault fault(kind.operation, kind.error, nth);
            const bool ok = stage(run);
            if (!fault.fired()) {
                EXPECT_TRUE(ok);
                EXPECT_TRUE(run.messages.empty());
                break;
            }
            ++failed[kind.operation];
            EXPECT_FALSE(ok) << "operation " << static_cast<int>(kind.operation) << " #" << nth;
            EXPECT_EQ(run.messages, std::vector<std::string>{kind.message})
                << "operation " << static_cast<int>(kind.operation) << " #" << nth;
        }
    }
    return failed;
}

void ExpectFaultCounts(std::map<FileOperation, int> failed, std::map<FileOperation, int> expected,
                       int extraWrites) {
    const int writes = failed[FileOperation::Write];
    EXPECT_GE(writes, expected[FileOperation::Write]);
    EXPECT_LE(writes, expected[FileOperation::Write] + extraWrites);
    failed.erase(FileOperation::Write);
    expected.erase(FileOperation::Write);
    EXPECT_EQ(failed, expected);
}

std::vector<std::uint8_t> FloatBytes(const std::vector<float>& values) {
    std::vector<std::uint8_t> bytes(values.size() * sizeof(float));
    if (!values.empty()) {
        std::memcpy(bytes.data(), values.data(), bytes.size());
    }
    return bytes;
}

std::vector<float> ReadFloats(const std::string& path) {
    const auto bytes = ReadAll(path);
    std::vector<float> values(bytes.size() / sizeof(float));
    if (!values.empty()) {
        std::memcpy(values.data(), bytes.data(), values.size() * sizeof(float));
    }
    return values;
}

std::vector<std::uint8_t> Int16Bytes(const std::vector<std::int16_t>& values) {
    std::vector<std::uint8_t> bytes(values.size() * sizeof(std::int16_t));
    if (!values.empty()) {
        std::memcpy(bytes.data(), values.data(), bytes.size());
    }
    return bytes;
}

std::vector<std::int16_t> ReadInt16(const std::string& path) {
    const auto bytes = ReadAll(path);
    std::vector<std::int16_t> values(bytes.size() / sizeof(std::int16_t));
    if (!values.empty()) {
        std::memcpy(values.data(), bytes.data(), values.size() * sizeof(std::int16_t));
    }
    return values;
}

}  // namespace sonaro::test
