// The engine's repaint requests reach the view at a screen's pace, and the
// end of a run is always drawn.

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>

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
    // 400 horizons in a fraction of a second.
    document.simulation().change_parameters([](ModelParameters& p) {
        p.totaltime = 40000;
        p.display_inc = 100;
    });
    int repaints = 0;
    bool endDrawn = false;
    QObject::connect(&document, &Document::modelChanged, [&] {
        ++repaints;
        endDrawn = !document.simulation().is_running();
    });
    QElapsedTimer clock;
    clock.start();
    document.simulation().start_run();
    while (!endDrawn) {
        ASSERT_LT(clock.elapsed(), 60000);
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    const qint64 elapsed = clock.elapsed();
    EXPECT_EQ(document.simulation().published_count(), 401);
    // The first at once, one per interval, the end at once.
    EXPECT_LE(repaints, 3 + elapsed / kRepaintInterval) << "in " << elapsed << " ms";
    EXPECT_LT(repaints, 401);
    EXPECT_TRUE(document.isModified());
}

}  // namespace
}  // namespace vendrel
