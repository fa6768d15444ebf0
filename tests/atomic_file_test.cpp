#include "document/atomic_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <thread>

#include "tests/test_support.h"

namespace vendrel {
namespace {

namespace fs = std::filesystem;
using testing::read_file;
using testing::TempDir;
using testing::write_file;
using Staging = AtomicFile::Staging;

std::set<std::string> entries_in(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// The pid of a process that has ended (and been reaped).
pid_t dead_pid() {
    const pid_t child = fork();
    if (child == 0) {
        _exit(0);
    }
    waitpid(child, nullptr, 0);
    return child;
}

// Runs `save` with the file-size limit at 4 KiB, so that a write of more
// fails part of the way as on a full disk.
template <typename Save>
std::string error_with_small_file_limit(Save save) {
    const auto old_handler = signal(SIGXFSZ, SIG_IGN);
    rlimit old_limit{};
    getrlimit(RLIMIT_FSIZE, &old_limit);
    rlimit small = old_limit;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    std::string error;
    try {
        save();
    } catch (const FileError& e) {
        error = e.what();
    }
    setrlimit(RLIMIT_FSIZE, &old_limit);
    signal(SIGXFSZ, old_handler);
    return error;
}

const Staging kStagings[] = {Staging::Automatic, Staging::Named};

const char* name_of(Staging staging) {
    return staging == Staging::Automatic ? "unnamed temporary" : "named temporary";
}

void save(const std::string& path, const std::string& contents, Staging staging) {
    AtomicFile file(path, staging);
    file.write(contents);
    file.commit();
}

// Every kind of regular target, through both ways of staging: the new
// contents land in the file the path leads to, links stay links, the old
// file's permission bits, owner and group stay, and nothing else is left.
TEST(AtomicFile, ReplacesEveryKindOfRegularTarget) {
    struct Case {
        const char* name;
        std::string given;  // the path saved to, relative to the folder
        std::string file;   // where the contents must land
        std::function<void(const TempDir&)> make;
        mode_t mode;  // expected permission bits
        uid_t owner;
        gid_t group;
    };
    const mode_t fresh = [] {
        const mode_t mask = umask(0);
        umask(mask);
        return mode_t(0666 & ~mask);
    }();
    const std::string long_name = std::string(246, 'n') + ".vdl";  // 250 characters
    const Case cases[] = {
        {"new file", "new.vdl", "new.vdl", [](const TempDir&) {}, fresh, getuid(), getgid()},
        {"existing file", "p.vdl", "p.vdl",
         [](const TempDir& d) { write_file(d.file("p.vdl"), "old"); }, fresh, getuid(), getgid()},
        {"250-character name", long_name, long_name,
         [&](const TempDir& d) { write_file(d.file(long_name), "old"); }, fresh, getuid(),
         getgid()},
        {"mode, owner and group kept", "shared.vdl", "shared.vdl",
         [](const TempDir& d) {
             write_file(d.file("shared.vdl"), "old");
             chmod(d.file("shared.vdl").c_str(), 0640);
             // As root the owner can be given away; otherwise the file keeps ours.
             [[maybe_unused]] const int r = chown(d.file("shared.vdl").c_str(), 4321, 8765);
         },
         0640, getuid() == 0 ? 4321u : getuid(), getuid() == 0 ? 8765u : getgid()},
        {"link to a file elsewhere", "link.vdl", "real/p.vdl",
         [](const TempDir& d) {
             fs::create_directory(d.file("real"));
             write_file(d.file("real/p.vdl"), "old");
             fs::create_symlink("real/p.vdl", d.file("link.vdl"));
         },
         fresh, getuid(), getgid()},
        {"chain of links", "a.vdl", "real/p.vdl",
         [](const TempDir& d) {
             fs::create_directory(d.file("real"));
             write_file(d.file("real/p.vdl"), "old");
             fs::create_symlink(d.file("real/p.vdl"), d.file("real/b.vdl"));
             fs::create_symlink("real/b.vdl", d.file("a.vdl"));
         },
         fresh, getuid(), getgid()},
        {"dangling link creates its target", "link.vdl", "made.vdl",
         [](const TempDir& d) { fs::create_symlink("made.vdl", d.file("link.vdl")); }, fresh,
         getuid(), getgid()},
    };
    for (const Staging staging : kStagings) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + ", " + name_of(staging));
            TempDir dir;
            c.make(dir);
            const std::set<std::string> before = entries_in(dir.path());
            save(dir.file(c.given), "new contents", staging);
            EXPECT_EQ(read_file(dir.file(c.file)), "new contents");
            struct stat info {};
            ASSERT_EQ(stat(dir.file(c.file).c_str(), &info), 0);
            EXPECT_EQ(info.st_mode & 07777, c.mode);
            EXPECT_EQ(info.st_uid, c.owner);
            EXPECT_EQ(info.st_gid, c.group);
            if (c.given != c.file) {
                EXPECT_TRUE(fs::is_symlink(dir.file(c.given)));
            }
            std::set<std::string> expected = before;
            expected.insert(fs::path(c.given).filename().string());
            expected.insert(fs::path(c.file).begin()->string());
            EXPECT_EQ(entries_in(dir.path()), expected);
        }
    }
}

// Targets that are not regular files are never replaced: streams are
// written into, the rest is refused with one clear error.
TEST(AtomicFile, StreamsAreWrittenIntoAndTheRestRefused) {
    TempDir dir;
    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string socket_path = dir.file("socket");
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socket_path.c_str());
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    fs::create_directory(dir.file("folder"));
    const bool may_make_devices =
        mknod(dir.file("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0 &&
        mknod(dir.file("disk").c_str(), S_IFBLK | 0600, makedev(7, 250)) == 0;

    // A reader drains the FIFO meanwhile.
    std::string from_fifo;
    std::thread reader([&] { from_fifo = read_file(fifo); });
    write_file_atomically(fifo, "through the pipe");
    reader.join();
    EXPECT_EQ(from_fifo, "through the pipe");
    EXPECT_TRUE(fs::is_fifo(fifo));

    write_file_atomically("/dev/null", "nothing");
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    if (may_make_devices) {
        write_file_atomically(dir.file("null"), "nothing");
        EXPECT_TRUE(fs::is_character_file(dir.file("null")));
    }

    struct Case {
        std::string path;
        const char* error;
    };
    std::vector<Case> refused = {
        {socket_path, "No such device or address"},
        {dir.file("folder"), "Is a directory"},
        {dir.file("folder/"), "Is a directory"},
        {dir.file("no/such/folder/x.vdl"), "No such file or directory"},
        {dir.file("pipe/x.vdl"), "Not a directory"},
        {"", "no file name"},
    };
    if (may_make_devices) {
        refused.push_back({dir.file("disk"), "a block device is never written"});
    }
    const std::set<std::string> before = entries_in(dir.path());
    for (const Case& c : refused) {
        SCOPED_TRACE(c.path);
        try {
            write_file_atomically(c.path, "x");
            ADD_FAILURE() << "saved";
        } catch (const FileError& e) {
            const std::string prefix =
                c.path.empty() ? "cannot save: " : "cannot save " + c.path + ": ";
            EXPECT_EQ(std::string(e.what()).find(prefix), 0u) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos) << e.what();
        }
    }
    EXPECT_EQ(entries_in(dir.path()), before);
    EXPECT_TRUE(fs::is_socket(socket_path));
    if (may_make_devices) {
        EXPECT_TRUE(fs::is_block_file(dir.file("disk")));
    }
    close(listener);
}

TEST(AtomicFile, DashWritesToStandardOutput) {
    TempDir dir;
    const std::string captured = dir.file("stdout.txt");
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    const int fd = open(captured.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(fd, STDOUT_FILENO);
    close(fd);
    write_file_atomically("-", "to stdout");
    dup2(saved, STDOUT_FILENO);
    close(saved);
    EXPECT_EQ(read_file(captured), "to stdout");
    EXPECT_EQ(entries_in(dir.path()), std::set<std::string>{"stdout.txt"});
}

// A file made read-only is never replaced, not even by root (access(2)
// lets root write anything, so the mode bits decide); a folder the process
// may not write into refuses the save as well. Either way the caller learns
// that the target is not writable.
TEST(AtomicFile, ReadOnlyTargetsAreNeverReplaced) {
    TempDir dir;
    for (const mode_t mode : {0444, 0400, 0000}) {
        SCOPED_TRACE(mode);
        const std::string path = dir.file("locked.vdl");
        write_file(path, "kept");
        chmod(path.c_str(), mode);
        EXPECT_FALSE(target_writable(path));
        EXPECT_THROW(write_file_atomically(path, "lost"), NotWritableError);
        chmod(path.c_str(), 0600);
        EXPECT_EQ(read_file(path), "kept");
    }
    const std::string owner_only = dir.file("mine.vdl");
    write_file(owner_only, "old");
    chmod(owner_only.c_str(), 0200);
    EXPECT_TRUE(target_writable(owner_only));
    EXPECT_TRUE(target_writable(dir.file("not-yet.vdl")));
    EXPECT_FALSE(target_writable(dir.file("no/such/folder.vdl")));

    // Another user, in a folder that only root may write into.
    const std::string folder = dir.file("roots");
    fs::create_directory(folder);
    chmod(dir.path().c_str(), 0755);
    chmod(folder.c_str(), 0755);
    write_file(folder + "/p.vdl", "root's");
    chmod((folder + "/p.vdl").c_str(), 0666);
    if (getuid() != 0) {
        GTEST_SKIP() << "needs root to act as another user";
    }
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) {
            _exit(3);
        }
        int status = target_writable(folder + "/new.vdl") ? 4 : 0;
        try {
            write_file_atomically(folder + "/p.vdl", "nobody's");
            status = 5;
        } catch (const NotWritableError&) {
        }
        _exit(status);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(read_file(folder + "/p.vdl"), "root's");
}

// This machine's name and boot id as a temporary's name carries them.
std::string this_host() {
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    std::string name = host;
    for (char& c : name) {
        c = std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-' ? c
                                                                                            : '_';
    }
    return name.empty() ? "_" : name;
}

std::string this_boot() {
    std::string boot = read_file("/proc/sys/kernel/random/boot_id");
    std::erase(boot, '-');
    std::erase(boot, '\n');
    return boot;
}

// Before writing, a save deletes the temporaries of killed saves (exactly
// the program's pattern, made on this host in this boot, process gone) from
// the folder, and nothing else: not another machine's save in progress on a
// shared folder, whatever its pid, and not the older names without a host.
TEST(AtomicFile, RemovesOnlyItsOwnLeftovers) {
    const std::string host = this_host();
    const std::string boot = this_boot();
    ASSERT_EQ(boot.size(), 32u);
    const std::string other_boot = std::string(31, '0') + (boot.back() == '1' ? "2" : "1");
    const std::string dead = std::to_string(dead_pid());
    const std::string alive = std::to_string(getppid());
    const std::string above_pid_max =
        std::to_string(std::stol(read_file("/proc/sys/kernel/pid_max")) + 1);
    const std::string ours = ".vendrel-save-" + host + "-" + boot + "-";
    const std::string removed[] = {ours + dead + "-0123abcd", ours + dead + "-ffffffff",
                                   ours + above_pid_max + "-0123abcd"};
    const std::string kept[] = {
        "p.vdl.tmp-2024-notes.txt",
        "p.vdl.tmp-" + dead + "-1-2",
        // Another machine's, or this one's in an earlier boot.
        ".vendrel-save-" + host + "x-" + boot + "-" + dead + "-0123abcd",
        ".vendrel-save-other-node-" + other_boot + "-" + dead + "-0123abcd",
        ".vendrel-save-other-node-" + other_boot + "-" + above_pid_max + "-0123abcd",
        ".vendrel-save-" + host + "-" + other_boot + "-" + dead + "-0123abcd",
        ".vendrel-save-x" + host + "-" + boot + "-" + dead + "-0123abcd",
        // The older pattern without a host.
        ".vendrel-save-" + dead + "-0123abcd",
        ".vendrel-save-" + above_pid_max + "-0123abcd",
        // Live saves of this machine.
        ours + alive + "-0123abcd",
        ours + std::to_string(getpid()) + "-0123abcd",
        // Not exactly the pattern.
        ours + dead + "-0123abcd.txt",
        ours + dead + "-0123ABCD",
        ours + dead + "-0123abc",
        ours + dead + "-0123abcde",
        ours + "0" + dead + "-0123abcd",
        ours + "-0123abcd",
        ".vendrel-save-" + host + "-" + boot.substr(1) + "-" + dead + "-0123abcd",
        ".vendrel-save-" + host + boot + "-" + dead + "-0123abcd",
        "vendrel-save-" + host + "-" + boot + "-" + dead + "-0123abcd",
    };
    for (const Staging staging : kStagings) {
        SCOPED_TRACE(name_of(staging));
        TempDir dir;
        for (const std::string& name : removed) {
            write_file(dir.file(name), std::string(10000, 'x'));
        }
        for (const std::string& name : kept) {
            write_file(dir.file(name), "user's");
        }
        const std::string folder_leftover = ours + dead + "-aaaaaaaa";
        fs::create_directory(dir.file(folder_leftover));
        write_file(dir.file("p.vdl"), "old project");

        // The save fails, but the leftovers went before it wrote.
        const std::string error = error_with_small_file_limit(
            [&] { save(dir.file("p.vdl"), std::string(100000, 'x'), staging); });
        EXPECT_NE(error.find(dir.file("p.vdl")), std::string::npos) << error;
        EXPECT_EQ(read_file(dir.file("p.vdl")), "old project");
        std::set<std::string> expected(std::begin(kept), std::end(kept));
        expected.insert({"p.vdl", folder_leftover});
        EXPECT_EQ(entries_in(dir.path()), expected);
        for (const std::string& name : kept) {
            EXPECT_EQ(read_file(dir.file(name)), "user's") << name;
        }
    }
}

// The temporary a save leaves when killed carries this host and boot, and is
// the one the next save of this host deletes.
TEST(AtomicFile, TemporaryNamesCarryTheHostAndBoot) {
    TempDir dir;
    const pid_t child = fork();
    if (child == 0) {
        AtomicFile file(dir.file("p.vdl"), Staging::Named);
        file.write("half");
        file.prepare();
        _exit(0);  // no destructor: the temporary stays as after a kill
    }
    int status = 0;
    waitpid(child, &status, 0);
    const std::set<std::string> left = entries_in(dir.path());
    ASSERT_EQ(left.size(), 1u);
    const std::string prefix =
        ".vendrel-save-" + this_host() + "-" + this_boot() + "-" + std::to_string(child) + "-";
    EXPECT_EQ(left.begin()->rfind(prefix, 0), 0u) << *left.begin();
    save(dir.file("p.vdl"), "whole", Staging::Named);
    EXPECT_EQ(entries_in(dir.path()), std::set<std::string>{"p.vdl"});
}

// A failure after the temporary exists (a write cut short, or the object
// dropped before commit) leaves the old file and no temporary.
TEST(AtomicFile, FailedOrAbandonedSavesLeaveTheOldFile) {
    for (const Staging staging : kStagings) {
        SCOPED_TRACE(name_of(staging));
        TempDir dir;
        const std::string target = dir.file("ramp.vdl");
        write_file(target, "old project");
        const std::string error =
            error_with_small_file_limit([&] { save(target, std::string(100000, 'x'), staging); });
        EXPECT_NE(error.find(target), std::string::npos) << error;
        {
            AtomicFile abandoned(target, staging);
            abandoned.write("half");
            abandoned.prepare();
        }
        EXPECT_EQ(read_file(target), "old project");
        EXPECT_EQ(entries_in(dir.path()), std::set<std::string>{"ramp.vdl"});
    }
}

// A child saves over the project again and again and is killed at random
// moments: the project is always one of the two complete versions, and the
// next save leaves no temporary of the killed ones.
TEST(AtomicFile, SurvivesKillsDuringSaves) {
    // The child raises the flag while it is inside a save.
    auto* in_save = static_cast<volatile int*>(
        mmap(nullptr, sizeof(int), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(in_save, MAP_FAILED);
    for (const Staging staging : kStagings) {
        SCOPED_TRACE(name_of(staging));
        TempDir dir;
        const std::string target = dir.file("ramp.vdl");
        const std::string versions[2] = {std::string(3 << 20, 'a') + "end a",
                                         std::string(2 << 20, 'b') + "end b"};
        write_file(target, versions[0]);
        std::mt19937 random(3);
        std::uniform_int_distribution<int> delay_us(0, 30000);
        int killed_mid_save = 0;
        for (int round = 0; round < 40; ++round) {
            *in_save = 0;
            const pid_t child = fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                for (int k = round;; ++k) {
                    *in_save = 1;
                    save(target, versions[k % 2], staging);
                    *in_save = 0;
                }
            }
            std::this_thread::sleep_for(std::chrono::microseconds(delay_us(random)));
            kill(child, SIGKILL);
            int status = 0;
            waitpid(child, &status, 0);
            const std::string now = read_file(target);
            ASSERT_TRUE(now == versions[0] || now == versions[1])
                << "round " << round << ": " << now.size() << " bytes";
            killed_mid_save += *in_save;
            EXPECT_LE(entries_in(dir.path()).size(), 2u) << "more than one temporary per kill";
        }
        EXPECT_GT(killed_mid_save, 0) << "no kill landed during a save";
        save(target, "final", staging);
        EXPECT_EQ(read_file(target), "final");
        EXPECT_EQ(entries_in(dir.path()), std::set<std::string>{"ramp.vdl"})
            << "temporary files of killed saves were left";
    }
    munmap(const_cast<int*>(in_save), sizeof(int));
}

}  // namespace
}  // namespace vendrel
