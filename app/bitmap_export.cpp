#include "app/bitmap_export.h"

#include <QImage>
#include <string_view>

#include "app/local_file_name.h"
#include "app/main_window.h"
#include "app/window_services.h"
#include "document/atomic_file.h"
#include "view/bmp_file.h"

namespace vendrel {

BitmapExport::BitmapExport(MainWindow& window, WindowServices& services)
    : window_(window), services_(services) {}

void BitmapExport::exec() {
    const QString path = services_.bitmapFileName(&window_);
    if (path.isEmpty()) {
        return;
    }
    const QImage picture = window_.clientAreaImage();
    if (picture.isNull()) {
        services_.showMessage(&window_, "CreateCompatibleDC has failed", "Failed");
        return;
    }
    const QByteArray bytes = encode_bmp32(picture);
    try {
        write_file_atomically(localFileNameBytes(path),
                              std::string_view(bytes.constData(), std::size_t(bytes.size())));
    } catch (const FileError& e) {
        services_.showMessage(&window_, QString::fromStdString(e.what()));
    }
}

}  // namespace vendrel
