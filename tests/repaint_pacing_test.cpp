// The engine's repaint requests reach the view at a screen's pace, and the
// end of a run is always drawn.

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <vector>

#include "app/document.h"
#include "app/recent_files.h"
#include "app/repaint_pacer.h"
#include "tests/fake_window_services.h"

namespace vendrel {
namespace {

// The pacer's repaints, each with the time it passed (ms since the start).
struct Repaints {
    explicit Repaints(RepaintPacer& pacer) {
        clock.start();
        QObject::connect(&pacer, &RepaintPacer::repaint,
                         [this] { times.push_back(clock.elapsed()); });
    }
    // Waits for the next repaint; false when none came within ten seconds.
    bool waitForNext() {
        const std::size_t seen = times.size();
        return QTest::qWaitFor([&] { return times.size() > seen; }, 10000);
    }
    QElapsedTimer clock;
    std::vector<qint64> times;
};

// A coarse timer may fire up to 5 % early, and the clock counts whole
// milliseconds.
qint64 leastWait(qint64 milliseconds) {
    return milliseconds * 95 / 100 - 1;
}

TEST(RepaintPacer, TheFirstPassesAtOnceAndLaterOnesAsOneWhenTheIntervalIsOver) {
    RepaintPacer pacer;
    Repaints repaints(pacer);
    pacer.request();
    ASSERT_EQ(repaints.times.size(), 1u) << "the first of a quiet spell passes at once";
    for (int k = 0; k < 5; ++k) {
        pacer.request();
    }
    EXPECT_EQ(repaints.times.size(), 1u) << "within the interval: held";
    ASSERT_TRUE(repaints.waitForNext());
    EXPECT_GE(repaints.times[1] - repaints.times[0], leastWait(kRepaintInterval));
    // Nothing more was asked for: the interval passes without a repaint,
    // and the next request, in a quiet spell again, passes at once.
    QTest::qWait(3 * kRepaintInterval);
    ASSERT_EQ(repaints.times.size(), 2u) << "the held requests pass as one";
    pacer.request();
    EXPECT_EQ(repaints.times.size(), 3u);
}

TEST(RepaintPacer, AFinalRequestPassesAtOnceAndTakesTheHeldOnesAlong) {
    RepaintPacer pacer;
    Repaints repaints(pacer);
    pacer.request();
    pacer.request();
    pacer.request(true);
    ASSERT_EQ(repaints.times.size(), 2u) << "the end of a run is drawn at once";
    QTest::qWait(3 * kRepaintInterval);
    EXPECT_EQ(repaints.times.size(), 2u) << "the held request was drawn with the final one";
}

// After a picture that took long, the window rests kRepaintRest times as
// long, a second at most; a quick picture keeps the interval.
TEST(RepaintPacer, ASlowPictureLengthensTheRest) {
    struct Case {
        qint64 drawn;  // ms
        qint64 rest;   // ms
    };
    const Case cases[] = {
        {2, kRepaintInterval},
        {100, 100 * kRepaintRest},
        {5000, kLongestRepaintRest},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.drawn);
        RepaintPacer pacer;
        Repaints repaints(pacer);
        pacer.request();
        QElapsedTimer sinceDrawn;
        sinceDrawn.start();
        pacer.pictureDrawn(c.drawn);
        pacer.request();
        ASSERT_TRUE(repaints.waitForNext());
        EXPECT_GE(sinceDrawn.elapsed(), leastWait(c.rest));
    }
    // A picture drawn in a quiet spell (a resize, an expose) starts no rest.
    RepaintPacer pacer;
    Repaints repaints(pacer);
    pacer.pictureDrawn(100);
    pacer.request();
    EXPECT_EQ(repaints.times.size(), 1u);
}

TEST(RepaintPacing, AboutThirtyASecondAndTheEndAlwaysDrawn) {
    testing::FakeWindowServices services;
    RecentFiles recent;
    Document document(make_startup_parameters(2), services, recent);
    document.newFile();
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
