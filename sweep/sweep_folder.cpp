#include "sweep/sweep_folder.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "cli/run_options.h"
#include "document/atomic_file.h"
#include "sweep/design_manifest.h"

namespace vendrel {

namespace {

std::string file_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A manifest that `vendrel-sweep design` wrote has its design beside it
// (MANIFEST.design.toml): the folder keeps a copy as design.toml, so that
// `vendrel-sweep sensitivity DIR` knows the scheme without being told.
// A design.toml already there stays (the sensitivity step checks that it
// makes the folder's manifest again).
void keep_design(const std::string& dir, const std::string& manifest_name) {
    if (manifest_name == "-") {
        return;
    }
    const std::string design = kept_design_path(manifest_name);
    const std::string copy = dir + "/design.toml";
    std::error_code error;
    if (!std::filesystem::is_regular_file(design, error) || std::filesystem::exists(copy, error)) {
        return;
    }
    write_file_atomically(copy, file_text(design));
}

}  // namespace

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
        if (file_text(copy) != manifest_text) {
            throw UsageError(dir + " holds another sweep: its manifest.csv differs from " +
                             manifest_name);
        }
    } else {
        write_file_atomically(copy, manifest_text);
    }
    keep_design(dir, manifest_name);
    return lock;
}

}  // namespace vendrel
