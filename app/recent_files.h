#pragma once
// The recent-file list: at most four projects, newest first, kept in the
// user's settings ("Recent File List", values File1 to File4) and written
// back at every change so that it survives a crash as well as a restart.

#include <QStringList>

namespace vendrel {

class RecentFiles {
  public:
    static constexpr int kMaxEntries = 4;

    RecentFiles();  // loads the list from the settings
    const QStringList& entries() const { return entries_; }
    void add(const QString& path);
    void remove(const QString& path);

  private:
    void store() const;
    QStringList entries_;
};

}  // namespace vendrel
