#include "cli/toolkit_messages.h"

namespace vendrel {

void drop_toolkit_messages(QtMsgType, const QMessageLogContext&, const QString&) {}

}  // namespace vendrel
