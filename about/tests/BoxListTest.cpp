#include "about/BoxList.h"

#include <QFontMetrics>
#include <QImage>

#include <gtest/gtest.h>

using namespace velastrin;

namespace {

int CountPixels(const QImage& Image, const QRect& Area, QRgb Color) {
  int Count = 0;
  for (int Y = Area.top(); Y <= Area.bottom(); ++Y)
    for (int X = Area.left(); X <= Area.right(); ++X)
      if (Image.pixel(X, Y) == Color)
        ++Count;
  return Count;
}

} // namespace

TEST(BoxList, ItemsStandOneUnderTheOtherWithSpacingInsideTheMargin) {
  TBoxList List;
  List.resize(300, 200);
  List.SetItems({"first", "second", "third"});
  List.SetSpacing(5);
  List.SetMargin(7);
  const auto Rects = List.ItemRects();
  ASSERT_EQ(Rects.size(), 3u);
  EXPECT_EQ(Rects[0].topLeft(), QPoint(7, 7));
  EXPECT_EQ(Rects[0].width(), 300 - 2 * 7);
  for (std::size_t I = 1; I < Rects.size(); ++I)
    EXPECT_EQ(Rects[I].top(), Rects[I - 1].bottom() + 1 + 5) << I;
}

TEST(BoxList, LongItemWrapsToTheWidthOnlyWhenWordWrapIsOn) {
  TBoxList List;
  List.resize(120, 300);
  List.SetItems({"Program to export an EDF signal to an ASCII text file with user selectable "
                 "separators.",
                 "short"});
  const int Line = QFontMetrics(List.font()).height();
  const auto Wrapped = List.ItemRects();
  EXPECT_GE(Wrapped[0].height(), 3 * Line);
  EXPECT_EQ(Wrapped[1].height(), Line);
  List.SetWordWrap(false);
  EXPECT_EQ(List.ItemRects()[0].height(), Line);
}

TEST(BoxList, NumberedItemsCarryTheirNumber) {
  TBoxList List;
  List.SetItems({"alpha", "beta"});
  EXPECT_EQ(List.ItemText(1), "beta");
  List.SetNumbered(true);
  EXPECT_EQ(List.ItemText(0), "1. alpha");
  EXPECT_EQ(List.ItemText(1), "2. beta");
}

TEST(BoxList, OnlyTheCurrentItemIsDrawnInTheSelectionColour) {
  TBoxList List;
  List.resize(200, 100);
  List.SetItems({"WWWW", "WWWW", "WWWW"});
  const QColor Red(255, 0, 0);
  List.SetSelection(Red);
  List.SetBackground(Qt::white);
  const auto Rects = List.ItemRects();

  QImage None(List.size(), QImage::Format_RGB32);
  List.render(&None);
  EXPECT_EQ(CountPixels(None, List.rect(), Red.rgb()), 0);
  EXPECT_GT(CountPixels(None, Rects[1], QColor(Qt::white).rgb()), 0);

  List.SetCurentItem(2);
  QImage Second(List.size(), QImage::Format_RGB32);
  List.render(&Second);
  EXPECT_GT(CountPixels(Second, Rects[1], Red.rgb()), 0);
  EXPECT_EQ(CountPixels(Second, Rects[0], Red.rgb()), 0);
  EXPECT_EQ(CountPixels(Second, Rects[2], Red.rgb()), 0);
}

TEST(BoxList, BackgroundColourFillsTheControl) {
  TBoxList List;
  List.resize(50, 30);
  List.SetBackground(QColor(10, 20, 30));
  QImage Image(List.size(), QImage::Format_RGB32);
  List.render(&Image);
  EXPECT_EQ(CountPixels(Image, List.rect(), QColor(10, 20, 30).rgb()), 50 * 30);
}
