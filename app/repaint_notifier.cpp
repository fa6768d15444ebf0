#include "app/repaint_notifier.h"

namespace vendrel {

void RepaintNotifier::request_redraw() {
    requests_.fetch_add(1);
    emit modelAdvanced();
}

}  // namespace vendrel
