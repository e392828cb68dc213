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

} // namespace

bool WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes, std::string& error) {
    const std::filesystem::path target(path);
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    std::string tmpl = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) {
        error = SystemError("cannot create a file in", folder.string());
        return false;
    }
    const bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    const int savedErrno = errno;
    ::fchmod(fd, 0644);
    if (::close(fd) != 0 || !written) {
        errno = written ? errno : savedErrno;
        error = SystemError("cannot write", path);
        ::unlink(tmpl.c_str());
        return false;
    }
    if (::rename(tmpl.c_str(), path.c_str()) != 0) {
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
