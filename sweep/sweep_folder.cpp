#include "sweep/sweep_folder.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "cli/run_options.h"
#include "document/atomic_file.h"

namespace vendrel {

SweepLock open_sweep_folder(const std::string& dir, const std::string& manifest_text,
                            const std::string& manifest_name) {
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error || !std::filesystem::is_directory(dir)) {
        throw FileError("cannot make the folder " + dir + ": " + error.message());
    }
    SweepLock lock = claim_sweep_folder(dir);
    const std::string copy = dir + "/manifest.csv";
    if (std::filesystem::exists(copy)) {
        std::ifstream in(copy, std::ios::binary);
        const std::string kept{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
        if (kept != manifest_text) {
            throw UsageError(dir + " holds another sweep: its manifest.csv differs from " +
                             manifest_name);
        }
    } else {
        write_file_atomically(copy, manifest_text);
    }
    return lock;
}

}  // namespace vendrel
