#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <map>
#include <memory>

#include "app/dialogs/basinal_sedimentation_dialog.h"
#include "app/dialogs/carbonate_factory_dialog.h"
#include "app/dialogs/compaction_dialog.h"
#include "app/dialogs/display_preferences_dialog.h"
#include "app/dialogs/erosion_dialog.h"
#include "app/dialogs/model_dimensions_dialog.h"
#include "app/dialogs/platform_dialog.h"
#include "app/dialogs/ramp_dip_dialog.h"
#include "app/dialogs/runtime_dialog.h"
#include "app/dialogs/sea_level_dialog.h"
#include "app/dialogs/tectonics_dialog.h"
#include "app/dialogs/thread_count_dialog.h"
#include "app/document.h"
#include "app/main_window.h"
#include "app/vendrel_application.h"
#include "core/parameter_fields.h"
#include "tests/fake_window_services.h"
#include "tests/test_support.h"
#include "view/display_toggles.h"

namespace vendrel {
namespace {

using testing::FakeWindowServices;

// The box named `name`: the code name of the parameter it shows.
QLineEdit* box(QDialog& dialog, const QString& name) {
    auto* found = dialog.findChild<QLineEdit*>(name);
    EXPECT_NE(found, nullptr) << name.toStdString();
    return found;
}

// Types `entries` into a dialog of type D made from `p` and `d`, presses OK
// and, when it closes, stores into them. Returns the messages shown.
template <class D>
QString confirm(ModelParameters& p, DisplaySettings& d, const std::map<QString, QString>& entries,
                bool* accepted = nullptr) {
    FakeWindowServices services;
    D dialog(services, p, d);
    for (const auto& [name, text] : entries) {
        box(dialog, name)->setText(text);
    }
    dialog.accept();
    const bool ok = dialog.result() == QDialog::Accepted;
    if (ok) {
        dialog.store(p, d);
    }
    if (accepted != nullptr) {
        *accepted = ok;
    }
    return services.messages.join("|");
}

template <class D>
QString confirm(ModelParameters& p, const std::map<QString, QString>& entries,
                bool* accepted = nullptr) {
    DisplaySettings d;
    return confirm<D>(p, d, entries, accepted);
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
             return confirm<CarbonateFactoryDialog>(p, {{"depths_3", "1000.5"}}, a);
         },
         false, "Enter a number between 0 and 1000."},
        {"factory negative rate",
         [](ModelParameters& p, bool* a) {
             return confirm<CarbonateFactoryDialog>(p, {{"rates_3", "-4"}}, a);
         },
         true, ""},
        {"erosion -0.1",
         [](ModelParameters& p, bool* a) {
             return confirm<ErosionDialog>(p, {{"diff_coeff", "-0.1"}}, a);
         },
         false, "Enter a number between 0 and " + kLargestBound + "."},
        {"erosion 0",
         [](ModelParameters& p, bool* a) {
             return confirm<ErosionDialog>(p, {{"diff_coeff", "0"}}, a);
         },
         true, ""},
        {"basinal rate first",
         [](ModelParameters& p, bool* a) {
             return confirm<BasinalSedimentationDialog>(
                 p, {{"basin_threshold", "600"}, {"basin_sed_rate", "2"}}, a);
         },
         false, "Enter a number between 0 and 1."},
        {"basinal threshold",
         [](ModelParameters& p, bool* a) {
             return confirm<BasinalSedimentationDialog>(p, {{"basin_threshold", "600"}}, a);
         },
         false, "Enter a number between 0 and 500."},
        {"sea level amplitude 1",
         [](ModelParameters& p, bool* a) {
             return confirm<SeaLevelDialog>(p, {{"amp_1", "150"}}, a);
         },
         false, "Enter a number between 0 and 100."},
        {"sea level amplitude 2",
         [](ModelParameters& p, bool* a) {
             return confirm<SeaLevelDialog>(p, {{"amp_2", "150"}}, a);
         },
         true, ""},
        {"sea level unreadable",
         [](ModelParameters& p, bool* a) {
             return confirm<SeaLevelDialog>(p, {{"baselevel_rise", "x"}}, a);
         },
         false, "Enter a number."},
        {"compaction porosity above 1",
         [](ModelParameters& p, bool* a) {
             return confirm<CompactionDialog>(p, {{"phizero", "1.5"}}, a);
         },
         true, ""},
        {"dimensions height 1001",
         [](ModelParameters& p, bool* a) {
             return confirm<ModelDimensionsDialog>(p, {{"max_y", "1001"}}, a);
         },
         false, "Enter a number between 0 and 1000."},
        {"ramp dip 90",
         [](ModelParameters& p, bool* a) {
             return confirm<RampDipDialog>(p, {{"ramp_dip", "90"}}, a);
         },
         false, "Enter a number between 0 and 89.9."},
        {"preferences 1000",
         [](ModelParameters& p, bool* a) {
             DisplaySettings d;
             return confirm<DisplayPreferencesDialog>(p, d, {{"dist4", "1000"}}, a);
         },
         true, ""},
        {"preferences 1000.5",
         [](ModelParameters& p, bool* a) {
             DisplaySettings d;
             return confirm<DisplayPreferencesDialog>(p, d, {{"bath_marker", "1000.5"}}, a);
         },
         false, "Enter a number between 0 and 1000."},
        {"preferences porosity any",
         [](ModelParameters& p, bool* a) {
             DisplaySettings d;
             return confirm<DisplayPreferencesDialog>(p, d, {{"poro1", "-3"}, {"poro4", "7"}}, a);
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
    const DisplaySettings d;
    SeaLevelDialog sea(services, p, d);
    EXPECT_EQ(box(sea, "baselevel_height")->text(), "250");
    ErosionDialog erosion(services, p, d);
    EXPECT_EQ(box(erosion, "diff_coeff")->text(), "0.25");
    PlatformDialog platform(services, p, d);
    const char* heights[10] = {"70", "70", "250", "300", "200", "150", "150", "80", "80", "80"};
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(box(platform, QString("control_height_%1").arg(k + 1))->text(), heights[k])
            << "CP" << k + 1;
    }
    EXPECT_FALSE(box(platform, "control_x_1")->isEnabled());
    EXPECT_TRUE(box(platform, "control_x_10")->isReadOnly());
    TectonicsDialog tectonics(services, p, d);
    EXPECT_TRUE(box(tectonics, "third_fault_position")->text().isEmpty());
    EXPECT_EQ(tectonics.findChild<QCheckBox*>("antithetic1")->isChecked(), false);
    ThreadCountDialog threads(services, p, d);
    EXPECT_EQ(box(threads, "omp_threads")->text(), QString::number(p.omp_threads));
}

TEST(ParameterDialogs, StoredValuesAndCouplings) {
    ModelParameters p = testing::document_parameters();
    confirm<SeaLevelDialog>(p, {{"baselevel_height", "300"}});
    EXPECT_EQ(p.baselevel, 200);

    p = testing::document_parameters();
    confirm<ModelDimensionsDialog>(p, {{"max_y", "600"}});
    EXPECT_EQ(p.max_y, 600);
    EXPECT_EQ(p.baselevel, 350);
    EXPECT_EQ(p.control_y[0], 530);
    EXPECT_EQ(p.control_x[9], 2000);
    EXPECT_NEAR(p.ramp_dip, 16.6993, 1e-4);
    EXPECT_EQ(p.fault1, 1000);

    p = testing::document_parameters();
    confirm<RampDipDialog>(p, {{"ramp_dip", "45"}});
    EXPECT_NEAR(p.max_y, 1999.99, 0.01);
    EXPECT_LT(p.max_y, 2000);
    EXPECT_EQ(p.baselevel, 250) << "the sea level is not moved";

    p = testing::document_parameters();
    const ModelParameters before = p;
    confirm<PlatformDialog>(p, {});
    EXPECT_EQ(p.control_x, before.control_x);
    EXPECT_EQ(p.control_y, before.control_y);
    EXPECT_EQ(p.isolated_platform, 1);
    EXPECT_NEAR(p.max_y, 500, 1e-3);

    p = testing::document_parameters();
    confirm<TectonicsDialog>(
        p, {{"third_fault_position", "77"}, {"third_fault_slip", "9"}, {"slip1", "2.5"}});
    EXPECT_EQ(p.slip1, 2.5);
    EXPECT_EQ(p.fault1, 1000);

    p = testing::document_parameters();
    confirm<CarbonateFactoryDialog>(p, {{"depths_3", "40"}, {"rates_3", "-2"}});
    EXPECT_EQ(p.depths[2], 40);
    EXPECT_EQ(p.rates[2], -2);
}

TEST(ParameterDialogs, LastControlPointBeyondTheWidthIsAlwaysRefused) {
    ModelParameters p = testing::document_parameters();
    p.control_x[9] = 2500;  // as a project file may have it
    bool accepted = true;
    EXPECT_EQ(confirm<PlatformDialog>(p, {{"control_height_2", "60"}}, &accepted),
              "Enter a number between 0 and 2000.");
    EXPECT_FALSE(accepted) << "the read-only box cannot be corrected";
}

TEST(RuntimeDialog, RecordingLimit) {
    FakeWindowServices services;
    ModelParameters p = testing::document_parameters();
    DisplaySettings d;
    auto leave = [](QLineEdit* edit) {
        QFocusEvent out(QEvent::FocusOut);
        QApplication::sendEvent(edit, &out);
    };
    {
        RuntimeDialog dialog(services, p, d);
        box(dialog, "display_inc")->setText("100");
        leave(box(dialog, "display_inc"));
        EXPECT_EQ(box(dialog, "display_inc")->text(), "400");
        box(dialog, "display_inc")->setText("399.9");
        leave(box(dialog, "display_inc"));
        EXPECT_EQ(box(dialog, "display_inc")->text(), "399.9") << "500.125 truncates to 500";
        dialog.accept();
        ModelParameters q = p;
        DisplaySettings e = d;
        dialog.store(q, e);
        EXPECT_EQ(q.display_inc, 400);
    }
    {
        RuntimeDialog dialog(services, p, d);
        box(dialog, "display_inc")->setText("0");
        leave(box(dialog, "display_inc"));
        EXPECT_EQ(box(dialog, "display_inc")->text(), "0") << "left alone while editing";
        box(dialog, "every_step")->setText("-2");
        dialog.accept();
        ModelParameters q = p;
        DisplaySettings e = d;
        dialog.store(q, e);
        EXPECT_EQ(q.display_inc, 400);
        EXPECT_EQ(e.every_step, -2);
    }
    {
        RuntimeDialog dialog(services, p, d);
        box(dialog, "totaltime")->setText("abc");
        leave(box(dialog, "totaltime"));  // the Cancel button takes the focus
        EXPECT_EQ(services.messages.join("|"), "Enter a number.");
        dialog.reject();
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
    }
}

// Every box refuses a value that is not finite, with a range check or
// without: "Enter a number.", the text selected, nothing kept.
TEST(ParameterDialogs, NonFiniteValuesAreRefused) {
    using Make = std::function<std::unique_ptr<ParameterDialog>(
        WindowServices&, const ModelParameters&, const DisplaySettings&)>;
    auto make = [](auto* type) -> Make {
        using D = std::remove_pointer_t<decltype(type)>;
        return [](WindowServices& s, const ModelParameters& p, const DisplaySettings& d) {
            return std::make_unique<D>(s, p, d);
        };
    };
    struct Case {
        const char* box;
        const char* field;  // what the box stores
        Make dialog;
    };
    const Case cases[] = {
        {"diff_coeff", "diff_coeff", make(static_cast<ErosionDialog*>(nullptr))},
        {"cvalue", "cvalue", make(static_cast<CompactionDialog*>(nullptr))},
        {"max_x", "max_x", make(static_cast<ModelDimensionsDialog*>(nullptr))},
        {"baselevel_height", "baselevel", make(static_cast<SeaLevelDialog*>(nullptr))},
        {"amp_2", "amp_2", make(static_cast<SeaLevelDialog*>(nullptr))},
        {"rates_1", "rates_1", make(static_cast<CarbonateFactoryDialog*>(nullptr))},
        {"slip1", "slip1", make(static_cast<TectonicsDialog*>(nullptr))},
        {"poro2", "poro2", make(static_cast<DisplayPreferencesDialog*>(nullptr))},
        {"control_height_1", "control_y_1", make(static_cast<PlatformDialog*>(nullptr))},
        {"totaltime", "totaltime", make(static_cast<RuntimeDialog*>(nullptr))},
    };
    for (const Case& c : cases) {
        for (const char* text : {"nan", "inf", "-inf", "1e400", " -1e999x"}) {
            SCOPED_TRACE(std::string(c.box) + " = " + text);
            FakeWindowServices services;
            const ModelParameters p = testing::document_parameters();
            const DisplaySettings d;
            const auto dialog = c.dialog(services, p, d);
            QLineEdit* edit = box(*dialog, c.box);
            ASSERT_NE(edit, nullptr);
            edit->setText(text);
            dialog->accept();
            EXPECT_NE(dialog->result(), QDialog::Accepted);
            EXPECT_EQ(services.messages, QStringList{"Enter a number."});
            EXPECT_EQ(dialog->focusWidget(), edit);
            EXPECT_EQ(edit->selectedText(), edit->text());
            ModelParameters q = p;
            DisplaySettings e = d;
            dialog->store(q, e);
            const auto key = find_parameter_key(c.field);
            ASSERT_TRUE(key.has_value());
            EXPECT_EQ(field_value(*key->field, q, e, key->element.value_or(0)),
                      field_value(*key->field, p, d, key->element.value_or(0)))
                << "nothing kept";
        }
    }
}

// Escape and the close box end the Runtime dialog without a message even
// with unreadable text; Cancel shows the message once and then ends it.
TEST(RuntimeDialog, LeavingWithUnreadableText) {
    QTemporaryDir dir;
    FakeWindowServices services;
    VendrelApplication app(&services);
    ASSERT_TRUE(app.start(QString(), false, dir.filePath("lock")));
    struct Case {
        const char* name;
        std::function<void(QDialog&, QLineEdit*)> leave;
        QStringList messages;
    };
    const Case cases[] = {
        {"Escape", [](QDialog&, QLineEdit* edit) { QTest::keyClick(edit, Qt::Key_Escape); }, {}},
        {"close box", [](QDialog& dialog, QLineEdit*) { dialog.close(); }, {}},
        // A message box shown while the button is down takes the release.
        {"Cancel",
         [&services](QDialog& dialog, QLineEdit*) {
             QPushButton* cancel =
                 dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel);
             QTest::mousePress(cancel, Qt::LeftButton);
             if (services.messages.isEmpty()) {
                 QTest::mouseRelease(cancel, Qt::LeftButton);
             }
         },
         {"Enter a number."}},
    };
    for (const char* name : {"totaltime", "display_inc"}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(name) + ", " + c.name);
            services.messages.clear();
            bool visible_after = true;
            services.answer_dialog = [&](QDialog& dialog) {
                dialog.show();
                dialog.activateWindow();
                EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
                QLineEdit* edit = box(dialog, name);
                edit->setFocus();
                edit->setText("abc");
                c.leave(dialog, edit);
                QApplication::processEvents();
                visible_after = dialog.isVisible();
                return dialog.result();
            };
            app.mainWindow().actions().runtime->trigger();
            EXPECT_EQ(services.messages, c.messages);
            EXPECT_FALSE(visible_after) << "the dialog has ended";
            EXPECT_EQ(app.document().simulation().params().totaltime, 200000);
            EXPECT_EQ(app.document().simulation().params().display_inc, 2000);
            EXPECT_FALSE(app.document().isModified()) << "nothing stored";
        }
    }
}

TEST(DisplayToggles, ModeSequences) {
    enum Command { Depth, Porosity, TimeLines };
    struct Step {
        Command command;
        std::int32_t depth, distance, porosity, simple;
    };
    struct Sequence {
        const char* name;
        std::vector<Step> steps;
    };
    const Sequence sequences[] = {
        {"depth off, then time-lines off again", {{Depth, 0, 0, 0, 1}, {TimeLines, 1, 0, 0, 0}}},
        {"porosity saved by time-lines",
         {{Porosity, 0, 0, 1, 0}, {TimeLines, 0, 0, 0, 1}, {TimeLines, 0, 0, 1, 0}}},
        {"porosity off keeps the saved mode",
         {{Porosity, 0, 0, 1, 0}, {Porosity, 0, 0, 0, 1}, {TimeLines, 1, 0, 0, 0}}},
    };
    for (const Sequence& sequence : sequences) {
        SCOPED_TRACE(sequence.name);
        DisplaySettings p;
        std::int32_t saved = 1;
        for (const Step& step : sequence.steps) {
            switch (step.command) {
                case Depth:
                    toggle_colour_mode(p, ColourFlag::Depth);
                    break;
                case Porosity:
                    toggle_colour_mode(p, ColourFlag::Porosity);
                    break;
                case TimeLines:
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
    VendrelApplication app(&services);
    ASSERT_TRUE(app.start(QString(), false, dir.filePath("lock")));
    Simulation& sim = app.document().simulation();
    auto type_in = [&](QString name, QString text) {
        services.answer_dialog = [name, text](QDialog& dialog) {
            dialog.findChild<QLineEdit*>(name)->setText(text);
            dialog.accept();
            return dialog.result();
        };
    };
    sim.modify().state().display_current_disp = 5;  // as after a run

    type_in("fault1", "1.5");
    app.mainWindow().actions().blockFaulting->trigger();
    EXPECT_EQ(sim.params().fault1, 1.5);
    EXPECT_FALSE(app.document().isModified()) << "Block Faulting does not mark the document";
    EXPECT_EQ(sim.read().state().display_current_disp.load(), 1) << "but it resets the model";

    services.answer_dialog = [](QDialog& dialog) {
        dialog.findChild<QLineEdit*>("diff_coeff")->setText("0.5");
        dialog.reject();
        return dialog.result();
    };
    app.mainWindow().actions().erosion->trigger();
    EXPECT_EQ(sim.params().diff_coeff, 0.25) << "Cancel stores nothing";
    EXPECT_FALSE(app.document().isModified());

    app.mainWindow().actions().showBathymetryMarker->trigger();
    EXPECT_EQ(app.document().project().display().draw_bath, 1);
    EXPECT_TRUE(app.document().isModified());
    EXPECT_EQ(app.mainWindow().paneTexts()[1], "Simple Ramp (unsaved)");

    type_in("baselevel_height", "300");
    app.mainWindow().actions().seaLevel->trigger();
    EXPECT_EQ(sim.params().baselevel, 200);
    EXPECT_EQ(sim.read().state().current_sea_level, 200);

    type_in("diff_coeff", "0.5");
    sim.start_run();
    app.mainWindow().actions().erosion->trigger();  // OK during a run stops it first
    EXPECT_EQ(sim.params().diff_coeff, 0.5);
    EXPECT_FALSE(sim.is_running());
    EXPECT_EQ(sim.read().state().dt.load(), 1.0);
}

}  // namespace
}  // namespace vendrel
