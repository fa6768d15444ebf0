#include "document/save_target.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "document/standard_stream.h"

namespace vendrel {
namespace {

// Links followed before a path counts as a loop, as the kernel does.
constexpr int kMaxLinks = 40;

[[noreturn]] void fail(const std::string& path, const std::string& reason) {
    throw FileError("cannot save " + path + ": " + reason);
}

[[noreturn]] void fail_errno(const std::string& path, int error) {
    const std::string reason = std::strerror(error);
    if (error == EACCES || error == EPERM || error == EROFS) {
        throw NotWritableError("cannot save " + path + ": " + reason);
    }
    fail(path, reason);
}

struct PathParts {
    std::string folder;
    std::string name;
};

PathParts split_path(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return {std::string("."), path};
    }
    return {slash == 0 ? std::string("/") : path.substr(0, slash), path.substr(slash + 1)};
}

// Follows the links of the last component of `path`; the result names no
// link (it may name nothing).
std::string follow_links(const std::string& path) {
    std::string current = path;
    for (int followed = 0; followed <= kMaxLinks; ++followed) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return current;
        }
        std::vector<char> buffer(std::size_t(info.st_size > 0 ? info.st_size : 255) + 1);
        const ssize_t n = ::readlink(current.c_str(), buffer.data(), buffer.size());
        if (n < 0 || std::size_t(n) >= buffer.size()) {
            return current;  // changed meanwhile: stat below reports what is there
        }
        const std::string link(buffer.data(), std::size_t(n));
        if (link.front() == '/') {
            current = link;
        } else {
            current = split_path(current).folder + "/" + link;
        }
    }
    fail(path, std::strerror(ELOOP));
}

}  // namespace

SaveTarget resolve_save_target(const std::string& path) {
    SaveTarget t;
    t.path = path;
    if (path == kStandardStream) {
        struct stat out {};
        if (::fstat(STDOUT_FILENO, &out) != 0) {
            fail("standard output", std::strerror(errno));
        }
        t.kind = SaveTarget::Kind::Stream;
        t.standard_output = true;
        t.device = out.st_dev;
        t.inode = out.st_ino;
        return t;
    }
    if (path.empty()) {
        throw FileError("cannot save: no file name given");
    }
    // What the path leads to, with every link followed by the kernel (also
    // the special links of /proc, such as /dev/stdout's).
    struct stat info {};
    const bool exists = ::stat(path.c_str(), &info) == 0;
    if (!exists && errno != ENOENT) {
        fail_errno(path, errno);
    }
    if (exists && S_ISDIR(info.st_mode)) {
        fail(path, std::strerror(EISDIR));
    }
    if (exists && S_ISBLK(info.st_mode)) {
        fail(path, "a block device is never written");
    }
    if (exists && !S_ISREG(info.st_mode)) {
        if (::access(path.c_str(), W_OK) != 0) {
            fail_errno(path, errno);
        }
        t.kind = SaveTarget::Kind::Stream;
        t.device = info.st_dev;
        t.inode = info.st_ino;
        return t;
    }

    // A file is replaced by name in its folder: the name the links lead to.
    const std::string resolved = follow_links(path);
    PathParts parts = split_path(resolved);
    t.folder = std::move(parts.folder);
    t.name = std::move(parts.name);
    if (exists) {
        struct stat named {};
        if (::stat(resolved.c_str(), &named) != 0 || named.st_dev != info.st_dev ||
            named.st_ino != info.st_ino) {
            fail(path, "the file it leads to has no name to replace");
        }
        if (::access(resolved.c_str(), W_OK) != 0) {
            fail_errno(path, errno);
        }
        if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
            throw NotWritableError("cannot save " + path + ": the file is read-only");
        }
        t.kind = SaveTarget::Kind::RegularFile;
        t.mode = info.st_mode & 07777;
        t.owner = info.st_uid;
        t.group = info.st_gid;
        t.links = info.st_nlink;
    } else if (t.name.empty()) {
        fail(path, std::strerror(EISDIR));
    }

    // The replacement is created and renamed in the folder.
    struct stat folder {};
    if (::stat(t.folder.c_str(), &folder) != 0) {
        fail_errno(path, errno);
    }
    if (!S_ISDIR(folder.st_mode)) {
        fail(path, std::strerror(ENOTDIR));
    }
    if (::access(t.folder.c_str(), W_OK | X_OK) != 0) {
        fail_errno(path, errno);
    }
    t.device = folder.st_dev;
    t.inode = folder.st_ino;
    return t;
}

bool target_writable(const std::string& path) {
    try {
        resolve_save_target(path);
        return true;
    } catch (const FileError&) {
        return false;
    }
}

bool same_target(const SaveTarget& a, const SaveTarget& b) {
    if (a.is_stream() != b.is_stream() || a.device != b.device || a.inode != b.inode) {
        return false;
    }
    return a.is_stream() || a.name == b.name;
}

}  // namespace vendrel
