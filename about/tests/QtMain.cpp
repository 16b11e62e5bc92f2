// Widgets need an application object; the tests run on Qt's offscreen platform.
#include "ElfFixture.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
  // Local time is UTC, so file dates have one expected text.
  setenv("TZ", "UTC", 1);
  if (!std::getenv("QT_QPA_PLATFORM"))
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication App(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  const int Result = RUN_ALL_TESTS();
  velastrin::test::RemoveTempFiles();
  return Result;
}
