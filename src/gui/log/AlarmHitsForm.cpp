#include "log/AlarmHitsForm.h"

#include <QAbstractTableModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <chrono>

#include "common/DateTime.h"
#include "common/FloatText.h"
#include "widgets/Look.h"
#include "widgets/ObjectNames.h"
#include "widgets/SystemLocale.h"
#include "widgets/TextBridge.h"

// The hits as table rows: time, BaseFrame, alarm, value; alarms red, warnings
// yellow, acknowledged ones grey.
class THitTable : public QAbstractTableModel {
 public:
  explicit THitTable(const TAlarmHitList& Hits) : Hits(Hits) {}

  int rowCount(const QModelIndex& Parent = {}) const override {
    return Parent.isValid() ? 0 : static_cast<int>(Hits.Hits().size());
  }
  int columnCount(const QModelIndex& Parent = {}) const override { return Parent.isValid() ? 0 : 4; }
  QVariant headerData(int Section, Qt::Orientation Orientation, int Role) const override {
    static const char* const Titles[] = {"Time", "BaseFrame", "Alarm", "Value"};
    if (Orientation != Qt::Horizontal || Role != Qt::DisplayRole || Section < 0 || Section > 3) return {};
    return QString::fromLatin1(Titles[Section]);
  }
  QVariant data(const QModelIndex& Index, int Role) const override {
    if (!Index.isValid() || Index.row() >= rowCount()) return {};
    const TAlarmHit& Hit = Hits.Hits()[static_cast<std::size_t>(Index.row())];
    if (Role == Qt::ForegroundRole)
      return Hit.Acknowledged ? QColor(Qt::gray) : Hit.Warning ? QColor(0x80, 0x68, 0) : QColor(0xC0, 0, 0);
    if (Role == Qt::BackgroundRole && !Hit.Acknowledged)
      return Hit.Warning ? QColor(0xFF, 0xF0, 0x80) : QColor(0xFF, 0xE0, 0xE0);
    if (Role != Qt::DisplayRole) return {};
    switch (Index.column()) {
      case 0: return FromBytes(DateTimeText(Hit.Time));
      case 1: return FromBytes(Hit.Frame);
      case 2: return FromBytes(Hit.Alarm);
      default: return FromBytes(GeneralFloatText(Hit.Value));
    }
  }
  void Appending() { beginInsertRows({}, rowCount(), rowCount()); }
  void Appended() { endInsertRows(); }
  void Changed() { emit dataChanged(index(0, 0), index(rowCount() - 1, 3), {Qt::ForegroundRole, Qt::BackgroundRole}); }

 private:
  const TAlarmHitList& Hits;
};

namespace {

QToolButton* TextButton(const QString& Caption, QWidget* Parent) {
  auto* Button = new QToolButton(Parent);
  Button->setText(Caption);
  return Button;
}

}  // namespace

TAlarmHitsForm::TAlarmHitsForm() : QWidget(nullptr, Qt::Tool), Table(new THitTable(Hits)) {
  setWindowTitle(QStringLiteral("Alarm Window"));
  setGeometry(894, 569, 520, 171);
  setFont(VerdanaFont(8));
  Table->setParent(this);
  HitView = new QTableView(this);
  HitView->setModel(Table);
  HitView->setSelectionBehavior(QAbstractItemView::SelectRows);
  HitView->setEditTriggers(QAbstractItemView::NoEditTriggers);
  HitView->verticalHeader()->hide();
  HitView->verticalHeader()->setDefaultSectionSize(18);
  HitView->horizontalHeader()->setStretchLastSection(true);
  HitView->resizeColumnsToContents();  // the titles
  CountLabel = new QLabel(this);
  AcknowledgeButton = TextButton(QStringLiteral("Acknowledge"), this);
  AcknowledgeAllButton = TextButton(QStringLiteral("Acknowledge all"), this);
  connect(AcknowledgeButton, &QToolButton::clicked, this, [this] { OnAcknowledge(); });
  connect(AcknowledgeAllButton, &QToolButton::clicked, this, [this] { OnAcknowledgeAll(); });
  connect(HitView, &QTableView::doubleClicked, this,
          [this](const QModelIndex& Index) { OnHitDoubleClick(Index.row()); });

  auto* Buttons = new QHBoxLayout;
  Buttons->addWidget(CountLabel, 1);
  Buttons->addWidget(AcknowledgeButton);
  Buttons->addWidget(AcknowledgeAllButton);
  auto* Layout = new QVBoxLayout(this);
  Layout->setContentsMargins(2, 2, 2, 2);
  Layout->addWidget(HitView, 1);
  Layout->addLayout(Buttons);
  NameObjects({{HitView, "HitView"},
               {CountLabel, "CountLabel"},
               {AcknowledgeButton, "AcknowledgeButton"},
               {AcknowledgeAllButton, "AcknowledgeAllButton"}});
  PreviousSink = SetAlarmHitSink([this](const TAlarmHit& Hit) { AddHit(Hit); });
}

TAlarmHitsForm::~TAlarmHitsForm() { SetAlarmHitSink(std::move(PreviousSink)); }

void TAlarmHitsForm::AddHit(const TAlarmHit& Hit) {
  TAlarmHit Stamped = Hit;
  Stamped.Time = NowInDays();
  if (FirstUnfitted < 0) {
    // The view follows new hits unless the user scrolled back from the newest.
    const QScrollBar* Bar = HitView->verticalScrollBar();
    Following = Bar->value() == Bar->maximum();
    FirstUnfitted = Table->rowCount();
    // Columns and scrolling once per run of hits: a pass may bring thousands.
    QMetaObject::invokeMethod(
        this, [this] { FitNewRows(); }, Qt::QueuedConnection);
  }
  Table->Appending();
  Hits.Add(Stamped);
  Table->Appended();
  ShowCounts();
}

void TAlarmHitsForm::FitNewRows() {
  // A share at a time, as the log window shows its entries.
  constexpr std::chrono::milliseconds Share(10);
  const auto Until = std::chrono::steady_clock::now() + Share;
  while (FirstUnfitted < Table->rowCount() && std::chrono::steady_clock::now() < Until) FitColumns(FirstUnfitted++);
  if (FirstUnfitted < Table->rowCount()) {
    QMetaObject::invokeMethod(
        this, [this] { FitNewRows(); }, Qt::QueuedConnection);
    return;
  }
  FirstUnfitted = -1;
  if (Following) HitView->scrollToBottom();
}

// Widens the columns that are too narrow for the texts of Row.
void TAlarmHitsForm::FitColumns(int Row) {
  QHeaderView* Header = HitView->horizontalHeader();
  const int Grid = HitView->showGrid() ? 1 : 0;
  for (int Column = 0; Column < Table->columnCount(); ++Column) {
    const int Needed = HitView->sizeHintForIndex(Table->index(Row, Column)).width() + Grid;
    if (Needed > Header->sectionSize(Column)) Header->resizeSection(Column, Needed);
  }
}

void TAlarmHitsForm::OnAcknowledge() {
  for (const QModelIndex& Row : HitView->selectionModel()->selectedRows())
    Hits.Acknowledge(static_cast<std::size_t>(Row.row()));
  Table->Changed();
  ShowCounts();
}

void TAlarmHitsForm::OnAcknowledgeAll() {
  Hits.AcknowledgeAll();
  Table->Changed();
  ShowCounts();
}

void TAlarmHitsForm::OnHitDoubleClick(int Row) {
  if (Row < 0 || static_cast<std::size_t>(Row) >= Hits.Hits().size() || !OnOpenHit) return;
  const TAlarmHit& Hit = Hits.Hits()[static_cast<std::size_t>(Row)];
  OnOpenHit(Hit.Project, Hit.SerialNo);
}

void TAlarmHitsForm::ShowCounts() { CountLabel->setText(FromBytes(Hits.CountText())); }
