#pragma once
// The one dialog in which alarms are added and changed.
#include <QDialog>

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

class TAlarmForm : public QDialog {
 public:
  TAlarmForm();
  ~TAlarmForm() override;

  QGroupBox* GroupBox1;
  QComboBox* CBVar;
  QComboBox* ComboBox1;
  QLineEdit* Edit2;
  QLineEdit* WarningEdit;  // the warning level; empty: none
  QPushButton* Button1;    // OK
  QPushButton* Button2;    // Cancel
};

extern TAlarmForm* AlarmForm;
