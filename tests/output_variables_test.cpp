// The README's list of the exported variables against the table of them
// (document/output_variables.h): every variable listed once, with the
// dimensions, units and long name the table gives it.

#include "document/output_variables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/simulation.h"
#include "document/csv_export.h"
#include "document/project.h"
#include "tests/test_support.h"

namespace vendrel {
namespace {

constexpr std::string_view kSection = "### The NetCDF file\n";
constexpr std::string_view kTableHeader = "| Variable | Dimensions | Units | Long name |";

// The README's row of a variable: its name in backquotes, the dimensions
// separated by commas, the units (flags by value and meaning, "—" for
// none) with the positive direction, and the long name with the CF
// standard name.
std::string readme_row(const OutputVariable& v) {
    std::string dimensions;
    for (OutputDimension d : v.dimensions) {
        dimensions += (dimensions.empty() ? "" : ", ") + std::string(dimension_name(d));
    }
    std::string units(v.units);
    if (!v.flag_meanings.empty()) {
        units = "flags:";
        std::string_view meanings = v.flag_meanings;
        for (int flag = 0; !meanings.empty(); ++flag) {
            const std::size_t space = std::min(meanings.find(' '), meanings.size());
            units += (flag == 0 ? " " : ", ") + std::to_string(flag) + " " +
                     std::string(meanings.substr(0, space));
            meanings.remove_prefix(std::min(space + 1, meanings.size()));
        }
    } else if (units.empty()) {
        units = "\u2014";
    }
    if (!v.positive.empty()) {
        units += ", positive " + std::string(v.positive);
    }
    std::string long_name(v.long_name);
    if (!v.standard_name.empty()) {
        long_name += " (standard name `" + std::string(v.standard_name) + "`)";
    }
    return "| `" + std::string(v.name) + "` | " + dimensions + " | " + units + " | " + long_name +
           " |";
}

// Where the README's text differs from the table: one line per variable
// that is missing, extra, listed twice or described otherwise.
std::vector<std::string> readme_differences(const std::string& readme) {
    const std::size_t section = readme.find(kSection);
    const std::size_t header =
        section == std::string::npos ? section : readme.find(kTableHeader, section);
    if (header == std::string::npos) {
        return {"no table \"" + std::string(kTableHeader) + "\" under \"The NetCDF file\""};
    }
    // The rows: the lines after the header and its rule that start with "|".
    std::map<std::string, std::string> rows;
    std::vector<std::string> differences;
    std::size_t at = readme.find('\n', readme.find('\n', header) + 1) + 1;
    while (at < readme.size() && readme[at] == '|') {
        const std::size_t end = std::min(readme.find('\n', at), readme.size());
        const std::string row = readme.substr(at, end - at);
        at = end + 1;
        const std::size_t open = row.find('`');
        const std::size_t close = row.find('`', open + 1);
        const std::string name =
            open == std::string::npos ? row : row.substr(open + 1, close - open - 1);
        if (!rows.emplace(name, row).second) {
            differences.push_back("listed twice: " + name);
        }
    }
    for (const OutputVariable& v : output_variables()) {
        const std::string expected = readme_row(v);
        const auto row = rows.find(std::string(v.name));
        if (row == rows.end()) {
            differences.push_back("missing: " + expected);
        } else if (row->second != expected) {
            differences.push_back("differs: " + row->second + "\n   table: " + expected);
        }
        if (row != rows.end()) {
            rows.erase(row);
        }
    }
    for (const auto& [name, row] : rows) {
        differences.push_back("not in the table: " + row);
    }
    return differences;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

TEST(OutputVariables, ReadmeListsEveryVariableAsTheTableDescribesIt) {
    const std::vector<std::string> differences =
        readme_differences(testing::read_file(VENDREL_README));
    EXPECT_TRUE(differences.empty()) << joined(differences);
}

// The check catches each way the list can go wrong.
TEST(OutputVariables, ReadmeCheckFindsEveryDifference) {
    const std::string readme = testing::read_file(VENDREL_README);
    ASSERT_TRUE(readme_differences(readme).empty());
    const std::string z_row = readme_row(*find_output_variable("z"));
    ASSERT_NE(readme.find(z_row + "\n"), std::string::npos);
    struct Case {
        const char* label;
        std::string replacement;  // of z's row
        const char* found;
    };
    const Case cases[] = {
        {"row left out", "", "missing: | `z` |"},
        {"row twice", z_row + "\n" + z_row, "listed twice: z"},
        {"row of another variable", z_row + "\n| `z_top` | horizon | m | top |",
         "not in the table: | `z_top` |"},
        {"other units",
         "| `z` | horizon, x | m | depth of the horizon below the top of the section |",
         "differs: | `z` |"},
        {"other dimensions",
         "| `z` | x, horizon | m, positive down | depth of the horizon below the top of the "
         "section |",
         "differs: | `z` |"},
        {"other long name", "| `z` | horizon, x | m, positive down | depth of the horizon |",
         "differs: | `z` |"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::string changed = readme;
        const std::size_t at = changed.find(z_row + "\n");
        changed.replace(at, z_row.size() + (c.replacement.empty() ? 1 : 0), c.replacement);
        const std::string differences = joined(readme_differences(changed));
        EXPECT_NE(differences.find(c.found), std::string::npos) << differences;
    }
    EXPECT_NE(joined(readme_differences("# Vendrel\n")).find("no table"), std::string::npos);
}

// The header lines the README shows under "The CSV tables" are those the
// exports write, which take their names from the table.
TEST(OutputVariables, ReadmeShowsTheCsvHeaders) {
    const std::string readme = testing::read_file(VENDREL_README);
    const std::string csv = readme.substr(readme.find("### The CSV tables\n"));
    Project project(testing::document_parameters());
    project.simulation().new_model();
    const ProjectData data = project.snapshot();
    const auto header = [](const std::string& table) {
        return table.substr(0, table.find("\r\n"));
    };
    // A well adds ",accommodation_created_m_at_1000": the README writes X
    // for its position.
    const std::string without = header(format_trajectory_csv(data));
    const std::string with_well = header(format_trajectory_csv(data, {1000.0}));
    const std::string well_column =
        with_well.substr(without.size(), with_well.rfind("1000") - without.size()) + "X";
    const struct {
        const char* label;
        std::string line;
    } cases[] = {
        {"section", header(format_section_csv(data))},
        {"wells", header(format_wells_csv(data, {1000.0}))},
        {"trajectory", without + "[" + well_column + "...]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_NE(csv.find("\n    " + c.line + "\n"), std::string::npos) << c.line;
    }
}

}  // namespace
}  // namespace vendrel
