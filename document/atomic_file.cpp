#include "document/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <random>

namespace vendrel {
namespace {

constexpr std::string_view kTemporaryPrefix = ".vendrel-save-";
constexpr std::size_t kRandomDigits = 8;
constexpr std::size_t kBootDigits = 32;
constexpr int kNameAttempts = 100;

// The machine a temporary was made on and the boot it was made in, as its
// name carries them. A pid means something only on its own machine and
// boot: on a folder that several machines share, another machine's live
// save may have any pid, also one this machine never hands out.
struct Origin {
    std::string host;  // letters, digits, ".", "_" and "-"
    std::string boot;  // 32 lowercase hex digits; empty when not known
};

bool is_hex_digit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

bool is_host_character(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-';
}

Origin read_this_origin() {
    Origin origin;
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) == 0) {
        for (std::size_t k = 0; k < sizeof host && host[k] != '\0'; ++k) {
            origin.host += is_host_character(host[k]) ? host[k] : '_';
        }
    }
    if (origin.host.empty()) {
        origin.host.push_back('_');
    }
    // "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx\n", new at every boot.
    if (std::FILE* file = std::fopen("/proc/sys/kernel/random/boot_id", "re")) {
        char text[64] = {};
        const std::size_t n = std::fread(text, 1, sizeof text - 1, file);
        std::fclose(file);
        for (std::size_t k = 0; k < n && text[k] != '\n'; ++k) {
            if (is_hex_digit(text[k])) {
                origin.boot += text[k];
            } else if (text[k] != '-') {
                origin.boot.clear();
                break;
            }
        }
        if (origin.boot.size() != kBootDigits) {
            origin.boot.clear();
        }
    }
    return origin;
}

const Origin& this_origin() {
    static const Origin origin = read_this_origin();
    return origin;
}

// ".vendrel-save-<host>-<boot id>-<pid>-<8 hex digits>"; a boot that is not
// known is written as zeros (and such names are never swept).
std::string temporary_name() {
    static thread_local std::random_device entropy;
    char digits[kRandomDigits + 1];
    std::snprintf(digits, sizeof digits, "%08x", unsigned(entropy()));
    const Origin& origin = this_origin();
    const std::string boot = origin.boot.empty() ? std::string(kBootDigits, '0') : origin.boot;
    return std::string(kTemporaryPrefix) + origin.host + "-" + boot + "-" +
           std::to_string(getpid()) + "-" + digits;
}

// Removes the last "-<field>" of `name` and returns the field; nullopt when
// there is no "-".
std::optional<std::string_view> take_last_field(std::string_view& name) {
    const std::size_t dash = name.rfind('-');
    if (dash == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view field = name.substr(dash + 1);
    name = name.substr(0, dash);
    return field;
}

// The pid of a name of exactly the temporary pattern made on this machine
// in this boot; 0 for any other name (another machine's, another boot's, a
// name of the older pattern without the machine, anything else).
long temporary_owner(std::string_view name) {
    const Origin& origin = this_origin();
    if (origin.boot.empty() || name.substr(0, kTemporaryPrefix.size()) != kTemporaryPrefix) {
        return 0;
    }
    name.remove_prefix(kTemporaryPrefix.size());
    const auto random = take_last_field(name);
    const auto pid_digits = take_last_field(name);
    const auto boot = take_last_field(name);
    if (!random || !pid_digits || !boot || random->size() != kRandomDigits ||
        !std::all_of(random->begin(), random->end(), is_hex_digit) || *boot != origin.boot ||
        name != origin.host || pid_digits->empty() || pid_digits->size() > 10 ||
        pid_digits->front() == '0') {
        return 0;
    }
    long pid = 0;
    for (char c : *pid_digits) {
        if (c < '0' || c > '9') {
            return 0;
        }
        pid = pid * 10 + (c - '0');
    }
    return pid;
}

// Deletes the temporaries of saves killed midway: regular files of exactly
// the temporary pattern, made on this machine in this boot, whose process
// no longer exists.
void remove_leftovers(int folder_fd) {
    const int listing = ::fcntl(folder_fd, F_DUPFD_CLOEXEC, 0);
    DIR* dir = listing >= 0 ? ::fdopendir(listing) : nullptr;
    if (dir == nullptr) {
        if (listing >= 0) {
            ::close(listing);
        }
        return;
    }
    ::rewinddir(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const long pid = temporary_owner(entry->d_name);
        if (pid <= 0 || pid > 0x7fffffffL || pid == long(getpid())) {
            continue;
        }
        struct stat info {};
        if (::kill(pid_t(pid), 0) != 0 && errno == ESRCH &&
            ::fstatat(folder_fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode)) {
            ::unlinkat(folder_fd, entry->d_name, 0);
        }
    }
    ::closedir(dir);
}

bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(std::size_t(n));
    }
    return true;
}

}  // namespace

AtomicFile::AtomicFile(const std::string& path, Staging staging)
    : AtomicFile(resolve_save_target(path), staging) {}

AtomicFile::AtomicFile(SaveTarget target, Staging staging) : target_(std::move(target)) {
    if (target_.is_stream()) {
        fd_ = target_.standard_output
                  ? STDOUT_FILENO
                  : ::open(target_.path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0) {
            fail(errno);
        }
        return;
    }
    folder_fd_ = ::open(target_.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_fd_ < 0) {
        fail(errno);
    }
    // Before anything is written: a leftover may hold the space this save
    // needs.
    remove_leftovers(folder_fd_);
    try {
        open_temporary(staging);
        if (target_.kind == SaveTarget::Kind::RegularFile) {
            // Owner and group first: changing them may clear set-id bits.
            if (::fchown(fd_, target_.owner, target_.group) != 0 && errno != EPERM) {
                fail(errno);
            }
            if (::fchmod(fd_, target_.mode) != 0) {
                fail(errno);
            }
        }
    } catch (...) {
        release();
        throw;
    }
}

void AtomicFile::open_temporary(Staging staging) {
    if (staging == Staging::Automatic) {
        fd_ = ::openat(folder_fd_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            unnamed_ = true;
            return;
        }
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            fail(errno);
        }
    }
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string name = temporary_name();
        fd_ = ::openat(folder_fd_, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            temp_name_ = name;
            return;
        }
        if (errno != EEXIST) {
            fail(errno);
        }
    }
    fail(EEXIST);
}

AtomicFile::~AtomicFile() {
    release();
}

void AtomicFile::release() {
    if (fd_ >= 0 && !target_.standard_output) {
        ::close(fd_);
    }
    fd_ = -1;
    if (!temp_name_.empty() && !committed_) {
        ::unlinkat(folder_fd_, temp_name_.c_str(), 0);
        temp_name_.clear();
    }
    if (folder_fd_ >= 0) {
        ::close(folder_fd_);
    }
    folder_fd_ = -1;
}

void AtomicFile::fail(int error) const {
    throw FileError("cannot save " + target_.path + ": " + std::strerror(error));
}

void AtomicFile::write(std::string_view bytes) {
    if (prepared_ || committed_) {
        throw FileError("cannot save " + target_.path + ": written after it was finished");
    }
    if (target_.is_stream()) {
        stream_bytes_.append(bytes);
    } else if (!write_all(fd_, bytes)) {
        fail(errno);
    }
}

void AtomicFile::prepare() {
    if (prepared_ || target_.is_stream()) {
        prepared_ = true;
        return;
    }
    if (::fsync(fd_) != 0) {
        fail(errno);
    }
    if (unnamed_) {
        const std::string proc = "/proc/self/fd/" + std::to_string(fd_);
        for (int attempt = 0; temp_name_.empty(); ++attempt) {
            const std::string name = temporary_name();
            // Linking by descriptor needs a capability; through /proc it
            // needs only the descriptor.
            if (::linkat(fd_, "", folder_fd_, name.c_str(), AT_EMPTY_PATH) == 0 ||
                ((errno == ENOENT || errno == EPERM) &&
                 ::linkat(AT_FDCWD, proc.c_str(), folder_fd_, name.c_str(), AT_SYMLINK_FOLLOW) ==
                     0)) {
                temp_name_ = name;
            } else if (errno != EEXIST || attempt + 1 >= kNameAttempts) {
                fail(errno);
            }
        }
        unnamed_ = false;
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        fail(errno);
    }
    prepared_ = true;
}

void AtomicFile::commit() {
    if (committed_) {
        return;
    }
    prepare();
    if (target_.is_stream()) {
        // The stream stays open until this object goes: a reader of a pipe
        // sees its end only once the outputs saved after it are in place.
        if (!write_all(fd_, stream_bytes_)) {
            fail(errno);
        }
        committed_ = true;
        return;
    }
    if (::renameat(folder_fd_, temp_name_.c_str(), folder_fd_, target_.name.c_str()) != 0) {
        fail(errno);
    }
    committed_ = true;
    temp_name_.clear();
    ::fsync(folder_fd_);
}

void write_file_atomically(const std::string& path, std::string_view contents) {
    AtomicFile file(path);
    file.write(contents);
    file.commit();
}

void ensure_writable_target(const std::string& path) {
    resolve_save_target(path);
}

}  // namespace vendrel
