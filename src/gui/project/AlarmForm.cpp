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
  GroupBox1 = new QGroupBox(QStringLiteral("Alarm settings"), this);
  GroupBox1->setFont(VerdanaFont(8));
  GroupBox1->setGeometry(8, 4, 313, 144);
  const auto AddRow = [this](const char* Caption, QWidget* Field, int Top) {
    auto* Label = new QLabel(QString::fromLatin1(Caption), GroupBox1);
    Label->setGeometry(12, Top + 3, 100, 18);
    Field->setParent(GroupBox1);
    Field->setGeometry(116, Top, 185, 24);
  };
  CBVar = new QComboBox;
  CBVar->setEditable(true);
  CBVar->setInsertPolicy(QComboBox::NoInsert);
  // The list of names opens as soon as the user types and closes on a pick.
  auto* Completer = new QCompleter(CBVar->model(), CBVar);
  Completer->setCompletionMode(QCompleter::PopupCompletion);
  Completer->setCaseSensitivity(Qt::CaseInsensitive);
  Completer->setFilterMode(Qt::MatchContains);
  CBVar->setCompleter(Completer);
  AddRow("Variable Name:", CBVar, 22);
  ComboBox1 = new QComboBox;
  ComboBox1->addItems({QStringLiteral(" >"), QStringLiteral(" ="), QStringLiteral(" <")});
  AddRow("Condition:", ComboBox1, 52);
  Edit2 = new QLineEdit;
  AddRow("Value:", Edit2, 82);
  WarningEdit = new QLineEdit;
  WarningEdit->setPlaceholderText(QStringLiteral("none"));
  WarningEdit->setToolTip(QStringLiteral("A second threshold before the alarm: values past it are warnings"));
  AddRow("Warning level:", WarningEdit, 112);
  Button1 = new QPushButton(QStringLiteral("OK"), this);
  Button1->setGeometry(72, 156, 80, 26);
  Button1->setDefault(true);
  Button2 = new QPushButton(QStringLiteral("Cancel"), this);
  Button2->setGeometry(177, 156, 80, 26);
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
  connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

TAlarmForm::~TAlarmForm() {
  if (AlarmForm == this) AlarmForm = nullptr;
}
