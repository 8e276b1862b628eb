#pragma once

#include "harness/XSession.h"
#include "platform/x11/X11Platform.h"

#include <QCoreApplication>
#include <QRect>

#include <gtest/gtest.h>

namespace vistrel::test {

// Base of the X11 platform tests: the shared session, a fresh platform per
// test, and helpers that start windows which are stopped again by pid.
class X11TestEnvironment : public ::testing::Test {
public:
    static void setSession(XSession* session) { s_session = session; }

protected:
    struct Started {
        pid_t pid = -1;
        WindowId window = 0; // the client window
    };

    ~X11TestEnvironment() override;

    XSession& session() { return *s_session; }
    X11Platform& platform() { return m_platform; }

    // A pattern window with its client area at (x, y); fails the test when it does not show.
    Started startPattern(QRect client, const QString& title);
    Started startXterm(QPoint position, const QString& title);
    // Polls while letting Qt run, so that our own windows get mapped and painted.
    template <class Condition>
    static bool waitWithEvents(Condition&& condition)
    {
        return waitFor([&] {
            QCoreApplication::processEvents();
            return condition();
        });
    }
    static bool patternMatches(const QImage& image, QPoint offset = {});

private:
    Started startAndWait(const QStringList& argv, const QString& title);

    static XSession* s_session;
    X11Platform m_platform;
    std::vector<pid_t> m_started;
};

} // namespace vistrel::test
