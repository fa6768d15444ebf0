#include "document/project_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <vector>

#include "core/parameter_fields.h"
#include "core/sea_level_curve.h"
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

// The lines of a project, from memory or from a file descriptor. A line is
// handed out without its line feed and stays valid until the next call.
class LineInput {
  public:
    enum class Result { Line, End, TooLong };
    virtual ~LineInput() = default;
    virtual Result next(std::string_view& line) = 0;
};

class TextLines : public LineInput {
  public:
    explicit TextLines(std::string_view text) : text_(text) {}
    Result next(std::string_view& line) override {
        if (pos_ >= text_.size()) {
            return Result::End;
        }
        const std::size_t end = text_.find('\n', pos_);
        line = text_.substr(pos_, end == std::string_view::npos ? end : end - pos_);
        pos_ = end == std::string_view::npos ? text_.size() : end + 1;
        return line.size() > kMaxProjectLineLength ? Result::TooLong : Result::Line;
    }

  private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

// Reads the descriptor in blocks into a buffer of twice the longest line, so
// a line that fits is always whole in the buffer and nothing past the last
// line the reader asks for is read.
class DescriptorLines : public LineInput {
  public:
    DescriptorLines(int fd, std::string path)
        : fd_(fd), path_(std::move(path)), buffer_(2 * kMaxProjectLineLength) {}
    Result next(std::string_view& line) override {
        for (;;) {
            const char* data = buffer_.data();
            const void* feed = std::memchr(data + scanned_, '\n', end_ - scanned_);
            if (feed != nullptr) {
                const std::size_t at = std::size_t(static_cast<const char*>(feed) - data);
                line = std::string_view(data + begin_, at - begin_);
                begin_ = scanned_ = at + 1;
                return line.size() > kMaxProjectLineLength ? Result::TooLong : Result::Line;
            }
            scanned_ = end_;
            if (end_ - begin_ > kMaxProjectLineLength) {
                return Result::TooLong;
            }
            if (at_end_) {
                if (begin_ == end_) {
                    return Result::End;
                }
                line = std::string_view(data + begin_, end_ - begin_);
                begin_ = scanned_ = end_;
                return Result::Line;
            }
            fill();
        }
    }

  private:
    void fill() {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        scanned_ -= begin_;
        begin_ = 0;
        for (;;) {
            const ssize_t n = ::read(fd_, buffer_.data() + end_, buffer_.size() - end_);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                throw FileError("cannot read " + path_ + ": " + std::strerror(errno));
            }
            at_end_ = n == 0;
            end_ += std::size_t(n);
            return;
        }
    }

    int fd_;
    std::string path_;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;    // start of the next line
    std::size_t scanned_ = 0;  // no line feed in [begin_, scanned_)
    std::size_t end_ = 0;
    bool at_end_ = false;
};

// The first lines, which decide whether a file is a project at all: the
// parameter lines and the horizon count.
constexpr int kJudgedLines = 44;

// Why `line` (number `number`) shows that the file is not a project, or
// null. A project is text: a line holding a NUL or another control byte
// (other than tab, carriage return, vertical tab and form feed) is binary
// data or another encoding (UTF-16 puts a NUL beside every ASCII letter).
// Its first line begins with a key, a letter or underscore, after an
// optional UTF-8 byte-order mark. Nothing else is judged: a text file of
// another layout reads by position.
const char* not_a_project(std::string_view line, int number) {
    for (const char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && byte != '\t' && byte != '\r' && byte != '\v' && byte != '\f') ||
            byte == 0x7f) {
            return "holds bytes that are not text";
        }
    }
    if (number == 1) {
        std::string_view first = trimmed(line);
        if (first.substr(0, 3) == "\xef\xbb\xbf") {
            first.remove_prefix(3);
        }
        const char c = first.empty() ? '\0' : first.front();
        if (!first.empty() && !(c == '_' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) {
            return "does not begin with a key";
        }
    }
    return nullptr;
}

// The file line by line, with a line past the end reading as empty.
class LineSource {
  public:
    LineSource(LineInput& input, std::string name) : input_(input), name_(std::move(name)) {}

    // Reads the next line; `requested` tokens of which the first is the key.
    // Returns the value tokens stored (fewer than requested - 1 when the
    // line lacks its last value; none when a key-only line stores nothing).
    int read(int requested, std::string_view key) {
        ++number_;
        std::string_view line;
        const LineInput::Result result = input_.next(line);
        at_end_ = result == LineInput::Result::End;
        too_long_ = result == LineInput::Result::TooLong;
        if (result == LineInput::Result::Line && number_ <= kJudgedLines) {
            if (const char* why = not_a_project(line, number_)) {
                throw ProjectFileError("not a Vendrel project: " + name_ + ": line " +
                                       std::to_string(number_) + " " + why);
            }
        }
        count_ = too_long_ ? 0 : split(trimmed(line), requested);
        if (count_ < requested - 1) {
            fail_line(requested, key);
        }
        return count_ >= 2 ? count_ - 1 : 0;
    }

    // The next line whole, for a section that may follow the last line the
    // file needs: false at the end of the file or for a line too long to
    // be one of the program's.
    bool read_whole(std::string_view& line) {
        ++number_;
        return input_.next(line) == LineInput::Result::Line;
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
        } else if (too_long_) {
            what += "a line longer than " + std::to_string(kMaxProjectLineLength) + " bytes";
        } else if (count_ == 0) {
            what += "an empty line";
        } else {
            what += std::to_string(count_ - 1);
        }
        fail(what);
    }

    LineInput& input_;
    std::string name_;
    int number_ = 0;
    bool at_end_ = false;
    bool too_long_ = false;
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

// The optional curve section after the fault lines: a line beginning with
// exactly its key, "sea_level_curve NAME COUNT", then COUNT point lines
// "sea_level_point TIME LEVEL". Any other line there is ignored, as is the
// rest of the file.
std::shared_ptr<const SeaLevelCurve> read_curve_section(LineSource& source) {
    std::string_view line;
    if (!source.read_whole(line)) {
        return nullptr;
    }
    constexpr std::string_view kKey = kSeaLevelCurveKey;
    if (line.substr(0, kKey.size()) != kKey ||
        (line.size() > kKey.size() && line[kKey.size()] != ' ' && line[kKey.size()] != '\r')) {
        return nullptr;
    }
    const std::string_view rest = trimmed(line.substr(kKey.size()));
    const std::size_t gap = rest.find_last_of(' ');
    const std::string_view count_text = gap == std::string_view::npos ? rest : rest.substr(gap + 1);
    const std::string name(gap == std::string_view::npos ? std::string_view()
                                                         : trimmed(rest.substr(0, gap)));
    std::int64_t count = 0;
    const auto parsed =
        std::from_chars(count_text.data(), count_text.data() + count_text.size(), count);
    if (parsed.ec != std::errc() || parsed.ptr != count_text.data() + count_text.size() ||
        count < 2 || count > std::int64_t(SeaLevelCurve::kMaxPoints)) {
        source.fail("expected a point count from 2 to " +
                    std::to_string(SeaLevelCurve::kMaxPoints) + " at the end of \"" +
                    std::string(kKey) + "\"");
    }
    std::vector<SeaLevelPoint> points(std::size_t(count), SeaLevelPoint{});
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (source.read(3, kSeaLevelPointKey) != 2) {
            source.fail("expected 2 values after \"" + std::string(kSeaLevelPointKey) + "\"");
        }
        points[i].time = parse_real_leading(source.value(0));
        points[i].level = parse_real_leading(source.value(1));
        const std::string problem =
            sea_level_point_problem(i == 0 ? nullptr : &points[i - 1], points[i]);
        if (!problem.empty()) {
            source.fail(problem);
        }
    }
    return std::make_shared<const SeaLevelCurve>(name, std::move(points));
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

namespace {

LoadedProject read_project(LineInput& input, const std::string& name,
                           const ProjectDefaults& defaults) {
    LineSource source(input, std::filesystem::path(name).filename().string());
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
    d.params.sea_level_curve = read_curve_section(source);
    return loaded;
}

}  // namespace

LoadedProject parse_project_file(std::string_view contents, const std::string& name,
                                 const ProjectDefaults& defaults) {
    TextLines lines(contents);
    return read_project(lines, name, defaults);
}

LoadedProject read_project_stream(int fd, const std::string& name,
                                  const ProjectDefaults& defaults) {
    DescriptorLines lines(fd, name);
    return read_project(lines, name, defaults);
}

LoadedProject ReadProjectFile(const std::string& path, const ProjectDefaults& defaults) {
    if (path == kStandardStream) {
        return read_project_stream(STDIN_FILENO, "standard input", defaults);
    }
    // Only a regular file is read: a FIFO could block for ever and a device
    // could yield bytes without end. The check comes before opening (opening
    // a FIFO waits for a writer) and again on what was opened.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        throw FileError("cannot open " + path + ": " + std::strerror(errno));
    }
    auto refuse_unless_regular = [&path](const struct stat& st) {
        if (S_ISDIR(st.st_mode)) {
            throw FileError("cannot open " + path + ": " + std::strerror(EISDIR));
        }
        if (!S_ISREG(st.st_mode)) {
            throw FileError("cannot open " + path + ": not a regular file");
        }
    };
    refuse_unless_regular(info);
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        throw FileError("cannot open " + path + ": " + std::strerror(errno));
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    if (::fstat(fd, &info) != 0) {
        throw FileError("cannot open " + path + ": " + std::strerror(errno));
    }
    refuse_unless_regular(info);
    return read_project_stream(fd, path, defaults);
}

}  // namespace vendrel
