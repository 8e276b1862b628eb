#include "platform/MessageBox.h"

#include <QApplication>

#include <gtest/gtest.h>

// Widget tests run on Qt's offscreen platform with the fake window system.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    vistrel::MessageBox::showOnScreen();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
