#pragma once
// The folder that holds the instance lock and the hand-over socket: one
// that only this user can enter, so that no other user can hold the lock,
// plant a link in its place or listen where a later launch connects.
// It is the runtime folder ($XDG_RUNTIME_DIR) when that is set and exists,
// else vendrel-<uid> in the temporary folder, made with mode 0700. Either
// must be a folder (not a link to one) owned by this user that no one else
// may read, write or enter; one that is not is refused, never replaced by a
// shared folder.

#include <QString>

namespace vendrel {

class InstanceFolder {
  public:
    // From the environment.
    static InstanceFolder locate();
    // `runtime`: the runtime folder, empty for none; `temp`: the temporary
    // folder in which vendrel-<uid> is made when there is no runtime folder.
    static InstanceFolder locate(const QString& runtime, const QString& temp);

    bool isUsable() const { return error_.isEmpty(); }
    QString path() const { return path_; }
    // Why the folder cannot be used, one line naming it.
    QString error() const { return error_; }

  private:
    QString path_;
    QString error_;
};

}  // namespace vendrel
