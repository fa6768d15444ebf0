#pragma once
// The boundary of every command of the window: whatever the command's own
// work throws (no memory, a file error, anything else) is caught here and
// shown in a message box, and the program goes on with the document as the
// command left it. Nothing a file or a value does may end the program.

#include <QString>
#include <functional>

class QWidget;

namespace vendrel {

class WindowServices;

inline const char* const kOutOfMemory = "There is not enough memory to carry out this command.";

// Runs `work`; false after a failure was shown.
bool runGuarded(WindowServices& services, QWidget* parent, const std::function<void()>& work);

}  // namespace vendrel
