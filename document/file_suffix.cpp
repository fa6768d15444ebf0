#include "document/file_suffix.h"

#include <algorithm>
#include <filesystem>

namespace vendrel {

bool has_file_suffix(const std::string& path, std::string_view suffix) {
    const std::string name = std::filesystem::path(path).filename().string();
    if (name.size() <= suffix.size()) {
        return false;
    }
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return std::equal(suffix.begin(), suffix.end(), name.end() - std::ptrdiff_t(suffix.size()),
                      [&](char want, char have) { return want == lower(have); });
}

}  // namespace vendrel
