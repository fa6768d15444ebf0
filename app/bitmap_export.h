#pragma once
// Save Increment as Bitmap: what the main window shows (the section and,
// when shown, the status bar) written as an uncompressed 32-bit BMP under a
// name the user picks. Cancel in the file dialog ends the export.

class QWidget;

namespace vendrel {

class MainWindow;
class WindowServices;

class BitmapExport {
  public:
    BitmapExport(MainWindow& window, WindowServices& services);
    void exec();

  private:
    MainWindow& window_;
    WindowServices& services_;
};

}  // namespace vendrel
