#include <gtest/gtest.h>

#include <QAbstractFileIconProvider>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QProgressBar>
#include <QStatusBar>
#include <QStyleOptionMenuItem>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUndoStack>
#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <stdexcept>

#include "app/command_line.h"
#include "app/dialogs/carbonate_factory_dialog.h"
#include "app/dialogs/dialog_numbers.h"
#include "app/dialogs/display_preferences_dialog.h"
#include "app/dialogs/platform_dialog.h"
#include "app/dialogs/ramp_dip_dialog.h"
#include "app/dialogs/runtime_dialog.h"
#include "app/dialogs/tectonics_dialog.h"
#include "app/dialogs/thread_count_dialog.h"
#include "app/document.h"
#include "app/guarded_command.h"
#include "app/main_window.h"
#include "app/qt_window_services.h"
#include "app/run_progress.h"
#include "app/section_view.h"
#include "app/single_instance_guard.h"
#include "app/user_guide.h"
#include "app/vendrel_application.h"
#include "app/well_log_panel.h"
#include "app/window_geometry.h"
#include "core/parameter_fields.h"
#include "core/thread_count.h"
#include "document/project_reader.h"
#include "tests/fake_window_services.h"
#include "tests/test_support.h"
#include "vendrel/version.h"
#include "view/section_snapshot.h"

namespace vendrel {
namespace {

using testing::FakeWindowServices;

class Program : public ::testing::Test {
  protected:
    void SetUp() override {
        app = std::make_unique<VendrelApplication>(&services);
        ASSERT_TRUE(app->start(QString(), false, dir.filePath("instance.lock")));
    }
    Document& doc() { return app->document(); }
    MainWindow& frame() { return app->mainWindow(); }
    Simulation& sim() { return doc().simulation(); }
    QString file(const QString& name) const { return dir.filePath(name); }
    bool wait_idle() { return sim().wait_until_idle(std::chrono::seconds(60)); }
    // A short run, as a dialog would set it up.
    void shorten_runs() {
        app->applyDialogChanges([](ModelParameters& p) {
            p.totaltime = 4000;
            p.display_inc = 500;
        });
    }

    QTemporaryDir dir;
    FakeWindowServices services;
    std::unique_ptr<VendrelApplication> app;
};

TEST_F(Program, TitleSequence) {
    struct Step {
        const char* event;
        std::function<void()> act;
        const char* title;
    };
    services.next_save = file("ramp1.vdl");
    const Step steps[] = {
        {"start-up", [] {}, "New Simulation"},
        {"Start Simulation",
         [&] {
             frame().actions().start->trigger();
             wait_idle();
         },
         "New Simulation*"},
        {"Save As ramp1.vdl", [&] { frame().actions().saveAs->trigger(); }, "ramp1.vdl"},
        {"a change", [&] { app->markDocumentModified(); }, "ramp1.vdl*"},
        {"Save", [&] { frame().actions().save->trigger(); }, "ramp1.vdl"},
        {"Open other.vdl",
         [&] {
             QFile::copy(file("ramp1.vdl"), file("other.vdl"));
             services.next_open = file("other.vdl");
             frame().actions().open->trigger();
         },
         "other.vdl"},
        {"New", [&] { frame().actions().newDocument->trigger(); }, "New Simulation"},
    };
    for (const Step& step : steps) {
        step.act();
        EXPECT_EQ(doc().title().toStdString(), step.title) << step.event;
        EXPECT_EQ(frame().windowTitle().toStdString(), std::string(step.title) + " - Vendrel");
    }
    ASSERT_EQ(services.proposed_names.size(), 1);
    EXPECT_EQ(services.proposed_names[0], "New Simulation.vdl") << "no * in the proposed name";
    EXPECT_TRUE(services.messages.isEmpty()) << services.messages.join("; ").toStdString();
}

TEST_F(Program, WhatMarksTheDocumentModified) {
    shorten_runs();
    doc().setModified(false);
    frame().actions().stop->trigger();  // disabled while idle: nothing happens
    EXPECT_FALSE(doc().isModified());

    services.answer_dialog = [](QDialog& dialog) {
        dialog.findChild<QLineEdit*>("omp_threads")->setText("3");
        dialog.accept();
        return dialog.result();
    };
    frame().actions().threadCount->trigger();
    EXPECT_EQ(sim().params().omp_threads, 3);
    EXPECT_FALSE(doc().isModified()) << "the thread count is not part of the project";

    frame().actions().start->trigger();
    EXPECT_TRUE(doc().isModified()) << "Start marks the document";
    frame().actions().stop->trigger();
    ASSERT_TRUE(wait_idle());
    EXPECT_EQ(frame().paneTexts()[1], "Simple Ramp (unsaved)");
}

TEST_F(Program, MenuStatesIdleAndRunning) {
    EXPECT_TRUE(frame().actions().start->isEnabled());
    EXPECT_TRUE(frame().actions().threadCount->isEnabled());
    EXPECT_FALSE(frame().actions().stop->isEnabled());
    EXPECT_FALSE(frame().actions().otherTectonics->isEnabled()) << "Other is always greyed";
    EXPECT_TRUE(frame().actions().simpleRamp->isChecked());
    EXPECT_TRUE(frame().actions().depthOfDeposition->isChecked());
    EXPECT_TRUE(frame().actions().showSeaLevel->isChecked());
    EXPECT_FALSE(frame().actions().showBathymetryMarker->isChecked());
    frame().actions().simpleRamp->trigger();  // the dialog is cancelled
    EXPECT_TRUE(frame().actions().simpleRamp->isChecked()) << "Cancel changes no tick";
    EXPECT_FALSE(frame().actions().arbitraryPlatform->isChecked());
    doc().project().display().draw_bl = 2;  // a project may carry other values: no tick
    frame().updateTicks();
    EXPECT_FALSE(frame().actions().showSeaLevel->isChecked());

    // A run far longer than the test.
    app->applyDialogChanges([](ModelParameters& p) { p.totaltime = 1e7; });
    frame().actions().start->trigger();
    EXPECT_FALSE(frame().actions().start->isEnabled());
    EXPECT_FALSE(frame().actions().threadCount->isEnabled());
    EXPECT_TRUE(frame().actions().stop->isEnabled());
    EXPECT_TRUE(frame().actions().save->isEnabled()) << "saving stays available";
    EXPECT_TRUE(frame().actions().newDocument->isEnabled());
    const std::int64_t steps = sim().steps_taken();
    frame().actions().start->trigger();  // Ctrl+R during a run does nothing
    EXPECT_TRUE(sim().is_running());
    EXPECT_GE(sim().steps_taken(), steps) << "the run was not restarted";
    frame().actions().stop->trigger();
    ASSERT_TRUE(wait_idle());
    EXPECT_TRUE(frame().actions().start->isEnabled());

    // A run that ends by itself: the engine's last report enables Start.
    app->applyDialogChanges([](ModelParameters& p) {
        p.totaltime = 2000;
        p.display_inc = 500;
    });
    frame().actions().start->trigger();
    ASSERT_TRUE(wait_idle());
    EXPECT_TRUE(QTest::qWaitFor([&] { return frame().actions().start->isEnabled(); }, 10000));
    EXPECT_FALSE(frame().actions().stop->isEnabled());
}

TEST_F(Program, StatusPanes) {
    frame().view().resize(1600, 800);
    sim().modify().params().omp_threads = 4;
    const auto panes = frame().paneTexts();
    EXPECT_EQ(panes[0], "Using 4 Threads");
    EXPECT_EQ(panes[1], "Simple Ramp");
    EXPECT_EQ(panes[2], "dt = 1.000 yrs");
    EXPECT_EQ(panes[3], "dx =  1.00 m");
    EXPECT_EQ(panes[4], "VE =  2.00");
    sim().modify().params().omp_threads = 0;
    EXPECT_EQ(frame().paneTexts()[0], QString("Using %1 Threads").arg(default_thread_count()));
}

TEST_F(Program, StartRecordsAndStopKeepsHorizons) {
    app->applyDialogChanges([](ModelParameters& p) { p.display_inc = 100; });
    frame().actions().start->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sim().published_count() >= 4; }, 60000));
    frame().actions().stop->trigger();
    ASSERT_TRUE(wait_idle());
    const int kept = sim().published_count();
    EXPECT_GE(kept, 4);
    QTest::qWait(50);
    EXPECT_EQ(sim().published_count(), kept);
    frame().view().repaint();  // draws what was kept
}

TEST_F(Program, ProgressOfARunAndItsOutcome) {
    frame().show();
    frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame()));
    RunProgress& progress = frame().runProgress();
    EXPECT_FALSE(progress.bar()->isVisibleTo(&frame())) << "no bar before a run";

    app->applyDialogChanges([](ModelParameters& p) { p.totaltime = 1e7; });
    frame().actions().start->trigger();
    EXPECT_TRUE(progress.bar()->isVisibleTo(&frame()));
    EXPECT_EQ(frame().cursor().shape(), Qt::BusyCursor);
    EXPECT_EQ(progress.bar()->value(), 0) << "no share of the last run";
    std::vector<int> seen;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            seen.push_back(progress.bar()->value());
            return sim().steps_taken() > 0 && progress.bar()->text().contains("left");
        },
        20000));
    for (std::size_t k = 1; k < seen.size(); ++k) {
        EXPECT_LE(seen[k - 1], seen[k]) << "the bar never goes back";
    }
    EXPECT_GE(progress.bar()->value(), 0);
    EXPECT_LT(progress.bar()->value(), 100) << "the run is still going";
    EXPECT_EQ(doc().title(), "New Simulation*");

    QTest::keyClick(&frame(), Qt::Key_Escape);  // Esc stops the run
    ASSERT_TRUE(wait_idle());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !app->isRunning(); }, 10000));
    EXPECT_FALSE(progress.bar()->isVisibleTo(&frame()));
    EXPECT_EQ(progress.outcome()->text(),
              RunProgress::stoppedText(double(sim().steps_taken()) * sim().dt()));
    EXPECT_NE(frame().cursor().shape(), Qt::BusyCursor);
    EXPECT_EQ(frame().statusBar()->currentMessage(), QString("  Vendrel ") + kVersion)
        << "the message pane keeps its text";

    shorten_runs();  // 4000 years, a horizon every 500
    frame().actions().start->trigger();
    ASSERT_TRUE(wait_idle());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !app->isRunning(); }, 10000));
    EXPECT_TRUE(progress.outcome()->text().startsWith("Run finished: 9 horizons in "))
        << progress.outcome()->text().toStdString();
}

// Start keeps the runs that take no step or record nothing and says so at
// their end, as it says when the recordings ran out of horizon slots; only
// values whose run diverges are refused, with one message naming them.
TEST_F(Program, StartWithValuesARunCannotUse) {
    struct Case {
        const char* name;
        std::function<void(ModelParameters&)> change;
        QStringList message;  // what the one message names; empty: the run starts
        QString outcome;      // the start of the outcome
    };
    const Case cases[] = {
        {"diff_coeff -1",
         [](ModelParameters& p) { p.diff_coeff = -1; },
         {"diff_coeff = -1: must be at least 0"},
         ""},
        {"phizero 1.5 with compaction",
         [](ModelParameters& p) {
             p.phizero = 1.5;
             p.includecompact = 1;
             p.diff_coeff = -2;
         },
         {"phizero = 1.5: must be below 1 while compaction is on", "diff_coeff = -2"},
         ""},
        {"totaltime -5",
         [](ModelParameters& p) { p.totaltime = -5; },
         {},
         RunProgress::noStepText()},
        {"max_x 0", [](ModelParameters& p) { p.max_x = 0; }, {}, RunProgress::noStepText()},
        {"display_inc below a step",
         [](ModelParameters& p) { p.display_inc = 0.5; },
         {},
         RunProgress::noRecordingText()},
        {"display_inc -1",
         [](ModelParameters& p) { p.display_inc = -1; },
         {},
         RunProgress::noRecordingText()},
        {"500 increments",
         [](ModelParameters& p) {
             p.totaltime = 1000;
             p.display_inc = 2;
         },
         {},
         "Run ended at the 500-horizon limit at 1.0 ka"},
        {"20000 yr every 10 yr",
         [](ModelParameters& p) {
             p.totaltime = 20000;
             p.display_inc = 10;
         },
         {},
         "Run ended at the 500-horizon limit at 5.0 ka"},
        {"cvalue -1 runs",
         [](ModelParameters& p) { p.cvalue = -1; },
         {},
         "Run finished: 9 horizons in "},
    };
    RunProgress& progress = frame().runProgress();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        app->applyDialogChanges([&](ModelParameters& p) {
            p = testing::document_parameters();
            p.totaltime = 4000;
            p.display_inc = 500;
            c.change(p);
        });
        doc().setModified(false);
        services.messages.clear();
        frame().actions().start->trigger();
        if (!c.message.isEmpty()) {
            EXPECT_FALSE(sim().is_running());
            ASSERT_EQ(services.messages.size(), 1);
            for (const QString& named : c.message) {
                EXPECT_TRUE(services.messages[0].contains(named))
                    << services.messages[0].toStdString();
            }
            EXPECT_FALSE(doc().isModified()) << "nothing started";
            continue;
        }
        ASSERT_TRUE(wait_idle());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !app->isRunning(); }, 10000));
        EXPECT_TRUE(services.messages.isEmpty()) << services.messages.join("; ").toStdString();
        EXPECT_TRUE(progress.outcome()->text().startsWith(c.outcome))
            << progress.outcome()->text().toStdString();
    }
}

TEST(RunProgressTexts, Formats) {
    EXPECT_EQ(RunProgress::finishedText(101, 4.26), "Run finished: 101 horizons in 4.3 s");
    EXPECT_EQ(RunProgress::stoppedText(120000), "Run stopped at 120.0 ka");
    EXPECT_EQ(RunProgress::slotLimitText(4990), "Run ended at the 500-horizon limit at 5.0 ka");
    const std::pair<double, const char*> left[] = {{0.2, "0 s left"},
                                                   {59.4, "59 s left"},
                                                   {185, "3 min 05 s left"},
                                                   {3725, "1 h 02 min left"}};
    for (const auto& [seconds, text] : left) {
        EXPECT_EQ(RunProgress::timeLeftText(seconds), text) << seconds;
    }
}

// The picture's time is that of the newest horizon shown: the run's own,
// a loaded project's (its horizons were recorded display_inc apart), and 0
// after New or a reset.
TEST_F(Program, SimulationTimeFollowsTheModel) {
    auto pictureTime = [&] { return take_section_snapshot(doc().project(), false).sim_time; };
    shorten_runs();
    frame().actions().start->trigger();
    ASSERT_TRUE(wait_idle());
    EXPECT_DOUBLE_EQ(pictureTime(), 4000);
    services.next_save = file("timed.vdl");
    frame().actions().saveAs->trigger();
    frame().actions().newDocument->trigger();
    EXPECT_DOUBLE_EQ(pictureTime(), 0) << "New";
    services.next_open = file("timed.vdl");
    frame().actions().open->trigger();
    EXPECT_DOUBLE_EQ(pictureTime(), 4000) << "Open: (9 - 1) horizons x 500 steps x dt 1";
    app->applyDialogChanges([](ModelParameters& p) { p.diff_coeff *= 4; });
    EXPECT_DOUBLE_EQ(pictureTime(), 0) << "a dialog's reset";
}

class Undo : public Program {
  protected:
    double value(const char* name) {
        const ParameterKey key = *find_parameter_key(name);
        return field_value(*key.field, sim().params(), doc().display(), key.element.value_or(0));
    }
    // The next dialog gets `text` in `box` and OK.
    void answer(const char* box, const char* text) {
        services.answer_dialog = [box, text](QDialog& dialog) {
            if (box != nullptr) {
                dialog.findChild<QLineEdit*>(box)->setText(text);
            }
            dialog.accept();
            return dialog.result();
        };
    }
    QUndoStack& changes() { return app->undoStack(); }
    QAction* undo() { return frame().actions().undo; }
    QAction* redo() { return frame().actions().redo; }
};

TEST_F(Undo, RestoresParametersWithTheRulesOfTheirDialog) {
    EXPECT_EQ(undo()->shortcuts(),
              (QList<QKeySequence>{QKeySequence("Ctrl+Z"), QKeySequence("Alt+Backspace")}));
    EXPECT_EQ(redo()->shortcut(), QKeySequence("Ctrl+Shift+Z"));
    EXPECT_FALSE(undo()->isEnabled());
    services.next_save = file("undo.vdl");
    frame().actions().saveAs->trigger();
    shorten_runs();
    frame().actions().start->trigger();
    ASSERT_TRUE(wait_idle());
    const double rate = value("rates_1");
    answer("rates_1", "9");
    frame().actions().carbonateFactory->trigger();
    EXPECT_EQ(value("rates_1"), 9);
    EXPECT_EQ(undo()->text(), "Undo Carbonate Factory");
    EXPECT_TRUE(undo()->isEnabled());
    EXPECT_FALSE(redo()->isEnabled());

    struct Case {
        const char* what;
        QAction* command;
        double rates1;
        const char* redoText;
    };
    const Case cases[] = {
        {"undo", undo(), rate, "Redo Carbonate Factory"},
        {"redo", redo(), 9, "Redo"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        frame().actions().save->trigger();
        ASSERT_FALSE(doc().isModified());
        frame().actions().start->trigger();
        ASSERT_TRUE(wait_idle());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !app->isRunning(); }, 10000));
        ASSERT_GT(sim().published_count(), 1);
        c.command->trigger();
        EXPECT_EQ(value("rates_1"), c.rates1);
        EXPECT_TRUE(doc().isModified()) << "marked as the OK marked it";
        EXPECT_EQ(sim().published_count(), 1) << "reset as the OK reset";
        EXPECT_EQ(redo()->text().toStdString(), c.redoText);
    }
    EXPECT_EQ(undo()->text(), "Undo Carbonate Factory");

    // Block Faulting leaves the flag alone, and so does its undo.
    const double slip = value("slip1");
    answer("slip1", "0.75");
    frame().actions().blockFaulting->trigger();
    frame().actions().save->trigger();
    undo()->trigger();
    EXPECT_EQ(value("slip1"), slip);
    EXPECT_FALSE(doc().isModified());

    // Display Preferences changes no model; a toggle made since stays.
    const double marker = value("bath_marker");
    answer("bath_marker", "33");
    frame().actions().displayPreferences->trigger();
    frame().actions().showSeaLevel->trigger();
    const double seaLevelShown = value("draw_bl");
    ASSERT_EQ(undo()->text(), "Undo Display Preferences") << "toggles are not undoable";
    frame().actions().save->trigger();
    undo()->trigger();
    EXPECT_EQ(value("bath_marker"), marker);
    EXPECT_EQ(value("draw_bl"), seaLevelShown);
    EXPECT_TRUE(doc().isModified());
    EXPECT_TRUE(services.messages.isEmpty()) << services.messages.join("; ").toStdString();
}

TEST_F(Undo, AnUnchangedOkAddsNoStep) {
    shorten_runs();
    answer("rates_1", "9");
    frame().actions().carbonateFactory->trigger();
    ASSERT_EQ(changes().count(), 1);
    frame().actions().start->trigger();
    ASSERT_TRUE(wait_idle());
    doc().setModified(false);
    for (QAction* dialog : {frame().actions().carbonateFactory, frame().actions().runtime,
                            frame().actions().displayPreferences}) {
        SCOPED_TRACE(dialog->text().toStdString());
        answer(nullptr, nullptr);
        dialog->trigger();
        EXPECT_EQ(changes().count(), 1);
    }
    EXPECT_TRUE(doc().isModified()) << "the OK still applies";
    EXPECT_EQ(sim().published_count(), 1) << "and resets";
}

TEST_F(Undo, DisabledDuringARunAndClearedByNewAndOpen) {
    answer("rates_1", "9");
    frame().actions().carbonateFactory->trigger();
    undo()->trigger();
    ASSERT_TRUE(undo()->isEnabled() == false && redo()->isEnabled());
    answer("totaltime", "10000000");
    frame().actions().runtime->trigger();
    ASSERT_EQ(changes().count(), 1);
    frame().actions().start->trigger();
    EXPECT_FALSE(undo()->isEnabled());
    EXPECT_FALSE(redo()->isEnabled());
    undo()->trigger();  // Ctrl+Z during a run does nothing
    EXPECT_EQ(value("totaltime"), 1e7);
    EXPECT_TRUE(sim().is_running());
    frame().actions().stop->trigger();
    ASSERT_TRUE(wait_idle());
    ASSERT_TRUE(QTest::qWaitFor([&] { return undo()->isEnabled(); }, 10000));

    services.next_save = file("cleared.vdl");
    frame().actions().saveAs->trigger();
    frame().actions().newDocument->trigger();
    EXPECT_EQ(changes().count(), 0) << "New";
    answer("rates_1", "8");
    frame().actions().carbonateFactory->trigger();
    services.save_answer = WindowServices::SaveAnswer::No;
    services.next_open = file("cleared.vdl");
    frame().actions().open->trigger();
    EXPECT_EQ(changes().count(), 0) << "Open";
    EXPECT_FALSE(undo()->isEnabled());
}

// What became of a run goes when another model takes its place, and a run
// that Open stops for another model ends without a word.
TEST_F(Undo, RunOutcomeGoesWithItsModel) {
    RunProgress& progress = frame().runProgress();
    shorten_runs();
    answer("rates_1", "9");
    frame().actions().carbonateFactory->trigger();  // a step to undo
    services.next_save = file("outcome.vdl");
    frame().actions().saveAs->trigger();
    struct Case {
        const char* what;
        std::function<void()> replace;
    };
    const Case cases[] = {
        {"undo", [&] { undo()->trigger(); }},
        {"redo", [&] { redo()->trigger(); }},
        {"a dialog's OK",
         [&] {
             answer("rates_1", "7");
             frame().actions().carbonateFactory->trigger();
         }},
        {"open",
         [&] {
             services.next_open = file("outcome.vdl");
             frame().actions().open->trigger();
         }},
        {"new", [&] { frame().actions().newDocument->trigger(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        frame().actions().start->trigger();
        ASSERT_TRUE(wait_idle());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !app->isRunning(); }, 10000));
        ASSERT_TRUE(progress.outcome()->text().startsWith("Run finished"));
        ASSERT_TRUE(progress.outcome()->isVisibleTo(&frame()));
        c.replace();
        EXPECT_EQ(progress.outcome()->text().toStdString(), "");
        EXPECT_FALSE(progress.outcome()->isVisibleTo(&frame()));
    }

    app->applyDialogChanges([](ModelParameters& p) { p.totaltime = 1e7; });
    frame().actions().start->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sim().steps_taken() > 0; }, 20000));
    services.next_open = file("outcome.vdl");
    frame().actions().open->trigger();
    ASSERT_FALSE(sim().is_running()) << "Open stopped the run";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !app->isRunning(); }, 10000));
    QApplication::processEvents();
    EXPECT_EQ(progress.outcome()->text().toStdString(), "")
        << "no \"Run stopped at\" for the file opened";
    EXPECT_FALSE(progress.bar()->isVisibleTo(&frame()));
    EXPECT_TRUE(services.messages.isEmpty()) << services.messages.join("; ").toStdString();
}

TEST_F(Program, BrokenProjectLeavesEverythingAsItWas) {
    shorten_runs();
    frame().actions().start->trigger();
    ASSERT_TRUE(wait_idle());
    const std::string text = testing::read_file(file("x").toStdString());  // nothing yet
    services.next_save = file("good.vdl");
    frame().actions().saveAs->trigger();
    const std::string good = testing::read_file(file("good.vdl").toStdString());
    testing::write_file(file("broken.vdl").toStdString(), good.substr(0, good.size() / 2));
    app->markDocumentModified();

    services.next_open = file("broken.vdl");
    services.save_answer = WindowServices::SaveAnswer::No;
    frame().actions().open->trigger();
    ASSERT_EQ(services.messages.size(), 1);
    EXPECT_TRUE(services.messages[0].contains("broken.vdl: line "))
        << services.messages[0].toStdString();
    EXPECT_EQ(doc().title(), "good.vdl*");
    EXPECT_EQ(doc().currentFile(), file("good.vdl"));
    EXPECT_TRUE(doc().isModified());
    services.next_save = file("again.vdl");
    frame().actions().saveAs->trigger();
    EXPECT_EQ(testing::read_file(file("again.vdl").toStdString()), good);
}

// Open takes numbers that are not finite as stored and says so once; a file
// that is not a project is refused without touching the document.
TEST_F(Program, OpenSaysWhatItCannotTakeAsItIs) {
    services.next_save = file("plain.vdl");
    frame().actions().saveAs->trigger();
    std::string text = testing::read_file(file("plain.vdl").toStdString());
    const std::size_t second_x = text.find("x_values", text.find("x_values") + 1);
    text.replace(text.find(' ', second_x) + 1,
                 text.find('\r', second_x) - text.find(' ', second_x) - 1, "nan");
    const std::size_t sea = text.find("sealevel_values");
    text.replace(text.find(' ', sea) + 1, text.find('\r', sea) - text.find(' ', sea) - 1, "-inf");
    testing::write_file(file("odd.vdl").toStdString(), text);
    testing::write_file(file("picture.vdl").toStdString(),
                        std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + text);

    services.next_open = file("odd.vdl");
    frame().actions().open->trigger();
    ASSERT_EQ(services.messages.size(), 1);
    EXPECT_EQ(services.messages[0].toStdString(),
              "odd.vdl: values that are not finite: parameters none; 0 horizon values; x_values "
              "of 1 column; sealevel_values of 1 horizon");
    EXPECT_EQ(doc().title(), "odd.vdl");
    EXPECT_TRUE(std::isnan(sim().read().state().x_values[2]));

    services.messages.clear();
    services.next_open = file("picture.vdl");
    frame().actions().open->trigger();
    ASSERT_EQ(services.messages.size(), 1);
    EXPECT_TRUE(services.messages[0].startsWith("not a Vendrel project: picture.vdl: line 1"))
        << services.messages[0].toStdString();
    EXPECT_EQ(doc().title(), "odd.vdl");
}

TEST_F(Program, CancelInTheSavePromptAbortsNew) {
    app->applyDialogChanges([](ModelParameters& p) { p.max_x = 3000; });
    app->markDocumentModified();
    services.save_answer = WindowServices::SaveAnswer::Cancel;
    frame().actions().newDocument->trigger();
    EXPECT_EQ(services.prompts, QStringList{"New Simulation"});
    EXPECT_EQ(doc().title(), "New Simulation*");
    EXPECT_TRUE(doc().isModified());
}

TEST_F(Program, RecentFilesSurviveARestart) {
    services.next_save = file("first.vdl");
    frame().actions().saveAs->trigger();
    services.next_save = file("second.vdl");
    frame().actions().saveAs->trigger();
    app.reset();
    app = std::make_unique<VendrelApplication>(&services);
    ASSERT_TRUE(app->start(QString(), false, dir.filePath("instance.lock")));
    ASSERT_GE(app->recentFiles().entries().size(), 2);
    EXPECT_EQ(app->recentFiles().entries()[0], file("second.vdl"));
    EXPECT_EQ(app->recentFiles().entries()[1], file("first.vdl"));
    frame().actions().recentFiles[1]->trigger();
    EXPECT_EQ(doc().title(), "first.vdl");
}

TEST_F(Program, ProjectOnTheCommandLineThatFailsGivesANewDocument) {
    app.reset();
    app = std::make_unique<VendrelApplication>(&services);
    ASSERT_TRUE(app->start(file("missing.vdl"), false, dir.filePath("instance.lock")));
    EXPECT_EQ(doc().title(), "New Simulation");
    EXPECT_EQ(services.messages.size(), 1);
}

// A run is never lost: once the run changes the model after a save, the
// document is modified again and closing asks.
TEST_F(Program, RunAfterASaveMarksTheDocumentAgain) {
    app->applyDialogChanges([](ModelParameters& p) {
        p.totaltime = 1e7;  // far longer than the test
        // Slots that last a million steps: a run with recordings every 20
        // steps filled them before a busy machine let the test save.
        p.display_inc = 2000;
    });
    services.next_save = file("project.vdl");
    frame().actions().saveAs->trigger();
    services.next_open = file("project.vdl");
    frame().actions().open->trigger();
    ASSERT_EQ(doc().title(), "project.vdl");

    frame().actions().start->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sim().published_count() >= 2; }, 60000));
    frame().actions().save->trigger();
    EXPECT_EQ(doc().title(), "project.vdl");
    const int saved = sim().published_count();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sim().published_count() > saved + 1; }, 60000));
    frame().actions().stop->trigger();
    ASSERT_TRUE(wait_idle());
    EXPECT_TRUE(QTest::qWaitFor([&] { return doc().isModified(); }, 10000));
    EXPECT_EQ(doc().title(), "project.vdl*");
    const LoadedProject file_now =
        ReadProjectFile(file("project.vdl").toStdString(), doc().project().current_values());
    EXPECT_LT(file_now.data.count, sim().published_count()) << "the file holds part of the run";

    services.save_answer = WindowServices::SaveAnswer::Cancel;
    frame().actions().exit->trigger();
    EXPECT_EQ(services.prompts, QStringList{"project.vdl"}) << "Exit asks";

    frame().actions().save->trigger();  // idle: a save stays clean
    QTest::qWait(50);
    EXPECT_FALSE(doc().isModified());
    EXPECT_TRUE(services.messages.isEmpty()) << services.messages.join("; ").toStdString();
}

// Save of a file that may not be written goes the way of Save As.
TEST_F(Program, SaveOfAnUnwritableTargetAsksForAName) {
    struct Case {
        const char* name;
        bool folder_read_only;
    };
    const Case cases[] = {{"read-only file", false}, {"file in a read-only folder", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.folder_read_only && geteuid() == 0) {
            continue;  // root may write into any folder
        }
        QDir(dir.path()).mkpath(c.name);
        const QString target = dir.path() + "/" + c.name + "/locked.vdl";
        services.next_save = target;
        frame().actions().saveAs->trigger();
        ASSERT_EQ(doc().currentFile(), target);
        if (c.folder_read_only) {
            QFile::setPermissions(QFileInfo(target).path(),
                                  QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther);
        } else {
            QFile::setPermissions(target, QFile::ReadOwner | QFile::ReadOther);
        }
        app->markDocumentModified();
        services.proposed_names.clear();
        services.messages.clear();
        services.next_save = file(QString(c.name) + ".vdl");
        frame().actions().save->trigger();
        EXPECT_EQ(services.proposed_names, QStringList{target}) << "the Save As dialog";
        EXPECT_TRUE(services.messages.isEmpty()) << services.messages.join("; ").toStdString();
        EXPECT_EQ(doc().currentFile(), services.next_save);
        EXPECT_FALSE(doc().isModified());
        QFile::setPermissions(QFileInfo(target).path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

// Nothing a file or a failing service does ends the program: the command
// shows a message and the document stays as it was.
TEST_F(Program, CommandsSurviveFailures) {
    services.next_save = file("kept.vdl");
    frame().actions().saveAs->trigger();
    app->markDocumentModified();
    services.save_answer = WindowServices::SaveAnswer::No;

    QFile huge(file("huge.vdl"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(40LL << 30));  // sparse: 40 GiB of zero bytes
    huge.close();

    struct Case {
        const char* name;
        std::function<void()> act;
        const char* message;  // its start
    };
    const Case cases[] = {
        {"a 40 GiB file",
         [&] {
             services.next_open = file("huge.vdl");
             frame().actions().open->trigger();
         },
         "huge.vdl"},
        {"no memory in a dialog",
         [&] {
             services.answer_dialog = [](QDialog&) -> int { throw std::bad_alloc(); };
             frame().actions().erosion->trigger();
         },
         kOutOfMemory},
        {"anything else thrown",
         [&] {
             services.answer_dialog = [](QDialog&) -> int { throw 42; };
             frame().actions().about->trigger();
         },
         "This command could not be carried out."},
        {"a failing open dialog",
         [&] {
             services.on_open = [] { throw std::runtime_error("no dialog"); };
             frame().actions().open->trigger();
         },
         "This command could not be carried out (no dialog)."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        services.messages.clear();
        c.act();
        ASSERT_EQ(services.messages.size(), 1);
        EXPECT_TRUE(services.messages[0].startsWith(c.message))
            << services.messages[0].toStdString();
        EXPECT_EQ(doc().title(), "kept.vdl*");
        EXPECT_EQ(doc().currentFile(), file("kept.vdl"));
        services.answer_dialog = nullptr;
        services.on_open = nullptr;
    }
}

// The message pane shows the prompt of the item pointed at, enabled or
// not, and the idle text once the menu closes.
TEST_F(Program, MessagePaneFollowsThePointedItem) {
    frame().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame()));
    auto menuOf = [&](QAction* item) {
        for (QAction* entry : frame().menuBar()->actions()) {
            if (entry->menu() != nullptr && entry->menu()->actions().contains(item)) {
                return entry->menu();
            }
        }
        return static_cast<QMenu*>(nullptr);
    };
    const MainWindow::Actions& a = frame().actions();
    struct Case {
        const char* name;
        QAction* from;
        QAction* to;
        QString shown;
    };
    const Case cases[] = {
        {"Start to Stop while idle", a.start, a.stop, "Stop the running simulation"},
        {"Block Faulting to Other", a.blockFaulting, a.otherTectonics, ""},
        {"Open to the empty recent-file entry", a.open, a.recentFiles[0], "Open this document"},
        {"Stop back to Start", a.stop, a.start,
         "Run the simulation with current set of parameters"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QMenu* menu = menuOf(c.from);
        ASSERT_NE(menu, nullptr);
        menu->popup(frame().mapToGlobal(QPoint(40, 40)));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
        QTest::mouseMove(menu, menu->actionGeometry(c.from).center());
        QApplication::processEvents();
        EXPECT_EQ(frame().statusBar()->currentMessage().toStdString(),
                  c.from->statusTip().toStdString());
        QTest::mouseMove(menu, menu->actionGeometry(c.to).center());
        QApplication::processEvents();
        EXPECT_EQ(frame().statusBar()->currentMessage().toStdString(), c.shown.toStdString());
        menu->hide();
        QApplication::processEvents();
        EXPECT_EQ(frame().statusBar()->currentMessage().toStdString(), "  Vendrel 0.90");
    }
}

TEST(WindowGeometry, FitsTheScreen) {
    struct Case {
        const char* name;
        QRect available;
        double ratio;
        QRect expected;
    };
    const Case cases[] = {
        {"large screen", QRect(0, 0, 1920, 1080), 1, QRect(10, 10, 1824, 968)},
        {"1600 x 1000", QRect(0, 0, 1600, 1000), 1, QRect(10, 10, 1590, 968)},
        {"laptop", QRect(0, 0, 1366, 768), 1, QRect(10, 10, 1356, 758)},
        {"panel at the top", QRect(0, 32, 1366, 736), 1, QRect(10, 32, 1356, 736)},
        {"second screen", QRect(1920, 0, 1280, 1024), 1, QRect(1920, 10, 1280, 968)},
        // 1920 x 1080 screen pixels: at (13, 13), 1906 x 1066 of them, where
        // 1526 x 854 would take 1908 x 1068 and pass the edges by one.
        {"1920 x 1080 at 1.25", QRect(0, 0, 1536, 864), 1.25, QRect(10, 10, 1525, 853)},
        {"large screen at 1.25", QRect(0, 0, 2400, 1350), 1.25, QRect(10, 10, 1824, 968)},
        {"1920 x 1080 at 1.5", QRect(0, 0, 1280, 720), 1.5, QRect(10, 10, 1270, 710)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(fitToScreen(kMainWindowGeometry, c.available, c.ratio), c.expected);
    }
}

// Also run on a screen scaled by 1.25: the window's screen pixels, placed
// and sized as Qt rounds them, lie on the screen's.
TEST_F(Program, WindowFitsItsScreenAtAnyScale) {
    const QRect available = frame().screen()->availableGeometry();
    const QRect window = frame().geometry();
    EXPECT_TRUE(available.contains(window)) << available.width() << "x" << available.height();
    const double ratio = frame().screen()->devicePixelRatio();
    auto pixels = [ratio](int n) { return std::lround(n * ratio); };
    EXPECT_LE(pixels(window.x()) + pixels(window.width()),
              pixels(available.x() + available.width()));
    EXPECT_LE(pixels(window.y()) + pixels(window.height()),
              pixels(available.y() + available.height()));
}

// Options are parsed before the window system starts and before the
// instance lock: they work without a display while another copy runs.
TEST(CommandLine, OptionsThroughTheProgram) {
    VENDREL_SKIP_UNDER_TSAN();
    QTemporaryDir dir;
    const QString lock = dir.filePath("instance.lock");
    SingleInstanceGuard running;
    ASSERT_EQ(running.acquire(lock), SingleInstanceGuard::Outcome::Acquired);
    struct Case {
        QStringList arguments;
        int status;
        QString out;  // its start
        QString err;
    };
    const Case cases[] = {
        {{"--help"}, 0, "Usage: vendrel [OPTION]... [PROJECT.vdl]\n", ""},
        {{"--version"}, 0, "vendrel 0.90\n", ""},
        {{"--bogus"}, 2, "", "vendrel: Unknown option 'bogus'.\n"},
        {{"-x.vdl"}, 2, "", "vendrel: Unknown option 'x.vdl'.\n"},
        {{"--x\x1b[2J\n"}, 2, "", "vendrel: Unknown option 'x\\x1b[2J\\n'.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(" ").toStdString());
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        environment.remove("QT_QPA_PLATFORM");
        environment.insert("VENDREL_INSTANCE_LOCK", lock);
        program.setProcessEnvironment(environment);
        program.start(VENDREL_PATH, c.arguments);
        ASSERT_TRUE(program.waitForFinished(30000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), c.status);
        const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
        EXPECT_EQ(out.left(c.out.size()), c.out);
        EXPECT_EQ(c.out.isEmpty(), out.isEmpty());
        EXPECT_EQ(QString::fromLocal8Bit(program.readAllStandardError()), c.err);
    }
}

TEST(CommandLine, ProjectsAndTheEndOfOptions) {
    struct Case {
        QStringList arguments;
        CommandLine::Action action;
        QString project;
    };
    const Case cases[] = {
        {{"vendrel"}, CommandLine::Action::Run, ""},
        {{"vendrel", "ramp.vdl"}, CommandLine::Action::Run, "ramp.vdl"},
        {{"vendrel", "--", "-x.vdl"}, CommandLine::Action::Run, "-x.vdl"},
        {{"vendrel", "--", "--help"}, CommandLine::Action::Run, "--help"},
        {{"vendrel", "-h"}, CommandLine::Action::ShowHelp, ""},
        {{"vendrel", "ramp.vdl", "--version"}, CommandLine::Action::ShowVersion, ""},
        {{"vendrel", "-x.vdl"}, CommandLine::Action::Refuse, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(" ").toStdString());
        const CommandLine line = parseCommandLine(c.arguments);
        EXPECT_EQ(line.action, c.action);
        EXPECT_EQ(line.project, c.project);
    }
}

// The menu shows an item as Qt lays it out: the caption, then a tab and
// its keys, which Qt draws in the menu's shortcut column.
QString shownInMenu(QAction* item) {
    struct Menu : QMenu {
        QString shown(QAction* item) {
            QStyleOptionMenuItem option;
            initStyleOption(&option, item);
            return option.text;
        }
    };
    Menu menu;
    menu.addAction(item);
    return menu.shown(item);
}

TEST_F(Program, StandardKeysAndTheUserGuide) {
    struct Case {
        QAction* command;
        const char* keys;
        const char* shown;  // in the menu's shortcut column
    };
    const MainWindow::Actions& a = frame().actions();
    const Case cases[] = {
        {a.saveAs, "Ctrl+Shift+S", "Ctrl+Shift+S"},
        {a.exit, "Ctrl+Q", "Ctrl+Q"},
        {a.userGuide, "F1", "F1"},
        {a.stop, "Esc", "Esc"},
        {a.redo, "Ctrl+Shift+Z", "Ctrl+Shift+Z"},
        {a.zoomIn, "Ctrl+1", "Ctrl+1"},
        {a.moveLeft, "Left", "Left Arrow"},
        {a.moveDown, "Down", "Down Arrow"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        EXPECT_EQ(c.command->shortcut(), QKeySequence(c.keys));
        const QString caption = c.command->text().section('\t', 0, 0);
        EXPECT_EQ(shownInMenu(c.command).toStdString(), (caption + "\t" + c.shown).toStdString());
    }
    // No caption is padded by hand to a column: Qt lays the menus out.
    for (QAction* menu : frame().menuBar()->actions()) {
        for (QAction* item :
             menu->menu() != nullptr ? menu->menu()->actions() : QList<QAction*>()) {
            EXPECT_FALSE(item->text().contains("  ")) << item->text().toStdString();
        }
    }
    frame().actions().userGuide->trigger();
    ASSERT_EQ(services.opened_urls.size(), 1);
    EXPECT_TRUE(services.opened_urls[0].isLocalFile());
    EXPECT_TRUE(services.opened_urls[0].toLocalFile().endsWith("guide/index.html"));
    EXPECT_TRUE(QFileInfo(services.opened_urls[0].toLocalFile()).isFile());
}

// The newer menu items take a mnemonic, none shared within a menu, and
// the two pictures are named for assistive technologies.
TEST_F(Program, MnemonicsAndAccessibleNames) {
    const std::pair<QAction*, const char*> items[] = {
        {frame().actions().exportFigure, "Alt+F"}, {frame().actions().exportData, "Alt+D"},
        {frame().actions().reportStyle, "Alt+R"},  {frame().actions().wheelerDiagram, "Alt+W"},
        {frame().actions().pseudoWell, "Alt+P"},
    };
    for (const auto& [item, keys] : items) {
        SCOPED_TRACE(item->text().toStdString());
        EXPECT_EQ(QKeySequence::mnemonic(item->text()), QKeySequence(keys));
    }
    for (QAction* menu : frame().menuBar()->actions()) {
        if (menu->menu() == nullptr) {
            continue;
        }
        SCOPED_TRACE(menu->text().toStdString());
        QList<QKeySequence> seen;
        for (QAction* item : menu->menu()->actions()) {
            const QKeySequence keys = QKeySequence::mnemonic(item->text());
            if (!keys.isEmpty() && item->isVisible()) {
                EXPECT_FALSE(seen.contains(keys)) << item->text().toStdString();
                seen.append(keys);
            }
        }
    }
    frame().actions().pseudoWell->trigger();
    ASSERT_NE(frame().wellPanel(), nullptr);
    auto* log = frame().wellPanel()->findChild<QWidget*>("wellLog");
    ASSERT_NE(log, nullptr);
    for (QWidget* picture : {static_cast<QWidget*>(&frame().view()), log}) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(picture);
        ASSERT_NE(accessible, nullptr);
        EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty())
            << picture->metaObject()->className();
    }
}

TEST(UserGuide, DescribesTheWindowsCommands) {
    const QString guide = findUserGuide(QCoreApplication::applicationDirPath());
    ASSERT_FALSE(guide.isEmpty());
    const QString text = QString::fromStdString(testing::read_file(guide.toStdString()));
    for (const char* topic : {"Report Style", "Export Figure", "Edit &gt; Undo", "Redo",
                              "Ctrl+Shift+Z", "hands the file to the running copy"}) {
        EXPECT_TRUE(text.contains(topic)) << topic;
    }
}

TEST(UserGuide, InstalledBesideTheProgramOrInTheSourceTree) {
    QTemporaryDir prefix;
    QDir(prefix.path()).mkpath("bin");
    QDir(prefix.path()).mkpath("share/vendrel/guide");
    const QString installed = prefix.filePath("share/vendrel/guide/index.html");
    const QString fromSource = findUserGuide(prefix.filePath("bin"));
    EXPECT_TRUE(fromSource.endsWith("resources/guide/index.html")) << fromSource.toStdString();
    testing::write_file(installed.toStdString(), "<html></html>");
    EXPECT_EQ(findUserGuide(prefix.filePath("bin")), installed);
}

TEST(QtWindowServices, OpenAndSaveStartInTheLastFolderUsed) {
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("projects");
    const QString folder = QDir(dir.filePath("projects")).canonicalPath();
    QtWindowServices services;
    QString startedIn;
    auto answer = [&](std::function<void(QFileDialog*)> act) {
        QTimer::singleShot(0, [&startedIn, act] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            startedIn = dialog->directory().canonicalPath();
            act(dialog);
        });
    };
    const auto cancel = [](QFileDialog* dialog) { dialog->reject(); };
    answer([&](QFileDialog* dialog) {
        dialog->selectFile(folder + "/chosen.vdl");
        QMetaObject::invokeMethod(dialog, "accept");
    });
    const QString chosen =
        services.saveFileName(nullptr, "Save As", "New Simulation.vdl", kProjectFilter);
    EXPECT_EQ(QFileInfo(chosen).absolutePath(), folder) << chosen.toStdString();
    answer(cancel);
    EXPECT_TRUE(services.openFileName(nullptr, kProjectFilter).isEmpty());
    EXPECT_EQ(startedIn, folder) << "Open";
    answer(cancel);
    services.saveFileName(nullptr, "Save As", "New Simulation.vdl", kProjectFilter);
    EXPECT_EQ(startedIn, folder) << "Save As of a new document";
}

TEST(QtWindowServices, StartFolderAvoidsPseudoFileSystems) {
    QTemporaryDir dir;
    struct Case {
        QString folder;
        QString start;
    };
    const QString home = QDir::homePath();
    const Case cases[] = {
        {"/proc", home},
        {"/proc/self", home},
        {"/proc/no/such/folder", home},
        {"/sys/kernel", home},
        {"/dev", home},
        {"/dev/fd", home},  // a link into /proc
        {"/procedures", "/procedures"},
        {dir.path(), dir.path()},
        {dir.filePath("not/yet"), dir.filePath("not/yet")},
        {"", QDir::currentPath()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder.toStdString());
        EXPECT_EQ(QtWindowServices::startFolder(c.folder).toStdString(), c.start.toStdString());
    }
}

// Every file dialog is Qt's own with an icon provider that names a file's
// type from its name: the default one reads the first bytes of each file
// listed (and hangs on /proc/kmsg). After a failed Save As into /proc,
// the next dialog does not open there.
TEST(QtWindowServices, FileDialogsNeverReadTheFilesTheyList) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath("notes.dat");
    testing::write_file(pdf.toStdString(), "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n1 0 obj\n");
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));  // where savedincrements is made
    QtWindowServices services;
    QString startedIn, type, title;
    bool native = true;
    auto answer = [&](std::function<void(QFileDialog*)> act) {
        startedIn.clear();
        QTimer::singleShot(0, [&, act] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            startedIn = dialog->directory().absolutePath();
            title = dialog->windowTitle();
            native = !dialog->testOption(QFileDialog::DontUseNativeDialog);
            ASSERT_NE(dialog->iconProvider(), nullptr);
            type = dialog->iconProvider()->type(QFileInfo(pdf));
            act(dialog);
        });
    };
    const auto cancel = [](QFileDialog* dialog) { dialog->reject(); };
    // A dialog the user takes into /sys and cancels: Qt would start the
    // next dialog given no folder there.
    {
        QtWindowServices fresh;
        answer([](QFileDialog* dialog) {
            dialog->setDirectory("/sys");
            dialog->reject();
        });
        fresh.openFileName(nullptr, kProjectFilter);
        answer(cancel);
        fresh.openFileName(nullptr, kProjectFilter);
        EXPECT_EQ(QDir(startedIn).canonicalPath().toStdString(),
                  QDir(dir.path()).canonicalPath().toStdString());
    }
    struct Case {
        const char* name;
        std::function<void()> open;
        const char* title;
    };
    const Case cases[] = {
        {"open", [&] { services.openFileName(nullptr, kProjectFilter); }, "Open"},
        {"save", [&] { services.saveFileName(nullptr, "Export Data", "x.nc", "NetCDF (*.nc)"); },
         "Export Data"},
        {"bitmap", [&] { services.bitmapFileName(nullptr); }, "Select Output Bmp File"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        answer(cancel);
        c.open();
        EXPECT_EQ(title.toStdString(), c.title);
        EXPECT_FALSE(native);
        EXPECT_EQ(type.toStdString(), "DAT File") << "named from the suffix, not the contents";
    }
    EXPECT_EQ(QDir(startedIn).canonicalPath(),
              QDir(dir.filePath("savedincrements")).canonicalPath());

    answer([&](QFileDialog* dialog) {
        dialog->selectFile(dir.filePath("chosen.vdl"));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    services.saveFileName(nullptr, "Save As", "New Simulation.vdl", kProjectFilter);
    // A Save As into /sys (whose save then fails): the next dialogs start
    // where the last good one did, and so does a Save As of a file in /proc.
    answer([&](QFileDialog* dialog) {
        dialog->selectFile("/sys/chosen.vdl");
        QMetaObject::invokeMethod(dialog, "accept");
    });
    EXPECT_EQ(services.saveFileName(nullptr, "Save As", "New Simulation.vdl", kProjectFilter),
              "/sys/chosen.vdl");
    const std::pair<const char*, std::function<void()>> next[] = {
        {"open", [&] { services.openFileName(nullptr, kProjectFilter); }},
        {"save as",
         [&] { services.saveFileName(nullptr, "Save As", "New Simulation.vdl", kProjectFilter); }},
        {"save as of a file in /proc",
         [&] { services.saveFileName(nullptr, "Save As", "/proc/self/x.vdl", kProjectFilter); }},
    };
    for (const auto& [name, open] : next) {
        SCOPED_TRACE(name);
        answer(cancel);
        open();
        EXPECT_EQ(QDir(startedIn).canonicalPath().toStdString(),
                  QDir(dir.path()).canonicalPath().toStdString());
    }
    QDir::setCurrent(previous);
}

TEST(ThreadCountDialog, Conventions) {
    FakeWindowServices services;
    struct Case {
        const char* text;
        bool accepted;
        int stored;
        const char* message;
    };
    const Case cases[] = {
        {"4", true, 4, ""},
        {"  12abc", true, 12, ""},
        {"-1", false, 7, "Enter an integer between 0 and 2147483647."},
        {"abc", false, 7, "Enter an integer."},
        {"", false, 7, "Enter an integer."},
        {"2147483647", true, 2147483647, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        services.messages.clear();
        ModelParameters p = testing::document_parameters();
        p.omp_threads = 7;
        ThreadCountDialog dialog(services, p, DisplaySettings{});
        auto* box = dialog.edit("omp_threads");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), "7");
        box->setText(c.text);
        dialog.accept();
        EXPECT_EQ(dialog.result() == QDialog::Accepted, c.accepted);
        if (c.accepted) {
            DisplaySettings display;
            dialog.store(p, display);
        }
        EXPECT_EQ(p.omp_threads, c.stored);
        EXPECT_EQ(services.messages.join("").toStdString(), c.message);
        if (!c.accepted) {
            EXPECT_EQ(box->selectedText(), box->text());
        }
    }
}

TEST(DialogBoxes, NamedForScreenReaders) {
    FakeWindowServices services;
    const ModelParameters p = testing::document_parameters();
    const DisplaySettings d;
    std::vector<std::unique_ptr<ParameterDialog>> dialogs;
    dialogs.push_back(std::make_unique<CarbonateFactoryDialog>(services, p, d));
    dialogs.push_back(std::make_unique<RampDipDialog>(services, p, d));
    dialogs.push_back(std::make_unique<PlatformDialog>(services, p, d));
    dialogs.push_back(std::make_unique<TectonicsDialog>(services, p, d));
    dialogs.push_back(std::make_unique<DisplayPreferencesDialog>(services, p, d));
    dialogs.push_back(std::make_unique<RuntimeDialog>(services, p, d));
    dialogs.push_back(std::make_unique<ThreadCountDialog>(services, p, d));
    for (auto& dialog : dialogs) {
        SCOPED_TRACE(dialog->windowTitle().toStdString());
        dialog->ensurePolished();
        for (QWidget* box : dialog->findChildren<QWidget*>()) {
            if (qobject_cast<QLineEdit*>(box) || qobject_cast<QCheckBox*>(box)) {
                EXPECT_FALSE(box->accessibleName().isEmpty()) << box->objectName().toStdString();
            }
        }
    }
    const std::pair<const char*, const char*> names[] = {
        {"depths_3", "Control Point 3, Depth (m)"},
        {"rates_8", "Control Point 8, Production Rate (m/ka)"},
        {"ramp_dip", "Ramp Dip (degrees)"},
        {"control_height_2", "y (m), CP2"},
        {"antithetic1", "1st Fault, Antithetic"},
        {"third_fault_slip", "3rd Fault, Slip Rate (m/ka)"},
        {"dist2", "T2, Distance from Shoreline Thresholds (m)"},
        {"omp_threads", "Numer of OpenMP thereads to use"},
    };
    for (const auto& [box, name] : names) {
        QWidget* found = nullptr;
        for (auto& dialog : dialogs) {
            found = found ? found : dialog->findChild<QWidget*>(box);
        }
        ASSERT_NE(found, nullptr) << box;
        EXPECT_EQ(found->accessibleName().toStdString(), name);
    }
}

TEST(DialogBoxes, ShowTheirValueWholeAndSelectOnFocus) {
    FakeWindowServices services;
    ModelParameters p = testing::document_parameters();
    p.ramp_dip = 14.0362434679265;
    RampDipDialog ramp(services, p, DisplaySettings{});
    ramp.setVisible(true);
    ramp.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&ramp));
    QLineEdit* dip = ramp.edit("ramp_dip");
    ASSERT_EQ(dip->text(), "14.0362434679265");
    EXPECT_GE(dip->width(), dip->fontMetrics().horizontalAdvance(dip->text()) + 8)
        << "all 15 digits in view";

    QTest::mouseClick(dip, Qt::LeftButton, {}, QPoint(5, dip->height() / 2));
    EXPECT_TRUE(QTest::qWaitFor([&] { return dip->selectedText() == dip->text(); }, 2000))
        << "a click into the box selects its text";

    PlatformDialog platform(services, p, DisplaySettings{});
    QLineEdit* last = platform.edit("control_x_10");
    EXPECT_TRUE(last->isReadOnly());
    EXPECT_NE(last->palette().color(QPalette::Base),
              platform.edit("control_x_5")->palette().color(QPalette::Base))
        << "looks read-only";
}

TEST(DialogConventions, NumbersShowAndRead) {
    EXPECT_EQ(formatReal(2000), "2000");
    EXPECT_EQ(formatReal(0.0005), "0.0005");
    EXPECT_EQ(formatReal(1.7976931348623157e308), "1.79769313486232e+308");
    EXPECT_EQ(formatReal(0.1 + 0.2), "0.3");
    EXPECT_EQ(scanReal(" 12.5abc"), 12.5);
    EXPECT_EQ(scanReal("1e3"), 1000);
    EXPECT_FALSE(scanReal("abc").has_value());
    EXPECT_FALSE(scanReal("").has_value());
    EXPECT_EQ(numberRangeMessage(0, 1.7976931348623157e308),
              "Enter a number between 0 and 1.79769313486232e+308.");
}

}  // namespace
}  // namespace vendrel
