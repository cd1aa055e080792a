// Reading and copying the host's files (host_files.h).
#include "platform/sim/host_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <utility>

namespace sim {

namespace {

// Writes the bytes [from, to) of one file at the same place in the other, in pieces of a bounded buffer;
// reached moves on with every piece written.
bool CopyRange(int in, int out, off_t from, off_t to, off_t& reached) {
    constexpr std::size_t kPiece = std::size_t{1} << 20;
    // No bigger than the range and not cleared first: most profiles are a few kilobytes.
    const auto size = static_cast<std::size_t>(std::min<off_t>(to - from, static_cast<off_t>(kPiece)));
    const auto buffer = std::make_unique_for_overwrite<char[]>(size);
    while (from < to) {
        const auto wanted = static_cast<std::size_t>(std::min<off_t>(to - from, static_cast<off_t>(size)));
        const ssize_t got = ::pread(in, buffer.get(), wanted, from);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return got == 0; // the source was cut short meanwhile: the rest stays a hole
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put =
                ::pwrite(out, buffer.get() + done, static_cast<std::size_t>(got - done), from + done);
            if (put < 0 && errno != EINTR) {
                return false;
            }
            done += std::max<ssize_t>(put, 0);
            reached = from + done;
        }
        from += got;
    }
    return true;
}

// The data ranges of the first size bytes, as the file system reports them; a file system that cannot tell
// holes gives the whole file as data. reached is where the copy is whole up to.
bool CopyData(int in, int out, off_t size, off_t& reached) {
    for (off_t at = 0; at < size;) {
        const off_t data = ::lseek(in, at, SEEK_DATA);
        if (data < 0) {
            return errno == ENXIO || (errno == EINVAL && CopyRange(in, out, at, size, reached));
        }
        const off_t hole = std::min(::lseek(in, data, SEEK_HOLE), size);
        reached = data;
        if (hole < data || !CopyRange(in, out, data, hole, reached)) {
            return false;
        }
        at = hole;
    }
    return true;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

HostFile::HostFile(HostFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

HostFile& HostFile::operator=(HostFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

HostFile::~HostFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool HostFile::Close() {
    return fd_ >= 0 && ::close(std::exchange(fd_, -1)) == 0;
}

uint64_t HostFile::Size() const {
    struct stat info {};
    return fd_ >= 0 && ::fstat(fd_, &info) == 0 ? static_cast<uint64_t>(info.st_size) : 0;
}

bool HostFile::ReadAt(uint64_t offset, void* buffer, std::size_t size) const {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got =
            ::pread(fd_, static_cast<char*>(buffer) + done, size - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(got);
    }
    return true;
}

HostRead OpenRegularFile(const std::filesystem::path& path, HostFile& file) {
    // Without waiting: opening a FIFO for reading would wait for a writer.
    HostFile opened(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!opened.IsOpen()) {
        return errno == ENOENT ? HostRead::Missing : HostRead::Refused;
    }
    struct stat info {};
    if (::fstat(opened.fd(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return HostRead::Refused;
    }
    file = std::move(opened);
    return HostRead::Read;
}

HostRead ReadRegularFile(const std::filesystem::path& path, std::string& bytes, std::size_t limit) {
    HostFile file;
    const HostRead opened = OpenRegularFile(path, file);
    if (opened != HostRead::Read) {
        return opened;
    }
    const uint64_t size = file.Size();
    if (size > limit) {
        return HostRead::TooLarge;
    }
    bytes.resize(static_cast<std::size_t>(size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(file.fd(), bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return HostRead::Refused;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return HostRead::Read;
}

HostRead ReadBounded(const std::filesystem::path& path, std::size_t limit, std::string& bytes) {
    const HostFile file(::open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC));
    if (!file.IsOpen()) {
        return errno == ENOENT ? HostRead::Missing : HostRead::Refused;
    }
    bytes.clear();
    char piece[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(file.fd(), piece, sizeof piece);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return HostRead::Refused;
        }
        if (got == 0) {
            return HostRead::Read;
        }
        bytes.append(piece, static_cast<std::size_t>(got));
        if (bytes.size() > limit) {
            return HostRead::TooLarge;
        }
    }
}

bool CopyInto(const HostFile& source, int out, uint64_t length) {
    // The size at opening bounds the copy; out is emptied first, so that no old byte stays in a hole.
    const auto size = static_cast<off_t>(std::min(source.Size(), length));
    off_t reached = 0;
    const bool copied =
        ::ftruncate(out, 0) == 0 && ::ftruncate(out, size) == 0 && CopyData(source.fd(), out, size, reached);
    return ::ftruncate(out, copied ? size : reached) == 0 && copied;
}

std::string FileIdentity(const struct statx& info) {
    std::string identity =
        std::to_string(makedev(info.stx_dev_major, info.stx_dev_minor)) + ":" + std::to_string(info.stx_ino);
    if ((info.stx_mask & STATX_BTIME) != 0) {
        identity +=
            ":" + std::to_string(info.stx_btime.tv_sec) + "." + std::to_string(info.stx_btime.tv_nsec);
    }
    return identity;
}

bool CopyHostFile(const std::filesystem::path& source, const std::filesystem::path& destination) {
    HostFile in;
    if (OpenRegularFile(source, in) != HostRead::Read) {
        return false;
    }
    struct stat info {};
    struct stat existing {};
    if (::fstat(in.fd(), &info) != 0 ||
        (::stat(destination.c_str(), &existing) == 0 && SameFile(existing, info))) {
        return false;
    }
    // Without waiting, as for reading: a FIFO in the destination's place would wait for a reader.
    HostFile out(
        ::open(destination.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, info.st_mode & 0777));
    const bool copied = out.IsOpen() && CopyInto(in, out.fd());
    return out.Close() && copied;
}

} // namespace sim
