#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>
#include <cstring>

#include "app/document.h"
#include "app/main_window.h"
#include "app/section_view.h"
#include "app/vendrel_application.h"
#include "app/well_log_panel.h"
#include "tests/fake_window_services.h"
#include "tests/test_support.h"
#include "view/bmp_file.h"
#include "view/print_path.h"
#include "view/section_picture.h"
#include "view/section_renderer.h"

void PrintTo(const QColor& c, std::ostream* os) {
    *os << "(" << c.red() << ", " << c.green() << ", " << c.blue() << ")";
}

namespace vendrel {
namespace {

std::uint32_t u32(const QByteArray& b, int at) {
    std::uint32_t v = 0;
    std::memcpy(&v, b.constData() + at, 4);
    return v;
}
std::uint16_t u16(const QByteArray& b, int at) {
    std::uint16_t v = 0;
    std::memcpy(&v, b.constData() + at, 2);
    return v;
}

TEST(BitmapFile, HeadersAndBottomUpRows) {
    QImage image(1000, 700, QImage::Format_RGB32);
    image.fill(QColor(220, 220, 220));
    image.setPixelColor(0, 0, QColor(10, 20, 30));
    image.setPixelColor(999, 699, QColor(40, 50, 60));
    const QByteArray bmp = encode_bmp32(image);
    ASSERT_EQ(bmp.size(), 2800054);
    EXPECT_EQ(bmp.left(2), "BM");
    struct Field {
        int offset, size;
        std::uint32_t value;
    };
    const Field fields[] = {{2, 4, 2800054}, {6, 2, 0},    {8, 2, 0},  {10, 4, 54}, {14, 4, 40},
                            {18, 4, 1000},   {22, 4, 700}, {26, 2, 1}, {28, 2, 32}, {30, 4, 0},
                            {34, 4, 0},      {38, 4, 0},   {42, 4, 0}, {46, 4, 0},  {50, 4, 0}};
    for (const Field& f : fields) {
        EXPECT_EQ(f.size == 4 ? u32(bmp, f.offset) : u16(bmp, f.offset), f.value)
            << "offset " << f.offset;
    }
    const int last_row = 54 + 699 * 1000 * 4;
    EXPECT_EQ(std::uint8_t(bmp[last_row + 0]), 30) << "blue first";
    EXPECT_EQ(std::uint8_t(bmp[last_row + 1]), 20);
    EXPECT_EQ(std::uint8_t(bmp[last_row + 2]), 10);
    EXPECT_EQ(std::uint8_t(bmp[last_row + 3]), 0);
    EXPECT_EQ(std::uint8_t(bmp[54 + 999 * 4 + 2]), 40) << "the bottom row comes first";
}

class Export : public ::testing::Test {
  protected:
    void SetUp() override {
        app = std::make_unique<VendrelApplication>(&services);
        ASSERT_TRUE(app->start(QString(), true, dir.filePath("lock")));
        app->mainWindow().resize(1200, 700);
        QApplication::processEvents();
    }
    QTemporaryDir dir;
    testing::FakeWindowServices services;
    std::unique_ptr<VendrelApplication> app;
};

TEST_F(Export, SavesTheClientArea) {
    services.next_bitmap = dir.filePath("increment.bmp");
    app->mainWindow().actions().saveBitmap->trigger();
    QFile file(services.next_bitmap);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bmp = file.readAll();
    const QImage client = app->mainWindow().clientAreaImage();
    EXPECT_EQ(int(u32(bmp, 18)), client.width());
    EXPECT_EQ(int(u32(bmp, 22)), client.height());
    EXPECT_GT(client.height(), app->mainWindow().view().height()) << "the status bar is included";
    EXPECT_EQ(bmp.size(), 54 + 4 * client.width() * client.height());
    EXPECT_TRUE(services.messages.isEmpty());
}

TEST_F(Export, CancelWritesNothingAndFailuresAreReported) {
    services.next_bitmap.clear();
    app->mainWindow().actions().saveBitmap->trigger();
    EXPECT_TRUE(QDir(dir.path()).entryList({"*.bmp"}).isEmpty());
    EXPECT_TRUE(services.messages.isEmpty());

    services.next_bitmap = dir.filePath("no/such/folder/x.bmp");
    app->mainWindow().actions().saveBitmap->trigger();
    ASSERT_EQ(services.messages.size(), 1);
    EXPECT_TRUE(services.messages[0].contains("cannot save")) << services.messages[0].toStdString();
    EXPECT_FALSE(QFile::exists(services.next_bitmap));
}

// Export Figure writes the report figure in the format of the name chosen;
// Report Style switches what the view shows and is ticked while it does.
TEST_F(Export, FigureAndReportStyle) {
    MainWindow& window = app->mainWindow();
    services.next_save = dir.filePath("figure.png");
    window.actions().exportFigure->trigger();
    EXPECT_TRUE(services.messages.isEmpty()) << services.messages.join(" ").toStdString();
    const QImage figure(services.next_save);
    EXPECT_EQ(figure.size(), window.view().size());
    EXPECT_EQ(figure.pixelColor(figure.width() - 5, 5), QColor(255, 255, 255));

    services.next_save = dir.filePath("figure.txt");
    window.actions().exportFigure->trigger();
    ASSERT_EQ(services.messages.size(), 1) << "an unknown suffix is refused";
    EXPECT_FALSE(QFile::exists(services.next_save));

    EXPECT_FALSE(window.actions().reportStyle->isChecked());
    window.actions().reportStyle->trigger();
    EXPECT_EQ(window.view().style(), SectionStyle::Report);
    EXPECT_TRUE(window.actions().reportStyle->isChecked());
    EXPECT_EQ(window.view().grab().toImage().pixelColor(window.view().width() - 5, 5),
              QColor(255, 255, 255))
        << "the report figure's white background instead of the picture's grey";
    window.actions().reportStyle->trigger();
    EXPECT_EQ(window.view().style(), SectionStyle::Section);
}

// Export Figure draws the figure at the size of the section area whether
// or not the pseudo-well panel is docked beside it, and its PNG has the
// pixels the view shows of the same figure (also run on a screen scaled by
// 1.25, where there are more screen pixels than figure pixels).
TEST_F(Export, FigurePngHasTheViewsPixelsAtAnyScale) {
    MainWindow& window = app->mainWindow();
    SectionView& view = window.view();
    window.actions().reportStyle->trigger();
    const QString first = dir.filePath("figure.png");
    services.next_save = first;
    window.actions().exportFigure->trigger();
    ASSERT_TRUE(services.messages.isEmpty()) << services.messages.join(" ").toStdString();
    QImage figure(first);
    figure = figure.convertToFormat(QImage::Format_RGB32);
    QImage shown = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    shown.setDevicePixelRatio(1);
    EXPECT_EQ(figure.size(), shown.size());
    EXPECT_TRUE(figure == shown) << "the view's pixels";

    services.next_save = dir.filePath("figure.svg");
    window.actions().exportFigure->trigger();
    const QByteArray svg =
        QByteArray::fromStdString(testing::read_file(services.next_save.toStdString()));
    EXPECT_TRUE(svg.contains(
        QString("viewBox=\"0 0 %1 %2\"").arg(view.width()).arg(view.height()).toUtf8()))
        << "a vector figure in figure pixels";

    const QSize alone = view.size();
    window.actions().pseudoWell->trigger();
    QApplication::processEvents();
    ASSERT_NE(window.wellPanel(), nullptr);
    ASSERT_TRUE(window.wellPanel()->isVisible());
    ASSERT_LT(view.width(), alone.width()) << "the panel takes room beside the view";
    services.next_save = dir.filePath("beside-panel.png");
    window.actions().exportFigure->trigger();
    EXPECT_TRUE(testing::read_file(services.next_save.toStdString()) ==
                testing::read_file(first.toStdString()))
        << "the same figure, whether the panel is open or not";
}

// Model View > Wheeler Diagram switches the view to the diagram and back;
// while it is shown, Save Increment as Bitmap saves it and Print prints it.
TEST_F(Export, WheelerDiagramShownSavedAndPrinted) {
    MainWindow& window = app->mainWindow();
    QAction* wheeler = window.actions().wheelerDiagram;
    EXPECT_TRUE(wheeler->isCheckable());
    EXPECT_FALSE(wheeler->isChecked());
    bool listed = false;
    for (QAction* menu : window.menuBar()->actions()) {
        if (menu->text() == "Model View" && menu->menu() != nullptr) {
            listed = menu->menu()->actions().contains(wheeler);
        }
    }
    EXPECT_TRUE(listed) << "an item of the Model View menu";
    const QImage section = window.view().grab().toImage().convertToFormat(QImage::Format_RGB32);
    wheeler->trigger();
    EXPECT_TRUE(window.view().showsWheeler());
    EXPECT_TRUE(wheeler->isChecked());
    const QImage shown = window.view().grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage diagram =
        wheeler_picture(take_section_snapshot(app->document().project()), window.view().size(), 1)
            .convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(shown == diagram) << "the view shows the Wheeler diagram";
    EXPECT_FALSE(shown == section);

    services.next_bitmap = dir.filePath("wheeler.bmp");
    window.actions().saveBitmap->trigger();
    const QImage saved(services.next_bitmap);
    ASSERT_FALSE(saved.isNull());
    EXPECT_TRUE(
        saved.copy(QRect(QPoint(0, 0), shown.size())).convertToFormat(QImage::Format_RGB32) ==
        diagram)
        << "the bitmap holds the diagram";

    const QString pdf = dir.filePath("wheeler.pdf");
    services.answer_dialog = [&](QDialog& dialog) {
        auto& print = static_cast<QPrintDialog&>(dialog);
        print.printer()->setOutputFormat(QPrinter::PdfFormat);
        print.printer()->setOutputFileName(pdf);
        dialog.done(QDialog::Accepted);
        return int(QDialog::Accepted);
    };
    window.actions().print->trigger();
    EXPECT_TRUE(QFileInfo(pdf).size() > 0);
#ifndef VENDREL_TSAN  // its runtime cannot follow QProcess's clone()
    QProcess words;
    words.start("pdftotext", {pdf, "-"});
    ASSERT_TRUE(words.waitForFinished(30000));
    const QString text = QString::fromUtf8(words.readAllStandardOutput());
    EXPECT_TRUE(text.contains("Time (kyr)")) << text.toStdString();
#endif

    wheeler->trigger();
    EXPECT_FALSE(window.view().showsWheeler());
    EXPECT_FALSE(wheeler->isChecked());
    EXPECT_TRUE(window.view().grab().toImage().convertToFormat(QImage::Format_RGB32) == section);
}

// Print and Print Preview put on paper what the view shows: the section,
// the report figure or the Wheeler diagram.
TEST_F(Export, PrintWhatTheViewShows) {
#ifdef VENDREL_TSAN  // its runtime cannot follow QProcess's clone()
    GTEST_SKIP();
#endif
    MainWindow& window = app->mainWindow();
    auto words = [](const QString& pdf) {
        QProcess text;
        text.start("pdftotext", {pdf, "-"});
        return text.waitForFinished(30000) ? QString::fromUtf8(text.readAllStandardOutput())
                                           : QString();
    };
    struct Case {
        const char* what;
        SectionStyle style;
        bool wheeler;
        const char* shows;
        const char* not_shown;
    };
    const Case cases[] = {
        {"section", SectionStyle::Section, false, "Simulation time", "Elevation (m)"},
        {"report figure", SectionStyle::Report, false, "Elevation (m)", "Simulation time"},
        {"Wheeler diagram", SectionStyle::Section, true, "Time (kyr)", "Simulation time"},
    };
    int page = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        window.view().setStyle(c.style);
        window.view().setShowsWheeler(c.wheeler);
        const QString printed = dir.filePath(QString("printed%1.pdf").arg(++page));
        services.answer_dialog = [&](QDialog& dialog) {
            auto& print = static_cast<QPrintDialog&>(dialog);
            print.printer()->setOutputFormat(QPrinter::PdfFormat);
            print.printer()->setOutputFileName(printed);
            dialog.done(QDialog::Accepted);
            return int(QDialog::Accepted);
        };
        window.actions().print->trigger();
        const QString previewed = dir.filePath(QString("previewed%1.pdf").arg(page));
        services.answer_dialog = [&](QDialog& dialog) {
            QPrinter pdf(QPrinter::HighResolution);
            pdf.setOutputFormat(QPrinter::PdfFormat);
            pdf.setOutputFileName(previewed);
            emit static_cast<QPrintPreviewDialog&>(dialog).paintRequested(&pdf);
            return int(QDialog::Rejected);
        };
        window.actions().printPreview->trigger();
        for (const QString& pdf : {printed, previewed}) {
            const QString text = words(pdf);
            EXPECT_TRUE(text.contains(c.shows)) << pdf.toStdString() << ": " << text.toStdString();
            EXPECT_FALSE(text.contains(c.not_shown)) << pdf.toStdString();
        }
    }
    EXPECT_TRUE(services.messages.isEmpty()) << services.messages.join(" ").toStdString();
}

TEST_F(Export, PrintCommandPrintsOnePage) {
    const QString pdf = dir.filePath("printed.pdf");
    int min_page = 0, max_page = 0;
    services.answer_dialog = [&](QDialog& dialog) {
        auto& print = static_cast<QPrintDialog&>(dialog);
        min_page = print.minPage();
        max_page = print.maxPage();
        print.printer()->setOutputFormat(QPrinter::PdfFormat);
        print.printer()->setOutputFileName(pdf);
        dialog.done(QDialog::Accepted);
        return int(QDialog::Accepted);
    };
    app->mainWindow().actions().print->trigger();
    EXPECT_EQ(min_page, 1);
    EXPECT_EQ(max_page, 1);
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(
        bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") + bytes.count("/Type /Page "),
        1);
}

// A section of flat horizons whose porosity changes across the section.
SectionSnapshot porosity_section() {
    SectionSnapshot s;
    s.display.draw_bl = 0;
    s.display.draw_depthdepo = 0;
    s.display.draw_porosity = 1;
    s.count = 1;
    s.x_values.resize(COLUMN_SLOTS);
    s.z.assign(COLUMN_SLOTS, 250);
    s.attribute.assign(COLUMN_SLOTS, 0.3);
    for (int j = 1; j <= COLUMN_COUNT; ++j) {
        s.x_values[j] = j;
        s.attribute[j] = j <= 700 ? 0.3 : j <= 1400 ? 0.4 : std::nan("");
    }
    return s;
}

// The print path on a page five times a window of 400 x 300 pixels: the
// horizon at 250 m lies at y 750, the legend frame spans (25, 600) to
// (825, 1350).
QImage printed(const SectionSnapshot& s) {
    QImage page(2000, 1500, QImage::Format_RGB32);
    QPainter painter(&page);
    print_section(painter, QRectF(0, 0, 2000, 1500), 96, s, NavigationState{}, QSize(400, 300));
    return page;
}

TEST(PrintPath, PorositySplitAndLegends) {
    SectionSnapshot s = porosity_section();
    QImage page = printed(s);
    const int y = 750;
    EXPECT_EQ(page.pixelColor(300, y), QColor(0, 0, 0)) << "below 0.4: thin black";
    EXPECT_EQ(page.pixelColor(1000, y), QColor(0, 0, 255)) << "0.4: blue";
    EXPECT_EQ(page.pixelColor(1800, y), QColor(0, 0, 255)) << "NaN: blue";
    EXPECT_EQ(page.pixelColor(300, y - 6), QColor(220, 220, 220)) << "the black pen is 9 wide";
    EXPECT_EQ(page.pixelColor(1000, y - 6), QColor(0, 0, 255)) << "the blue pen is 19 wide";
    EXPECT_EQ(page.pixelColor(200, 1000), QColor(220, 220, 220)) << "no porosity legend";

    s.display.draw_porosity = 0;  // time-lines only: the same split
    EXPECT_EQ(printed(s).pixelColor(1000, y), QColor(0, 0, 255));

    s.display.draw_depthdepo = 1;
    s.attribute.assign(COLUMN_SLOTS, 3);  // depth class 1
    page = printed(s);
    EXPECT_EQ(page.pixelColor(1500, y), QColor(255, 0, 0));
    EXPECT_EQ(page.pixelColor(200, 1000), QColor(255, 255, 255)) << "depth legend frame";
}

TEST(PrintPath, OnePageOfPdf) {
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    SectionSnapshot s = porosity_section();
    s.display.draw_bl = 1;
    s.increment_count = 100;
    ASSERT_TRUE(print_section_to_pdf(&buffer, s, NavigationState{}, QSize(1600, 800)));
    EXPECT_TRUE(pdf.startsWith("%PDF"));
    EXPECT_EQ(pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r") + pdf.count("/Type /Page "),
              1);
}

}  // namespace
}  // namespace vendrel
