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

  QGroupBox* SettingsGroup;
  QComboBox* VariableCombo;
  QComboBox* ConditionCombo;
  QLineEdit* ValueEdit;
  QLineEdit* WarningEdit;     // the warning level; empty: none
  QPushButton* OkButton;      // OK
  QPushButton* CancelButton;  // Cancel
};

extern TAlarmForm* AlarmForm;
