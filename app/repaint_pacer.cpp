#include "app/repaint_pacer.h"

#include <algorithm>

namespace vendrel {

RepaintPacer::RepaintPacer(QObject* parent) : QObject(parent) {
    interval_.setSingleShot(true);
    connect(&interval_, &QTimer::timeout, this, &RepaintPacer::intervalOver);
}

void RepaintPacer::request(bool final) {
    if (interval_.isActive() && !final) {
        waiting_ = true;
        return;
    }
    pass();
}

void RepaintPacer::pictureDrawn(qint64 milliseconds) {
    if (interval_.isActive()) {
        interval_.start(int(std::clamp<qint64>(kRepaintRest * milliseconds, kRepaintInterval,
                                               kLongestRepaintRest)));
    }
}

void RepaintPacer::pass() {
    waiting_ = false;
    emit repaint();
    interval_.start(kRepaintInterval);
}

void RepaintPacer::intervalOver() {
    if (waiting_) {
        pass();
    }
}

}  // namespace vendrel
