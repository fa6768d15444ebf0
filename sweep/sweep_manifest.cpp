#include "sweep/sweep_manifest.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include "cli/parameter_assignment.h"
#include "cli/quoted_value.h"
#include "cli/run_options.h"
#include "cli/sea_level_request.h"
#include "core/parameter_fields.h"
#include "core/run_admission.h"
#include "document/csv_record.h"
#include "document/file_error.h"
#include "document/regular_file.h"

namespace vendrel {
namespace {

// One record of the manifest (line counts the lines it spans).
std::vector<std::string> read_record(const std::string& text, std::size_t& pos, int& line,
                                     const std::string& name) {
    const int first_line = line;
    CsvRecord record = read_csv_record(text, pos, line);
    if (!record.closed) {
        throw UsageError(name + ": line " + std::to_string(first_line) + ": a quote is not closed");
    }
    return std::move(record.fields);
}

}  // namespace

int SweepManifest::column(const std::string& key) const {
    const auto it = std::find(keys.begin(), keys.end(), key);
    return it == keys.end() ? -1 : int(it - keys.begin());
}

bool valid_run_id(const std::string& id) {
    const auto plain = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    };
    if (id.empty() || id.size() > 64 || !plain(id.front())) {
        return false;
    }
    return std::all_of(id.begin(), id.end(),
                       [&](char c) { return plain(c) || c == '.' || c == '_' || c == '-'; });
}

std::string csv_field(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (char c : text) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + "\"";
}

SweepManifest parse_sweep_manifest(const std::string& text, const std::string& name) {
    SweepManifest manifest;
    // A byte order mark, which spreadsheet programs write before UTF-8.
    std::size_t pos = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    int line = 1;
    std::vector<std::string> header;
    while (pos < text.size() && header.empty()) {
        const int at = line;
        std::vector<std::string> fields = read_record(text, pos, line, name);
        if (fields.size() == 1 && fields[0].empty()) {
            continue;
        }
        header = std::move(fields);
        if (header.front() != "run") {
            throw UsageError(name + ": line " + std::to_string(at) +
                             ": the first column must be \"run\", the run's id");
        }
    }
    if (header.empty()) {
        throw UsageError(name + ": no header line (run,key,...)");
    }
    for (std::size_t i = 1; i < header.size(); ++i) {
        const std::string& key = header[i];
        const std::string where =
            name + ": line 1, column " + std::to_string(i + 1) + " (" + quoted_value(key) + ")";
        if (key != kSeaLevelFileKey && !find_parameter_key(key)) {
            throw UsageError(where + ": unknown parameter");
        }
        if (manifest.column(key) >= 0) {
            throw UsageError(where + ": the key appears twice");
        }
        manifest.keys.push_back(key);
    }

    ModelParameters params = make_startup_parameters(1);
    DisplaySettings display;
    std::set<std::string> ids;
    while (pos < text.size()) {
        const int at = line;
        std::vector<std::string> fields = read_record(text, pos, line, name);
        if (fields.size() == 1 && fields[0].empty()) {
            continue;
        }
        const std::string where = name + ": line " + std::to_string(at);
        if (fields.size() != header.size()) {
            throw UsageError(where + ": " + std::to_string(fields.size()) +
                             " fields, the header has " + std::to_string(header.size()));
        }
        SweepRow row{fields[0], {fields.begin() + 1, fields.end()}, at};
        if (!valid_run_id(row.id)) {
            throw UsageError(where + ", column 1 (\"run\"): bad run id " + quoted_value(row.id) +
                             " (letters, digits, '.', '_', '-'; at most 64; "
                             "starting with a letter or digit)");
        }
        if (!ids.insert(row.id).second) {
            throw UsageError(where + ", column 1 (\"run\"): the run id " + quoted_value(row.id) +
                             " appears twice");
        }
        for (std::size_t k = 0; k < manifest.keys.size(); ++k) {
            if (manifest.keys[k] == kSeaLevelFileKey) {
                continue;  // a file name: read by check_sea_level_files
            }
            try {
                assign_parameter(params, display, manifest.keys[k], row.values[k]);
            } catch (const UsageError& e) {
                throw UsageError(where + ", column " + std::to_string(k + 2) + " (\"" +
                                 manifest.keys[k] + "\"): " + e.what());
            }
        }
        manifest.rows.push_back(std::move(row));
    }
    if (manifest.rows.empty()) {
        throw UsageError(name + ": no runs");
    }
    return manifest;
}

void check_sweep_runs(const SweepManifest& manifest, const std::string& name, bool allow_early_end,
                      const std::vector<std::shared_ptr<const SeaLevelCurve>>& curves) {
    // Each row runs from the parameters a new model has, with its values set.
    ModelParameters start = make_startup_parameters(1);
    set_document_defaults(start);
    for (std::size_t r = 0; r < manifest.rows.size(); ++r) {
        const SweepRow& row = manifest.rows[r];
        ModelParameters params = start;
        DisplaySettings display;
        for (std::size_t k = 0; k < manifest.keys.size(); ++k) {
            if (manifest.keys[k] != kSeaLevelFileKey) {
                assign_parameter(params, display, manifest.keys[k], row.values[k]);
            }
        }
        params.sea_level_curve = r < curves.size() ? curves[r] : nullptr;
        if (const auto refusal = refuse_script_run(params, allow_early_end)) {
            throw UsageError(name + ": line " + std::to_string(row.line) + ", run \"" + row.id +
                             "\": " + refusal->text +
                             (refusal->early_end ? "; or give --allow-early-end" : ""));
        }
    }
}

std::string read_manifest_text(const std::string& path) {
    if (path == "-") {
        std::string text;
        char buffer[65536];
        while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, stdin)) {
            text.append(buffer, n);
            if (text.size() > std::size_t(kMaxManifestBytes)) {
                throw UsageError("standard input: a manifest of at most 64 MiB");
            }
        }
        return text;
    }
    try {
        return read_regular_file(path, kMaxManifestBytes);
    } catch (const FileError& e) {
        throw UsageError(path + ": " + e.what());
    }
}

std::string manifest_name(const std::string& path) {
    return path == "-" ? "standard input" : path;
}

SweepManifest read_sweep_manifest(const std::string& path) {
    return parse_sweep_manifest(read_manifest_text(path), manifest_name(path));
}

}  // namespace vendrel
