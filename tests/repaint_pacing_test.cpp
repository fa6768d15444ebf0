// The engine's repaint requests reach the view at a screen's pace, and the
// end of a run is always drawn.

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <vector>

#include "app/document.h"
#include "app/recent_files.h"
#include "tests/fake_window_services.h"

namespace vendrel {
namespace {

TEST(RepaintPacing, AboutThirtyASecondAndTheEndAlwaysDrawn) {
    testing::FakeWindowServices services;
    RecentFiles recent;
    Document document(make_startup_parameters(2), services, recent);
    document.newDocument();
    // 400 horizons in about half a second.
    document.simulation().change_parameters([](ModelParameters& p) {
        p.totaltime = 200000;
        p.display_inc = 500;
    });
    QElapsedTimer clock;
    clock.start();
    // When each picture was asked for, while the run lasted.
    std::vector<qint64> times;
    bool endDrawn = false;
    QObject::connect(&document, &Document::modelChanged, [&] {
        endDrawn = !document.simulation().is_running();
        if (!endDrawn) {
            times.push_back(clock.elapsed());
        }
    });
    document.simulation().start_run();
    while (!endDrawn) {
        ASSERT_LT(clock.elapsed(), 60000);
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    EXPECT_EQ(document.simulation().published_count(), 401);
    EXPECT_LT(times.size(), 401u);
    // However busy the machine, no two pictures during the run come closer
    // than the interval (less the 5 % a coarse timer may fire early, and the
    // clock's millisecond); once it has ended, the end is drawn at once.
    for (std::size_t i = 1; i < times.size(); ++i) {
        EXPECT_GE(times[i] - times[i - 1], kRepaintInterval * 95 / 100 - 1)
            << "pictures " << i - 1 << " and " << i;
    }
    EXPECT_TRUE(document.isModified());
}

}  // namespace
}  // namespace vendrel
