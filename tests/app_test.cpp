#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/command_ids.h"
#include "app/dialogs/openmp_dialog.h"
#include "app/main_frame.h"
#include "app/vendrel_app.h"
#include "app/vendrel_doc.h"
#include "app/vendrel_view.h"
#include "tests/fake_window_services.h"
#include "tests/test_support.h"

namespace vendrel {
namespace {

using testing::FakeWindowServices;

class Program : public ::testing::Test {
  protected:
    void SetUp() override {
        app = std::make_unique<CVendrelApp>(&services);
        ASSERT_TRUE(app->InitInstance(QString(), false, dir.filePath("instance.lock")));
    }
    CVendrelDoc& doc() { return app->doc(); }
    CMainFrame& frame() { return app->frame(); }
    Simulation& sim() { return doc().simulation(); }
    QString file(const QString& name) const { return dir.filePath(name); }
    bool wait_idle() { return sim().wait_until_idle(std::chrono::seconds(60)); }
    // A short run, as a dialog would set it up.
    void shorten_runs() {
        app->apply_dialog_changes([](ModelParameters& p) {
            p.totaltime = 4000;
            p.display_inc = 500;
        });
    }

    QTemporaryDir dir;
    FakeWindowServices services;
    std::unique_ptr<CVendrelApp> app;
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
             frame().execute(ID_START_SIMULATION);
             wait_idle();
         },
         "New Simulation*"},
        {"Save As ramp1.vdl", [&] { frame().execute(ID_FILE_SAVE_AS); }, "ramp1.vdl"},
        {"a change", [&] { app->mark_document_modified(); }, "ramp1.vdl*"},
        {"Save", [&] { frame().execute(ID_FILE_SAVE); }, "ramp1.vdl"},
        {"Open other.vdl",
         [&] {
             QFile::copy(file("ramp1.vdl"), file("other.vdl"));
             services.next_open = file("other.vdl");
             frame().execute(ID_FILE_OPEN);
         },
         "other.vdl"},
        {"New", [&] { frame().execute(ID_FILE_NEW); }, "New Simulation"},
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

// A project made read-only is never overwritten, not even when the program
// runs as root: Save asks for a new name as Save As does.
TEST_F(Program, SaveOfAReadOnlyProjectAsksForANewName) {
    services.next_save = file("ramp1.vdl");
    frame().execute(ID_FILE_SAVE_AS);
    const std::string saved = testing::read_file(file("ramp1.vdl").toStdString());
    QFile::setPermissions(file("ramp1.vdl"), QFile::ReadOwner | QFile::ReadGroup);
    app->apply_dialog_changes([](ModelParameters& p) { p.slip1 = 3; });
    services.next_save = file("copy.vdl");
    frame().execute(ID_FILE_SAVE);
    EXPECT_EQ(services.proposed_names.size(), 2) << "Save did not ask for a name";
    EXPECT_EQ(doc().title().toStdString(), "copy.vdl");
    EXPECT_EQ(testing::read_file(file("ramp1.vdl").toStdString()), saved);
    EXPECT_TRUE(services.messages.isEmpty()) << services.messages.join("; ").toStdString();
}

TEST_F(Program, WhatMarksTheDocumentModified) {
    shorten_runs();
    doc().SetModifiedFlag(false);
    frame().execute(ID_STOP_SIMULATION);  // disabled while idle: nothing happens
    EXPECT_FALSE(doc().IsModified());

    services.answer_dialog = [](QDialog& dialog) {
        dialog.findChild<QLineEdit*>("edit1000")->setText("3");
        dialog.accept();
        return dialog.result();
    };
    frame().execute(ID_OPENMP_THREADS);
    EXPECT_EQ(sim().params().omp_threads, 3);
    EXPECT_FALSE(doc().IsModified()) << "the thread count is not part of the project";

    frame().execute(ID_START_SIMULATION);
    EXPECT_TRUE(doc().IsModified()) << "Start marks the document";
    frame().execute(ID_STOP_SIMULATION);
    ASSERT_TRUE(wait_idle());
    EXPECT_EQ(frame().pane_texts()[1], "Simple Ramp (unsaved)");
}

TEST_F(Program, MenuStatesIdleAndRunning) {
    EXPECT_TRUE(frame().command_enabled(ID_START_SIMULATION));
    EXPECT_TRUE(frame().command_enabled(ID_OPENMP_THREADS));
    EXPECT_FALSE(frame().command_enabled(ID_STOP_SIMULATION));
    EXPECT_FALSE(frame().command_enabled(ID_TECTONICS_OTHER)) << "Other is always greyed";
    EXPECT_TRUE(frame().command_checked(ID_SIMPLE_RAMP));
    EXPECT_TRUE(frame().command_checked(ID_DEPTH_OF_DEPOSITION));
    EXPECT_TRUE(frame().command_checked(ID_SHOW_SEA_LEVEL));
    EXPECT_FALSE(frame().command_checked(ID_SHOW_BATH_MARKER));
    doc().project().display().draw_bl = 2;  // a project may carry other values: no tick
    EXPECT_FALSE(frame().command_checked(ID_SHOW_SEA_LEVEL));

    // A run far longer than the test.
    app->apply_dialog_changes([](ModelParameters& p) { p.totaltime = 1e7; });
    frame().execute(ID_START_SIMULATION);
    EXPECT_FALSE(frame().command_enabled(ID_START_SIMULATION));
    EXPECT_FALSE(frame().command_enabled(ID_OPENMP_THREADS));
    EXPECT_TRUE(frame().command_enabled(ID_STOP_SIMULATION));
    EXPECT_TRUE(frame().command_enabled(ID_FILE_SAVE)) << "saving stays available";
    EXPECT_TRUE(frame().command_enabled(ID_FILE_NEW));
    EXPECT_FALSE(frame().execute(ID_START_SIMULATION)) << "Ctrl+R during a run does nothing";
    frame().execute(ID_STOP_SIMULATION);
    ASSERT_TRUE(wait_idle());
    EXPECT_TRUE(frame().command_enabled(ID_START_SIMULATION));
}

TEST_F(Program, StatusPanes) {
    frame().view().resize(1600, 800);
    sim().modify().params().omp_threads = 4;
    const auto panes = frame().pane_texts();
    EXPECT_EQ(panes[0], "Using 4 Threads");
    EXPECT_EQ(panes[1], "Simple Ramp");
    EXPECT_EQ(panes[2], "dt = 1.000 yrs");
    EXPECT_EQ(panes[3], "dx =  1.00 m");
    EXPECT_EQ(panes[4], "VE =  2.00");
    sim().modify().params().omp_threads = 0;
    EXPECT_EQ(frame().pane_texts()[0], QString("Using %1 Threads").arg(runtime_max_threads()));
}

TEST_F(Program, StartRecordsAndStopKeepsHorizons) {
    app->apply_dialog_changes([](ModelParameters& p) { p.display_inc = 100; });
    frame().execute(ID_START_SIMULATION);
    ASSERT_TRUE(QTest::qWaitFor([&] { return sim().published_count() >= 4; }, 60000));
    frame().execute(ID_STOP_SIMULATION);
    ASSERT_TRUE(wait_idle());
    const int kept = sim().published_count();
    EXPECT_GE(kept, 4);
    QTest::qWait(50);
    EXPECT_EQ(sim().published_count(), kept);
    frame().view().repaint();  // draws what was kept
}

TEST_F(Program, BrokenProjectLeavesEverythingAsItWas) {
    shorten_runs();
    frame().execute(ID_START_SIMULATION);
    ASSERT_TRUE(wait_idle());
    const std::string text = testing::read_file(file("x").toStdString());  // nothing yet
    services.next_save = file("good.vdl");
    frame().execute(ID_FILE_SAVE_AS);
    const std::string good = testing::read_file(file("good.vdl").toStdString());
    testing::write_file(file("broken.vdl").toStdString(), good.substr(0, good.size() / 2));
    app->mark_document_modified();

    services.next_open = file("broken.vdl");
    services.save_answer = WindowServices::SaveAnswer::No;
    frame().execute(ID_FILE_OPEN);
    ASSERT_EQ(services.messages.size(), 1);
    EXPECT_TRUE(services.messages[0].contains("broken.vdl: line "))
        << services.messages[0].toStdString();
    EXPECT_EQ(doc().title(), "good.vdl*");
    EXPECT_EQ(doc().path_name(), file("good.vdl"));
    EXPECT_TRUE(doc().IsModified());
    services.next_save = file("again.vdl");
    frame().execute(ID_FILE_SAVE_AS);
    EXPECT_EQ(testing::read_file(file("again.vdl").toStdString()), good);
}

TEST_F(Program, CancelInTheSavePromptAbortsNew) {
    app->apply_dialog_changes([](ModelParameters& p) { p.max_x = 3000; });
    app->mark_document_modified();
    services.save_answer = WindowServices::SaveAnswer::Cancel;
    frame().execute(ID_FILE_NEW);
    EXPECT_EQ(services.prompts, QStringList{"New Simulation"});
    EXPECT_EQ(doc().title(), "New Simulation*");
    EXPECT_TRUE(doc().IsModified());
}

TEST_F(Program, RecentFilesSurviveARestart) {
    services.next_save = file("first.vdl");
    frame().execute(ID_FILE_SAVE_AS);
    services.next_save = file("second.vdl");
    frame().execute(ID_FILE_SAVE_AS);
    app.reset();
    app = std::make_unique<CVendrelApp>(&services);
    ASSERT_TRUE(app->InitInstance(QString(), false, dir.filePath("instance.lock")));
    ASSERT_GE(app->recent_files().entries().size(), 2);
    EXPECT_EQ(app->recent_files().entries()[0], file("second.vdl"));
    EXPECT_EQ(app->recent_files().entries()[1], file("first.vdl"));
    frame().execute(ID_FILE_MRU_FILE1 + 1);
    EXPECT_EQ(doc().title(), "first.vdl");
}

TEST_F(Program, ProjectOnTheCommandLineThatFailsGivesANewDocument) {
    app.reset();
    app = std::make_unique<CVendrelApp>(&services);
    ASSERT_TRUE(app->InitInstance(file("missing.vdl"), false, dir.filePath("instance.lock")));
    EXPECT_EQ(doc().title(), "New Simulation");
    EXPECT_EQ(services.messages.size(), 1);
}

TEST(SingleInstance, SecondCopyEndsAtOnce) {
    QTemporaryDir dir;
    const QString lock = dir.filePath("instance.lock");
    SingleInstanceGuard first;
    ASSERT_EQ(first.acquire(lock), SingleInstanceGuard::Outcome::Acquired);
    SingleInstanceGuard second;
    EXPECT_EQ(second.acquire(lock), SingleInstanceGuard::Outcome::HeldElsewhere);

    const pid_t copy = fork();
    ASSERT_GE(copy, 0);
    if (copy == 0) {
        setenv("VENDREL_INSTANCE_LOCK", lock.toLocal8Bit().constData(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        execl(VENDREL_PATH, VENDREL_PATH, static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    pid_t ended = 0;
    for (int waited = 0; waited < 3000 && ended == 0; ++waited) {  // at most 30 s
        ended = waitpid(copy, &status, WNOHANG);
        if (ended == 0) {
            QTest::qWait(10);
        }
    }
    if (ended == 0) {
        kill(copy, SIGKILL);
        waitpid(copy, &status, 0);
        FAIL() << "the second copy kept running";
    }
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    first.release();
    EXPECT_EQ(second.acquire(lock), SingleInstanceGuard::Outcome::Acquired);
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
        COpenMPDlg dialog(services, 7);
        auto* box = dialog.findChild<QLineEdit*>("edit1000");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), "7");
        box->setText(c.text);
        dialog.accept();
        EXPECT_EQ(dialog.result() == QDialog::Accepted, c.accepted);
        EXPECT_EQ(dialog.thread_count(), c.stored);
        EXPECT_EQ(services.messages.join("").toStdString(), c.message);
        if (!c.accepted) {
            EXPECT_EQ(box->selectedText(), box->text());
        }
    }
}

TEST(DialogConventions, NumbersShowAndRead) {
    EXPECT_EQ(format_real(2000), "2000");
    EXPECT_EQ(format_real(0.0005), "0.0005");
    EXPECT_EQ(format_real(1.7976931348623157e308), "1.79769313486232e+308");
    EXPECT_EQ(format_real(0.1 + 0.2), "0.3");
    EXPECT_EQ(scan_real(" 12.5abc"), 12.5);
    EXPECT_EQ(scan_real("1e3"), 1000);
    EXPECT_FALSE(scan_real("abc").has_value());
    EXPECT_FALSE(scan_real("").has_value());
    EXPECT_EQ(number_range_message(0, 1.7976931348623157e308),
              "Enter a number between 0 and 1.79769313486232e+308.");
}

}  // namespace
}  // namespace vendrel
