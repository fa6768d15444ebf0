#include "app/data_export.h"

#include <QDir>
#include <QFileInfo>

#include "app/document.h"
#include "app/local_file_name.h"
#include "app/window_services.h"
#include "document/atomic_file.h"
#include "document/csv_export.h"
#include "document/netcdf_export.h"

namespace vendrel {

DataExport::DataExport(Document& document, WindowServices& services, QWidget* parent)
    : document_(document), services_(services), parent_(parent) {}

QString DataExport::history(const QString& projectPath) {
    return "vendrel (window): " +
           (projectPath.isEmpty() ? QString(kNewDocumentTitle) : projectPath);
}

void DataExport::exec() {
    // A saved project proposes its own name beside it.
    const QString project = document_.currentFile();
    const QFileInfo info(project);
    const QString proposed = project.isEmpty()
                                 ? QString(kNewDocumentTitle) + ".nc"
                                 : info.dir().filePath(info.completeBaseName() + ".nc");
    const QString path =
        services_.saveFileName(parent_, "Export Data", proposed, kDataExportFilter);
    if (path.isEmpty()) {
        return;
    }
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != "nc" && suffix != "csv") {
        services_.showMessage(parent_, QString("Export Data saves a NetCDF file (.nc) or a CSV "
                                               "table (.csv); \"%1\" ends otherwise. Nothing was "
                                               "saved.")
                                           .arg(QFileInfo(path).fileName()));
        return;
    }
    try {
        const ProjectData data = document_.project().snapshot();
        if (suffix == "nc") {
            save_netcdf(localFileNameBytes(path), data,
                        {.history = history(project).toStdString(), .well_x = {}});
        } else {
            write_file_atomically(localFileNameBytes(path), format_section_csv(data));
        }
    } catch (const FileError& e) {
        services_.showMessage(parent_, QString::fromStdString(e.what()));
    }
}

}  // namespace vendrel
