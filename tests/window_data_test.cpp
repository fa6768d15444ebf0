// The window's open-data commands: File > Export Data... and the
// Pseudo-Well mode with its panel, driven as a user drives them (menu
// actions, clicks on the section) with scripted file dialogs.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <cmath>
#include <functional>
#include <optional>

#include "app/main_window.h"
#include "app/section_view.h"
#include "app/vendrel_application.h"
#include "app/well_log_panel.h"
#include "document/csv_export.h"
#include "document/netcdf_export.h"
#include "tests/fake_window_services.h"
#include "tests/test_support.h"
#include "view/wheeler_diagram.h"

namespace vendrel {
namespace {

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray bytes(const std::string& s) {
    return QByteArray(s.data(), qsizetype(s.size()));
}

class WindowData : public ::testing::Test {
  protected:
    void SetUp() override {
        app = std::make_unique<VendrelApplication>(&services);
        ASSERT_TRUE(app->start(QString(), true, dir.filePath("lock")));
        window().resize(1200, 700);
        QApplication::processEvents();
    }
    MainWindow& window() { return app->mainWindow(); }
    Simulation& sim() { return app->document().simulation(); }
    QString file(const QString& name) const { return dir.filePath(name); }
    // A short run (4000 years, 9 horizons), to its end.
    void run() {
        app->applyDialogChanges([](ModelParameters& p) {
            p.totaltime = 4000;
            p.display_inc = 500;
        });
        window().actions().start->trigger();
        ASSERT_TRUE(sim().wait_until_idle(std::chrono::seconds(60)));
        QApplication::processEvents();
    }

    QTemporaryDir dir;
    testing::FakeWindowServices services;
    std::unique_ptr<VendrelApplication> app;
};

// The suffix chooses the format in any case; another suffix and a target
// that cannot be written are reported and write nothing.
TEST_F(WindowData, ExportDataBySuffix) {
    run();
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.nc"));  // a folder in the way
    struct Case {
        const char* name;
        const char* format;  // "nc", "csv", or nullptr: nothing written
        const char* message;
    };
    const Case cases[] = {
        {"results.nc", "nc", nullptr},
        {"RESULTS.CSV", "csv", nullptr},
        {"upper.NC", "nc", nullptr},
        {"results.txt", nullptr, ".nc"},
        {"results", nullptr, ".csv"},
        {"no/such/folder/results.nc", nullptr, "results.nc"},
        {"no/such/folder/results.csv", nullptr, "results.csv"},
        {"taken.nc", nullptr, "taken.nc"},
    };
    const ProjectData data = app->document().project().snapshot();
    ASSERT_EQ(data.count, 9);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        services.messages.clear();
        services.next_save = file(c.name);
        window().actions().exportData->trigger();
        if (c.format == nullptr) {
            ASSERT_EQ(services.messages.size(), 1);
            EXPECT_TRUE(services.messages[0].contains(c.message))
                << services.messages[0].toStdString();
            EXPECT_FALSE(QFileInfo(services.next_save).isFile());
            continue;
        }
        EXPECT_TRUE(services.messages.isEmpty()) << services.messages.join(" ").toStdString();
        const QByteArray expected =
            std::string(c.format) == "nc"
                ? bytes(format_netcdf(
                      data, {.history = "vendrel (window): New Simulation", .well_x = {}}))
                : bytes(format_section_csv(data));
        EXPECT_TRUE(contents(services.next_save) == expected)
            << "the exporter's bytes for the same data";
    }
    EXPECT_TRUE(QFileInfo(file("taken.nc")).isDir()) << "what was in the way is kept";
    EXPECT_EQ(services.proposed_names.first(), "New Simulation.nc");
    EXPECT_EQ(QDir(dir.path()).entryList({".vendrel-save-*"}, QDir::Hidden).size(), 0);

    // A reader of NetCDF and CSV accepts the files.
    const testing::CommandResult check = testing::run_command(
        std::string(VENDREL_PYTHON) + " " + VENDREL_EXPORT_CHECK + " --horizons 9 --nc " +
        file("results.nc").toStdString() + " --csv " + file("RESULTS.CSV").toStdString());
    EXPECT_EQ(check.status, 0) << check.output;
}

// The column picked by a click at a screen position, under the view's
// navigation; a click beside the section opens no panel and moves no well.
TEST_F(WindowData, PseudoWellPicksTheColumnClicked) {
    SectionView& view = window().view();
    NavigationState& navigation = app->navigation();
    auto click = [&](int x) { QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(x, 100)); };

    click(view.width() / 2);
    EXPECT_EQ(window().wellPanel(), nullptr) << "not in Pseudo-Well mode";
    window().actions().pseudoWell->trigger();
    ASSERT_TRUE(window().actions().pseudoWell->isChecked());

    struct Case {
        const char* what;
        double zoom;
        int pan_x;
        double at;   // fraction of the view's width (above 1: the model x)
        int column;  // 0: beside the section
    };
    const Case cases[] = {
        {"left of the section, panned", 1, -100, 0.0, 0},
        {"right of the section, zoomed out", 0.5, 0, 0.75, 0},
        {"left edge", 1, 0, 0.0, 1},
        {"middle", 1, 0, 0.5, -1},
        {"right edge", 1, 0, 1.0, -1},
        {"zoomed in and panned", 1.5, 300, 0.25, -1},
        // A quarter of the view a column: the right half of a step is still
        // its column.
        {"far zoomed in, right half of column 2's step", 500, 0, 2.8, -1},
        {"far zoomed in, left half of column 3's step", 500, 0, 3.2, -1},
        {"left of the section once a well is shown", 1, -100, 0.0, 0},
    };
    int shown = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        navigation.zoom_x = navigation.zoom_y = c.zoom;
        navigation.pan_x = c.pan_x;
        const int width = view.width();  // narrower once the panel is docked
        const int X = c.at > 1 ? int(c.at / 2000 * width * c.zoom) - c.pan_x
                               : std::min(int(c.at * width), width - 1);
        click(X);
        // The model x at the centre of the pixel clicked (2000 columns over
        // 2000 m: column c at x = c, drawn from x = c to c + 1).
        const double x = (X + 0.5 + c.pan_x) / (width * c.zoom) * 2000;
        const int expected = c.column >= 0 ? c.column : std::max(int(std::floor(x)), 1);
        if (expected == 0) {
            ASSERT_NE(window().wellPanel(), nullptr) << "opened with the mode";
            if (shown == 0) {
                EXPECT_FALSE(window().wellPanel()->hasWell());
            } else {
                EXPECT_EQ(window().wellPanel()->well().column, shown) << "the well stays";
            }
            continue;
        }
        ASSERT_NE(window().wellPanel(), nullptr);
        EXPECT_EQ(window().wellPanel()->well().column, expected) << "x = " << x;
        EXPECT_TRUE(window().wellPanel()->isVisible());
        EXPECT_TRUE(
            window().wellPanel()->windowTitle().contains(QString("column %1").arg(expected)))
            << window().wellPanel()->windowTitle().toStdString();
        shown = expected;
    }
    EXPECT_TRUE(services.messages.isEmpty()) << services.messages.join(" ").toStdString();

    // Off again: the panel stays, and clicks no longer move the well.
    navigation = NavigationState{};
    window().actions().pseudoWell->trigger();
    EXPECT_FALSE(window().actions().pseudoWell->isChecked());
    click(10);
    EXPECT_TRUE(window().wellPanel()->isVisible());
    EXPECT_EQ(window().wellPanel()->well().column, shown);
}

// In the Wheeler diagram a click picks the column under it on the diagram's
// x axis, not the section's.
TEST_F(WindowData, PseudoWellFromTheWheelerDiagram) {
    SectionView& view = window().view();
    app->navigation().pan_x = 300;  // moves the section, not the diagram
    window().actions().wheelerDiagram->trigger();
    window().actions().pseudoWell->trigger();
    // A few neighbouring pixels: with more columns than pixels, some lie
    // over the left half of their cell, nearer the column to the left. (The
    // view narrows once the panel docks.)
    int left_halves = 0;
    for (int k = 0; k < 12; ++k) {
        const QRectF plot = wheeler_layout(view.size()).plot;
        const int X = int(plot.left() + plot.width() * 0.3) + k;
        QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(X, int(plot.center().y())));
        ASSERT_NE(window().wellPanel(), nullptr);
        // The cell under the pixel's centre: column c spans (c - 1) .. c
        // of 2000 parts of the plot.
        const double x = (X + 0.5 - plot.left()) / plot.width() * 2000;
        EXPECT_EQ(window().wellPanel()->well().column, int(std::floor(x)) + 1) << "X = " << X;
        left_halves += x - std::floor(x) < 0.5 ? 1 : 0;
    }
    EXPECT_GT(left_halves, 0) << "no click tried the left half of a cell";
}

// Turning the mode on opens the panel, which says what to do until a well
// is picked; then the view marks the well's column (in the section, the
// report figure and the Wheeler diagram) while the panel is open.
TEST_F(WindowData, PseudoWellPanelGuidesAndTheViewMarksTheWell) {
    SectionView& view = window().view();
    window().actions().pseudoWell->trigger();
    QApplication::processEvents();
    WellLogPanel* panel = window().wellPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_FALSE(panel->hasWell());
    EXPECT_FALSE(panel->exportButton()->isEnabled());
    auto* log = panel->findChild<QWidget*>("wellLog");
    ASSERT_NE(log, nullptr);
    const QImage hint = log->grab().toImage();
    int ink = 0;  // in the middle third, where a log without a well has none
    for (int y = hint.height() / 3; y < hint.height() * 2 / 3; ++y) {
        for (int x = 0; x < hint.width(); ++x) {
            ink += qGray(hint.pixel(x, y)) < 100 ? 1 : 0;
        }
    }
    EXPECT_GT(ink, 0) << "the panel says what to do";
    EXPECT_FALSE(view.wellPosition().has_value());

    struct Case {
        const char* what;
        SectionStyle style;
        bool wheeler;
    };
    const Case cases[] = {
        {"section", SectionStyle::Section, false},
        {"report figure", SectionStyle::Report, false},
        {"Wheeler diagram", SectionStyle::Section, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        view.setStyle(c.style);
        view.setShowsWheeler(c.wheeler);
        const QRectF plot = wheeler_layout(view.size()).plot;
        const int X = c.wheeler ? int(plot.left() + plot.width() * 0.6) : view.width() * 3 / 5;
        QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(X, view.height() / 2));
        QApplication::processEvents();
        ASSERT_TRUE(panel->hasWell());
        EXPECT_TRUE(panel->exportButton()->isEnabled());
        ASSERT_TRUE(view.wellPosition().has_value());
        const QImage marked = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const std::optional<double> well = view.wellPosition();
        view.setWellPosition(std::nullopt);
        const QImage plain = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
        view.setWellPosition(well);
        // The mark: a line down the column clicked, nowhere else.
        int first = marked.width(), last = -1, rows = 0;
        for (int y = 0; y < marked.height(); ++y) {
            bool row = false;
            for (int x = 0; x < marked.width(); ++x) {
                if (marked.pixel(x, y) != plain.pixel(x, y)) {
                    first = std::min(first, x);
                    last = std::max(last, x);
                    row = true;
                }
            }
            rows += row ? 1 : 0;
        }
        EXPECT_GE(first, X - 3);
        EXPECT_LE(last, X + 3);
        EXPECT_GT(rows, view.height() / 2) << "down the plot";
    }

    panel->close();
    QApplication::processEvents();
    EXPECT_FALSE(view.wellPosition().has_value()) << "no mark once the panel is closed";
    window().actions().pseudoWell->trigger();
    window().actions().pseudoWell->trigger();  // on again: the panel returns with its well
    QApplication::processEvents();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(view.wellPosition().has_value());
}

// Each save dialog's title names its command.
TEST_F(WindowData, SaveDialogsAreTitledWithTheirCommand) {
    window().actions().pseudoWell->trigger();
    QTest::mouseClick(&window().view(), Qt::LeftButton, {},
                      QPoint(window().view().width() / 2, 100));
    ASSERT_NE(window().wellPanel(), nullptr);
    services.next_save.clear();  // the user cancels
    const std::pair<std::function<void()>, const char*> cases[] = {
        {[&] { window().actions().saveAs->trigger(); }, "Save As"},
        {[&] { window().actions().exportFigure->trigger(); }, "Export Figure"},
        {[&] { window().actions().exportData->trigger(); }, "Export Data"},
        {[&] { window().wellPanel()->exportButton()->click(); }, "Export Well CSV"},
    };
    for (const auto& [command, title] : cases) {
        SCOPED_TRACE(title);
        services.save_titles.clear();
        command();
        EXPECT_EQ(services.save_titles.join("; ").toStdString(), title);
    }
}

// The panel follows a run and saves the well it shows.
TEST_F(WindowData, PseudoWellFollowsTheRunAndExports) {
    window().actions().pseudoWell->trigger();
    QTest::mouseClick(&window().view(), Qt::LeftButton, {},
                      QPoint(window().view().width() / 3, 100));
    WellLogPanel* panel = window().wellPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->well().samples.size(), 1u) << "a new model: the initial surface only";
    const QImage before = panel->grab().toImage();

    run();
    ASSERT_EQ(panel->well().samples.size(), 9u) << "the model changed: the well follows";
    EXPECT_NE(panel->grab().toImage(), before);

    services.next_save = file("well.csv");
    panel->exportButton()->click();
    EXPECT_TRUE(services.messages.isEmpty()) << services.messages.join(" ").toStdString();
    EXPECT_TRUE(contents(file("well.csv")) ==
                bytes(format_wells_csv(app->document().project().snapshot(), {panel->position()})));

    services.next_save = file("no/such/folder/well.csv");
    panel->exportButton()->click();
    ASSERT_EQ(services.messages.size(), 1) << "a file that cannot be written is reported";
    EXPECT_FALSE(QFile::exists(services.next_save));
}

}  // namespace
}  // namespace vendrel
