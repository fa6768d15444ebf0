#pragma once

#include <cstring>
#include <string>

#include "core/model_parameters.h"
#include "document/project_data.h"

// QProcess starts its children with clone(), which the thread sanitizer's
// runtime cannot follow (it stops on a failed internal check); tests that
// start programs through QProcess leave that build out with
// VENDREL_SKIP_UNDER_TSAN.
#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VENDREL_TSAN 1
#endif
#endif
#if defined(__SANITIZE_THREAD__)
#define VENDREL_TSAN 1
#endif
// Under either sanitizer, whose runtimes need memory and descriptors of
// their own, tests that take those away from the process leave that build
// out (VENDREL_SANITIZED).
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define VENDREL_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define VENDREL_SANITIZED 1
#endif
#ifdef VENDREL_TSAN
#define VENDREL_SKIP_UNDER_TSAN() \
    GTEST_SKIP() << "QProcess's clone() is beyond the thread sanitizer's runtime"
#else
#define VENDREL_SKIP_UNDER_TSAN() static_cast<void>(0)
#endif

namespace vendrel::testing {

// The parameters as a freshly constructed document has them.
ModelParameters document_parameters();

// A short run: 4000 years recorded every 200 (20 horizons).
ModelParameters short_run_parameters();

// Largest difference between two projects' numbers, with both of the same
// shape; +infinity when their shapes differ. NaNs must sit in the same places.
double largest_difference(const ProjectData& a, const ProjectData& b);

// Whether two values have the same bits (NaNs of one payload alike, +0 and
// -0 not).
inline bool same_bits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// A fresh folder under the system's temporary folder, removed with the object.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// A shell command's exit status (-1 when it did not exit) and its output,
// stdout and stderr together.
struct CommandResult {
    int status = -1;
    std::string output;
};
CommandResult run_command(const std::string& command);

// A shell command's exit status (-1 when it did not exit), its stdout and
// its stderr apart, caught in the files stdout.txt and stderr.txt of `dir`.
struct ShellOutcome {
    int status = -1;
    std::string out;
    std::string err;
};
ShellOutcome run_in_shell(const std::string& command, const TempDir& dir);

// `bytes` as one word of a shell command, passed on unchanged (any bytes
// but NUL: newlines, quotes, bytes that are not UTF-8).
std::string shell_quoted(const std::string& bytes);

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& contents);

}  // namespace vendrel::testing
