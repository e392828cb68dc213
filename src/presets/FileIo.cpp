// Whole-file reads and atomic writes.
#include "presets/FileIo.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace kel {

namespace {

std::string SystemError(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The file a path finally names: symlinks followed (relative ones from their own folder), a missing
// last target included, so that writing through a dangling link creates the file it points at.
std::optional<std::string> FinalTarget(const std::string& path, std::string& error) {
    constexpr int kMaxLinks = 40; // as the system's own limit for one lookup
    std::filesystem::path current(path);
    for (int hops = 0; hops < kMaxLinks; ++hops) {
        std::error_code ec;
        const auto status = std::filesystem::symlink_status(current, ec);
        if (ec || status.type() != std::filesystem::file_type::symlink) {
            return current.string();
        }
        const std::filesystem::path next = std::filesystem::read_symlink(current, ec);
        if (ec) {
            error = "cannot follow the link " + path + ": " + ec.message();
            return std::nullopt;
        }
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    error = "too many levels of links: " + path;
    return std::nullopt;
}

} // namespace

bool WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes, std::string& error,
                         mode_t newFileMode) {
    const auto resolved = FinalTarget(path, error);
    if (!resolved) {
        return false;
    }
    const std::filesystem::path target(*resolved);
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        error = "not a regular file: " + path;
        return false;
    }
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    std::string tmpl = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) {
        error = SystemError("cannot create a file in", folder.string());
        return false;
    }
    bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    int savedErrno = errno;
    if (written && exists) {
        // The owner can only be kept by a process allowed to give files away; the mode always is
        // (set after the owner: changing the owner clears the set-id bits).
        if (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid()) {
            [[maybe_unused]] const int ignored = ::fchown(fd, existing.st_uid, existing.st_gid);
        }
        written = ::fchmod(fd, existing.st_mode & 07777) == 0;
    } else if (written) {
        written = ::fchmod(fd, newFileMode) == 0;
    }
    savedErrno = written ? savedErrno : errno;
    if (::close(fd) != 0 || !written) {
        errno = written ? errno : savedErrno;
        error = SystemError("cannot write", path);
        ::unlink(tmpl.c_str());
        return false;
    }
    if (::rename(tmpl.c_str(), target.c_str()) != 0) {
        error = SystemError("cannot replace", path);
        ::unlink(tmpl.c_str());
        return false;
    }
    return true;
}

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path, std::size_t maxBytes,
                                                       std::string& error, ReadFailure* why) {
    auto fail = [&](ReadFailure reason, std::string text) -> std::optional<std::vector<std::uint8_t>> {
        error = std::move(text);
        if (why) {
            *why = reason;
        }
        return std::nullopt;
    };
    // O_NONBLOCK: opening a FIFO without a writer would otherwise wait for one.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return fail(ReadFailure::Open, SystemError("cannot open", path));
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return fail(ReadFailure::Open, SystemError("cannot open", path));
    }
    if (!S_ISREG(st.st_mode)) {
        return fail(ReadFailure::NotRegular, "not a regular file: " + path);
    }
    if (static_cast<std::uintmax_t>(st.st_size) > maxBytes) {
        return fail(ReadFailure::TooLarge, path + " is larger than " + std::to_string(maxBytes) + " bytes");
    }
    std::vector<std::uint8_t> data(maxBytes + 1);
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::read(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return fail(ReadFailure::Read, SystemError("cannot read", path));
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (done > maxBytes) {
        return fail(ReadFailure::TooLarge, path + " is larger than " + std::to_string(maxBytes) + " bytes");
    }
    data.resize(done);
    return data;
}

} // namespace kel
