#pragma once
// File > Export Data...: the results of the present model as open data,
// chosen by the suffix of the name the user picks (any case): ".nc" a
// NetCDF file (netcdf_export.h), ".csv" the section table (csv_export.h).
// The data are one snapshot of the project (copied between two time steps
// during a run) and are saved through an AtomicFile, as the runner saves
// them: the target holds the old file or the whole new one. Another suffix
// is refused with a message and nothing is written; a file that cannot be
// written is reported and leaves the target as it was. Cancel ends the
// export.

#include <QString>

class QWidget;

namespace vendrel {

class Document;
class WindowServices;

inline const char* const kDataExportFilter =
    "NetCDF files (*.nc);;CSV tables (*.csv);;All Files (*.*)";

class DataExport {
  public:
    DataExport(Document& document, WindowServices& services, QWidget* parent);
    void exec();

    // The "history" attribute of the NetCDF file: where the results came
    // from.
    static QString history(const QString& projectPath);

  private:
    Document& document_;
    WindowServices& services_;
    QWidget* parent_;
};

}  // namespace vendrel
