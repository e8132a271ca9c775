#pragma once
// The splash window, and the program's lifetime window: closing it ends the program.
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>

class QLabel;
class QTimer;

class TWelcomeForm : public QWidget {
 public:
  // Finished runs once the splash has faded in, held and gone.
  explicit TWelcomeForm(std::function<void()> Finished);

  // One step of the fade-in, the hold and the fade-out; tests run it without the timer.
  void OnFadeTick();

 protected:
  void closeEvent(QCloseEvent* Event) override;

 private:
  QLabel* ImageLabel;
  QLabel* VersionLabel;
  QTimer* FadeTimer;
  int AlphaBlendValue = 255;
  std::int32_t HoldTicks = 0;
  void FormCreate();
  void SetOpacity(int Value);
  std::function<void()> Finished;
};

extern const char* const VersionText;
