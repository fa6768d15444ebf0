#pragma once
// Paces repaints to a screen's pace. The engine may publish faster than a
// screen shows: requests pass as repaint() one every kRepaintInterval at
// most. The first of a quiet spell passes at once; later ones wait until
// the interval is over and then pass as one; a request marked final (the
// end of a run) passes at once, so the last state is always drawn. The
// interval counts from the end of the picture drawn for the last repaint
// and lasts kRepaintRest times as long as drawing it took, if that is
// longer (a second at most): on a busy machine the window's pictures take
// no more than a small share of the processors from a run, however long
// they take.

#include <QObject>
#include <QTimer>

namespace vendrel {

// About the pace of a screen: some 30 pictures a second during a run.
inline constexpr int kRepaintInterval = 33;  // ms
// How long the window rests after a picture, in multiples of its drawing
// time.
inline constexpr int kRepaintRest = 3;
// The longest rest after a picture, however long it took.
inline constexpr int kLongestRepaintRest = 1000;  // ms

class RepaintPacer : public QObject {
    Q_OBJECT

  public:
    explicit RepaintPacer(QObject* parent = nullptr);

    // A repaint is asked for; a final one passes at once whatever the pace.
    void request(bool final = false);
    // The view drew a picture, which took `milliseconds`.
    void pictureDrawn(qint64 milliseconds);

  signals:
    void repaint();

  private:
    void pass();
    void intervalOver();

    QTimer interval_;
    bool waiting_ = false;  // a request came within the interval
};

}  // namespace vendrel
