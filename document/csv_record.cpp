#include "document/csv_record.h"

namespace vendrel {

CsvRecord read_csv_record(std::string_view text, std::size_t& pos, int& line) {
    CsvRecord record;
    std::vector<std::string>& fields = record.fields;
    fields.emplace_back();
    bool quoted = false;
    while (pos < text.size()) {
        const char c = text[pos++];
        if (quoted) {
            if (c == '"' && pos < text.size() && text[pos] == '"') {
                fields.back() += '"';
                ++pos;
            } else if (c == '"') {
                quoted = false;
            } else {
                if (c == '\n') {
                    ++line;
                }
                fields.back() += c;
            }
        } else if (c == '"' && fields.back().empty()) {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else if (c == '\n') {
            ++line;
            break;
        } else if (c != '\r') {
            fields.back() += c;
        }
    }
    record.closed = !quoted;
    return record;
}

}  // namespace vendrel
