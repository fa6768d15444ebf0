// Data exports: the stratigraphic definitions, pseudo-wells, the CSV tables
// and the NetCDF file, the last two read back by a real client (xarray and
// the csv module under /usr/bin/python3, and ncdump).

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/initial_geometry.h"
#include "core/model_state.h"
#include "core/parameter_fields.h"
#include "core/sea_level_curve.h"
#include "document/csv_export.h"
#include "document/netcdf_export.h"
#include "document/output_variables.h"
#include "document/platform_margin.h"
#include "document/project.h"
#include "document/project_reader.h"
#include "document/project_writer.h"
#include "document/pseudo_well.h"
#include "document/shoreline_trajectory.h"
#include "document/stratigraphy.h"
#include "tests/test_support.h"

namespace vendrel {
namespace {

using testing::CommandResult;
using testing::run_command;
using testing::TempDir;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Runs the reading client on an export; its output lists what failed.
void expect_client_accepts(const std::string& arguments) {
    const CommandResult result =
        run_command(std::string(VENDREL_PYTHON) + " " + VENDREL_EXPORT_CHECK + " " + arguments);
    EXPECT_EQ(result.status, 0) << result.output;
}

std::string parameter_names() {
    std::string names;
    for (const ParameterField& field : parameter_fields()) {
        if (!names.empty()) {
            names += ',';
        }
        names += field.name;
    }
    return names;
}

// Starts a short run (20 recordings) with faults and compaction.
void start_faulted_run(Simulation& sim) {
    sim.new_model();
    sim.change_parameters([](ModelParameters& p) {
        p.includecompact = 1;
        p.slip1 = 1;
        p.slip2 = 0.5;
    });
    sim.start_run();
}

// A finished short run (20 recordings) with faults and compaction, saved to
// a project file.
class ExportedRun : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        project_ = std::make_unique<Project>(testing::short_run_parameters());
        Simulation& sim = project_->simulation();
        start_faulted_run(sim);
        if (!sim.wait_until_idle(std::chrono::minutes(5))) {
            sim.stop_and_wait();
            ADD_FAILURE() << "the run did not end within 5 minutes";
        }
        run_ = std::make_unique<ProjectData>(project_->snapshot());
        folder_ = std::make_unique<TempDir>();
        vdl_ = folder_->file("run.vdl");
        save_project_file(vdl_, *run_);
    }
    static void TearDownTestSuite() {
        folder_.reset();
        run_.reset();
        project_.reset();
    }

    static std::unique_ptr<Project> project_;
    static std::unique_ptr<ProjectData> run_;
    static std::unique_ptr<TempDir> folder_;
    static std::string vdl_;
};
std::unique_ptr<Project> ExportedRun::project_;
std::unique_ptr<ProjectData> ExportedRun::run_;
std::unique_ptr<TempDir> ExportedRun::folder_;
std::string ExportedRun::vdl_;

// ---- definitions -------------------------------------------------------

TEST(Stratigraphy, LayerThicknessAndHiatus) {
    struct Case {
        const char* label;
        double below, above;
        double thickness;
        int hiatus;
    };
    const Case cases[] = {
        {"deposited layer", 120.5, 118.0, 2.5, 0},
        {"just over a millimetre", 10.0011, 10.0, 0.0011, 0},
        {"exactly a millimetre", 10.125, 10.124, 0.001, 1},
        {"truncated to the older horizon", 50.0, 50.0, 0.0, 1},
        {"negative difference counts as 0", 50.0, 50.2, 0.0, 1},
        {"not finite", kNaN, 50.0, kNaN, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const double t = layer_thickness(c.below, c.above);
        if (std::isnan(c.thickness)) {
            EXPECT_TRUE(std::isnan(t));
        } else {
            EXPECT_NEAR(t, c.thickness, 1e-12);
        }
        EXPECT_EQ(hiatus_flag(t), c.hiatus);
    }
}

TEST(Stratigraphy, SubaerialIsLandDepositionThatLeftALayer) {
    struct Case {
        const char* label;
        double depth, thickness;
        int subaerial;
    };
    const Case cases[] = {
        {"laid down on land", 0.0, 2.5, 1},
        {"in 1 cm of water", 0.01, 2.5, 0},
        {"land, but only a millimetre: a hiatus", 0.0, 0.001, 0},
        {"land, just over a millimetre", 0.0, 0.0011, 1},
        {"horizon 1 has no layer", 0.0, kNaN, -1},
        {"depth not known", kNaN, 2.5, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(subaerial_flag(c.depth, c.thickness), c.subaerial);
    }
}

TEST(Stratigraphy, HorizonTimesFollowTheRunLoop) {
    struct Case {
        const char* label;
        double max_x, diff_coeff, display_inc;
        double interval_kyr;  // NaN: the run records nothing
    };
    const Case cases[] = {
        {"defaults: dt 1, 2000 steps", 2000, 0.25, 2000, 2.0},
        {"dt 0.625: 1600 steps", 2000, 0.8, 1000, 1.0},
        {"whole steps only: 1600.8 steps give 1600", 2000, 0.8, 1000.5, 1.0},
        {"dt capped at one year", 2000, 0.1, 1000.5, 1.0},
        {"dt 0.5 (dx 1, kappa 1)", 2000, 1.0, 300, 0.3},
        {"increment below dt records nothing", 2000, 0.25, 0.5, kNaN},
        {"no width: no steps", 0, 0.25, 2000, kNaN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ModelParameters p = testing::document_parameters();
        p.max_x = c.max_x;
        p.diff_coeff = c.diff_coeff;
        p.display_inc = c.display_inc;
        const std::vector<double> times = horizon_times_kyr(p, 4);
        ASSERT_EQ(times.size(), 4u);
        EXPECT_EQ(times[0], 0.0);
        const std::vector<double> ages = horizon_ages_kyr(times);
        for (int h = 2; h <= 4; ++h) {
            if (std::isnan(c.interval_kyr)) {
                EXPECT_TRUE(std::isnan(times[h - 1]));
            } else {
                EXPECT_NEAR(times[h - 1], (h - 1) * c.interval_kyr, 1e-12);
                EXPECT_NEAR(ages[h - 1], (4 - h) * c.interval_kyr, 1e-12);
            }
        }
    }
}

TEST(Stratigraphy, InitialSurfaceIsTheRunsGeometry) {
    for (int platform : {0, 1}) {
        SCOPED_TRACE(platform);
        ModelParameters p = testing::document_parameters();
        p.isolated_platform = platform;
        p.max_x = 1500;
        p.control_x[9] = 1500;
        const auto state = std::make_unique<ModelState>(p);
        build_initial_geometry(p, *state);
        const std::vector<double> z = initial_surface_z(p);
        for (int c = 1; c <= COLUMN_COUNT; ++c) {
            ASSERT_EQ(z[std::size_t(c)], state->initial_surface[std::size_t(c)]) << c;
        }
    }
}

TEST_F(ExportedRun, NewestHorizonTimeIsTheRunsEnd) {
    // The run ends on a recording: its last step's time is time(N).
    const Stratigraphy section(*run_);
    ASSERT_EQ(run_->count, 21);
    const double sim_time = project_->simulation().read().state().sim_time;
    EXPECT_NEAR(section.time_kyr(run_->count), sim_time / 1000, 1e-12);
    EXPECT_EQ(section.age_kyr(run_->count), 0.0);
}

// ---- shoreline trajectory ----------------------------------------------

TEST(ShorelineTrajectory, StepClasses) {
    const struct {
        const char* label;
        double dx, de;
        TrajectoryClass step;
    } cases[] = {
        {"seaward while the sea falls", 40, -10, TrajectoryClass::ForcedRegressive},
        {"held at a cliff while the sea falls", 0, -3, TrajectoryClass::ForcedRegressive},
        {"seaward at a standing sea", 20, 0, TrajectoryClass::NormalRegressive},
        {"seaward while the sea rises", 20, 4, TrajectoryClass::NormalRegressive},
        {"landward while the sea rises", -40, 10, TrajectoryClass::Transgressive},
        {"landward while the sea falls", -40, -1, TrajectoryClass::Transgressive},
        {"in place while the sea rises", 0, 5, TrajectoryClass::Aggradational},
        {"one column seaward while the sea rises", 1, 5, TrajectoryClass::Aggradational},
        {"not known", kNaN, 5, TrajectoryClass::Missing},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(classify_trajectory_step(c.dx, c.de, 1.0), c.step);
    }
}

// A ramp z = c / 4 (column c at x = c, dx = 1 m) moved up by the
// sediment of each horizon, under a sea level chosen for each class.
TEST(ShorelineTrajectory, HandMadeSection) {
    ProjectData data;
    data.params.max_x = 2000;
    data.params.max_y = 500;
    data.params.baselevel = 250;
    data.count = 6;
    data.x_values.assign(COLUMN_SLOTS, 0);
    const double raised[] = {0, 0, 5, 5, 10, 10};  // sediment on the ramp, m
    data.sealevels.assign(std::size_t(data.count) + 1, 0.0);
    const double sea[] = {0, 240, 240, 250, 245, -100};  // slot 1's planned value unused
    for (int h = 2; h <= data.count; ++h) {
        data.sealevels[std::size_t(h)] = sea[h - 1];
    }
    data.sealevels[1] = 100;
    for (int c = 1; c <= COLUMN_COUNT; ++c) {
        data.x_values[std::size_t(c)] = c;
        for (int h = 1; h <= data.count; ++h) {
            data.horizons.push_back({0.25 * c - raised[h - 1], 3, 0, 0.45});
        }
    }
    const struct {
        int column;
        TrajectoryClass step;
    } expected[] = {
        {1000, TrajectoryClass::Missing},           // baselevel 250 m down
        {960, TrajectoryClass::Transgressive},      // the sea rises 10 m
        {980, TrajectoryClass::NormalRegressive},   // 5 m of sediment, the sea stands
        {1020, TrajectoryClass::ForcedRegressive},  // the sea falls 10 m
        {1020, TrajectoryClass::Aggradational},     // 5 m more, the sea rises 5 m
        {0, TrajectoryClass::Missing},              // the sea above the whole section
    };
    const std::vector<ShorelinePoint> shore = shoreline_trajectory(data);
    ASSERT_EQ(shore.size(), 6u);
    for (int h = 1; h <= data.count; ++h) {
        SCOPED_TRACE(h);
        const ShorelinePoint& p = shore[std::size_t(h - 1)];
        EXPECT_EQ(p.column, expected[h - 1].column);
        EXPECT_EQ(p.step, expected[h - 1].step);
        if (p.column != 0) {
            EXPECT_EQ(p.x, p.column);
            EXPECT_EQ(p.elevation, 500 - (h == 1 ? 250 : sea[h - 1]));
        }
    }
    const std::string csv = format_trajectory_csv(data);
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")),
              "horizon,time_kyr,age_kyr,shoreline_x_m,shoreline_elevation_m,trajectory,"
              "platform_margin_x_m,platform_margin_elevation_m,sediment_supplied_m2");
    // The ramp is steeper than the shelf break everywhere: the margin is the
    // shoreline's column.
    EXPECT_NE(csv.find(",1020,250,forced_regressive,1020,250,0\r\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find(",,,,,,0\r\n"), std::string::npos) << "horizon 6 has no shoreline";
}

// A gentle shelf (slope 0.01) on columns 1..1200 (x = c m, dx = 1 m) and a
// slope of 0.2 beyond it, built up and eroded horizon by horizon.
TEST(PlatformMargin, HandMadeShelf) {
    ProjectData data;
    data.params.max_x = 2000;
    data.params.max_y = 500;
    data.params.baselevel = 205;
    data.count = 5;
    data.x_values.assign(COLUMN_SLOTS, 0);
    data.sealevels = {0, 100, 205, -100, 205, 205};
    const auto shelf = [](int c, double top) {
        return c <= 1200 ? top + 0.01 * c : top + 12 + 0.2 * (c - 1200);
    };
    for (int c = 1; c <= COLUMN_COUNT; ++c) {
        data.x_values[std::size_t(c)] = c;
        const double z[] = {
            shelf(c, 200),
            c <= 1200 ? shelf(c, 198) : shelf(c, 200),  // 2 m on the shelf
            c <= 1200 ? shelf(c, 198) : shelf(c, 200),  // the sea above everything
            c <= 1200 ? shelf(c, 197) : shelf(c, 199),  // 1 m everywhere
            197 + 0.01 * c,                             // the slope filled to the shelf's
        };
        for (const double v : z) {
            data.horizons.push_back({v, 0, 0, 0.45});
        }
    }
    const struct {
        int margin;  // 0: missing
        double elevation;
        double supplied;  // NaN: missing
    } expected[] = {
        {1200, 500 - 212, kNaN},
        {1200, 500 - 210, 2 * 1200},
        {0, 0, 0},  // no shoreline
        {1200, 500 - 209, 2000},
        // Nothing steep: 800 columns of 14 + 0.2 (c - 1200) - 0.01 c.
        {0, 0, 11200 + 64080 - 12804},
    };
    const std::vector<ShorelinePoint> shore = shoreline_trajectory(data);
    const std::vector<MarginPoint> margin = platform_margin(data, shore);
    const std::vector<double> supplied = sediment_supplied(data);
    ASSERT_EQ(margin.size(), std::size(expected));
    ASSERT_EQ(supplied.size(), std::size(expected));
    for (std::size_t h = 0; h < margin.size(); ++h) {
        SCOPED_TRACE(h + 1);
        EXPECT_EQ(margin[h].column, expected[h].margin);
        if (expected[h].margin != 0) {
            EXPECT_EQ(margin[h].x, expected[h].margin);
            EXPECT_NEAR(margin[h].elevation, expected[h].elevation, 1e-9);
        }
        if (std::isnan(expected[h].supplied)) {
            EXPECT_TRUE(std::isnan(supplied[h]));
        } else {
            EXPECT_NEAR(supplied[h], expected[h].supplied, 1e-6);
        }
    }
    EXPECT_EQ(shore[4].column, 800);
}

// The default run's sea level falls from about 48 to 72 kyr: the shoreline
// is driven seaward, a forced regression at every step of the fall.
TEST(ShorelineTrajectory, DefaultRunsFallIsAForcedRegression) {
    Project project(testing::document_parameters());
    Simulation& sim = project.simulation();
    sim.new_model();
    sim.start_run();
    ASSERT_TRUE(sim.wait_until_idle(std::chrono::minutes(5))) << "the run did not end";
    const ProjectData data = project.snapshot();
    ASSERT_EQ(data.count, 101);
    const Stratigraphy section(data);
    const std::vector<ShorelinePoint> shore = shoreline_trajectory(data);
    int steps = 0;
    for (int h = 2; h <= data.count; ++h) {
        const double t = section.time_kyr(h);
        if (t > 48 + 1e-9 && t <= 72 + 1e-9 &&
            section.sea_level_z(h) > section.sea_level_z(h - 1)) {
            SCOPED_TRACE(t);
            EXPECT_EQ(shore[std::size_t(h - 1)].step, TrajectoryClass::ForcedRegressive);
            ++steps;
        }
    }
    EXPECT_GE(steps, 8);
}

// Accommodation created at a chosen position: the layer's thickness plus
// the change of the water depth it was laid down in; missing next to land
// and for the first two horizons.
TEST(PlatformMargin, AccommodationCreatedAtAWell) {
    ProjectData data;
    data.params.max_x = 2000;
    data.params.max_y = 500;
    data.params.baselevel = 250;
    data.count = 6;
    data.x_values.assign(COLUMN_SLOTS, 0);
    data.sealevels.assign(std::size_t(data.count) + 1, 250.0);
    const double z[] = {300, 290, 285, 285, 283, 280};
    const double depth[] = {50, 20, 25, 0, 4, 6};
    for (int c = 1; c <= COLUMN_COUNT; ++c) {
        data.x_values[std::size_t(c)] = c;
        for (int h = 1; h <= data.count; ++h) {
            data.horizons.push_back({z[h - 1], depth[h - 1], 0, 0.45});
        }
    }
    const double expected[] = {
        kNaN,   // no layer
        kNaN,   // horizon 1 holds no depth of its own
        5 + 5,  // 5 m laid down while the water deepened by 5 m
        kNaN,   // laid down on land
        kNaN,   // the water depth before is not known
        3 + 2,
    };
    const PseudoWell well = make_pseudo_well(Stratigraphy(data), 1000);
    ASSERT_EQ(well.samples.size(), std::size(expected));
    for (std::size_t h = 0; h < well.samples.size(); ++h) {
        SCOPED_TRACE(h + 1);
        if (std::isnan(expected[h])) {
            EXPECT_TRUE(std::isnan(well.samples[h].accommodation_created));
        } else {
            EXPECT_DOUBLE_EQ(well.samples[h].accommodation_created, expected[h]);
        }
    }
    const std::string csv = format_trajectory_csv(data, {1500, 1000});
    const std::string header = csv.substr(0, csv.find("\r\n"));
    EXPECT_TRUE(header.ends_with(
        ",sediment_supplied_m2,accommodation_created_m_at_1000,accommodation_created_m_at_1500"))
        << header;
    const std::size_t at = csv.find("\r\n3,");
    ASSERT_NE(at, std::string::npos) << csv;
    const std::string row3 = csv.substr(at + 2, csv.find("\r\n", at + 2) - at - 2);
    EXPECT_TRUE(row3.ends_with(",10,10")) << row3;
}

// ---- pseudo-wells ------------------------------------------------------

TEST_F(ExportedRun, WellLogsTheNearestColumn) {
    // Columns stand at x = c m (dx = 1 m).
    struct Case {
        double x;
        int column;
    };
    const Case cases[] = {{0.0, 1}, {1.0, 1}, {1.5, 1}, {1.6, 2}, {999.5, 999}, {2000.0, 2000}};
    const Stratigraphy section(*run_);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.x);
        const PseudoWell well = make_pseudo_well(section, c.x);
        EXPECT_EQ(well.column, c.column);
        EXPECT_EQ(well.column_x, run_->x_values[std::size_t(c.column)]);
        ASSERT_EQ(int(well.samples.size()), run_->count);
        for (const WellSample& s : well.samples) {
            const auto& v = run_->horizon(c.column, s.horizon);
            EXPECT_EQ(s.z, v[0]);
            if (s.horizon >= 2) {
                EXPECT_EQ(s.depth_of_deposition, v[1]);
                EXPECT_EQ(s.distance_from_shore, v[2]);
                EXPECT_EQ(s.porosity, v[3]);
            }
            EXPECT_EQ(s.burial_depth, v[0] - run_->horizon(c.column, run_->count)[0]);
        }
        EXPECT_EQ(well.samples.back().burial_depth, 0.0);
        // The initial surface has no layer below it: no point at the base.
        const WellSample& base = well.samples.front();
        for (double v :
             {base.thickness, base.depth_of_deposition, base.distance_from_shore, base.porosity}) {
            EXPECT_TRUE(std::isnan(v));
        }
    }
}

// The window's well log reads its one column from the model while a run
// goes on; it must log what a whole copy of the model would, to the bit,
// while faults lend their movement to readers and compaction moves slots.
TEST(PseudoWellOfTheModel, EqualsTheWellOfAWholeCopyDuringARun) {
    Project project(testing::short_run_parameters());
    Simulation& sim = project.simulation();
    start_faulted_run(sim);
    // Once for each horizon published, and once more after the end.
    int reads = 0, last_count = 0;
    for (bool running = true; running;) {
        running = sim.is_running();
        if (running && sim.published_count() == last_count) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        last_count = sim.published_count();
        ++reads;
        const Simulation::ReadGuard model = sim.read();
        const ProjectData copy = take_project_snapshot(model.params(), {}, model.state());
        const Stratigraphy section(copy);
        for (double x : {0.0, 1.5, 999.5, 1333.0, 2000.0}) {
            SCOPED_TRACE(::testing::Message() << "read " << reads << ", x = " << x);
            const PseudoWell expected = make_pseudo_well(section, x);
            const PseudoWell read = read_pseudo_well(model.params(), model.state(), x);
            ASSERT_EQ(read.column, expected.column);
            EXPECT_TRUE(testing::same_bits(read.column_x, expected.column_x));
            ASSERT_EQ(read.samples.size(), expected.samples.size());
            for (std::size_t k = 0; k < read.samples.size(); ++k) {
                const WellSample& a = read.samples[k];
                const WellSample& b = expected.samples[k];
                EXPECT_EQ(a.horizon, b.horizon);
                for (auto field : {&WellSample::time_kyr, &WellSample::age_kyr, &WellSample::z,
                                   &WellSample::elevation, &WellSample::burial_depth,
                                   &WellSample::thickness, &WellSample::depth_of_deposition,
                                   &WellSample::distance_from_shore, &WellSample::porosity}) {
                    ASSERT_TRUE(testing::same_bits(a.*field, b.*field)) << "horizon " << a.horizon;
                }
            }
        }
    }
    EXPECT_GE(sim.published_count(), 2);
    EXPECT_GE(reads, 2);
}

TEST_F(ExportedRun, WellOutsideTheSectionIsRefused) {
    for (double x : {-0.001, 2000.001, kNaN, std::numeric_limits<double>::infinity()}) {
        SCOPED_TRACE(x);
        EXPECT_THROW(format_wells_csv(*run_, {500.0, x}), WellOutsideSectionError);
        EXPECT_THROW(format_netcdf(*run_, {.history = "", .well_x = {x}}), WellOutsideSectionError);
    }
    try {
        check_well_position(run_->params, 2500);
        FAIL() << "no error";
    } catch (const WellOutsideSectionError& e) {
        EXPECT_STREQ(e.what(), "well at x = 2500 m is outside the section (0 to 2000 m)");
    }
}

// ---- CSV ---------------------------------------------------------------

TEST_F(ExportedRun, CsvIgnoresTheLocale) {
    const std::string before = format_section_csv(*run_);
    // The window program runs under the user's locale.
    if (std::setlocale(LC_ALL, "de_DE.utf8") == nullptr) {
        GTEST_SKIP() << "no German locale";
    }
    const std::string german = format_section_csv(*run_);
    std::setlocale(LC_ALL, "C");
    EXPECT_TRUE(german == before);
    // Row 2 (column 2 of horizon 1) of a section CSV: 1,0,age,2,...
    EXPECT_EQ(before.substr(0, before.find("\r\n")),
              "horizon,time_kyr,age_kyr,x_m,z_down_m,elevation_m,depth_of_deposition_m,"
              "distance_from_shore_m,porosity,thickness_m,hiatus,subaerial");
    EXPECT_NE(before.find("\r\n1,0,4,1,"), std::string::npos);
}

// ---- NetCDF, read by a real client -------------------------------------

TEST_F(ExportedRun, ClientReadsTheRunsExport) {
    // Straight from the finished run: the project file keeps six decimals.
    const std::vector<double> wells = {1500.0, 250.25, 1.5, 250.25};
    const std::string nc = folder_->file("run.nc");
    const std::string csv = folder_->file("run.csv");
    const std::string wells_csv = folder_->file("wells.csv");
    save_netcdf(nc, *run_, {.history = "vendrel-run --set slip1=1", .well_x = wells});
    testing::write_file(csv, format_section_csv(*run_));
    testing::write_file(wells_csv, format_wells_csv(*run_, wells));
    expect_client_accepts("--nc " + nc + " --vdl " + vdl_ + " --tolerance 5e-7 --csv " + csv +
                          " --wells-csv " + wells_csv + " --wells 1500,250.25,1.5,250.25" +
                          " --parameters " + parameter_names() + " --horizons 21");
}

TEST_F(ExportedRun, ClientReadsASavedProjectsExport) {
    Project reader(testing::document_parameters());
    const ProjectData saved = ReadProjectFile(vdl_, reader.current_values()).data;
    const std::string nc = folder_->file("saved.nc");
    save_netcdf(nc, saved, {.history = "exported from run.vdl", .well_x = {}});
    expect_client_accepts("--nc " + nc + " --vdl " + vdl_ + " --tolerance 1e-9 --horizons 21");
}

TEST_F(ExportedRun, HeaderShowsTheConventions) {
    const std::string nc = folder_->file("header.nc");
    save_netcdf(nc, *run_, {.history = "test", .well_x = {}});
    const CommandResult dump = run_command(std::string(VENDREL_NCDUMP) + " -h " + nc);
    ASSERT_EQ(dump.status, 0) << dump.output;
    for (const char* text :
         {":Conventions = \"CF-1.8\"", "z:positive = \"down\"", "time:units = \"kyr\"",
          "age:units = \"kyr\"", "double z(horizon, x)", "byte hiatus(horizon, x)",
          "byte subaerial(horizon, x)", "double x(x)", "x:axis = \"X\"", "int column(x)",
          ":max_x_units = \"m\"", ":depths = 0., 5., 10., 15., 20., 30., 40., 50."}) {
        EXPECT_NE(dump.output.find(text), std::string::npos) << text;
    }
    // No reference date anywhere: nothing for a reader to decode as a date.
    EXPECT_EQ(dump.output.find("since"), std::string::npos);
}

// Every units string of the file, of a variable or of a parameter, is one
// UDUNITS-2 reads as the unit meant: each converts to a unit of the same
// kind by the factor that unit has. A string not in the table fails, so a
// new unit is checked when it is added.
TEST_F(ExportedRun, EveryUnitReadsAsMeantByUdunits) {
    struct Meaning {
        const char* unit;
        const char* other;  // converted to this
        const char* line;   // what udunits2 prints
    };
    const Meaning meanings[] = {
        {"m", "cm", "1 m = 100 cm"},
        {"kyr", "yr", "1 kyr = 1000 yr"},
        {"yr", "d", "1 yr = 365.242 d"},
        {"m/kyr", "mm/yr", "1 m/kyr = 1 mm/yr"},
        {"m2/yr", "cm2/yr", "1 m2/yr = 10000 cm2/yr"},
        {"m2", "cm2", "1 m2 = 10000 cm2"},
        {"m-1", "km-1", "1 m-1 = 1000 km-1"},
        {"degree", "radian", "1 degree = 0.0174533 radian"},
        {"1", "percent", "1  = 100 percent"},
    };
    const std::string nc = folder_->file("units.nc");
    save_netcdf(nc, *run_, {.history = "units", .well_x = {700.0}});
    const CommandResult dump = run_command(std::string(VENDREL_NCDUMP) + " -h " + nc);
    ASSERT_EQ(dump.status, 0) << dump.output;
    std::set<std::string> units;
    for (std::size_t at = 0; (at = dump.output.find("units = \"", at)) != std::string::npos;) {
        at += 9;
        units.insert(dump.output.substr(at, dump.output.find('"', at) - at));
    }
    EXPECT_TRUE(units.count("m/kyr") == 1 && units.count("kyr") == 1);
    for (const std::string& unit : units) {
        SCOPED_TRACE(unit);
        const Meaning* meaning = nullptr;
        for (const Meaning& m : meanings) {
            meaning = unit == m.unit ? &m : meaning;
        }
        ASSERT_NE(meaning, nullptr) << "a unit the table does not know";
        const CommandResult converted = run_command(std::string(VENDREL_UDUNITS2) + " -H '" + unit +
                                                    "' -W '" + meaning->other + "' </dev/null");
        EXPECT_NE(converted.output.find(meaning->line), std::string::npos) << converted.output;
    }
}

TEST_F(ExportedRun, SameResultsGiveTheSameBytes) {
    const NetcdfExport options{.history = "same", .well_x = {700.0}};
    const std::string first = format_netcdf(*run_, options);
    const std::string second = format_netcdf(*run_, options);
    EXPECT_TRUE(first == second);
    // Smaller than the project file of the same results.
    EXPECT_LT(first.size(), testing::read_file(vdl_).size());
}

// A variable as ncdump -h shows it: "double z(horizon, x)" and its
// attributes, text values unquoted.
struct DumpedVariable {
    std::string type;
    std::string dimensions;
    std::map<std::string, std::string> attributes;
};

std::map<std::string, DumpedVariable> dumped_variables(const std::string& dump) {
    std::map<std::string, DumpedVariable> variables;
    std::istringstream lines(dump.substr(dump.find("\nvariables:\n") + 1));
    std::string line;
    DumpedVariable* current = nullptr;
    while (std::getline(lines, line) && line.rfind("// global", 0) != 0) {
        if (line.rfind("\t\t", 0) == 0) {
            const std::size_t colon = line.find(':');
            const std::size_t equals = line.find(" = ", colon);
            if (current == nullptr || colon == std::string::npos || equals == std::string::npos) {
                continue;
            }
            std::string value = line.substr(equals + 3, line.rfind(" ;") - equals - 3);
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
                value = value.substr(1, value.size() - 2);
                for (std::size_t at = 0; (at = value.find('\\', at)) != std::string::npos; ++at) {
                    value.erase(at, 1);
                }
            }
            current->attributes[line.substr(colon + 1, equals - colon - 1)] = value;
        } else if (line.rfind('\t', 0) == 0) {
            const std::size_t space = line.find(' ');
            const std::size_t open = line.find('(');
            const std::size_t close = line.find(')');
            if (space == std::string::npos || open == std::string::npos) {
                continue;
            }
            current = &variables[line.substr(space + 1, open - space - 1)];
            current->type = line.substr(1, space - 1);
            current->dimensions = line.substr(open + 1, close - open - 1);
        }
    }
    return variables;
}

// The file holds the variables of the table (output_variables.h) whose
// dimensions it has, with the type, dimensions and attributes the table
// gives them, and no others.
TEST(NetcdfExport, FileHoldsTheVariablesOfTheTable) {
    Project project(testing::document_parameters());
    project.simulation().new_model();
    const ProjectData plain = project.snapshot();
    ProjectData forced = plain;
    forced.params.sea_level_curve = std::make_shared<SeaLevelCurve>(
        "curve.csv", std::vector<SeaLevelPoint>{{0, 0}, {50000, -10}, {100000, 5}});
    struct Case {
        const char* label;
        const ProjectData& data;
        NetcdfExport options;
        std::set<std::string> optional;  // the optional dimensions the file has
    };
    const Case cases[] = {
        {"no wells, short history, no curve", plain, {.history = "short", .well_x = {}}, {}},
        {"wells, long history, a curve",
         forced,
         {.history = std::string(40000, 'h'), .well_x = {100.0, 1900.0}},
         {"well", "history_length", "forcing_time"}},
    };
    TempDir folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string nc = folder.file("variables.nc");
        save_netcdf(nc, c.data, c.options);
        const CommandResult dump = run_command(std::string(VENDREL_NCDUMP) + " -h " + nc);
        ASSERT_EQ(dump.status, 0) << dump.output.substr(0, 2000);
        std::map<std::string, DumpedVariable> file = dumped_variables(dump.output);
        for (const OutputVariable& v : output_variables()) {
            SCOPED_TRACE(v.name);
            std::string dimensions;
            bool present = true;
            for (OutputDimension d : v.dimensions) {
                const std::string name(dimension_name(d));
                dimensions += (dimensions.empty() ? "" : ", ") + name;
                present = present && (name == "horizon" || name == "x" || c.optional.count(name));
            }
            const auto found = file.find(std::string(v.name));
            ASSERT_EQ(found != file.end(), present);
            if (!present) {
                continue;
            }
            const DumpedVariable& dumped = found->second;
            EXPECT_EQ(dumped.type, type_name(v.type));
            EXPECT_EQ(dumped.dimensions, dimensions);
            std::map<std::string, std::string> texts;
            for (const auto& [attribute, value] : {std::pair{"standard_name", v.standard_name},
                                                   {"long_name", v.long_name},
                                                   {"units", v.units},
                                                   {"axis", v.axis},
                                                   {"positive", v.positive},
                                                   {"comment", v.comment},
                                                   {"coordinates", v.coordinates},
                                                   {"flag_meanings", v.flag_meanings}}) {
                if (!value.empty()) {
                    texts[attribute] = value;
                }
            }
            std::map<std::string, std::string> attributes = dumped.attributes;
            EXPECT_EQ(attributes.erase("_FillValue"), v.fill ? 1u : 0u);
            EXPECT_EQ(attributes.erase("flag_values"), v.flag_meanings.empty() ? 0u : 1u);
            if (v.name == "sea_level_forcing") {
                EXPECT_EQ(attributes["source_file"], "curve.csv");
                attributes.erase("source_file");
            }
            EXPECT_EQ(attributes, texts);
            file.erase(found);
        }
        for (const auto& [name, variable] : file) {
            ADD_FAILURE() << "a variable the table does not list: " << name;
        }
    }
}

TEST(NetcdfExport, InitialSurfaceAloneIsAValidFile) {
    // N = 1: no layer, thickness and hiatus all fill values.
    Project project(testing::document_parameters());
    project.simulation().new_model();
    const ProjectData data = project.snapshot();
    ASSERT_EQ(data.count, 1);
    TempDir folder;
    const std::string nc = folder.file("one.nc");
    save_netcdf(nc, data, {.history = "new model", .well_x = {1000.0}});
    testing::write_file(folder.file("one.csv"), format_section_csv(data));
    expect_client_accepts("--nc " + nc + " --csv " + folder.file("one.csv") +
                          " --wells 1000 --horizons 1");
}

// A history of any length is kept: a long one (a command line of thousands
// of --well) whole in a variable, its start in the attribute, as ncdump and
// xarray read them.
TEST(NetcdfExport, HistoryOfAnyLength) {
    Project project(testing::document_parameters());
    project.simulation().new_model();
    const ProjectData data = project.snapshot();
    TempDir folder;
    std::string wells = "vendrel-run --netcdf";
    while (wells.size() < 100000) {
        wells += " --well 1000.5 --set note=\u00e9t\u00e9";
    }
    const std::string cases[] = {"vendrel-run --netcdf", std::string(32768, 'h'), wells};
    for (const std::string& history : cases) {
        SCOPED_TRACE(history.size());
        const std::string nc = folder.file("history.nc");
        save_netcdf(nc, data, {.history = history, .well_x = {}});
        const CommandResult dump = run_command(std::string(VENDREL_NCDUMP) + " -h " + nc);
        ASSERT_EQ(dump.status, 0) << dump.output.substr(0, 2000);
        const bool whole_attribute = history.size() <= 32768;
        EXPECT_EQ(dump.output.find("char history(history_length)") != std::string::npos,
                  !whole_attribute);
        const std::string script =
            "import sys, xarray as xr\n"
            "ds = xr.open_dataset(sys.argv[1])\n"
            "text = ds['history'].values.item().decode() if 'history' in ds else "
            "ds.attrs['history']\n"
            "attribute = ds.attrs['history']\n"
            "sys.stdout.write('%d %d %s' % (len(text.encode()), len(attribute.encode()), "
            "text == open(sys.argv[2], encoding='utf-8').read()))\n";
        testing::write_file(folder.file("read.py"), script);
        testing::write_file(folder.file("history.txt"), history);
        const CommandResult read =
            run_command(std::string(VENDREL_PYTHON) + " " + folder.file("read.py") + " " + nc +
                        " " + folder.file("history.txt"));
        ASSERT_EQ(read.status, 0) << read.output;
        std::size_t whole = 0, attribute = 0;
        char same[8] = {};
        ASSERT_EQ(std::sscanf(read.output.c_str(), "%zu %zu %7s", &whole, &attribute, same), 3)
            << read.output;
        EXPECT_EQ(whole, history.size());
        EXPECT_STREQ(same, "True");
        if (whole_attribute) {
            EXPECT_EQ(attribute, history.size());
        } else {
            EXPECT_LE(attribute, 32768u);
        }
    }
}

TEST(NetcdfExport, UnwritableTargetKeepsWhatWasThere) {
    Project project(testing::document_parameters());
    project.simulation().new_model();
    const ProjectData data = project.snapshot();
    TempDir folder;
    EXPECT_THROW(save_netcdf(folder.file("missing/out.nc"), data, {}), FileError);
    const std::string locked = folder.file("locked.nc");
    testing::write_file(locked, "old");
    ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
    EXPECT_THROW(save_netcdf(locked, data, {}), NotWritableError);
    EXPECT_EQ(testing::read_file(locked), "old");
}

}  // namespace
}  // namespace vendrel
