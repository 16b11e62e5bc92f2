#include "app/AnnotationList.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <set>

namespace velastrin {

// ---- TAnnotationTableModel -----------------------------------------------------------------

void TAnnotationTableModel::SetRows(std::vector<TAnnotationRow> Rows) {
  beginResetModel();
  FRows = std::move(Rows);
  endResetModel();
}

int TAnnotationTableModel::rowCount(const QModelIndex& Parent) const {
  return Parent.isValid() ? 0 : static_cast<int>(FRows.size());
}

int TAnnotationTableModel::columnCount(const QModelIndex& Parent) const {
  return Parent.isValid() ? 0 : static_cast<int>(AnnotationColumns.size());
}

QVariant TAnnotationTableModel::data(const QModelIndex& Index, int Role) const {
  if (Role != Qt::DisplayRole || !Index.isValid() ||
      static_cast<std::size_t>(Index.row()) >= FRows.size())
    return {};
  const TAnnotationRow& Row = FRows[static_cast<std::size_t>(Index.row())];
  switch (Index.column()) {
  case 0:
    return QString::fromStdString(Row.Onset);
  case 1:
    return QString::fromStdString(Row.Duration);
  case 2:
    return QString::fromStdString(Row.Text);
  default:
    return {};
  }
}

QVariant TAnnotationTableModel::headerData(int Section, Qt::Orientation Orientation,
                                           int Role) const {
  if (Role != Qt::DisplayRole || Orientation != Qt::Horizontal || Section < 0 ||
      static_cast<std::size_t>(Section) >= AnnotationColumns.size())
    return QAbstractTableModel::headerData(Section, Orientation, Role);
  const std::string_view Name = AnnotationColumns[static_cast<std::size_t>(Section)];
  return QString::fromUtf8(Name.data(), static_cast<qsizetype>(Name.size()));
}

// ---- TAnnotationList -----------------------------------------------------------------------

TAnnotationList::TAnnotationList(QWidget* Parent) : QWidget(Parent) {
  setAutoFillBackground(true);
  FSummary = new QLabel(this);
  FDamage = new QLabel(this);
  FDamage->setWordWrap(true);
  FDamage->setStyleSheet(QStringLiteral("color: #b00000"));
  FDamage->hide();
  FCopy = new QPushButton(QStringLiteral("Copy"), this);
  FCopy->setAutoDefault(false);
  connect(FCopy, &QPushButton::clicked, this, &TAnnotationList::Copy);

  FModel = new TAnnotationTableModel(this);
  FTable = new QTableView(this);
  FTable->setModel(FModel);
  FTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  FTable->setSelectionBehavior(QAbstractItemView::SelectRows);
  FTable->setWordWrap(false);
  FTable->verticalHeader()->hide();
  // Widths from the texts' pattern, not from measuring every row: ten thousand rows show at once.
  const QFontMetrics Metrics = FTable->fontMetrics();
  FTable->setColumnWidth(0,
                         Metrics.horizontalAdvance(QStringLiteral("0000-00-00 00:00:00.000")) + 12);
  FTable->setColumnWidth(1, Metrics.horizontalAdvance(QStringLiteral("Duration (s)")) + 16);
  FTable->horizontalHeader()->setStretchLastSection(true);
  FTable->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  FTable->verticalHeader()->setDefaultSectionSize(Metrics.height() + 6);
  FTable->installEventFilter(this);

  auto* Top = new QHBoxLayout;
  Top->addWidget(FSummary, 1);
  Top->addWidget(FCopy);
  auto* Layout = new QVBoxLayout(this);
  Layout->setContentsMargins(8, 4, 8, 4);
  Layout->addLayout(Top);
  Layout->addWidget(FDamage);
  Layout->addWidget(FTable, 1);
}

void TAnnotationList::Show(const TRecordingAnnotations& Annotations) {
  FSummary->setText(QString::fromStdString(Annotations.Summary));
  FDamage->setText(QString::fromStdString(Annotations.Damage));
  FDamage->setVisible(!Annotations.Damage.empty());
  FModel->SetRows(Annotations.Rows);
}

void TAnnotationList::ShowMessage(const QString& Message) {
  FSummary->setText(Message);
  FDamage->clear();
  FDamage->hide();
  FModel->SetRows({});
}

QString TAnnotationList::SelectionText() const {
  std::set<std::size_t> Rows;
  for (const QModelIndex& Index : FTable->selectionModel()->selectedRows())
    Rows.insert(static_cast<std::size_t>(Index.row()));
  return QString::fromStdString(
      AnnotationRowsText(FModel->Rows(), std::vector<std::size_t>(Rows.begin(), Rows.end())));
}

void TAnnotationList::Copy() {
  QApplication::clipboard()->setText(SelectionText());
}

void TAnnotationList::keyPressEvent(QKeyEvent* Event) {
  if (Event->matches(QKeySequence::Copy)) {
    Copy();
    return;
  }
  QWidget::keyPressEvent(Event);
}

bool TAnnotationList::eventFilter(QObject* Watched, QEvent* Event) {
  // The view would copy its current cell alone.
  if (Watched == FTable && Event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(Event)->matches(QKeySequence::Copy)) {
    Copy();
    return true;
  }
  return QWidget::eventFilter(Watched, Event);
}

} // namespace velastrin
