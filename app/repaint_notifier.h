#pragma once
// The engine's way to the window. The engine calls request_redraw() on its
// own thread when it publishes a horizon and when a run ends; the notifier
// counts the call and emits modelAdvanced(), which reaches receivers on the
// window's thread through the event queue. The count tells the document
// whether the run changed the model since it was last saved.

#include <QObject>
#include <atomic>
#include <cstdint>

#include "core/view_notifier.h"

namespace vendrel {

class RepaintNotifier : public QObject, public ViewNotifier {
    Q_OBJECT

  public:
    using QObject::QObject;

    void request_redraw() override;
    // How many times the engine has asked so far.
    std::uint64_t requestCount() const { return requests_.load(); }

  signals:
    void modelAdvanced();

  private:
    std::atomic<std::uint64_t> requests_{0};
};

}  // namespace vendrel
