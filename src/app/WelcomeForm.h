#pragma once
// The splash window, and the program's lifetime window: closing it ends the program.
#include <QString>
#include <QWidget>
#include <cstdint>

class QLabel;
class QTimer;

class TWelcomeForm : public QWidget {
 public:
  TWelcomeForm();

  int AlphaBlendValue = 255;
  std::int32_t HoldTicks = 0;
  // A project file to open once the main window is up (empty: none).
  QString StartProject;

  // One step of the fade-in, the hold and the fade-out; tests run it without the timer.
  void OnFadeTick();

 protected:
  void closeEvent(QCloseEvent* Event) override;

 private:
  QLabel* ImageLabel;
  QLabel* VersionLabel;
  QTimer* FadeTimer;
  void FormCreate();
  void SetOpacity(int Value);
};

extern TWelcomeForm* WelcomeForm;

extern const char* const VersionText;
