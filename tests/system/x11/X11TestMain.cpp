// Starts one private X session and a QGuiApplication on it for all tests.
#include "X11TestEnvironment.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    std::unique_ptr<vistrel::test::XSession> session;
    try {
        session = std::make_unique<vistrel::test::XSession>();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "cannot start the X session: %s\n", error.what());
        return 1;
    }
    qputenv("DISPLAY", session->displayName().toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QGuiApplication app(qtArgc, qtArgv);
    vistrel::test::X11TestEnvironment::setSession(session.get());
    return RUN_ALL_TESTS();
}
