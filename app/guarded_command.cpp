#include "app/guarded_command.h"

#include <exception>
#include <new>

#include "app/window_services.h"
#include "document/file_error.h"

namespace vendrel {

bool runGuarded(WindowServices& services, QWidget* parent, const std::function<void()>& work) {
    QString message;
    try {
        work();
        return true;
    } catch (const std::bad_alloc&) {
        message = kOutOfMemory;
    } catch (const FileError& e) {
        message = QString::fromStdString(e.what());
    } catch (const std::exception& e) {
        message = QString("This command could not be carried out (%1).").arg(e.what());
    } catch (...) {
        message = "This command could not be carried out.";
    }
    try {
        services.showMessage(parent, message);
    } catch (...) {
        // Not even the message could be shown; the program goes on.
    }
    return false;
}

}  // namespace vendrel
