#include "sweep/sweep_sea_level.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "cli/parameter_assignment.h"
#include "cli/run_options.h"
#include "cli/sea_level_request.h"
#include "core/model_parameters.h"
#include "document/atomic_file.h"
#include "document/sea_level_csv.h"

namespace vendrel {
namespace {

// The distinct non-empty values of the column, in row order.
std::vector<std::string> distinct_files(const SweepManifest& manifest, int column) {
    std::vector<std::string> files;
    for (const SweepRow& row : manifest.rows) {
        const std::string& value = row.values[std::size_t(column)];
        if (!value.empty() && std::find(files.begin(), files.end(), value) == files.end()) {
            files.push_back(value);
        }
    }
    return files;
}

std::string source_path(const std::string& value, const std::string& manifest_path) {
    const std::filesystem::path path(value);
    if (path.is_absolute()) {
        return value;
    }
    return (std::filesystem::path(manifest_path).parent_path() / path).string();
}

std::string copy_path(const std::string& dir, std::size_t k, const std::string& value) {
    return dir + "/sea-level-" + std::to_string(k + 1) + "/" +
           std::filesystem::path(value).filename().string();
}

std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!in.is_open() || in.bad()) {
        throw FileError("cannot read " + path);
    }
    return text;
}

}  // namespace

std::vector<std::shared_ptr<const SeaLevelCurve>> check_sea_level_files(
    const SweepManifest& manifest, const std::string& manifest_path) {
    std::vector<std::shared_ptr<const SeaLevelCurve>> curves(manifest.rows.size());
    const int column = manifest.column(kSeaLevelFileKey);
    if (column < 0) {
        return curves;
    }
    const int totaltime_column = manifest.column("totaltime");
    for (std::size_t r = 0; r < manifest.rows.size(); ++r) {
        const SweepRow& row = manifest.rows[r];
        const std::string& value = row.values[std::size_t(column)];
        if (value.empty()) {
            continue;
        }
        double totaltime = ModelParameters{}.totaltime;
        if (totaltime_column >= 0) {
            totaltime =
                parse_real_strict(row.values[std::size_t(totaltime_column)]).value_or(totaltime);
        }
        try {
            curves[r] = read_sea_level_csv(source_path(value, manifest_path), totaltime);
        } catch (const FileError& e) {
            throw UsageError(manifest_path + ": line " + std::to_string(row.line) + ", column " +
                             std::to_string(column + 2) + " (\"" + kSeaLevelFileKey +
                             "\"): " + e.what());
        }
    }
    return curves;
}

void copy_sea_level_files(const SweepManifest& manifest, const std::string& manifest_path,
                          const std::string& dir) {
    const int column = manifest.column(kSeaLevelFileKey);
    if (column < 0) {
        return;
    }
    const std::vector<std::string> files = distinct_files(manifest, column);
    for (std::size_t k = 0; k < files.size(); ++k) {
        const std::string text = read_text(source_path(files[k], manifest_path));
        // Read once more since the check: what is copied must still be a curve.
        parse_sea_level_csv(text, files[k], ModelParameters{}.totaltime);
        const std::string copy = copy_path(dir, k, files[k]);
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::path(copy).parent_path(), error);
        if (error) {
            throw FileError("cannot make the folder for " + copy + ": " + error.message());
        }
        if (std::filesystem::exists(copy)) {
            if (read_text(copy) != text) {
                throw UsageError(dir + " holds another sweep: " + copy + " differs from " +
                                 files[k]);
            }
            continue;
        }
        write_file_atomically(copy, text);
    }
}

std::string sea_level_copy(const SweepManifest& manifest, const SweepRow& row,
                           const std::string& dir) {
    const int column = manifest.column(kSeaLevelFileKey);
    if (column < 0 || row.values[std::size_t(column)].empty()) {
        return {};
    }
    const std::vector<std::string> files = distinct_files(manifest, column);
    const std::string& value = row.values[std::size_t(column)];
    const auto k = std::size_t(std::find(files.begin(), files.end(), value) - files.begin());
    return copy_path(dir, k, value);
}

}  // namespace vendrel
