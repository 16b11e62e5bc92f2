#include "app/FileDrop.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace velastrin {

TFileDrop::TFileDrop(QWidget* Window, TReceiver Receiver)
    : QObject(Window), FReceiver(std::move(Receiver)) {
  Window->setAcceptDrops(true);
  Window->installEventFilter(this);
  for (QWidget* Child : Window->findChildren<QWidget*>())
    if (Child->acceptDrops())
      Child->installEventFilter(this);
}

std::string TFileDrop::DroppedFile(const QMimeData* Data) {
  if (!Data || !Data->hasUrls() || Data->urls().size() != 1)
    return {};
  const QUrl Url = Data->urls().front();
  if (!Url.isLocalFile())
    return {};
  // The address keeps every byte of the name percent-encoded; text would lose those that are
  // not UTF-8.
  return QByteArray::fromPercentEncoding(Url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
}

bool TFileDrop::eventFilter(QObject* Watched, QEvent* Event) {
  switch (Event->type()) {
  case QEvent::DragEnter:
  case QEvent::DragMove: {
    auto* Drag = static_cast<QDragMoveEvent*>(Event);
    if (DroppedFile(Drag->mimeData()).empty())
      return false;
    Drag->setDropAction(Qt::CopyAction);
    Drag->accept();
    return true;
  }
  case QEvent::Drop: {
    auto* Drop = static_cast<QDropEvent*>(Event);
    const std::string Name = DroppedFile(Drop->mimeData());
    if (Name.empty())
      return false;
    Drop->setDropAction(Qt::CopyAction);
    Drop->accept();
    FReceiver(Name);
    return true;
  }
  default:
    return QObject::eventFilter(Watched, Event);
  }
}

} // namespace velastrin
