// The window keeps a file's name as the bytes it was given: from the
// command line, over the hand-over to a running copy, to open and save.

#include "app/local_file_name.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <memory>
#include <string>

#include "app/command_line.h"
#include "app/main_window.h"
#include "app/vendrel_application.h"
#include "tests/fake_window_services.h"
#include "tests/test_support.h"

namespace vendrel {
namespace {

using testing::FakeWindowServices;

TEST(LocalFileName, EveryNameComesBackAsItsBytes) {
    const std::string names[] = {
        "ramp.vdl",
        "caf\xc3\xa9.vdl",
        "\xff\xfe.vdl",
        "caf\xe9.vdl",       // Latin-1
        "\xed\xb3\xbf.vdl",  // an encoded surrogate: not UTF-8
        "cut \xe2\x82",      // a sequence cut short
        "\xc0\xaf overlong",
        "\xf0\x9f\x82\x80 domino",  // U+1F080: its low surrogate is U+DC80
        "two\nlines\x1b[31m.vdl",
        "/abs/\x80\x81/x.vdl",
    };
    for (const std::string& bytes : names) {
        SCOPED_TRACE(bytes);
        const QString name = localFileName(bytes);
        EXPECT_EQ(localFileNameBytes(name), bytes);
    }
    EXPECT_EQ(localFileName("caf\xc3\xa9 \xf0\x9f\x82\x80"), QString::fromUtf8("café 🂀"));
    EXPECT_EQ(localFileNameBytes(QString::fromUtf8("café 🂀")), "caf\xc3\xa9 \xf0\x9f\x82\x80");
}

class WindowNames : public ::testing::Test {
  protected:
    void SetUp() override {
        // Qt would read "\xff\xfe" as U+FFFD twice: a file of that name must
        // stay untouched.
        testing::write_file(bytes("\xef\xbf\xbd\xef\xbf\xbd.vdl"), "decoy");
        FakeWindowServices maker;
        VendrelApplication app(&maker);
        ASSERT_TRUE(
            app.start(QString(), false, dir.filePath("maker.lock"), dir.filePath("maker.socket")));
        maker.next_save = localFileName(bytes(kName));
        app.mainWindow().actions().saveAs->trigger();
        ASSERT_TRUE(std::filesystem::is_regular_file(bytes(kName)));
    }
    std::string bytes(const std::string& name) const {
        return localFileNameBytes(dir.path()) + "/" + name;
    }
    static constexpr const char* kName = "\xff\xfe\n.vdl";
    QTemporaryDir dir;
};

// As main() reads the command line: a relative name, opened and saved as
// the bytes given.
TEST_F(WindowNames, OpenedAndSavedFromTheCommandLine) {
    const QString here = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const CommandLine line = parseCommandLine({"vendrel", localFileName(kName)});
    FakeWindowServices services;
    VendrelApplication app(&services);
    const bool started = app.start(line.project, false, dir.filePath("instance.lock"),
                                   dir.filePath("instance.socket"));
    QDir::setCurrent(here);
    ASSERT_TRUE(started);
    EXPECT_TRUE(services.messages.isEmpty()) << services.messages.join("; ").toStdString();
    EXPECT_EQ(localFileNameBytes(app.document().currentFile()), bytes(kName));
    testing::write_file(bytes(kName), "");  // Save must write it again
    app.markDocumentModified();
    app.mainWindow().actions().save->trigger();
    EXPECT_TRUE(services.messages.isEmpty()) << services.messages.join("; ").toStdString();
    EXPECT_GT(std::filesystem::file_size(bytes(kName)), 1000u);
    EXPECT_EQ(testing::read_file(bytes("\xef\xbf\xbd\xef\xbf\xbd.vdl")), "decoy");
}

// A second launch hands the name over to the running copy, which opens the
// very file.
TEST_F(WindowNames, HandedOverToTheRunningCopy) {
    FakeWindowServices services;
    VendrelApplication running(&services);
    ASSERT_TRUE(running.start(QString(), false, dir.filePath("instance.lock"),
                              dir.filePath("instance.socket")));
    const QString here = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    FakeWindowServices otherServices;
    VendrelApplication second(&otherServices);
    const bool started = second.start(localFileName(kName), false, dir.filePath("instance.lock"),
                                      dir.filePath("instance.socket"));
    QDir::setCurrent(here);
    EXPECT_FALSE(started);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !running.document().currentFile().isEmpty(); }, 10000));
    EXPECT_TRUE(services.messages.isEmpty()) << services.messages.join("; ").toStdString();
    EXPECT_EQ(localFileNameBytes(running.document().currentFile()), bytes(kName));
}

}  // namespace
}  // namespace vendrel
