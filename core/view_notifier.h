#pragma once

namespace vendrel {

// The engine's one outward call: asks the user interface to repaint the
// whole section. Called on the engine thread while it holds the model lock,
// so an implementation must return at once and must not touch the model
// (queue the repaint and read the model later, on its own thread).
class ViewNotifier {
  public:
    virtual ~ViewNotifier() = default;
    virtual void request_redraw() = 0;
};

}  // namespace vendrel
