// One copy per user and the hand-over channel from later launches: where the
// lock and the socket live, what another user can and cannot do to them,
// and that nothing a launch hands over, nor any answer to the prompts it
// brings, can bring the running window down.

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/document.h"
#include "app/instance_channel.h"
#include "app/instance_folder.h"
#include "app/main_window.h"
#include "app/single_instance_guard.h"
#include "app/vendrel_application.h"
#include "document/project.h"
#include "document/project_writer.h"
#include "tests/fake_window_services.h"
#include "tests/test_support.h"

namespace vendrel {
namespace {

using testing::FakeWindowServices;

QString runtimeFolder() {
    return qEnvironmentVariable("XDG_RUNTIME_DIR");
}

// A second launch in this process: the lock is held by the running copy,
// so the file goes over the socket. Returns whether this launch went on
// as a copy of its own; `status` gets its launch status.
bool launch(const QString& project, const QString& lock, const QString& socket = {},
            int* status = nullptr) {
    FakeWindowServices otherServices;
    VendrelApplication second(&otherServices);
    const bool started = second.start(project, false, lock, socket);
    if (status != nullptr) {
        *status = second.launchStatus();
    }
    return started;
}

// Connects to `socket` as a launch would, sends `bytes` as they are and
// closes at once.
bool sendRaw(const QString& socket, const QByteArray& bytes) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(socket);
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    const bool sent =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        (bytes.isEmpty() || ::write(fd, bytes.constData(), std::size_t(bytes.size())) > 0);
    ::close(fd);
    return sent;
}

// The running copy with the real message boxes: every box that opens is
// recorded and answered from inside its own event loop by `answer`, which
// may itself wait and let more arrive meanwhile.
class RunningCopy : public ::testing::Test {
  protected:
    void SetUp() override {
        app = std::make_unique<VendrelApplication>();
        ASSERT_TRUE(app->start(QString(), false, lock()));
        writeProject("a.vdl");
        writeProject("other.vdl");
        writeProject("third.vdl");
        ASSERT_TRUE(app->document().loadFile(file("a.vdl")));
        watcher.setInterval(20);
        QObject::connect(&watcher, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr || answering || box->isHidden()) {
                return;
            }
            answering = true;
            boxes.append(box->text());
            answer(*box);
            answering = false;
        });
        watcher.start();
    }
    void TearDown() override { watcher.stop(); }
    QString file(const QString& name) const { return dir.filePath(name); }
    QString lock() const { return file("instance.lock"); }
    QString socket() const { return InstanceChannel::socketName(runtimeFolder(), lock()); }
    void writeProject(const QString& name) {
        save_project_file(file(name).toStdString(), app->document().project().snapshot());
    }
    QString title() { return app->document().title(); }
    // Every request carried out and every box answered.
    bool settled() {
        return QTest::qWaitFor(
            [&] {
                return app->instanceChannel()->pendingCount() == 0 && !answering &&
                       QApplication::activeModalWidget() == nullptr;
            },
            10000);
    }
    static void press(QMessageBox& box, QMessageBox::StandardButton button) {
        if (button == QMessageBox::Cancel) {
            QTest::keyClick(&box, Qt::Key_Escape);  // as a user cancels
        } else {
            box.button(button)->click();
        }
    }

    QTemporaryDir dir;
    std::unique_ptr<VendrelApplication> app;
    QTimer watcher;
    bool answering = false;
    QStringList boxes;
    std::function<void(QMessageBox&)> answer = [](QMessageBox& box) {
        QTest::keyClick(&box, Qt::Key_Escape);
    };
};

// A file that cannot be opened shows its message; the window carries on
// with the project it had.
TEST_F(RunningCopy, SurvivesAnyFileHandedOver) {
    ASSERT_EQ(::mkfifo(file("pipe.vdl").toLocal8Bit().constData(), 0600), 0);
    QFile whole(file("a.vdl"));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray text = whole.readAll();
    QFile cut(file("cut.vdl"));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(text.left(text.size() / 2));
    cut.close();
    for (const char* name : {"pipe.vdl", "missing.vdl", "cut.vdl"}) {
        SCOPED_TRACE(name);
        boxes.clear();
        EXPECT_FALSE(launch(file(name), lock()));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.isEmpty(); }, 10000));
        ASSERT_TRUE(settled());
        QTest::qWait(100);  // what the box's own event loop left behind
        EXPECT_EQ(boxes.size(), 1);
        EXPECT_TRUE(boxes.value(0).contains(name)) << boxes.value(0).toStdString();
        EXPECT_EQ(title(), "a.vdl");
    }
}

// Every answer to "Save changes to a.vdl?", given while the sender has long
// closed its end.
TEST_F(RunningCopy, SurvivesEveryAnswerOfThePrompt) {
    struct Case {
        QMessageBox::StandardButton button;
        const char* title;
        bool saved;
    };
    const Case cases[] = {
        {QMessageBox::Cancel, "a.vdl*", false},
        {QMessageBox::No, "other.vdl", false},
        {QMessageBox::Yes, "other.vdl", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title + std::string(c.saved ? " saved" : ""));
        ASSERT_TRUE(app->document().loadFile(file("a.vdl")));
        app->document().project().simulation().modify().params().slip1 = 0.123456;
        app->markDocumentModified();
        boxes.clear();
        answer = [&](QMessageBox& box) {
            QTest::qWait(300);  // the sender is long gone by now
            press(box, c.button);
        };
        EXPECT_FALSE(launch(file("other.vdl"), lock()));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.isEmpty(); }, 10000));
        ASSERT_TRUE(settled());
        QTest::qWait(100);
        EXPECT_EQ(boxes, QStringList{"Save changes to a.vdl?"});
        EXPECT_EQ(title(), c.title);
        QFile saved(file("a.vdl"));
        ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
        EXPECT_EQ(saved.readAll().contains("0.123456"), c.saved);
        saved.close();
        ASSERT_TRUE(QFile::remove(file("a.vdl")));
        ASSERT_TRUE(QFile::copy(file("third.vdl"), file("a.vdl")));
    }
}

// A second launch while the prompt of the first is open waits its turn.
TEST_F(RunningCopy, SecondHandOverWhileThePromptIsOpen) {
    app->markDocumentModified();
    answer = [&](QMessageBox& box) {
        EXPECT_FALSE(launch(file("third.vdl"), lock()));
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return app->instanceChannel()->pendingCount() == 1; }, 10000))
            << "queued behind the prompt";
        press(box, QMessageBox::No);
    };
    EXPECT_FALSE(launch(file("other.vdl"), lock()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return title() == "third.vdl"; }, 10000));
    ASSERT_TRUE(settled());
    EXPECT_EQ(boxes, QStringList{"Save changes to a.vdl?"}) << "other.vdl was not modified";
}

// Senders that close before their line is whole, or send no line at all,
// change nothing; the channel goes on taking launches.
TEST_F(RunningCopy, SendersThatCloseEarly) {
    const QByteArray url = QUrl::fromLocalFile(file("other.vdl")).toEncoded();
    const QByteArray sent[] = {
        "",        "open " + url,           "open",
        "bogus\n", "open http://x/a.vdl\n", QByteArray(70 * 1024, 'x') + "\n"};
    for (const QByteArray& bytes : sent) {
        SCOPED_TRACE(bytes.left(40).toStdString());
        ASSERT_TRUE(sendRaw(socket(), bytes));
    }
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return app->instanceChannel()->openConnections() == 0; }, 10000));
    QTest::qWait(100);
    EXPECT_EQ(title(), "a.vdl");
    EXPECT_TRUE(boxes.isEmpty());
    EXPECT_FALSE(launch(file("other.vdl"), lock()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return title() == "other.vdl"; }, 10000));
}

// Another user's process (uid and gid 65534, "nobody"), for what other
// users of a shared machine can do. `plant` runs as that user before the
// constructor returns; `serve` then runs until finish(), and its result is
// finish()'s. Only root can become another user.
class Stranger {
  public:
    static bool possible() { return ::geteuid() == 0; }
    static constexpr const char* kSkip =
        "becoming another user (uid 65534) needs root, and this test runs as another user";

    explicit Stranger(const std::function<void()>& plant,
                      const std::function<int(int stop)>& serve = {}) {
        int ready[2];
        if (::pipe2(stop_, O_CLOEXEC) != 0 || ::pipe2(ready, O_CLOEXEC) != 0) {
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(stop_[1]);
            ::close(ready[0]);
            if (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
                ::setresuid(65534, 65534, 65534) != 0) {
                ::_exit(100);
            }
            ::umask(0);
            plant();
            ::close(ready[1]);
            ::_exit(serve ? serve(stop_[0]) : 0);
        }
        ::close(stop_[0]);
        ::close(ready[1]);
        char byte = 0;
        while (::read(ready[0], &byte, 1) < 0 && errno == EINTR) {
        }
        ::close(ready[0]);
    }
    ~Stranger() { finish(); }
    int finish() {
        if (pid_ <= 0) {
            return -1;
        }
        ::close(stop_[1]);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = 0;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

  private:
    int stop_[2] = {-1, -1};
    pid_t pid_ = -1;
};

// A socket listening at `path`, made by the calling process.
int listenAt(const QByteArray& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    ::listen(fd, 16);
    return fd;
}

// A fake server: takes connections until told to stop; 1 when anyone sent
// it a byte, else 0.
int serveAndTell(int listener, int stop) {
    int heard = 0;
    for (;;) {
        pollfd fds[2] = {{stop, POLLIN, 0}, {listener, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            continue;
        }
        if (fds[0].revents != 0) {
            return heard;
        }
        const int connection = ::accept(listener, nullptr, nullptr);
        pollfd data = {connection, POLLIN, 0};
        char bytes[256];
        if (::poll(&data, 1, 1000) > 0 && ::read(connection, bytes, sizeof bytes) > 0) {
            heard = 1;
        }
        ::close(connection);
    }
}

// Locks the file at `path` for as long as the process lives.
void holdLock(const QByteArray& path) {
    ::flock(::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666), LOCK_EX);
}

QString mode(const QString& path) {
    struct stat info {};
    ::lstat(QFile::encodeName(path).constData(), &info);
    return QString::number(info.st_mode & 07777, 8);
}

// A folder like the temporary folder: anyone may make files in it.
void shareFolder(const QTemporaryDir& dir) {
    ::chmod(QFile::encodeName(dir.path()).constData(), 01777);
}

// Lines on stderr while `work` runs.
QStringList stderrOf(const std::function<void()>& work) {
    ::testing::internal::CaptureStderr();
    work();
    const QString said = QString::fromStdString(::testing::internal::GetCapturedStderr());
    return said.split('\n', Qt::SkipEmptyParts);
}

// Where this user's lock and socket go when another user got there first:
// refused with one line, never shared; the lock in the old shared place
// holds no one back.
TEST(OtherUsers, CannotBlockOrRedirectALaunch) {
    if (!Stranger::possible()) {
        GTEST_SKIP() << Stranger::kSkip;
    }
    QTemporaryDir shared;
    shareFolder(shared);
    const QString mine = shared.filePath("vendrel-" + QString::number(::geteuid()));
    const QByteArray folder = QFile::encodeName(mine);
    const QByteArray lock = folder + "/VendrelApp_Mutex.lock";
    const QByteArray socket = folder + "/VendrelApp.socket";
    const QByteArray oldLock = QFile::encodeName(shared.filePath("VendrelApp_Mutex.lock"));
    const QByteArray foreignLock = QFile::encodeName(shared.filePath("foreign.lock"));
    const QByteArray runtime = QFile::encodeName(shared.filePath("runtime"));
    int listener = -1;
    Stranger nobody(
        [&] {
            ::mkdir(folder.constData(), 0777);
            holdLock(lock);
            holdLock(oldLock);
            holdLock(foreignLock);
            ::mkdir(runtime.constData(), 0700);
            listener = listenAt(socket);
        },
        [&](int stop) { return serveAndTell(listener, stop); });

    struct Case {
        QString runtime;
        QString refusal;
    };
    const Case cases[] = {
        {"", "the folder " + mine + " belongs to another user"},
        {shared.filePath("runtime"),
         "the folder " + shared.filePath("runtime") + " belongs to another user"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.runtime.toStdString());
        const InstanceFolder found = InstanceFolder::locate(c.runtime, shared.path());
        EXPECT_FALSE(found.isUsable());
        EXPECT_EQ(found.error(), c.refusal);
    }
    SingleInstanceGuard guard;
    EXPECT_EQ(guard.acquire(shared.filePath("foreign.lock")),
              SingleInstanceGuard::Outcome::Refused);
    EXPECT_EQ(guard.error(),
              "the lock file " + shared.filePath("foreign.lock") + " belongs to another user");
    QTemporaryDir own;
    const InstanceFolder ours = InstanceFolder::locate(own.path(), shared.path());
    ASSERT_TRUE(ours.isUsable()) << ours.error().toStdString();
    EXPECT_EQ(guard.acquire(ours.path() + "/VendrelApp_Mutex.lock"),
              SingleInstanceGuard::Outcome::Acquired)
        << "the lock in the shared folder holds no one back";
    guard.release();

    // The program, with no runtime folder: one line, a failure status, and
    // nothing for the stranger's socket. (QProcess's clone() is beyond the
    // thread sanitizer's runtime: that build leaves the program out.)
#ifndef VENDREL_TSAN
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("XDG_RUNTIME_DIR");
    environment.remove("VENDREL_INSTANCE_LOCK");
    environment.insert("TMPDIR", shared.path());
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(environment);
    program.start(VENDREL_PATH, {own.filePath("secret.vdl")});
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 1);
    // Qt notes the missing runtime folder on its own line.
    QStringList said = QString::fromLocal8Bit(program.readAllStandardError()).split('\n');
    said.removeIf([](const QString& line) { return line.startsWith("QStandardPaths: "); });
    EXPECT_EQ(said, QStringList({"vendrel: the folder " + mine + " belongs to another user", ""}));
#endif
    EXPECT_EQ(nobody.finish(), 0) << "the stranger's socket heard something";
}

// A launch checks who listens before it says anything: another user's
// server gets nothing, and the launch fails with one line.
TEST(OtherUsers, FakeServerHearsNothing) {
    if (!Stranger::possible()) {
        GTEST_SKIP() << Stranger::kSkip;
    }
    QTemporaryDir shared;
    shareFolder(shared);
    const QString fake = shared.filePath("fake.socket");
    const QByteArray path = QFile::encodeName(fake);
    int listener = -1;
    Stranger nobody([&] { listener = listenAt(path); },
                    [&](int stop) { return serveAndTell(listener, stop); });
    QTemporaryDir dir;
    SingleInstanceGuard running;
    ASSERT_EQ(running.acquire(dir.filePath("instance.lock")),
              SingleInstanceGuard::Outcome::Acquired);
    int status = -1;
    const QStringList said = stderrOf([&] {
        EXPECT_FALSE(
            launch(dir.filePath("secret.vdl"), dir.filePath("instance.lock"), fake, &status));
    });
    EXPECT_EQ(status, 1);
    EXPECT_EQ(said, QStringList{"vendrel: Vendrel is already running, but the socket " + fake +
                                " belongs to another user: nothing was sent to it"});
    EXPECT_EQ(nobody.finish(), 0) << "the fake server heard the request";
}

// Links and open folders in place of the lock or its folder are refused;
// the place a link points to is never made.
TEST(InstanceFolder, LinksAndOpenFoldersAreRefused) {
    QTemporaryDir dir;
    const auto at = [&](const char* name) { return QFile::encodeName(dir.filePath(name)); };
    ASSERT_EQ(::symlink(at("target.lock").constData(), at("dangling.lock").constData()), 0);
    ASSERT_TRUE(QFile(dir.filePath("own.lock")).open(QIODevice::WriteOnly));
    ASSERT_EQ(::symlink(at("own.lock").constData(), at("linked.lock").constData()), 0);
    for (const char* name : {"dangling.lock", "linked.lock"}) {
        SCOPED_TRACE(name);
        SingleInstanceGuard guard;
        EXPECT_EQ(guard.acquire(dir.filePath(name)), SingleInstanceGuard::Outcome::Refused);
        EXPECT_EQ(guard.error(), "the lock file " + dir.filePath(name) + " is a symbolic link");
    }
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("target.lock")));

    ASSERT_EQ(::mkdir(at("private").constData(), 0700), 0);
    ASSERT_EQ(::symlink(at("private").constData(), at("link").constData()), 0);
    ASSERT_EQ(::mkdir(at("open").constData(), 0700), 0);
    ASSERT_EQ(::chmod(at("open").constData(), 0755), 0);
    struct Case {
        const char* runtime;
        QString error;
    };
    const Case cases[] = {
        {"link", "the folder " + dir.filePath("link") + " is a symbolic link"},
        {"open",
         "the folder " + dir.filePath("open") + " may be entered by other users (mode 0755)"},
        {"private", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.runtime);
        const InstanceFolder found = InstanceFolder::locate(dir.filePath(c.runtime), dir.path());
        EXPECT_EQ(found.error(), c.error);
    }

    // Without a runtime folder: a folder of the user's own, made private.
    const QString made = dir.filePath("vendrel-" + QString::number(::geteuid()));
    for (const QString& runtime : {QString(), dir.filePath("missing")}) {
        SCOPED_TRACE(runtime.toStdString());
        const InstanceFolder found = InstanceFolder::locate(runtime, dir.path());
        EXPECT_TRUE(found.isUsable()) << found.error().toStdString();
        EXPECT_EQ(found.path(), made);
        EXPECT_EQ(mode(made), "700");
    }
}

// A second copy with no one to hand its file to: one line and a failure
// status, without a window. The lock named by VENDREL_INSTANCE_LOCK holds.
TEST(SingleInstance, SecondCopyWithNoOneToHandTo) {
    VENDREL_SKIP_UNDER_TSAN();
    QTemporaryDir dir;
    const QString lock = dir.filePath("instance.lock");
    SingleInstanceGuard first;
    ASSERT_EQ(first.acquire(lock), SingleInstanceGuard::Outcome::Acquired);
    SingleInstanceGuard second;
    EXPECT_EQ(second.acquire(lock), SingleInstanceGuard::Outcome::HeldElsewhere);

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VENDREL_INSTANCE_LOCK", lock);
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(environment);
    program.start(VENDREL_PATH, {dir.filePath("a.vdl")});
    ASSERT_TRUE(program.waitForFinished(30000)) << "the second copy kept running";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 1);
    EXPECT_EQ(QString::fromLocal8Bit(program.readAllStandardError()),
              "vendrel: Vendrel is already running, but the running copy is not reachable\n");

    first.release();
    EXPECT_EQ(second.acquire(lock), SingleInstanceGuard::Outcome::Acquired);
}

// The running copy with scripted dialogs, and later launches in this
// process.
class SecondLaunch : public ::testing::Test {
  protected:
    void SetUp() override {
        app = std::make_unique<VendrelApplication>(&services);
        ASSERT_TRUE(app->start(QString(), false, lock()));
    }
    QString file(const QString& name) const { return dir.filePath(name); }
    QString lock() const { return file("instance.lock"); }
    Document& doc() { return app->document(); }
    MainWindow& frame() { return app->mainWindow(); }
    void saveProject(const QString& name) {
        services.next_save = file(name);
        frame().actions().saveAs->trigger();
        frame().actions().newDocument->trigger();
        app->markDocumentModified();
    }
    bool waitForTitle(const QString& title) {
        return QTest::qWaitFor([&] { return doc().title() == title; }, 10000);
    }

    QTemporaryDir dir;
    FakeWindowServices services;
    std::unique_ptr<VendrelApplication> app;
};

TEST_F(SecondLaunch, HandsItsFileToTheRunningCopy) {
    saveProject("handed.vdl");
    const QString here = QDir::currentPath();
    QDir::setCurrent(dir.path());
    int status = -1;
    const bool started = launch("handed.vdl", lock(), {}, &status);  // made absolute
    QDir::setCurrent(here);
    EXPECT_FALSE(started) << "the second copy ends";
    EXPECT_EQ(status, 0);
    ASSERT_TRUE(waitForTitle("handed.vdl"));
    EXPECT_EQ(doc().currentFile(), file("handed.vdl"));
    EXPECT_EQ(services.prompts.join("; ").toStdString(), "New Simulation")
        << "asked before replacing";
    EXPECT_TRUE(frame().isVisible()) << "brought to the front";

    // Without a file the window only comes to the front.
    frame().hide();
    EXPECT_FALSE(launch(QString(), lock()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return frame().isVisible(); }, 10000));
    EXPECT_EQ(doc().title(), "handed.vdl");
}

TEST_F(SecondLaunch, WaitsWhileADialogIsOpen) {
    saveProject("later.vdl");
    services.answer_dialog = [&](QDialog& dialog) {
        dialog.setModal(true);
        dialog.show();
        EXPECT_FALSE(launch(file("later.vdl"), lock()));
        QTest::qWait(600);
        EXPECT_EQ(doc().title(), "New Simulation*") << "nothing opens behind the dialog";
        EXPECT_EQ(app->instanceChannel()->pendingCount(), 1);
        dialog.reject();
        return dialog.result();
    };
    frame().actions().carbonateFactory->trigger();
    ASSERT_TRUE(waitForTitle("later.vdl"));
    EXPECT_EQ(app->instanceChannel()->pendingCount(), 0);
}

TEST_F(SecondLaunch, NoCopyListens) {
    int status = -1;
    const QStringList said = stderrOf(
        [&] { EXPECT_FALSE(launch(file("any.vdl"), lock(), file("none.socket"), &status)); });
    EXPECT_EQ(status, 1);
    EXPECT_EQ(said, QStringList{"vendrel: Vendrel is already running, but the running copy is not "
                                "reachable"});
    EXPECT_EQ(doc().title(), "New Simulation");
}

// Another user's request is dropped unread, even where that user can reach
// the socket.
TEST_F(SecondLaunch, StrangersAreNotHeard) {
    if (!Stranger::possible()) {
        GTEST_SKIP() << Stranger::kSkip;
    }
    QTemporaryDir shared;
    shareFolder(shared);
    saveProject("wanted.vdl");
    app.reset();
    app = std::make_unique<VendrelApplication>(&services);
    const QString open = shared.filePath("open.socket");
    ASSERT_TRUE(app->start(QString(), false, lock(), open));
    ASSERT_EQ(::chmod(QFile::encodeName(open).constData(), 0666), 0);
    const QByteArray path = QFile::encodeName(open);
    const QByteArray request = "open " + QUrl::fromLocalFile(file("wanted.vdl")).toEncoded() + "\n";
    Stranger nobody([&] {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            ::write(fd, request.constData(), std::size_t(request.size()));
        }
        ::close(fd);
    });
    EXPECT_EQ(nobody.finish(), 0);
    QTest::qWait(500);
    EXPECT_EQ(doc().title(), "New Simulation");
    EXPECT_EQ(app->instanceChannel()->pendingCount(), 0);
    // The same request from this user opens the file.
    EXPECT_TRUE(sendRaw(open, request));
    EXPECT_TRUE(waitForTitle("wanted.vdl"));
}

// More connections than the process has descriptors for: accept fails for
// a while, and the socket goes on listening.
TEST_F(SecondLaunch, KeepsListeningPastTheDescriptorLimit) {
#ifdef VENDREL_SANITIZED
    GTEST_SKIP() << "the sanitizers' runtimes need descriptors of their own to check the code "
                    "(UBSan's type checks read /proc), which this test takes away";
#endif
    saveProject("after.vdl");
    const QString socket = InstanceChannel::socketName(runtimeFolder(), lock());
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
    const int open =
        int(QDir("/proc/self/fd").entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size());
    rlimit lowered = limit;
    lowered.rlim_cur = rlim_t(open + 40);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(socket);
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    std::vector<int> burst;
    for (int k = 0; k < 200; ++k) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            QTest::qWait(20);  // the running copy takes what it can meanwhile
            continue;
        }
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        burst.push_back(fd);
    }
    QTest::qWait(300);
    EXPECT_GT(burst.size(), 20u);
    for (const int fd : burst) {
        ::close(fd);
    }
    ::setrlimit(RLIMIT_NOFILE, &limit);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return app->instanceChannel()->openConnections() == 0; }, 10000));
    int status = -1;
    EXPECT_FALSE(launch(file("after.vdl"), lock(), {}, &status));
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(waitForTitle("after.vdl"));
}

}  // namespace
}  // namespace vendrel
