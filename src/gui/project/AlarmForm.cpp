#include "project/AlarmForm.h"

#include <QComboBox>
#include <QCompleter>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "widgets/Look.h"

TAlarmForm* AlarmForm = nullptr;

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
}

TAlarmForm::~TAlarmForm() {
  if (AlarmForm == this) AlarmForm = nullptr;
}
