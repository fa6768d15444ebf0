// The window's measured sea-level curve: the Sea-Level Curve dialog, its
// command with Undo, the note in Sea-Level Variation and the refused run.

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUndoStack>
#include <cmath>
#include <functional>
#include <memory>

#include "app/dialogs/sea_level_curve_dialog.h"
#include "app/dialogs/sea_level_dialog.h"
#include "app/document.h"
#include "app/main_window.h"
#include "app/vendrel_application.h"
#include "core/sea_level_curve.h"
#include "tests/fake_window_services.h"
#include "tests/test_support.h"

namespace vendrel {
namespace {

using testing::FakeWindowServices;

class CurveWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::write_file(file("c.csv").toStdString(),
                            "time_kyr,sea_level_m\n0,0\n1.5,-20\n4,15.25\n");
        testing::write_file(file("bad.csv").toStdString(), "time_kyr,sea_level_m\n0,0\n0,1\n");
    }
    QString file(const QString& name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    FakeWindowServices services;
};

TEST_F(CurveWindow, DialogLoadsShowsAndDrops) {
    ModelParameters p = testing::document_parameters();
    p.totaltime = 4000;
    SeaLevelCurveDialog dialog(services, p);
    auto* sinusoids = dialog.findChild<QPushButton*>("use_sinusoids");
    auto* name = dialog.findChild<QLabel*>("curve_name");
    auto* range = dialog.findChild<QLabel*>("curve_range");
    ASSERT_TRUE(sinusoids && name && range && dialog.findChild<QWidget*>("curve_plot"));
    EXPECT_FALSE(sinusoids->isEnabled());
    EXPECT_FALSE(dialog.curve());

    struct Step {
        const char* what;
        std::function<void()> act;
        bool curve, sinusoids_enabled;
        const char* name;
        int messages;
    };
    const Step steps[] = {
        {"load", [&] { EXPECT_TRUE(dialog.loadFile(file("c.csv"))); }, true, true, "c.csv", 0},
        {"a bad file keeps the curve", [&] { EXPECT_FALSE(dialog.loadFile(file("bad.csv"))); },
         true, true, "c.csv", 1},
        {"Use Sinusoids", [&] { sinusoids->click(); }, false, false,
         "none: the sinusoids of Sea-Level Variation", 1},
        {"Load... through the open dialog",
         [&] {
             services.next_open = file("c.csv");
             dialog.findChild<QPushButton*>("load")->click();
         },
         true, true, "c.csv", 1},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        s.act();
        EXPECT_EQ(bool(dialog.curve()), s.curve);
        EXPECT_EQ(sinusoids->isEnabled(), s.sinusoids_enabled);
        EXPECT_EQ(name->text().toStdString(), s.name);
        EXPECT_EQ(services.messages.size(), s.messages);
    }
    ASSERT_EQ(services.messages.size(), 1);
    EXPECT_TRUE(services.messages[0].contains("bad.csv: line 3: a time that repeats"));
    EXPECT_EQ(range->text().toStdString(), "0.000 to 4.000 kyr, -20.00 to 15.25 m, 3 points");
}

class CurveProgram : public CurveWindow {
  protected:
    void SetUp() override {
        CurveWindow::SetUp();
        app = std::make_unique<VendrelApplication>(&services);
        ASSERT_TRUE(app->start(QString(), false, dir.filePath("instance.lock")));
        app->applyDialogChanges([](ModelParameters& p) {
            p.totaltime = 4000;
            p.display_inc = 500;
        });
    }
    Simulation& sim() { return app->document().simulation(); }
    MainWindow& frame() { return app->mainWindow(); }
    // The next dialog: `act` on it, then OK.
    void answer(std::function<void(QDialog&)> act) {
        services.answer_dialog = [act](QDialog& dialog) {
            act(dialog);
            dialog.accept();
            return dialog.result();
        };
    }

    std::unique_ptr<VendrelApplication> app;
};

TEST_F(CurveProgram, OkResetsAndUndoBringsThePreviousCurveBack) {
    app->document().setModified(false);
    answer([&](QDialog& d) {
        ASSERT_TRUE(static_cast<SeaLevelCurveDialog&>(d).loadFile(file("c.csv")));
    });
    frame().actions().seaLevelCurve->trigger();
    const auto loaded = sim().params().sea_level_curve;
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(app->document().isModified());
    // The reset plans the curve: slot i holds baselevel - (E(i x 500) - E(0)).
    EXPECT_NEAR(sim().read().state().sealevel_values[3], 250 - loaded->level_at(1500), 1e-9);
    EXPECT_EQ(frame().actions().undo->text(), "Undo Sea-Level Curve");

    // Another OK with the same curve is no step; Use Sinusoids is.
    answer([](QDialog&) {});
    frame().actions().seaLevelCurve->trigger();
    EXPECT_EQ(app->undoStack().count(), 1);
    answer([](QDialog& d) { static_cast<SeaLevelCurveDialog&>(d).useSinusoids(); });
    frame().actions().seaLevelCurve->trigger();
    EXPECT_FALSE(sim().params().sea_level_curve);
    EXPECT_NEAR(sim().read().state().sealevel_values[3],
                250 - 50 * std::sin(1500 / (100000 / 6.28)) - 20 * std::sin(1500 / (41000 / 6.28)) -
                    10 * std::sin(1500 / (23000 / 6.28)),
                1e-9);

    frame().actions().undo->trigger();
    EXPECT_EQ(sim().params().sea_level_curve, loaded);
    frame().actions().undo->trigger();
    EXPECT_FALSE(sim().params().sea_level_curve);
    frame().actions().redo->trigger();
    EXPECT_EQ(sim().params().sea_level_curve, loaded);
    EXPECT_NEAR(sim().read().state().sealevel_values[3], 250 - loaded->level_at(1500), 1e-9);
}

TEST_F(CurveProgram, RunTheCurveDoesNotSpanIsRefused) {
    answer([&](QDialog& d) { static_cast<SeaLevelCurveDialog&>(d).loadFile(file("c.csv")); });
    frame().actions().seaLevelCurve->trigger();
    app->applyDialogChanges([](ModelParameters& p) { p.totaltime = 6000; });
    frame().actions().start->trigger();
    EXPECT_FALSE(sim().is_running());
    EXPECT_EQ(sim().steps_taken(), 0);
    ASSERT_EQ(services.messages.size(), 1);
    EXPECT_EQ(services.messages[0].toStdString(),
              "Cannot run: the sea-level curve c.csv covers 0 to 4 kyr of the run, not 0 to 6 kyr "
              "(totaltime).");

    app->applyDialogChanges([](ModelParameters& p) { p.totaltime = 4000; });
    frame().actions().start->trigger();
    ASSERT_TRUE(sim().wait_until_idle(std::chrono::seconds(60)));
    EXPECT_GT(sim().steps_taken(), 0);
    EXPECT_EQ(services.messages.size(), 1);
}

TEST_F(CurveProgram, SeaLevelVariationSaysACurveIsInUse) {
    const auto note = [&] {
        SeaLevelDialog dialog(services, sim().params(), app->document().display());
        auto* label = dialog.findChild<QLabel*>("curve_in_use");
        return label ? label->text().toStdString() : std::string("none");
    };
    EXPECT_EQ(note(), "none");
    answer([&](QDialog& d) { static_cast<SeaLevelCurveDialog&>(d).loadFile(file("c.csv")); });
    frame().actions().seaLevelCurve->trigger();
    EXPECT_EQ(note(), "A measured curve is in use (c.csv): these sinusoids are kept but not run.");
}

}  // namespace
}  // namespace vendrel
