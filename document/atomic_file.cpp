#include "document/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>

namespace vendrel {
namespace {

std::string folder_of(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

[[noreturn]] void fail(const std::string& path, int error) {
    throw FileError("cannot save " + path + ": " + std::strerror(error));
}

// Creates a new file beside `path` with a name no other file has.
int create_temporary(const std::string& path, std::string& temp_path) {
    static std::atomic<unsigned> counter{0};
    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp_path = path + ".tmp-" + std::to_string(getpid()) + "-" +
                    std::to_string(counter.fetch_add(1)) + "-" + std::to_string(entropy() % 100000);
        const int fd = ::open(temp_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

bool write_all(int fd, std::string_view contents) {
    const char* data = contents.data();
    std::size_t left = contents.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += n;
        left -= std::size_t(n);
    }
    return true;
}

// Temporary files of `path` left by saves that never finished (the process
// died): named "<file>.tmp-<pid>-..." with no process of that pid alive.
void remove_stale_temporaries(const std::string& path) {
    const std::string prefix = file_name_of(path) + ".tmp-";
    const std::string folder = folder_of(path);
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.rfind(prefix, 0) != 0) {
            continue;
        }
        const long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
        if (pid > 0 && pid != long(getpid()) && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH) {
            ::unlink((folder + "/" + name).c_str());
        }
    }
    ::closedir(dir);
}

void sync_folder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

std::string file_name_of(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void ensure_writable_target(const std::string& path) {
    struct stat target {};
    if (::stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) {
        fail(path, EISDIR);
    }
    if (::access(folder_of(path).c_str(), W_OK | X_OK) != 0) {
        fail(path, errno);
    }
}

void write_file_atomically(const std::string& path, std::string_view contents) {
    struct stat target {};
    if (::stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) {
        fail(path, EISDIR);
    }
    std::string temp_path;
    const int fd = create_temporary(path, temp_path);
    if (fd < 0) {
        fail(path, errno);
    }
    bool ok = write_all(fd, contents) && ::fsync(fd) == 0;
    int error = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(temp_path.c_str(), path.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(temp_path.c_str());
        fail(path, error);
    }
    sync_folder(folder_of(path));
    remove_stale_temporaries(path);
}

}  // namespace vendrel
