// TBoxList: a list that draws its items one under the other, optionally word-wrapped and
// numbered, with one item highlighted, over a colour or a picture.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QRect>
#include <QWidget>

#include <string>
#include <vector>

namespace velastrin {

class TBoxList : public QWidget {
  Q_OBJECT

public:
  explicit TBoxList(QWidget* Parent = nullptr);

  const std::vector<std::string>& Items() const { return FItems; }
  void SetItems(std::vector<std::string> Value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  // Draw "N. " before each item.
  bool Numbered() const { return FNumbered; }
  void SetNumbered(bool Value);
  // 1-based number of the highlighted item; 0: none.
  int CurentItem() const { return FCurentItem; }
  void SetCurentItem(int Value);
  int Spacing() const { return FSpacing; }
  void SetSpacing(int Value);
  int Margin() const { return FMargin; }
  void SetMargin(int Value);
  QColor Background() const { return FBackground; }
  void SetBackground(const QColor& Value);
  QColor Selection() const { return FSelection; }
  void SetSelection(const QColor& Value);
  const QPixmap& Picture() const { return FPicture; }
  void SetPicture(const QPixmap& Value);

  // The text drawn for item Index (0-based), with its number when numbered.
  std::string ItemText(std::size_t Index) const;
  // Where each item is drawn, in widget coordinates.
  std::vector<QRect> ItemRects() const;

protected:
  void paintEvent(QPaintEvent* Event) override;

private:
  int TextFlags() const;

  std::vector<std::string> FItems;
  bool FWordWrap = true;
  bool FNumbered = false;
  int FCurentItem = 0;
  int FSpacing = 0;
  int FMargin = 0;
  QColor FBackground = Qt::white;
  QColor FSelection = Qt::blue;
  QPixmap FPicture;
};

} // namespace velastrin
