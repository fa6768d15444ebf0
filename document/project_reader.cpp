#include "document/project_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "core/parameter_fields.h"
#include "document/number_parse.h"

namespace vendrel {
namespace {

constexpr std::string_view kSeparators = " ,;";
constexpr std::string_view kWhiteSpace = " \t\r\n\v\f";
constexpr int kMaxTokens = 11;

std::string_view trimmed(std::string_view line) {
    const std::size_t first = line.find_first_not_of(kWhiteSpace);
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = line.find_last_not_of(kWhiteSpace);
    return line.substr(first, last - first + 1);
}

// The file line by line, with a line past the end reading as empty.
class LineSource {
  public:
    LineSource(std::string_view text, std::string name) : text_(text), name_(std::move(name)) {}

    // Reads the next line; `requested` tokens of which the first is the key.
    // Returns the value tokens stored (fewer than requested - 1 when the
    // line lacks its last value; none when a key-only line stores nothing).
    int read(int requested, std::string_view key) {
        ++number_;
        std::string_view line;
        at_end_ = pos_ >= text_.size();
        if (!at_end_) {
            const std::size_t end = text_.find('\n', pos_);
            line = text_.substr(pos_, end == std::string_view::npos ? end : end - pos_);
            pos_ = end == std::string_view::npos ? text_.size() : end + 1;
        }
        count_ = split(trimmed(line), requested);
        if (count_ < requested - 1) {
            fail_line(requested, key);
        }
        return count_ >= 2 ? count_ - 1 : 0;
    }

    std::string_view value(int k) const {
        return k + 1 < count_ ? tokens_[k + 1] : std::string_view();
    }
    int line_number() const { return number_; }

    [[noreturn]] void fail(const std::string& what) const {
        throw ProjectFileError(name_ + ": line " + std::to_string(number_) + ": " + what);
    }

  private:
    int split(std::string_view line, int requested) {
        int count = 0;
        std::size_t i = 0;
        while (count < requested) {
            i = line.find_first_not_of(kSeparators, i);
            if (i == std::string_view::npos) {
                break;
            }
            const std::size_t end = std::min(line.find_first_of(kSeparators, i), line.size());
            tokens_[count++] = line.substr(i, end - i);
            i = end;
        }
        return count;
    }

    [[noreturn]] void fail_line(int requested, std::string_view key) const {
        const int expected = requested - 1;
        std::string what = "expected " + std::to_string(expected) +
                           (expected == 1 ? " value" : " values") + " after \"" + std::string(key) +
                           "\", found ";
        if (at_end_) {
            what += "the end of the file";
        } else if (count_ == 0) {
            what += "an empty line";
        } else {
            what += std::to_string(count_ - 1);
        }
        fail(what);
    }

    std::string_view text_;
    std::string name_;
    std::size_t pos_ = 0;
    int number_ = 0;
    bool at_end_ = false;
    int count_ = 0;
    std::array<std::string_view, kMaxTokens> tokens_{};
};

// Reads one parameter line into its field; false when the line stored nothing.
bool read_parameter(LineSource& source, const ParameterField& field, ModelParameters& p,
                    DisplaySettings& display) {
    const int stored = source.read(field.count() + 1, field.file_key);
    if (stored == 0) {
        return false;
    }
    visit_field(field, p, display, [&](auto& target) {
        using T = std::remove_cvref_t<decltype(target)>;
        if constexpr (std::is_same_v<T, double>) {
            target = parse_real_leading(source.value(0));
        } else if constexpr (std::is_same_v<T, std::int32_t>) {
            target = parse_int_leading(source.value(0));
        } else {
            for (std::size_t k = 0; k < target.size(); ++k) {
                target[k] = parse_real_leading(source.value(int(k)));
            }
        }
    });
    return true;
}

// Reads the lines of one section's parameters; true when its first line
// stored a value.
bool read_parameters(LineSource& source, FileSection section, ModelParameters& p,
                     DisplaySettings& display) {
    bool first = true;
    bool first_stored = false;
    for (const ParameterField& field : parameter_fields()) {
        if (field.section == section) {
            const bool stored = read_parameter(source, field, p, display);
            first_stored = first ? stored : first_stored;
            first = false;
        }
    }
    return first_stored;
}

int read_count(LineSource& source, int previous) {
    if (source.read(2, "display_current_disp") == 0) {
        return previous;
    }
    const std::int32_t count = parse_int_leading(source.value(0));
    if (count < 0 || count > MAX_HORIZON_SLOT) {
        source.fail("expected a horizon count from 0 to " + std::to_string(MAX_HORIZON_SLOT) +
                    " after \"display_current_disp\", found " + std::to_string(count));
    }
    return count;
}

void read_single(LineSource& source, std::string_view key, double& target) {
    if (source.read(2, key) != 0) {
        target = parse_real_leading(source.value(0));
    }
}

}  // namespace

ProjectDefaults current_project_values(const ModelParameters& p, const DisplaySettings& display,
                                       const ModelState& s) {
    ProjectDefaults d;
    d.params = p;
    d.display = display;
    d.count = s.published_count();
    d.x_values.assign(s.x_values.data(), s.x_values.data() + COLUMN_SLOTS);
    std::copy(std::begin(s.sealevel_values), std::end(s.sealevel_values), d.sealevels.begin());
    return d;
}

LoadedProject parse_project_file(std::string_view contents, const std::string& name,
                                 const ProjectDefaults& defaults) {
    LineSource source(contents, file_name_of(name));
    LoadedProject loaded;
    ProjectData& d = loaded.data;
    d.params = defaults.params;
    d.display = defaults.display;

    if (read_parameters(source, FileSection::Parameters, d.params, d.display)) {
        loaded.first_line_sea_level = d.params.baselevel;  // line 1
    }

    // The count: out of range is refused before anything past it is read.
    const int previous = std::clamp(defaults.count, 0, MAX_HORIZON_SLOT);
    d.count = read_count(source, previous);
    const int N = d.count;

    d.x_values = defaults.x_values;
    for (int c = 1; c <= COLUMN_COUNT; ++c) {
        read_single(source, "x_values", d.x_values[c]);
    }
    d.horizons.resize(std::size_t(COLUMN_COUNT) * N);
    for (auto& values : d.horizons) {
        source.read(5, "values");
        for (int k = 0; k < 4; ++k) {
            values[k] = parse_real_leading(source.value(k));
        }
    }
    d.sealevels.assign(defaults.sealevels.begin(), defaults.sealevels.begin() + N + 1);
    for (int h = 1; h <= N; ++h) {
        read_single(source, "sealevel_values", d.sealevels[h]);
    }
    read_parameters(source, FileSection::Tectonics, d.params, d.display);
    return loaded;
}

LoadedProject ReadProjectFile(const std::string& path, const ProjectDefaults& defaults) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throw FileError("cannot open " + path + ": " + std::strerror(errno));
    }
    std::string contents;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        throw FileError("cannot open " + path + ": " + std::strerror(EISDIR));
    }
    if (info.st_size > 0) {
        contents.reserve(std::size_t(info.st_size));
    }
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            throw FileError("cannot read " + path + ": " + std::strerror(error));
        }
        if (n == 0) {
            break;
        }
        contents.append(buffer, std::size_t(n));
    }
    ::close(fd);
    return parse_project_file(contents, path, defaults);
}

}  // namespace vendrel
