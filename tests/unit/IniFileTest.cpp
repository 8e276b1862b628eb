#include "app/IniFile.h"

#include <gtest/gtest.h>

using vistrel::IniFile;

TEST(IniFile, placeholder) { EXPECT_EQ(IniFile::parseInteger(QStringLiteral("0x1F4"), 0), 500); }
