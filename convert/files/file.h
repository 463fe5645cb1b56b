#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "convert/files/file_exception.h"

namespace sonaro {

enum class FileOperation { Open, Read, Write, Seek, Length, Sync, Close, Remove, Rename };

// The name that stands for the standard input or output, as command-line tools take it.
inline constexpr char kStandardStream[] = "-";

// A file opened for reading or for writing, over the POSIX calls. Every failure throws a
// FileException carrying the cause. A read that reaches the end of the file returns fewer bytes
// than asked; that is not an error.
class File {
  public:
    enum class Mode {
        Read,       // existing file, read only
        Write,      // created, or truncated when it exists, write only
        CreateNew,  // created, write only; fails when the name is taken
        Stream,     // existing file, write only, neither created nor truncated (a FIFO, a device)
    };
    enum class SeekFrom { Begin, Current, End };

    File() = default;
    File(const std::string& path, Mode mode) { Open(path, mode); }
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;

    void Open(const std::string& path, Mode mode);
    // Like Open, but answers false instead of throwing; errno tells why.
    bool TryOpen(const std::string& path, Mode mode);
    // Writes to the process's standard output (a copy of it, so that closing leaves it open),
    // named "-".
    void OpenStandardOutput();
    const std::string& path() const { return path_; }
    // The open descriptor, for a library that reads the file by itself (-1 when closed).
    int descriptor() const { return fd_; }

    std::size_t Read(void* buffer, std::size_t count);
    // Reads from that position without moving the file's own; several threads may read a file at
    // once this way.
    std::size_t ReadAt(std::uint64_t position, void* buffer, std::size_t count);
    void Write(const void* buffer, std::size_t count);
    std::uint64_t Seek(std::int64_t offset, SeekFrom from);
    std::uint64_t GetPosition() const;
    std::uint64_t GetLength() const;
    // Writes the file's data through to the disk.
    void Sync();
    // Closes the file, reporting a failure of the close itself (data not written back).
    void Close();

    static void Remove(const std::string& path);
    // Removes the file when it can be opened for reading; a file that cannot is taken as gone. A
    // removal that fails after that leaves the file (for the private directory's own clean-up).
    static void RemoveIfPresent(const std::string& path);
    static void Rename(const std::string& from, const std::string& to);

    // Test seam: when set, the hook is asked before every operation. A positive answer makes the
    // operation fail with that errno value, as if the system had refused it; a negative one makes
    // it throw std::logic_error, as a fault of the program itself would.
    using FaultHook = int (*)(FileOperation operation, const std::string& path);
    static void SetFaultHook(FaultHook hook);

  private:
    // Throws the injected failure, if any, for this operation on this path.
    static void InjectFault(FileOperation operation, const std::string& path);

    [[noreturn]] void Fail(int error) const;
    // Calls call(done) (a read or a write of what is left after done bytes) until count bytes are
    // moved or a call moves none; answers the bytes moved. Interrupted calls are made again.
    template <typename Call>
    std::size_t Transfer(std::size_t count, Call call);
    int OpenDescriptor(const std::string& path, Mode mode);

    int fd_ = -1;
    std::string path_;
};

}  // namespace sonaro
