#include "sweep/design_description.h"

#include <gtest/gtest.h>

#include <string>

#include "cli/run_options.h"

namespace vendrel {
namespace {

TEST(DesignDescription, ReadsEveryFormOfFreeParameterInFileOrder) {
    const DesignDescription d = parse_design_description(R"(samples = 64
seed = 7
[fixed]
totaltime = 2000
depths = "0,5,10,15,20,30,40,50"
rates = [0, 10, 6, 3, 1, 1, 0.5, 0.2]
[free]
slip1 = [0, 2.5]
basin_sed_rate = { range = [0.001, 0.1], scale = "log" }
includecompact = { values = [0, 1] }
depths_3 = { range = [8, 12], scale = "linear" }
)",
                                                         "d.toml");
    EXPECT_EQ(d.samples, 64);
    EXPECT_EQ(d.seed, 7u);
    ASSERT_EQ(d.fixed.size(), 3u);
    EXPECT_EQ(d.fixed[0].key, "totaltime");
    EXPECT_EQ(d.fixed[2].value, "0,10,6,3,1,1,0.5,0.2");
    EXPECT_EQ(d.fixed[2].origin, "d.toml: line 6");
    ASSERT_EQ(d.free.size(), 4u);
    EXPECT_EQ(d.free[0].key, "slip1");
    EXPECT_EQ(d.free[0].high, 2.5);
    EXPECT_FALSE(d.free[0].log);
    EXPECT_EQ(d.free[1].key, "basin_sed_rate");
    EXPECT_TRUE(d.free[1].log);
    EXPECT_EQ(d.free[1].low, 0.001);
    EXPECT_EQ(d.free[2].key, "includecompact");
    EXPECT_EQ(d.free[2].values, (std::vector<double>{0, 1}));
    EXPECT_EQ(d.free[3].key, "depths_3");
    EXPECT_EQ(d.free[3].origin, "d.toml: line 11");
}

TEST(DesignDescription, HandsOverTheExtraTablesACallerAsksFor) {
    const std::string text = R"(method = "sobol"
samples = 8
seed = 1
[free]
slip1 = [0, 1]
[fit]
target = "well.csv"
)";
    EXPECT_THROW(parse_design_description(text, "d.toml"), UsageError);
    const DesignDescription d =
        parse_design_description(text, "d.toml", DesignExtras{{"fit"}, {"method"}});
    EXPECT_EQ(d.extra["method"].value_or(std::string()), "sobol");
    const toml::table* fit = d.extra["fit"].as_table();
    ASSERT_NE(fit, nullptr);
    EXPECT_EQ((*fit)["target"].value_or(std::string()), "well.csv");
    // Positions stay, so the caller's messages can name the line.
    EXPECT_EQ(fit->get("target")->source().begin.line, 7u);
    // A name asked for as a table is not taken as a value, nor the reverse.
    EXPECT_THROW(parse_design_description(text, "d.toml", DesignExtras{{"fit", "method"}, {}}),
                 UsageError);
}

TEST(DesignDescription, RefusesABadDescriptionNamingTheLine) {
    struct Case {
        const char* what;
        const char* text;
        const char* message;
    };
    const char* head = "samples = 8\nseed = 1\n";
    const Case cases[] = {
        {"not TOML", "samples = = 8\n", "d.toml: line 1: "},
        {"no samples", "seed = 1\n[free]\nslip1 = [0, 1]\n", "d.toml: no \"samples\" at the top"},
        {"no seed", "samples = 8\n[free]\nslip1 = [0, 1]\n", "no \"seed\" at the top"},
        {"samples zero", "samples = 0\nseed = 1\n[free]\nslip1 = [0, 1]\n",
         "d.toml: line 1: samples must be a whole number from 1 to 1000000"},
        {"samples a float", "samples = 8.5\nseed = 1\n[free]\nslip1 = [0, 1]\n",
         "line 1: samples must be a whole number"},
        {"negative seed", "samples = 8\nseed = -1\n[free]\nslip1 = [0, 1]\n",
         "line 2: seed must be a whole number from 0"},
        {"unknown top key", "samples = 8\nseed = 1\nsample = 9\n[free]\nslip1 = [0, 1]\n",
         "d.toml: line 3: unknown key \"sample\""},
        {"unknown table", "samples = 8\nseed = 1\n[free]\nslip1 = [0, 1]\n[fit]\na = 1\n",
         "line 5: unknown table [fit]"},
        {"no free table", "samples = 8\nseed = 1\n[fixed]\nslip1 = 1\n", "no [free] table"},
        {"empty free table", "samples = 8\nseed = 1\n[free]\n", "no [free] table"},
        {"unknown free key", "[free]\nslipp1 = [0, 1]\n", "line 4: free.slipp1: unknown parameter"},
        {"unknown fixed key", "[fixed]\nfoo = 1\n[free]\nslip1 = [0, 1]\n",
         "line 4: fixed.foo: unknown parameter \"foo\""},
        {"fixed not a number", "[fixed]\ntotaltime = \"abc\"\n[free]\nslip1 = [0, 1]\n",
         "line 4: fixed.totaltime: expected a number"},
        {"fixed table", "[fixed]\nx = { a = 1 }\n[free]\nslip1 = [0, 1]\n",
         "line 4: fixed.x: expected a number, a string or an array of numbers"},
        {"whole array free", "[free]\ndepths = [0, 1]\n",
         "line 4: free.depths: an array varies one element at a time (depths_1 to depths_8)"},
        {"range of one", "[free]\nslip1 = [1]\n", "line 4: free.slip1: a range is [low, high]"},
        {"range of text", "[free]\nslip1 = [\"a\", \"b\"]\n", "a range is [low, high]"},
        {"range reversed", "[free]\nslip1 = [2, 1]\n",
         "line 4: free.slip1: the range [2, 1] needs finite low < high"},
        {"range empty", "[free]\nslip1 = [1, 1]\n", "needs finite low < high"},
        {"range infinite", "[free]\nslip1 = [0, inf]\n", "needs finite low < high"},
        {"log from zero", "[free]\nslip1 = { range = [0, 1], scale = \"log\" }\n",
         "line 4: free.slip1: a log scale needs a range above 0, got low = 0"},
        {"bad scale", "[free]\nslip1 = { range = [1, 2], scale = \"ln\" }\n",
         "scale is \"linear\" or \"log\""},
        {"range and values", "[free]\nslip1 = { range = [1, 2], values = [1] }\n",
         "give either range or values"},
        {"unknown entry", "[free]\nslip1 = { rnage = [1, 2] }\n",
         "line 4: free.slip1: unknown entry \"rnage\""},
        {"scale with values", "[free]\nslip1 = { values = [1], scale = \"log\" }\n",
         "scale goes with a range"},
        {"empty values", "[free]\nslip1 = { values = [] }\n", "values must be a list of 1 to"},
        {"values nan", "[free]\nslip1 = { values = [1, nan] }\n", "values must be finite numbers"},
        {"a string", "[free]\nslip1 = \"0,1\"\n", "line 4: free.slip1: expected [low, high]"},
        {"range of an integer", "[free]\nincludecompact = [0, 1]\n",
         "free.includecompact: a whole-number parameter takes { values = [...] }"},
        {"fraction of an integer", "[free]\nincludecompact = { values = [0, 0.5] }\n",
         "free.includecompact: 0.5 is not a whole number"},
        {"free and fixed", "[fixed]\nslip1 = 1\n[free]\nslip1 = [0, 1]\n",
         "line 6: free.slip1 is also fixed (d.toml: line 4)"},
        {"outside a dialog's range", "[free]\namp_1 = [10, 150]\n",
         "line 4: free.amp_1 = 150 is outside the range of the Sea-Level Variations dialog"},
        {"a value outside", "[free]\ndepths_2 = { values = [3, -1] }\n",
         "free.depths_2 = -1 is outside the range of the Carbonate Factory dialog"},
        {"fixed outside", "[fixed]\nmax_y = 5000\n[free]\nslip1 = [0, 1]\n",
         "line 4: fixed.max_y = 5000 is outside the range of the Model Dimensions dialog"},
        {"fixed array outside",
         "[fixed]\ndepths = \"0,5,10,15,20,30,40,5000\"\n[free]\nslip1 = "
         "[0, 1]\n",
         "line 4: fixed.depths_8 = 5000 is outside"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string text = c.text;
        if (text.rfind("samples", 0) != 0 && text.rfind("seed", 0) != 0) {
            text = head + text;
        }
        try {
            parse_design_description(text, "d.toml");
            ADD_FAILURE() << "accepted";
        } catch (const UsageError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
}

TEST(DesignDescription, AWholeArrayFixedLeavesItsElementsFree) {
    const DesignDescription d = parse_design_description(
        "samples = 4\nseed = 0\n[fixed]\ndepths = \"0,5,10,15,20,30,40,50\"\n[free]\ndepths_3 = "
        "[8, 12]\n",
        "d.toml");
    EXPECT_EQ(d.free.at(0).key, "depths_3");
}

}  // namespace
}  // namespace vendrel
