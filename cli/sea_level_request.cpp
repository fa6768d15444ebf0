#include "cli/sea_level_request.h"

#include <algorithm>
#include <filesystem>

#include "cli/run_options.h"
#include "core/model_parameters.h"
#include "core/sea_level_curve.h"
#include "document/sea_level_csv.h"

namespace vendrel {

SeaLevelRequest take_sea_level_request(const RunOptions& options,
                                       std::vector<ParameterSetting>& settings) {
    SeaLevelRequest request;
    for (const ParameterSetting& s : settings) {
        if (s.key != kSeaLevelFileKey) {
            continue;
        }
        if (s.origin == "--set") {
            throw UsageError("--set: " + s.key + ": name the curve with --sea-level FILE.csv");
        }
        std::filesystem::path path(s.value);
        if (path.is_relative() && !options.params_file.empty()) {
            path = std::filesystem::path(options.params_file).parent_path() / path;
        }
        request = {SeaLevelRequest::Kind::File, path.string(), s.origin};
    }
    settings.erase(
        std::remove_if(settings.begin(), settings.end(),
                       [](const ParameterSetting& s) { return s.key == kSeaLevelFileKey; }),
        settings.end());
    if (options.sea_level_file && options.no_sea_level_file) {
        throw UsageError("--sea-level and --no-sea-level-file exclude each other");
    }
    if (options.sea_level_file) {
        request = {SeaLevelRequest::Kind::File, *options.sea_level_file, "--sea-level"};
    } else if (options.no_sea_level_file) {
        request = {SeaLevelRequest::Kind::Sinusoids, {}, "--no-sea-level-file"};
    }
    return request;
}

void apply_sea_level_request(const SeaLevelRequest& request, ModelParameters& p) {
    switch (request.kind) {
        case SeaLevelRequest::Kind::Keep:
            return;
        case SeaLevelRequest::Kind::Sinusoids:
            p.sea_level_curve = nullptr;
            return;
        case SeaLevelRequest::Kind::File:
            try {
                p.sea_level_curve = read_sea_level_csv(request.path, p.totaltime);
            } catch (const FileError& e) {
                throw UsageError(request.origin + ": " + e.what());
            }
            return;
    }
}

}  // namespace vendrel
