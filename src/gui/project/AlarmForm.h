#pragma once
// The one dialog in which alarms are added and changed.
#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "project/AlarmEntry.h"

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

class TAlarmForm : public QDialog {
 public:
  TAlarmForm();

  // Shows Alarm, with Names offered for the variable field, and runs the
  // dialog: the alarm as the user left it, or none when cancelled. A value
  // that is no number gets the error notice (on NoticeParent) and the dialog
  // again, with what was typed.
  std::optional<TAlarmEntry> Edit(const TAlarmEntry& Alarm, const std::vector<std::string>& Names,
                                  QWidget* NoticeParent);

 private:
  QGroupBox* SettingsGroup;
  QComboBox* VariableCombo;
  QComboBox* ConditionCombo;
  QLineEdit* ValueEdit;
  QLineEdit* WarningEdit;  // the warning level; empty: none
  QPushButton* OkButton;
  QPushButton* CancelButton;
};
