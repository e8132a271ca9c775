// The project window's controls and its self-drawn status panel.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "project/ProjectForm.h"
#include "widgets/Look.h"

namespace {

QToolButton* SmallButton(const QString& Caption, QWidget* Parent, const QRect& Geometry) {
  auto* Button = new QToolButton(Parent);
  Button->setText(Caption);
  Button->setGeometry(Geometry);
  return Button;
}

QLabel* Caption(const QString& Text, QWidget* Parent, int Left, int Top) {
  auto* Label = new QLabel(Text, Parent);
  Label->move(Left, Top);
  Label->adjustSize();
  return Label;
}

QListWidget* CheckList(QWidget* Parent, const QRect& Geometry) {
  auto* List = new QListWidget(Parent);
  List->setGeometry(Geometry);
  List->setSelectionMode(QAbstractItemView::SingleSelection);
  List->setSelectionBehavior(QAbstractItemView::SelectRows);
  // A style sheet for items must say how selected ones look, or they are drawn empty.
  List->setStyleSheet(
      QStringLiteral("QListWidget::item { border-bottom: 1px solid #d8d8d8; }"
                     "QListWidget::item:selected { background: palette(highlight);"
                     " color: palette(highlighted-text); }"));
  return List;
}

}  // namespace

// Status panel 0, drawn by the project window.
class TStatusPanel : public QWidget {
 public:
  TStatusPanel(TProjectForm* Owner) : QWidget(Owner), Owner(Owner) { setFixedSize(90, 18); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter Painter(this);
    Owner->StatusBar1DrawPanel(Painter, rect());
  }

 private:
  TProjectForm* Owner;
};

void TProjectForm::BuildWindow() {
  GroupBox1 = new QGroupBox(QStringLiteral("Main Settings "), this);
  GroupBox1->setFont(VerdanaFont(8));
  GroupBox1->setGeometry(8, 2, 418, 232);

  auto* ToolBar = new QToolBar(GroupBox1);
  ToolBar->setIconSize(QSize(16, 16));
  ToolBar->setGeometry(8, 16, 200, 26);
  ToolButton1 = AddToolButton(ToolBar, TPicture::Load, "Load Structure and Data");
  ToolButton2 = AddToolButton(ToolBar, TPicture::Browser, "Open new browser");
  ToolBar->addSeparator();
  ToolButton3 = AddToolButton(ToolBar, TPicture::AlarmsOn, "Activate all alarms");
  ToolButton5 = AddToolButton(ToolBar, TPicture::AlarmsOff, "Disable all alarms");
  ToolBar->addSeparator();
  ToolButton7 = AddToolButton(ToolBar, TPicture::SaveProject, "");
  connect(ToolButton1, &QToolButton::clicked, this, [this] { Button1Click(); });
  connect(ToolButton2, &QToolButton::clicked, this, [this] { Button2Click(); });
  connect(ToolButton3, &QToolButton::clicked, this, [this] { ToolButton3Click(); });
  connect(ToolButton5, &QToolButton::clicked, this, [this] { ToolButton5Click(); });
  connect(ToolButton7, &QToolButton::clicked, this, [this] { ToolButton7Click(); });

  Caption(QStringLiteral("Structure Definition:"), GroupBox1, 10, 53);
  ComboBox1 = new QComboBox(GroupBox1);
  ComboBox1->setEditable(true);
  ComboBox1->setMaxVisibleItems(4);
  ComboBox1->setInsertPolicy(QComboBox::NoInsert);
  ComboBox1->setGeometry(150, 49, 230, 24);
  SpeedButton1 = SmallButton(QStringLiteral("..."), GroupBox1, QRect(384, 49, 26, 24));
  Caption(QStringLiteral("Paket Data File:"), GroupBox1, 10, 82);
  Edit1 = new QLineEdit(GroupBox1);
  Edit1->setGeometry(150, 78, 230, 24);
  SpeedButton2 = SmallButton(QStringLiteral("..."), GroupBox1, QRect(384, 78, 26, 24));
  Caption(QStringLiteral("2nd Paket Data File:"), GroupBox1, 10, 106);
  QLabel* Optional = Caption(QStringLiteral("(optional)"), GroupBox1, 10, 120);
  Optional->setStyleSheet(QStringLiteral("color: grey;"));
  Edit2 = new QLineEdit(GroupBox1);
  Edit2->setGeometry(150, 107, 230, 24);
  SpeedButton7 = SmallButton(QStringLiteral("..."), GroupBox1, QRect(384, 107, 26, 24));
  Caption(QStringLiteral("Offset Time:"), GroupBox1, 10, 148);
  Edit3 = new QLineEdit(GroupBox1);
  Edit3->setGeometry(150, 144, 96, 24);
  Tracking = new QCheckBox(QStringLiteral("Keep track of changes"), GroupBox1);
  Tracking->setGeometry(256, 146, 158, 20);
  Caption(QStringLiteral("Update interval:"), GroupBox1, 10, 178);
  UpdateInterval = new QSpinBox(GroupBox1);
  UpdateInterval->setRange(1, MaxUpdateInterval);
  UpdateInterval->setSuffix(QStringLiteral(" s"));
  UpdateInterval->setGeometry(150, 174, 96, 24);
  UpdateOnFileChange = new QCheckBox(QStringLiteral("Update on file change"), GroupBox1);
  UpdateOnFileChange->setGeometry(256, 176, 158, 20);
  Notices = new QCheckBox(QStringLiteral("Notices"), GroupBox1);
  Notices->setToolTip(QStringLiteral("Show a notice for the alarm hits of each update"));
  Notices->setGeometry(262, 204, 150, 20);
  // Operators switch the notices off while alarms flood in.
  connect(Notices, &QCheckBox::toggled, this, [this](bool On) { Project.Settings.Notices = On; });
  Resync = new QCheckBox(QStringLiteral("Resynchronise after invalid BaseFrames"), GroupBox1);
  Resync->setGeometry(10, 204, 248, 20);
  for (QToolButton* Button : {SpeedButton1, SpeedButton2, SpeedButton7})
    connect(Button, &QToolButton::clicked, this, [this, Button] { SpeedButton1Click(Button); });
  connect(Edit1, &QLineEdit::textChanged, this, [this] { Edit1Change(Edit1); });
  connect(Edit2, &QLineEdit::textChanged, this, [this] { Edit1Change(Edit2); });
  connect(ComboBox1, &QComboBox::currentTextChanged, this, [this] { ComboBox1Change(); });

  GroupBox2 = new QGroupBox(QStringLiteral("Alarms "), this);
  GroupBox2->setFont(VerdanaFont(8));
  GroupBox2->setGeometry(8, 236, 418, 92);
  ListView1 = CheckList(GroupBox2, QRect(8, 18, 366, 66));
  SpeedButton3 = SmallButton(QStringLiteral("+"), GroupBox2, QRect(380, 18, 30, 30));
  SpeedButton4 = SmallButton(QStringLiteral("-"), GroupBox2, QRect(380, 54, 30, 30));
  connect(SpeedButton3, &QToolButton::clicked, this, [this] { SpeedButton3Click(); });
  connect(SpeedButton4, &QToolButton::clicked, this, [this] { SpeedButton4Click(); });
  connect(ListView1, &QListWidget::itemDoubleClicked, this, [this] { ListView1DblClick(); });
  connect(ListView1, &QListWidget::itemChanged, this, [this](QListWidgetItem* Item) { AlarmItemChanged(Item); });

  GroupBox3 = new QGroupBox(QStringLiteral("Plots"), this);
  GroupBox3->setFont(VerdanaFont(8));
  GroupBox3->setGeometry(434, 2, 224, 326);
  ListView2 = CheckList(GroupBox3, QRect(8, 18, 208, 266));
  ListView2->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
  ListView2->installEventFilter(this);
  SpeedButton5 = SmallButton(QStringLiteral("+"), GroupBox3, QRect(8, 290, 30, 30));
  SpeedButton6 = SmallButton(QStringLiteral("-"), GroupBox3, QRect(44, 290, 30, 30));
  connect(SpeedButton5, &QToolButton::clicked, this, [this] { SpeedButton5Click(); });
  connect(SpeedButton6, &QToolButton::clicked, this, [this] { SpeedButton6Click(); });
  connect(ListView2, &QListWidget::itemChanged, this, [this](QListWidgetItem* Item) { ListView2Change(Item); });

  StatusBar1 = new QStatusBar(this);
  StatusBar1->setSizeGripEnabled(false);
  StatusBar1->setGeometry(0, 331, 666, 20);
  StatusBar1->setFont(VerdanaFont(8));
  Panel0 = new TStatusPanel(this);
  Panel1 = new QLabel(QStringLiteral("0 Open Browser Windows"));
  Panel1->setFixedWidth(150);
  Panel2 = new QLabel(QStringLiteral("0 Open Plot Windows"));
  Panel2->setFixedWidth(150);
  Panel3 = new QLabel;
  Panel3->setFixedWidth(50);
  for (QWidget* Panel :
       {Panel0, static_cast<QWidget*>(Panel1), static_cast<QWidget*>(Panel2), static_cast<QWidget*>(Panel3)})
    StatusBar1->addWidget(Panel);
}

void TProjectForm::StatusBar1DrawPanel(QPainter& Painter, const QRect& Rect) {
  Painter.setFont(VerdanaFont(8, true));
  Painter.setPen(FStatus == QLatin1String("Empty") ? QColor(0xFF, 0, 0) : QColor(0, 0x80, 0));
  const bool ShowTracking = Project.DataLoaded && Tracking->isChecked();
  Painter.drawPixmap(Rect.left() + 5, Rect.top() + 1,
                     PicturePixmap(ShowTracking ? TPicture::Tracking : TPicture::NotTracking, 16));
  Painter.drawText(QRect(Rect.left() + 25, Rect.top(), Rect.width() - 25, Rect.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, FStatus);
}
