#include "app/FileFindings.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <set>
#include <sys/stat.h>

namespace velastrin {

namespace {

std::string Counted(std::size_t Count, const char* One, const char* Many) {
  return std::to_string(Count) + " " + (Count == 1 ? One : Many);
}

bool IsRegularFile(const std::string& FileName) {
  struct stat Info {};
  return !FileName.empty() && ::stat(FileName.c_str(), &Info) == 0 && S_ISREG(Info.st_mode);
}

QString Bytes(const std::string& Text) {
  return QString::fromStdString(EscapeBytes(Text));
}

} // namespace

std::string FindingsSummary(const TEDFFindings& F) {
  const auto Repaired = static_cast<std::size_t>(std::count_if(
      F.Findings.begin(), F.Findings.end(), [](const TEDFFinding& X) { return X.Lenient; }));
  const std::size_t Wrong = F.Findings.size() - Repaired;
  // The window previews BDF but leaves its export to velastrin export.
  const bool BDF =
      F.Kind == TEDFKind::BDF || F.Kind == TEDFKind::BDFPlusC || F.Kind == TEDFKind::BDFPlusD;
  const std::string BDFNote = BDF ? "; " + std::string(BDFExportRefusal) : std::string();
  switch (F.Verdict) {
  case TEDFVerdict::Valid:
    return BDF ? std::string(BDFExportRefusal) : std::string();
  case TEDFVerdict::Lenient:
    if (Repaired > 0)
      return "Read leniently: " + Counted(Repaired, "header field", "header fields") + " repaired" +
             BDFNote;
    return "Read leniently: " +
           (F.Checks.empty() ? std::string("not strict EDF") : F.Checks.front().Problem) + BDFNote;
  case TEDFVerdict::Unreadable:
    if (!F.Error.empty())
      return "Not readable: " + F.Error;
    // The export's own reason when no field is to blame (a BDF file, a stop time past 9999).
    if (Wrong == 0 && !F.Reason.empty())
      return "Not readable: " + F.Reason;
    if (Wrong > 0)
      return "Not readable: " + Counted(Wrong, "header field", "header fields") + " wrong";
    return "Not readable: " +
           (F.Checks.empty() ? std::string("not an EDF file") : F.Checks.front().Problem);
  }
  return {};
}

// ---- TFindingsDialog -----------------------------------------------------------------------

const QStringList TFindingsDialog::Columns = {"Field",    "Signal",  "Offset",
                                              "Raw text", "Problem", "Lenient reading"};

TFindingsDialog::TFindingsDialog(const TEDFFindings& Findings, QWidget* Parent) : QDialog(Parent) {
  setWindowTitle(QStringLiteral("Findings: ") +
                 QFile::decodeName(QByteArray::fromStdString(Findings.File)));
  FTable = new QTableWidget(0, static_cast<int>(Columns.size()), this);
  FTable->setHorizontalHeaderLabels(Columns);
  FTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  FTable->setSelectionBehavior(QAbstractItemView::SelectRows);
  FTable->verticalHeader()->hide();
  auto AddRow = [this](const QStringList& Cells) {
    const int Row = FTable->rowCount();
    FTable->insertRow(Row);
    for (int Column = 0; Column < Cells.size(); ++Column)
      FTable->setItem(Row, Column, new QTableWidgetItem(Cells[Column]));
  };
  for (const TEDFFinding& F : Findings.Findings)
    AddRow({QString::fromStdString(F.Field), F.Signal > 0 ? QString::number(F.Signal) : QString(),
            QString::number(F.Offset), Bytes(F.Raw), QString::fromStdString(F.Problem),
            F.Lenient ? Bytes(F.Value) : QStringLiteral("refused")});
  for (const TEDFFileCheck& C : Findings.Checks)
    AddRow({QString::fromStdString(C.Check), QString(), QString(), QString(),
            QString::fromStdString(C.Problem), QString()});
  if (Findings.Plus)
    for (const TEDFPlusConformance& C : Findings.Plus->Conformance)
      AddRow({QString::fromStdString(C.Field), C.Signal > 0 ? QString::number(C.Signal) : QString(),
              QString(), QString(), QStringLiteral("EDF+: ") + QString::fromStdString(C.Problem),
              C.Mendable ? QStringLiteral("repair mends it") : QString()});
  for (const std::string& Text : {Findings.Error, Findings.Reason})
    if (!Text.empty())
      AddRow({QStringLiteral("file"), QString(), QString(), QString(), QString::fromStdString(Text),
              QString()});
  FTable->resizeColumnsToContents();
  FTable->horizontalHeader()->setStretchLastSection(true);

  auto* Buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  QPushButton* CopyButton =
      Buttons->addButton(QStringLiteral("Copy"), QDialogButtonBox::ActionRole);
  connect(CopyButton, &QPushButton::clicked, this, &TFindingsDialog::Copy);
  connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* Layout = new QVBoxLayout(this);
  Layout->addWidget(FTable);
  Layout->addWidget(Buttons);
  resize(760, 320);
}

QString TFindingsDialog::SelectionText() const {
  std::set<int> Rows;
  for (const QModelIndex& Index : FTable->selectionModel()->selectedRows())
    Rows.insert(Index.row());
  if (Rows.empty())
    for (int Row = 0; Row < FTable->rowCount(); ++Row)
      Rows.insert(Row);
  QString Text = Columns.join(QLatin1Char('\t')) + QLatin1Char('\n');
  for (const int Row : Rows) {
    QStringList Cells;
    for (int Column = 0; Column < FTable->columnCount(); ++Column)
      Cells << (FTable->item(Row, Column) ? FTable->item(Row, Column)->text() : QString());
    Text += Cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
  }
  return Text;
}

void TFindingsDialog::Copy() {
  QApplication::clipboard()->setText(SelectionText());
}

void TFindingsDialog::keyPressEvent(QKeyEvent* Event) {
  if (Event->matches(QKeySequence::Copy)) {
    Copy();
    return;
  }
  QDialog::keyPressEvent(Event);
}

// ---- TFindingsLine -------------------------------------------------------------------------

TFindingsLine::TFindingsLine(QWidget* Parent) : QWidget(Parent) {
  FLabel = new QLabel(this);
  FDetails = new QPushButton(QStringLiteral("Details..."), this);
  FDetails->setAutoDefault(false);
  auto* Layout = new QHBoxLayout(this);
  Layout->setContentsMargins(8, 4, 8, 4);
  Layout->addWidget(FLabel, 1);
  Layout->addWidget(FDetails);
  connect(FDetails, &QPushButton::clicked, this, &TFindingsLine::DetailsClick);
  hide();
}

TFindingsLine::~TFindingsLine() = default;

void TFindingsLine::Examine(const std::string& FileName) {
  Clear();
  if (!IsRegularFile(FileName))
    return;
  auto Findings = std::make_unique<TEDFFindings>(CollectFindings(FileName));
  const std::string Summary = FindingsSummary(*Findings);
  if (Summary.empty())
    return;
  FLabel->setText(QString::fromStdString(Summary));
  FFindings = std::move(Findings);
  show();
}

void TFindingsLine::Clear() {
  FFindings.reset();
  FLabel->clear();
  hide();
}

std::unique_ptr<TFindingsDialog> TFindingsLine::CreateDetails() {
  if (!FFindings)
    return nullptr;
  return std::make_unique<TFindingsDialog>(*FFindings, window());
}

void TFindingsLine::DetailsClick() {
  if (auto Dialog = CreateDetails())
    Dialog->exec();
}

} // namespace velastrin
