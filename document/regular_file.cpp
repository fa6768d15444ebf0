#include "document/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "document/file_error.h"

namespace vendrel {

std::string read_regular_file(const std::string& path, std::uint64_t max_bytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        throw FileError(std::strerror(errno));
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        throw FileError(std::strerror(errno));
    }
    if (S_ISDIR(info.st_mode)) {
        throw FileError(std::strerror(EISDIR));
    }
    if (!S_ISREG(info.st_mode)) {
        throw FileError("not a regular file");
    }
    const std::string too_large = "larger than " + std::to_string(max_bytes >> 20) + " MiB";
    if (std::uint64_t(info.st_size) > max_bytes) {
        throw FileError(too_large);
    }
    std::string text;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            throw FileError("cannot read it");
        }
        if (n == 0) {
            return text;
        }
        text.append(buffer, std::size_t(n));
        if (text.size() > max_bytes) {  // grew since it was checked
            throw FileError(too_large);
        }
    }
}

}  // namespace vendrel
