// Dropping a file on a window: one local file dropped anywhere on it is handed to a receiver
// as its name, in place of what the widget under the mouse would make of the drop (a line
// edit would insert the name as text at the mouse position).
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QMimeData;
class QWidget;

namespace velastrin {

class TFileDrop : public QObject {
  Q_OBJECT

public:
  using TReceiver = std::function<void(const QString& FileName)>;

  // Watches Window and every widget in it that takes drops of its own.
  TFileDrop(QWidget* Window, TReceiver Receiver);

  // The one local file a drop carries, or empty: several files, a web address or
  // plain text name no file.
  static QString DroppedFile(const QMimeData* Data);

protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
  TReceiver FReceiver;
};

} // namespace velastrin
