#include "about/BoxList.h"

#include <QFontMetrics>
#include <QPainter>

namespace velastrin {

TBoxList::TBoxList(QWidget* Parent) : QWidget(Parent) {}

void TBoxList::SetItems(std::vector<std::string> Value) {
  FItems = std::move(Value);
  update();
}

void TBoxList::SetWordWrap(bool Value) {
  FWordWrap = Value;
  update();
}

void TBoxList::SetNumbered(bool Value) {
  FNumbered = Value;
  update();
}

void TBoxList::SetCurentItem(int Value) {
  FCurentItem = Value;
  update();
}

void TBoxList::SetSpacing(int Value) {
  FSpacing = Value;
  update();
}

void TBoxList::SetMargin(int Value) {
  FMargin = Value;
  update();
}

void TBoxList::SetBackground(const QColor& Value) {
  FBackground = Value;
  update();
}

void TBoxList::SetSelection(const QColor& Value) {
  FSelection = Value;
  update();
}

void TBoxList::SetPicture(const QPixmap& Value) {
  FPicture = Value;
  update();
}

std::string TBoxList::ItemText(std::size_t Index) const {
  const std::string& Text = FItems.at(Index);
  return FNumbered ? std::to_string(Index + 1) + ". " + Text : Text;
}

int TBoxList::TextFlags() const {
  return Qt::AlignLeft | Qt::AlignTop | (FWordWrap ? Qt::TextWordWrap : Qt::TextSingleLine);
}

std::vector<QRect> TBoxList::ItemRects() const {
  const QFontMetrics Metrics(font());
  const int Width = std::max(0, width() - 2 * FMargin);
  std::vector<QRect> Rects;
  int Top = FMargin;
  for (std::size_t I = 0; I < FItems.size(); ++I) {
    const QString Text = QString::fromStdString(ItemText(I));
    // A large height lets the metrics report how many lines the wrapped text needs.
    const QRect Needed = Metrics.boundingRect(QRect(0, 0, Width, 1 << 20), TextFlags(), Text);
    const int Height = std::max(Needed.height(), Metrics.height());
    Rects.emplace_back(FMargin, Top, Width, Height);
    Top += Height + FSpacing;
  }
  return Rects;
}

void TBoxList::paintEvent(QPaintEvent*) {
  QPainter Painter(this);
  Painter.fillRect(rect(), FBackground);
  if (!FPicture.isNull())
    Painter.drawPixmap(rect(), FPicture);
  const std::vector<QRect> Rects = ItemRects();
  for (std::size_t I = 0; I < Rects.size(); ++I) {
    const bool Current = FCurentItem == static_cast<int>(I) + 1;
    if (Current)
      Painter.fillRect(Rects[I], FBackground);
    Painter.setPen(Current ? FSelection : palette().color(QPalette::WindowText));
    Painter.drawText(Rects[I], TextFlags(), QString::fromStdString(ItemText(I)));
  }
}

} // namespace velastrin
