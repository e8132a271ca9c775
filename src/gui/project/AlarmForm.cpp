#include "project/AlarmForm.h"

#include <QComboBox>
#include <QCompleter>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "common/Convert.h"
#include "common/FloatText.h"
#include "widgets/Dialogs.h"
#include "widgets/Look.h"
#include "widgets/ObjectNames.h"
#include "widgets/TextBridge.h"

TAlarmForm::TAlarmForm() {
  setWindowTitle(QStringLiteral("Add / Modify Alarm"));
  setFixedSize(329, 191);
  setModal(true);
  SettingsGroup = new QGroupBox(QStringLiteral("Alarm settings"), this);
  SettingsGroup->setFont(VerdanaFont(8));
  SettingsGroup->setGeometry(8, 4, 313, 144);
  const auto AddRow = [this](const char* Caption, QWidget* Field, int Top) {
    auto* Label = new QLabel(QString::fromLatin1(Caption), SettingsGroup);
    Label->setGeometry(12, Top + 3, 100, 18);
    Field->setParent(SettingsGroup);
    Field->setGeometry(116, Top, 185, 24);
  };
  VariableCombo = new QComboBox;
  VariableCombo->setEditable(true);
  VariableCombo->setInsertPolicy(QComboBox::NoInsert);
  // The list of names opens as soon as the user types and closes on a pick.
  auto* Completer = new QCompleter(VariableCombo->model(), VariableCombo);
  Completer->setCompletionMode(QCompleter::PopupCompletion);
  Completer->setCaseSensitivity(Qt::CaseInsensitive);
  Completer->setFilterMode(Qt::MatchContains);
  VariableCombo->setCompleter(Completer);
  AddRow("Variable Name:", VariableCombo, 22);
  ConditionCombo = new QComboBox;
  ConditionCombo->addItems({QStringLiteral(" >"), QStringLiteral(" ="), QStringLiteral(" <")});
  AddRow("Condition:", ConditionCombo, 52);
  ValueEdit = new QLineEdit;
  AddRow("Value:", ValueEdit, 82);
  WarningEdit = new QLineEdit;
  WarningEdit->setPlaceholderText(QStringLiteral("none"));
  WarningEdit->setToolTip(QStringLiteral("A second threshold before the alarm: values past it are warnings"));
  AddRow("Warning level:", WarningEdit, 112);
  OkButton = new QPushButton(QStringLiteral("OK"), this);
  OkButton->setGeometry(72, 156, 80, 26);
  OkButton->setDefault(true);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  CancelButton->setGeometry(177, 156, 80, 26);
  connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  NameObjects({{SettingsGroup, "SettingsGroup"},
               {VariableCombo, "VariableCombo"},
               {ConditionCombo, "ConditionCombo"},
               {ValueEdit, "ValueEdit"},
               {WarningEdit, "WarningEdit"},
               {OkButton, "OkButton"},
               {CancelButton, "CancelButton"}});
}

std::optional<TAlarmEntry> TAlarmForm::Edit(const TAlarmEntry& Alarm, const std::vector<std::string>& Names,
                                            QWidget* NoticeParent) {
  VariableCombo->clear();
  for (const std::string& Name : Names) VariableCombo->addItem(FromBytes(Name));
  VariableCombo->setEditText(FromBytes(Alarm.VarName));
  ConditionCombo->setCurrentIndex(ConditionCombo->findText(QStringLiteral(" ") + QChar(Alarm.Operator)));
  ValueEdit->setText(FromBytes(GeneralFloatText(Alarm.Value)));
  WarningEdit->setText(Alarm.Warning ? FromBytes(GeneralFloatText(*Alarm.Warning)) : QString());
  TAlarmEntry Changed = Alarm;
  for (bool Read = false; !Read;) {
    if (Dialogs().Execute(*this) != QDialog::Accepted) return std::nullopt;
    try {
      Changed.Value = StrToFloat(ToBytes(ValueEdit->text()));
      const QString WarningText = WarningEdit->text().trimmed();
      Changed.Warning = WarningText.isEmpty() ? std::nullopt : std::optional(StrToFloat(ToBytes(WarningText)));
      Read = true;
    } catch (const EConvertError& Error) {
      ShowErrorNotice(NoticeParent, FromBytes(Error.what()));
    }
  }
  Changed.VarName = ToBytes(VariableCombo->currentText());
  // Without a selected condition the operator stays as it was.
  const QString Condition = ConditionCombo->currentText();
  if (Condition.size() >= 2) Changed.Operator = Condition[1].toLatin1();
  return Changed;
}
