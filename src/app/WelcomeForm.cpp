#include "app/WelcomeForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QScreen>
#include <QTimer>

#include "widgets/Look.h"
#include "widgets/ObjectNames.h"

const char* const VersionText = "V1.9.3 - 9.4.2007";

TWelcomeForm::TWelcomeForm(std::function<void()> Finished)
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), Finished(std::move(Finished)) {
  setFixedSize(398, 199);
  ImageLabel = new QLabel(this);
  ImageLabel->setGeometry(0, 0, 400, 200);
  ImageLabel->setPixmap(SplashPicture());
  VersionLabel = new QLabel(QString::fromLatin1(VersionText), this);
  VersionLabel->setStyleSheet(QStringLiteral("color: grey; background: white;"));
  VersionLabel->setFont(VerdanaFont(8));
  VersionLabel->move(8, 184);
  VersionLabel->adjustSize();
  if (const QScreen* Screen = QApplication::primaryScreen())
    move(Screen->availableGeometry().center() - rect().center());
  FadeTimer = new QTimer(this);
  FadeTimer->setInterval(30);
  connect(FadeTimer, &QTimer::timeout, this, [this] { OnFadeTick(); });
  NameObjects({{ImageLabel, "ImageLabel"}, {VersionLabel, "VersionLabel"}, {FadeTimer, "FadeTimer"}});
  FormCreate();
  FadeTimer->start();
}

void TWelcomeForm::FormCreate() {
  SetOpacity(0);
  HoldTicks = 50;
}

void TWelcomeForm::SetOpacity(int Value) {
  AlphaBlendValue = Value;
  setWindowOpacity(Value / 255.0);
}

void TWelcomeForm::OnFadeTick() {
  if (AlphaBlendValue <= 235) {
    SetOpacity(AlphaBlendValue + 10);
    return;
  }
  SetOpacity(255);
  if (HoldTicks > 0) {
    --HoldTicks;
    return;
  }
  FadeTimer->stop();
  hide();
  Finished();
}

// Ends the message loop directly: quitting would first offer every window its
// close, and open projects end without their save question.
void TWelcomeForm::closeEvent(QCloseEvent* Event) {
  Event->accept();
  QApplication::exit(0);
}
