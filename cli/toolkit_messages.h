#pragma once
// The command-line programs keep their stderr for their own lines (progress,
// at most one error): Qt's notes on the environment (fonts, runtime folders)
// are dropped by installing this handler with qInstallMessageHandler.

#include <QString>
#include <QtGlobal>

namespace vendrel {

void drop_toolkit_messages(QtMsgType type, const QMessageLogContext& context,
                           const QString& message);

}  // namespace vendrel
