#include "log/LoadForm.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <algorithm>
#include <limits>

#include "widgets/Look.h"
#include "widgets/ObjectNames.h"

namespace {
int Clamped(std::int64_t Value) {
  return static_cast<int>(std::clamp<std::int64_t>(Value, 0, std::numeric_limits<int>::max()));
}
}  // namespace

TLoadForm::TLoadForm() : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool) {
  setFixedSize(304, 55);
  setAutoFillBackground(true);
  TitleLabel = new QLabel(QStringLiteral("Loading / Evaluating ..."), this);
  TitleLabel->setFont(VerdanaPixelFont(12, true));
  TitleLabel->move(12, 8);
  TitleLabel->adjustSize();
  CounterLabel = new QLabel(this);
  CounterLabel->setAlignment(Qt::AlignRight | Qt::AlignTop);
  CounterLabel->setGeometry(188, 8, 100, 16);
  ProgressBar = new QProgressBar(this);
  ProgressBar->setGeometry(12, 28, 273, 16);
  ProgressBar->setTextVisible(false);
  NameObjects({{TitleLabel, "TitleLabel"}, {CounterLabel, "CounterLabel"}, {ProgressBar, "ProgressBar"}});
  if (const QScreen* Screen = QApplication::primaryScreen())
    move(Screen->availableGeometry().center() - rect().center());
  FormCreate();
  SetLoadProgress(this);
}

TLoadForm::~TLoadForm() {
  if (&LoadProgress() == this) SetLoadProgress(nullptr);
}

void TLoadForm::FormCreate() { Busy = false; }

// Always on top already, so showing is enough.
void TLoadForm::ShowProgress() { show(); }

void TLoadForm::HideProgress() { hide(); }

void TLoadForm::SetMaximum(std::int64_t Maximum) {
  Shift = 0;
  while ((Maximum >> Shift) > std::numeric_limits<int>::max()) ++Shift;
  ProgressBar->setMaximum(Clamped(Maximum >> Shift));
}

void TLoadForm::SetPosition(std::int64_t Position) { ProgressBar->setValue(Clamped(Position >> Shift)); }

void TLoadForm::SetCounter(const std::string& Counter) { CounterLabel->setText(QString::fromStdString(Counter)); }
