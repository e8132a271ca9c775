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

  QLabel* ImageLabel;
  QLabel* VersionLabel;  // the version label
  QTimer* FadeTimer;
  int AlphaBlendValue = 255;
  std::int32_t HoldTicks = 0;
  // A project file to open once the main window is up (empty: none).
  QString StartProject;

  void OnFadeTick();

 protected:
  void closeEvent(QCloseEvent* Event) override;

 private:
  void FormCreate();
  void SetOpacity(int Value);
};

extern TWelcomeForm* WelcomeForm;

extern const char* const VersionText;
