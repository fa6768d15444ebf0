#pragma once
// Reading CSV (RFC 4180) one record at a time: fields between commas,
// quotes around a field that holds commas, quotes or line ends, "" for a
// quote inside; CR LF or LF ends a record.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vendrel {

struct CsvRecord {
    std::vector<std::string> fields;  // at least one (an empty line: one empty field)
    bool closed = true;               // false: the text ended inside quotes

    bool blank() const { return fields.size() == 1 && fields.front().empty(); }
};

// The record that starts at `pos`; moves `pos` past its line end and adds
// to `line` the lines it spans.
CsvRecord read_csv_record(std::string_view text, std::size_t& pos, int& line);

}  // namespace vendrel
