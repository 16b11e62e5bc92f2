// Dropping a file on a window: one local file dropped anywhere on it is handed to a receiver
// as its name, in place of what the widget under the mouse would make of the drop (a line
// edit would insert the name as text at the mouse position).
#pragma once

#include <QObject>

#include <functional>
#include <string>

class QMimeData;
class QWidget;

namespace velastrin {

class TFileDrop : public QObject {
  Q_OBJECT

public:
  // FileName is the name's bytes, as the file system knows them.
  using TReceiver = std::function<void(const std::string& FileName)>;

  // Watches Window and every widget in it that takes drops of its own.
  TFileDrop(QWidget* Window, TReceiver Receiver);

  // The name of the one local file a drop carries, or empty: several files, a web address
  // or plain text name no file.
  static std::string DroppedFile(const QMimeData* Data);

protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
  TReceiver FReceiver;
};

} // namespace velastrin
