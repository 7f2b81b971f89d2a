// The running copy's socket against clients that are not a later start: silent ones, endless lines, crowds,
// bursts, and a server that lost its socket.
#include "instance_channel.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace lumora;
using namespace std::chrono_literals;

namespace {

/// A client as a hostile process writes it: a bare descriptor, no Qt in between. `spin` lets a server in
/// this same thread take connections while its backlog is full.
int connectRaw(const QString& path, bool spin = true) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    std::memcpy(addr.sun_path, name.constData(), std::min<size_t>(name.size(), sizeof addr.sun_path - 1));
    const QDeadlineTimer deadline(5000);
    while (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        if (errno != EAGAIN || !spin || deadline.hasExpired()) {
            ::close(fd);
            return -1;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    // Writes block from here on, as a plain client's would.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

/// True once the server has closed `fd`'s other end (a read sees end of file or a reset).
bool closedByServer(int fd) {
    char c;
    const ssize_t n = ::recv(fd, &c, 1, MSG_DONTWAIT);
    return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
}

/// Runs the event loop until `done` or `limit`; the limit only keeps a broken build from hanging.
bool spinUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 10s) {
    const QDeadlineTimer deadline(limit);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

void spinFor(std::chrono::milliseconds span) {
    const QDeadlineTimer deadline(span);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

long residentKiB() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

int openDescriptors() {
    return static_cast<int>(QDir("/proc/self/fd").entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size());
}

class InstanceChannelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::signal(SIGPIPE, SIG_IGN);
        ASSERT_TRUE(dir.isValid());
        QObject::connect(&channel, &InstanceChannel::activateRequested, [this] { ++raised; });
        ASSERT_TRUE(channel.listen(path));
    }
    void TearDown() override {
        for (const int fd : clients)
            ::close(fd);
    }
    /// A later start's knock, as `lumora` sends it.
    bool knock() { return InstanceChannel::activateRunningCopy(2s, path); }

    QTemporaryDir dir;
    QString path = dir.filePath("lumora.socket");
    InstanceChannel channel;
    int raised = 0;
    std::vector<int> clients;
};

TEST_F(InstanceChannelTest, ClientsThatNeverFinishALineAreDropped) {
    const struct {
        const char* name;
        QByteArray sent;
    } cases[] = {
        {"silent", {}},
        {"a line begun and left open", "activ"},
        {"a line past the cap", QByteArray(InstanceChannel::kMaxLine + 1, 'a')},
        {"a long line that ends too late", QByteArray(InstanceChannel::kMaxLine + 1, 'a') + "\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int fd = connectRaw(path);
        ASSERT_GE(fd, 0);
        clients.push_back(fd);
        if (!c.sent.isEmpty()) {
            ASSERT_EQ(::send(fd, c.sent.constData(), c.sent.size(), MSG_NOSIGNAL), c.sent.size());
        }
        EXPECT_TRUE(spinUntil([&] { return closedByServer(fd); })) << "still connected";
        EXPECT_EQ(channel.connectionCount(), 0);
    }
    EXPECT_EQ(raised, 0);
    EXPECT_TRUE(knock());
    EXPECT_TRUE(spinUntil([&] { return raised == 1; })) << "the server still answers a real start";
}

// A client that pours bytes without a newline is cut off after the cap: the server's memory stays flat,
// and the client gets rid of little more than what the socket buffers hold.
TEST_F(InstanceChannelTest, AnEndlessLineCostsTheServerNoMemory) {
    constexpr qint64 kPoured = 256LL * 1024 * 1024;
    const long before = residentKiB();
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Only plain system calls here: the child must not touch the parent's Qt state.
        const int fd = connectRaw(path, false);
        static char chunk[64 * 1024];
        std::memset(chunk, 'x', sizeof chunk);
        qint64 written = 0;
        while (fd >= 0 && written < kPoured) {
            const ssize_t n = ::send(fd, chunk, sizeof chunk, MSG_NOSIGNAL);
            if (n <= 0) break;
            written += n;
        }
        (void)!::write(report[1], &written, sizeof written);
        ::_exit(0);
    }
    ::close(report[1]);
    qint64 written = -1;
    bool reported = false;
    ASSERT_TRUE(spinUntil(
        [&] {
            pollfd p{report[0], POLLIN, 0};
            if (::poll(&p, 1, 0) == 1)
                reported = ::read(report[0], &written, sizeof written) == sizeof written;
            return reported;
        },
        60s));
    ::close(report[0]);
    ::waitpid(child, nullptr, 0);
    EXPECT_GT(written, InstanceChannel::kMaxLine) << "the client never got its line going";
    EXPECT_LT(written, 16LL * 1024 * 1024) << "the server kept reading past the cap";
    EXPECT_LT(residentKiB() - before, 16 * 1024) << "KiB grown";
    EXPECT_EQ(channel.connectionCount(), 0);
}

// A crowd of silent clients holds no more than the cap of descriptors, for no longer than the limit, and a
// real start that comes while the crowd is there is heard.
TEST_F(InstanceChannelTest, ACrowdOfSilentClientsLocksNobodyOut) {
    constexpr int kCrowd = 300;
    const int baseline = openDescriptors();
    for (int i = 0; i < kCrowd; ++i) {
        const int fd = connectRaw(path);
        ASSERT_GE(fd, 0) << "client " << i << ": " << std::strerror(errno);
        clients.push_back(fd);
        QCoreApplication::processEvents();
    }
    spinFor(200ms);
    EXPECT_LE(channel.connectionCount(), InstanceChannel::kMaxConnections);
    EXPECT_LE(openDescriptors(), baseline + kCrowd + InstanceChannel::kMaxConnections + 2);

    EXPECT_TRUE(knock());
    EXPECT_TRUE(spinUntil([&] { return raised == 1; })) << "the start was locked out by the crowd";
    EXPECT_TRUE(spinUntil([&] { return channel.connectionCount() == 0; }))
        << "silent clients outlived the limit";
    EXPECT_LE(openDescriptors(), baseline + kCrowd + 2) << "the server kept descriptors of dropped clients";
}

TEST_F(InstanceChannelTest, ABurstOfActivationsRaisesTheWindowOnce) {
    const int fd = connectRaw(path);
    ASSERT_GE(fd, 0);
    clients.push_back(fd);
    QByteArray burst;
    for (int i = 0; i < 100; ++i)
        burst += "activate\n";
    ASSERT_EQ(::send(fd, burst.constData(), burst.size(), MSG_NOSIGNAL), burst.size());
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(knock());
    spinFor(300ms);
    EXPECT_EQ(raised, 1);

    // Once the burst is over, the next start raises the window again.
    spinFor(InstanceChannel::kActivateQuiet);
    ASSERT_TRUE(knock());
    EXPECT_TRUE(spinUntil([&] { return raised == 2; }));
}

TEST_F(InstanceChannelTest, LinesOtherThanActivateAskForNothing) {
    const int fd = connectRaw(path);
    ASSERT_GE(fd, 0);
    clients.push_back(fd);
    const QByteArray sent = QByteArray("activate now\nACTIVATE\n\nactivate\r\n\x1b[2J\n");
    ASSERT_EQ(::send(fd, sent.constData(), sent.size(), MSG_NOSIGNAL), sent.size());
    spinFor(300ms);
    EXPECT_EQ(raised, 0);
}

TEST_F(InstanceChannelTest, ASocketFileTakenAwayIsMadeAgain) {
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_TRUE(spinUntil([&] { return QFile::exists(path); }));
    EXPECT_TRUE(knock());
    EXPECT_TRUE(spinUntil([&] { return raised == 1; }));
}

// At the descriptor limit Qt's server cannot accept and closes itself; once descriptors are free again it
// listens again, and a later start is heard.
TEST_F(InstanceChannelTest, AServerClosedAtTheDescriptorLimitListensAgain) {
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit low = saved;
    low.rlim_cur = static_cast<rlim_t>(openDescriptors() + 32);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    std::vector<int> filler;
    for (;;) {
        const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (fd < 0) break;
        filler.push_back(fd);
    }
    ASSERT_FALSE(filler.empty());
    ::close(filler.back());
    filler.pop_back();
    // The one free descriptor goes to this client; the server has none left to accept it with.
    const int fd = connectRaw(path);
    ASSERT_GE(fd, 0);
    clients.push_back(fd);
    spinUntil([&] { return !channel.isListening(); }, 2s);
    const bool closed = !channel.isListening();

    for (const int f : filler)
        ::close(f);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &saved), 0);
    EXPECT_TRUE(spinUntil([&] { return channel.isListening() && QFile::exists(path); }));
    EXPECT_TRUE(knock());
    EXPECT_TRUE(spinUntil([&] { return raised == 1; }));
    if (!closed) GTEST_SKIP() << "this Qt kept listening through the failed accept; nothing to recover from";
}

} // namespace
