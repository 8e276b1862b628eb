#include "app/InstanceChannel.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <future>
#include <vector>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace vistrel;
using namespace std::chrono_literals;

namespace {

// A server on a socket of its own, and raw clients that connect and say nothing.
class RequestServerTest : public ::testing::Test {
protected:
    RequestServerTest()
        : m_server([this](const HandedRequest& request) {
            ++m_served;
            return RequestResult{0, request.arguments.join(u' ')};
        })
    {
        ::chmod(QFile::encodeName(m_dir.path()).constData(), 0700);
        m_path = m_dir.filePath(QStringLiteral("requests"));
    }
    ~RequestServerTest() override
    {
        for (const int fd : m_idle)
            ::close(fd);
    }

    // A client that connects and then waits; -1 when no descriptor is left.
    int connectIdle()
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0)
            return -1;
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = QFile::encodeName(m_path);
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd);
            return -1;
        }
        m_idle.push_back(fd);
        return fd;
    }

    // How many idle clients the server has hung up on.
    int droppedClients() const
    {
        int dropped = 0;
        for (const int fd : m_idle) {
            char byte = 0;
            dropped += ::recv(fd, &byte, 1, MSG_DONTWAIT) == 0;
        }
        return dropped;
    }

    void pumpEvents(std::chrono::milliseconds time)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < time.count())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }

    // A later start's request, answered while this thread runs the server's events.
    std::optional<RequestResult> handOver(const QString& word)
    {
        auto answer = std::async(std::launch::async, [this, word] {
            return HandToRunningInstance(m_path, HandedRequest{{word}, QDir::tempPath()}, 3s);
        });
        while (answer.wait_for(10ms) != std::future_status::ready)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return answer.get();
    }

    QTemporaryDir m_dir;
    QString m_path;
    int m_served = 0;
    std::vector<int> m_idle;
    RequestServer m_server;
};

} // namespace

TEST_F(RequestServerTest, KeepsListeningAfterRunningOutOfDescriptors)
{
    ASSERT_TRUE(m_server.listen(m_path));
    rlimit old{};
    ::getrlimit(RLIMIT_NOFILE, &old);
    rlimit low = old;
    low.rlim_cur = 256;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    // Callers wait in the queue while every descriptor is taken, so the server's accept
    // fails for want of one.
    for (int i = 0; i < 20; ++i)
        ASSERT_GE(connectIdle(), 0);
    std::vector<int> taken;
    for (int fd = ::dup(m_idle.front()); fd >= 0; fd = ::dup(m_idle.front()))
        taken.push_back(fd);
    pumpEvents(300ms);
    for (const int fd : taken)
        ::close(fd);
    ::setrlimit(RLIMIT_NOFILE, &old);
    pumpEvents(300ms);

    EXPECT_TRUE(QFileInfo::exists(m_path)) << "the socket file was removed";
    EXPECT_EQ(handOver(QStringLiteral("after")), (RequestResult{0, QStringLiteral("after")}));
}

TEST_F(RequestServerTest, HoldsAtMostSixtyFourSilentCallersAndDropsThemInTime)
{
    m_server.setRequestTime(1500ms);
    ASSERT_TRUE(m_server.listen(m_path));
    for (int i = 0; i < 100; ++i) {
        ASSERT_GE(connectIdle(), 0);
        QCoreApplication::processEvents();
    }
    pumpEvents(300ms);
    EXPECT_EQ(droppedClients(), 100 - RequestServer::MaximumConnections)
        << "the oldest silent callers make room";
    EXPECT_EQ(handOver(QStringLiteral("busy")), (RequestResult{0, QStringLiteral("busy")}));
    pumpEvents(1500ms);
    EXPECT_EQ(droppedClients(), 100) << "a caller that says nothing is dropped in time";
    EXPECT_EQ(m_served, 1);
}

TEST_F(RequestServerTest, ALaterStartTellsABusyCopyFromOneThatDoesNotListen)
{
    bool listening = true;
    EXPECT_FALSE(HandToRunningInstance(m_path, HandedRequest{}, 200ms, &listening));
    EXPECT_FALSE(listening) << "no socket: nothing listens";

    // A copy that listens but is too busy to answer in time.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(m_path);
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(fd, 4), 0);
    EXPECT_FALSE(HandToRunningInstance(m_path, HandedRequest{}, 300ms, &listening));
    EXPECT_TRUE(listening);
    ::close(fd);
}
