#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QTemporaryDir>
#include <cmath>
#include <map>
#include <memory>

#include "app/command_ids.h"
#include "app/dialogs/carbonate_factory_dialog.h"
#include "app/dialogs/display_preferences_dialog.h"
#include "app/dialogs/platform_dialog.h"
#include "app/dialogs/runtime_dialog.h"
#include "app/dialogs/sea_level_dialog.h"
#include "app/dialogs/single_value_dialogs.h"
#include "app/dialogs/tectonics_dialog.h"
#include "app/main_frame.h"
#include "app/vendrel_app.h"
#include "app/vendrel_doc.h"
#include "tests/fake_window_services.h"
#include "tests/test_support.h"
#include "view/display_toggles.h"

namespace vendrel {
namespace {

using testing::FakeWindowServices;

QLineEdit* box(QDialog& dialog, int control) {
    auto* found = dialog.findChild<QLineEdit*>(QString("edit%1").arg(control));
    EXPECT_NE(found, nullptr) << "edit" << control;
    return found;
}

// Types `entries` into a dialog of type D made from `p`, presses OK and,
// when it closes, stores into `p`. Returns the messages shown.
template <class D, class Parameters>
QString confirm(Parameters& p, const std::map<int, QString>& entries, bool* accepted = nullptr) {
    FakeWindowServices services;
    D dialog(services, p);
    for (const auto& [control, text] : entries) {
        box(dialog, control)->setText(text);
    }
    dialog.accept();
    const bool ok = dialog.result() == QDialog::Accepted;
    if (ok) {
        dialog.store(p);
    }
    if (accepted != nullptr) {
        *accepted = ok;
    }
    return services.messages.join("|");
}

const QString kLargestBound = "1.79769313486232e+308";

TEST(ParameterDialogs, RangeChecksAndMessages) {
    struct Case {
        const char* name;
        std::function<QString(ModelParameters&, bool*)> act;
        bool accepted;
        QString message;
    };
    const Case cases[] = {
        {"factory depth 1000.5",
         [](ModelParameters& p, bool* a) {
             return confirm<CVendrelDlg>(p, {{1004, "1000.5"}}, a);
         },
         false, "Enter a number between 0 and 1000."},
        {"factory negative rate",
         [](ModelParameters& p, bool* a) {
             return confirm<CVendrelDlg>(p, {{1010, "-4"}}, a);
         },
         true, ""},
        {"erosion -0.1",
         [](ModelParameters& p, bool* a) {
             return confirm<CErosDlg>(p, {{1000, "-0.1"}}, a);
         },
         false, "Enter a number between 0 and " + kLargestBound + "."},
        {"erosion 0",
         [](ModelParameters& p, bool* a) {
             return confirm<CErosDlg>(p, {{1000, "0"}}, a);
         },
         true, ""},
        {"basinal rate first",
         [](ModelParameters& p, bool* a) {
             return confirm<CsedsDlg>(p, {{1000, "600"}, {1002, "2"}}, a);
         },
         false, "Enter a number between 0 and 1."},
        {"basinal threshold",
         [](ModelParameters& p, bool* a) {
             return confirm<CsedsDlg>(p, {{1000, "600"}}, a);
         },
         false, "Enter a number between 0 and 500."},
        {"sea level amplitude 1",
         [](ModelParameters& p, bool* a) {
             return confirm<CsealevelDlg>(p, {{1004, "150"}}, a);
         },
         false, "Enter a number between 0 and 100."},
        {"sea level amplitude 2",
         [](ModelParameters& p, bool* a) {
             return confirm<CsealevelDlg>(p, {{1006, "150"}}, a);
         },
         true, ""},
        {"sea level unreadable",
         [](ModelParameters& p, bool* a) {
             return confirm<CsealevelDlg>(p, {{1002, "x"}}, a);
         },
         false, "Enter a number."},
        {"compaction porosity above 1",
         [](ModelParameters& p, bool* a) {
             return confirm<CCompactDlg>(p, {{1000, "1.5"}}, a);
         },
         true, ""},
        {"dimensions height 1001",
         [](ModelParameters& p, bool* a) {
             return confirm<CInitialGeomDlg>(p, {{1002, "1001"}}, a);
         },
         false, "Enter a number between 0 and 1000."},
        {"ramp dip 90",
         [](ModelParameters& p, bool* a) {
             return confirm<CRampDipDlg>(p, {{1000, "90"}}, a);
         },
         false, "Enter a number between 0 and 89.9."},
        {"preferences 1000",
         [](ModelParameters&, bool* a) {
             DisplaySettings d;
             return confirm<CDispPrefsDlg>(d, {{1003, "1000"}}, a);
         },
         true, ""},
        {"preferences 1000.5",
         [](ModelParameters&, bool* a) {
             DisplaySettings d;
             return confirm<CDispPrefsDlg>(d, {{1008, "1000.5"}}, a);
         },
         false, "Enter a number between 0 and 1000."},
        {"preferences porosity any",
         [](ModelParameters&, bool* a) {
             DisplaySettings d;
             return confirm<CDispPrefsDlg>(d, {{1009, "-3"}, {1012, "7"}}, a);
         },
         true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ModelParameters p = testing::document_parameters();
        const ModelParameters before = p;
        bool accepted = false;
        EXPECT_EQ(c.act(p, &accepted).toStdString(), c.message.toStdString());
        EXPECT_EQ(accepted, c.accepted);
        if (!c.accepted) {
            EXPECT_EQ(p.depths, before.depths);
            EXPECT_EQ(p.basin_sed_rate, before.basin_sed_rate);
            EXPECT_EQ(p.baselevel, before.baselevel);
            EXPECT_EQ(p.amp_1, before.amp_1);
            EXPECT_EQ(p.max_y, before.max_y);
        }
    }
}

TEST(ParameterDialogs, ShownValues) {
    ModelParameters p = testing::document_parameters();
    FakeWindowServices services;
    CsealevelDlg sea(services, p);
    EXPECT_EQ(box(sea, 1000)->text(), "250");
    CErosDlg erosion(services, p);
    EXPECT_EQ(box(erosion, 1000)->text(), "0.25");
    CIsolDlg platform(services, p);
    const char* heights[10] = {"70", "70", "250", "300", "200", "150", "150", "80", "80", "80"};
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(box(platform, 1010 + k)->text(), heights[k]) << "CP" << k + 1;
    }
    EXPECT_FALSE(box(platform, 1000)->isEnabled());
    EXPECT_TRUE(box(platform, 1003)->isReadOnly());
    CTectDlg tectonics(services, p);
    EXPECT_TRUE(box(tectonics, 1004)->text().isEmpty());
}

TEST(ParameterDialogs, StoredValuesAndCouplings) {
    ModelParameters p = testing::document_parameters();
    confirm<CsealevelDlg>(p, {{1000, "300"}});
    EXPECT_EQ(p.baselevel, 200);

    p = testing::document_parameters();
    confirm<CInitialGeomDlg>(p, {{1002, "600"}});
    EXPECT_EQ(p.max_y, 600);
    EXPECT_EQ(p.baselevel, 350);
    EXPECT_EQ(p.control_y[0], 530);
    EXPECT_EQ(p.control_x[9], 2000);
    EXPECT_NEAR(p.ramp_dip, 16.6993, 1e-4);
    EXPECT_EQ(p.fault1, 1000);

    p = testing::document_parameters();
    confirm<CRampDipDlg>(p, {{1000, "45"}});
    EXPECT_NEAR(p.max_y, 1999.99, 0.01);
    EXPECT_LT(p.max_y, 2000);
    EXPECT_EQ(p.baselevel, 250) << "the sea level is not moved";

    p = testing::document_parameters();
    const ModelParameters before = p;
    confirm<CIsolDlg>(p, {});
    EXPECT_EQ(p.control_x, before.control_x);
    EXPECT_EQ(p.control_y, before.control_y);
    EXPECT_EQ(p.isolated_platform, 1);
    EXPECT_NEAR(p.max_y, 500, 1e-3);

    p = testing::document_parameters();
    confirm<CTectDlg>(p, {{1004, "77"}, {1007, "9"}, {1005, "2.5"}});
    EXPECT_EQ(p.slip1, 2.5);
    EXPECT_EQ(p.fault1, 1000);

    p = testing::document_parameters();
    confirm<CVendrelDlg>(p, {{1004, "40"}, {1010, "-2"}});
    EXPECT_EQ(p.depths[2], 40);
    EXPECT_EQ(p.rates[2], -2);
}

TEST(ParameterDialogs, LastControlPointBeyondTheWidthIsAlwaysRefused) {
    ModelParameters p = testing::document_parameters();
    p.control_x[9] = 2500;  // as a project file may have it
    bool accepted = true;
    EXPECT_EQ(confirm<CIsolDlg>(p, {{1011, "60"}}, &accepted),
              "Enter a number between 0 and 2000.");
    EXPECT_FALSE(accepted) << "the read-only box cannot be corrected";
}

TEST(RuntimeDialog, RecordingLimit) {
    FakeWindowServices services;
    ModelParameters p = testing::document_parameters();
    auto leave = [](QLineEdit* edit) {
        QFocusEvent out(QEvent::FocusOut);
        QApplication::sendEvent(edit, &out);
    };
    {
        CDispDlg dialog(services, p, 1);
        box(dialog, 1002)->setText("100");
        leave(box(dialog, 1002));
        EXPECT_EQ(box(dialog, 1002)->text(), "400");
        box(dialog, 1002)->setText("399.9");
        leave(box(dialog, 1002));
        EXPECT_EQ(box(dialog, 1002)->text(), "399.9") << "500.125 truncates to 500";
        dialog.accept();
        ModelParameters q = p;
        dialog.store(q);
        EXPECT_EQ(q.display_inc, 400);
    }
    {
        CDispDlg dialog(services, p, 1);
        box(dialog, 1002)->setText("0");
        leave(box(dialog, 1002));
        EXPECT_EQ(box(dialog, 1002)->text(), "0") << "left alone while editing";
        box(dialog, 1004)->setText("-2");
        dialog.accept();
        ModelParameters q = p;
        dialog.store(q);
        EXPECT_EQ(q.display_inc, 400);
        EXPECT_EQ(dialog.every_step(), -2);
    }
    {
        CDispDlg dialog(services, p, 1);
        box(dialog, 1000)->setText("abc");
        leave(box(dialog, 1000));  // the Cancel button takes the focus
        EXPECT_EQ(services.messages.join("|"), "Enter a number.");
        dialog.reject();
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
    }
}

TEST(DisplayToggles, ModeSequences) {
    struct Step {
        int command;
        std::int32_t depth, distance, porosity, simple;
    };
    struct Sequence {
        const char* name;
        std::vector<Step> steps;
    };
    const Sequence sequences[] = {
        {"depth off, then time-lines off again",
         {{ID_DEPTH_OF_DEPOSITION, 0, 0, 0, 1}, {ID_SHOW_TIME_LINES, 1, 0, 0, 0}}},
        {"porosity saved by time-lines",
         {{ID_POROSITY, 0, 0, 1, 0},
          {ID_SHOW_TIME_LINES, 0, 0, 0, 1},
          {ID_SHOW_TIME_LINES, 0, 0, 1, 0}}},
        {"porosity off keeps the saved mode",
         {{ID_POROSITY, 0, 0, 1, 0}, {ID_POROSITY, 0, 0, 0, 1}, {ID_SHOW_TIME_LINES, 1, 0, 0, 0}}},
    };
    for (const Sequence& sequence : sequences) {
        SCOPED_TRACE(sequence.name);
        DisplaySettings p;
        std::int32_t saved = 1;
        for (const Step& step : sequence.steps) {
            switch (step.command) {
                case ID_DEPTH_OF_DEPOSITION:
                    toggle_colour_mode(p, ColourFlag::Depth);
                    break;
                case ID_POROSITY:
                    toggle_colour_mode(p, ColourFlag::Porosity);
                    break;
                case ID_SHOW_TIME_LINES:
                    toggle_time_lines(p, saved);
                    break;
            }
            EXPECT_EQ(p.draw_depthdepo, step.depth);
            EXPECT_EQ(p.draw_distance, step.distance);
            EXPECT_EQ(p.draw_porosity, step.porosity);
            EXPECT_EQ(p.draw_simple, step.simple);
        }
    }
    DisplaySettings p;
    p.draw_distance = 1;  // both set, as a project file may have them
    std::int32_t saved = 1;
    toggle_time_lines(p, saved);
    EXPECT_EQ(saved, 2);
    EXPECT_EQ(p.draw_depthdepo + p.draw_distance + p.draw_porosity, 0);
}

// Through the program: OK resets the model and marks the document, Block
// Faulting does not mark it, Cancel changes nothing, a toggle only marks.
TEST(DialogCommands, ApplyStepAndModifiedFlag) {
    QTemporaryDir dir;
    FakeWindowServices services;
    CVendrelApp app(&services);
    ASSERT_TRUE(app.InitInstance(QString(), false, dir.filePath("lock")));
    Simulation& sim = app.doc().simulation();
    auto type_in = [&](int control, QString text) {
        services.answer_dialog = [control, text](QDialog& dialog) {
            dialog.findChild<QLineEdit*>(QString("edit%1").arg(control))->setText(text);
            dialog.accept();
            return dialog.result();
        };
    };
    sim.modify().state().display_current_disp = 5;  // as after a run

    type_in(1000, "1.5");
    app.frame().execute(ID_BLOCK_FAULTING);
    EXPECT_EQ(sim.params().fault1, 1.5);
    EXPECT_FALSE(app.doc().IsModified()) << "Block Faulting does not mark the document";
    EXPECT_EQ(sim.read().state().display_current_disp.load(), 1) << "but it resets the model";

    services.answer_dialog = [](QDialog& dialog) {
        dialog.findChild<QLineEdit*>("edit1000")->setText("0.5");
        dialog.reject();
        return dialog.result();
    };
    app.frame().execute(ID_EROSION);
    EXPECT_EQ(sim.params().diff_coeff, 0.25) << "Cancel stores nothing";
    EXPECT_FALSE(app.doc().IsModified());

    app.frame().execute(ID_SHOW_BATH_MARKER);
    EXPECT_EQ(app.doc().project().display().draw_bath, 1);
    EXPECT_TRUE(app.doc().IsModified());
    EXPECT_EQ(app.frame().pane_texts()[1], "Simple Ramp (unsaved)");

    type_in(1000, "300");
    app.frame().execute(ID_SEA_LEVEL);
    EXPECT_EQ(sim.params().baselevel, 200);
    EXPECT_EQ(sim.read().state().current_sea_level, 200);

    type_in(1000, "0.5");
    sim.start_run();
    app.frame().execute(ID_EROSION);  // OK during a run stops it first
    EXPECT_EQ(sim.params().diff_coeff, 0.5);
    EXPECT_FALSE(sim.is_running());
    EXPECT_EQ(sim.read().state().dt.load(), 1.0);
}

}  // namespace
}  // namespace vendrel
