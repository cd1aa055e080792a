// Reading and copying the host's files for the simulated machine. A file of the machine is read or copied
// only when it is a regular file, opened without waiting: a FIFO, a device or a socket planted on the host
// (or reached through a link, such as one to /dev/zero) is never waited on. A copy takes only the source's
// data ranges, so that a sparse file keeps its holes and copies in the time of its data, through a buffer
// of bounded size. Every read and copy is bounded by the source's size at opening, so that a file someone
// keeps growing still ends. Internal to the sim backend.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

struct statx;

namespace sim {

enum class HostRead { Read, Missing, Refused, TooLarge };

// An open host file, closed when it goes.
class HostFile {
  public:
    HostFile() = default;
    explicit HostFile(int descriptor) : fd_(descriptor) {}
    HostFile(HostFile&& other) noexcept;
    HostFile& operator=(HostFile&& other) noexcept;
    HostFile(const HostFile&) = delete;
    HostFile& operator=(const HostFile&) = delete;
    ~HostFile();

    int fd() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }
    // Closes the file now; false when it was not open or the close failed (a write may have been lost).
    bool Close();
    // The file's size in bytes; 0 when it cannot be told.
    uint64_t Size() const;
    // Reads size bytes at offset; false when the file holds fewer there or the read fails.
    bool ReadAt(uint64_t offset, void* buffer, std::size_t size) const;

  private:
    int fd_ = -1;
};

// Opens a regular host file for reading: Missing when the path names nothing, Refused for anything that
// is not a regular file or cannot be opened.
HostRead OpenRegularFile(const std::filesystem::path& path, HostFile& file);

// The bytes of a regular host file, as far as it goes (a file cut short meanwhile is read as far as it
// goes); TooLarge when it is larger than limit.
HostRead ReadRegularFile(const std::filesystem::path& path, std::string& bytes, std::size_t limit = SIZE_MAX);

// What a host path gives, whatever it is (a file, a pipe, a device), read in pieces up to limit bytes;
// TooLarge for more. For a file that the person running the sim names (a machine description), not for
// one of the machine's own.
HostRead ReadBounded(const std::filesystem::path& path, std::size_t limit, std::string& bytes);

// Makes out, an open file, a copy of source's first length bytes (all of it when it is shorter): its data
// ranges written at their places, the rest holes. Out ends where the copy stopped, also when a step fails
// part-way. False when a step fails.
bool CopyInto(const HostFile& source, int out, uint64_t length = UINT64_MAX);

// What tells a host file from every other, also from a later one that gets its inode number again: its
// device, its inode and, where the file system keeps it, its birth time ("dev:ino:seconds.nanoseconds").
std::string FileIdentity(const struct statx& info);

// Copies a regular host file over destination (created or replaced, with the source's permissions). False
// when the source is not a regular file, when both name the same file (opening it for writing would empty
// it) or when a step fails.
bool CopyHostFile(const std::filesystem::path& source, const std::filesystem::path& destination);

} // namespace sim
