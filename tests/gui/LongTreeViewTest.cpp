#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStandardItemModel>
#include <functional>

#include "widgets/LongTreeView.h"

namespace {

// Top-level rows "T<n>", each with children "T<n>.0" to "T<n>.2"; ".1" has
// two children of its own.
void AddTop(QStandardItemModel& Model, int Row, const QString& Name) {
  auto* Top = new QStandardItem(Name);
  for (int C = 0; C < 3; ++C) {
    auto* Child = new QStandardItem(Name + "." + QString::number(C));
    if (C == 1)
      for (int G = 0; G < 2; ++G) Child->appendRow(new QStandardItem(Child->text() + "." + QString::number(G)));
    Top->appendRow(Child);
  }
  Model.insertRow(Row, Top);
}

class LongTreeView : public ::testing::Test {
 protected:
  QStandardItemModel Model;
  TLongTreeView View;

  void SetUp() override {
    for (int Row = 0; Row < 10; ++Row) AddTop(Model, Row, "T" + QString::number(Row));
    View.setModel(&Model);
    View.resize(300, 2000);
    View.show();
    QApplication::processEvents();
  }

  QModelIndex Named(const QString& Name) const {
    const QList<QStandardItem*> Found = Model.findItems(Name, Qt::MatchExactly | Qt::MatchRecursive);
    return Found.size() == 1 ? Found[0]->index() : QModelIndex();
  }

  // The names of the rows a tree view would show, in order.
  std::vector<QString> Expected() const {
    std::vector<QString> Rows;
    const std::function<void(const QModelIndex&)> Walk = [&](const QModelIndex& Parent) {
      for (int Row = 0; Row < Model.rowCount(Parent); ++Row) {
        const QModelIndex Child = Model.index(Row, 0, Parent);
        Rows.push_back(Child.data().toString());
        if (View.isExpanded(Child)) Walk(Child);
      }
    };
    Walk(QModelIndex());
    return Rows;
  }

  // The rows on screen, read by position, and each row's own rectangle.
  void ExpectShown(const char* Step) const {
    SCOPED_TRACE(Step);
    const std::vector<QString> Rows = Expected();
    const int Height = View.visualRect(Model.index(0, 0)).height();
    ASSERT_GT(Height, 0);
    for (std::size_t K = 0; K < Rows.size(); ++K) {
      const int Top = static_cast<int>(K) * Height;
      EXPECT_EQ(View.indexAt(QPoint(10, Top + Height / 2)).data().toString(), Rows[K]) << "row " << K;
      EXPECT_EQ(View.visualRect(Named(Rows[K])).top(), Top) << Rows[K].toStdString();
    }
    EXPECT_FALSE(View.indexAt(QPoint(10, static_cast<int>(Rows.size()) * Height + Height / 2)).isValid());
  }

  void Key(int Code, const QString& Text = {}) {
    QKeyEvent Press(QEvent::KeyPress, Code, Qt::NoModifier, Code == Qt::Key_Asterisk ? "*" : Text);
    QApplication::sendEvent(&View, &Press);
  }
  void Mouse(QEvent::Type Type, QPoint At) {
    const Qt::MouseButtons Held = Type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent Event(Type, At, View.viewport()->mapToGlobal(At), Qt::LeftButton, Held, Qt::NoModifier);
    QApplication::sendEvent(View.viewport(), &Event);
  }
};

TEST_F(LongTreeView, RowsFollowExpansionsThroughAppendsInsertsSortsAndRemovals) {
  ExpectShown("start");
  const struct {
    const char* Step;
    std::function<void(QStandardItemModel&, TLongTreeView&)> Change;
  } Steps[] = {
      {"expand", [](auto&, auto& View) { View.expand(View.model()->index(2, 0)); }},
      // Inside a collapsed top-level row: kept, not shown.
      {"expand hidden", [](auto& Model, auto& View) { View.expand(Model.index(1, 0, Model.index(5, 0))); }},
      {"expand above", [](auto&, auto& View) { View.expand(View.model()->index(5, 0)); }},
      {"expand nested", [](auto& Model, auto& View) { View.expand(Model.index(1, 0, Model.index(2, 0))); }},
      {"append", [](auto& Model, auto&) { AddTop(Model, Model.rowCount(), "T10"); }},
      {"insert first", [](auto& Model, auto&) { AddTop(Model, 0, "T11"); }},
      {"sort", [](auto& Model, auto&) { Model.sort(0, Qt::DescendingOrder); }},
      {"remove expanded", [](auto& Model, auto&) { Model.removeRow(Model.findItems("T5")[0]->row()); }},
      {"collapse nested", [](auto& Model, auto& View) { View.collapse(Model.index(1, 0, Model.index(9, 0))); }},
      {"collapse all", [](auto&, auto& View) { View.collapseAll(); }},
      {"expand recursively", [](auto& Model, auto& View) { View.expandRecursively(Model.index(3, 0)); }},
      {"expand all", [](auto&, auto& View) { View.expandAll(); }},
  };
  for (const auto& Step : Steps) {
    Step.Change(Model, View);
    ExpectShown(Step.Step);
  }
}

TEST_F(LongTreeView, KeysAndTheBranchIndicatorOpenAndCloseNodes) {
  View.setFocus();
  View.setCurrentIndex(Named("T3"));
  Key(Qt::Key_Right);
  EXPECT_TRUE(View.isExpanded(Named("T3")));
  Key(Qt::Key_Right);
  EXPECT_EQ(View.currentIndex(), Named("T3.0"));
  Key(Qt::Key_Down);
  Key(Qt::Key_Right);
  Key(Qt::Key_Down);
  EXPECT_EQ(View.currentIndex(), Named("T3.1.0"));
  Key(Qt::Key_Left);
  EXPECT_EQ(View.currentIndex(), Named("T3.1"));
  Key(Qt::Key_Left);
  EXPECT_FALSE(View.isExpanded(Named("T3.1")));
  // Type-ahead moves among the siblings below the top level, not among the top-level rows.
  Key(Qt::Key_T, "T");
  EXPECT_EQ(View.currentIndex(), Named("T3.2"));
  View.keyboardSearch({});
  View.setCurrentIndex(Named("T3"));
  View.keyboardSearch("T9");
  EXPECT_EQ(View.currentIndex(), Named("T3"));
  Key(Qt::Key_End);
  EXPECT_EQ(View.currentIndex(), Named("T9"));
  Key(Qt::Key_Asterisk);
  EXPECT_TRUE(View.isExpanded(Named("T9")));
  EXPECT_TRUE(View.isExpanded(Named("T9.1")));
  ExpectShown("keys");

  // A click on a top-level row's branch indicator toggles it without choosing a
  // row, even when the mouse moves before the release; a double click toggles it once.
  const QRect T0 = View.visualRect(Named("T0"));
  const QPoint Branch(T0.left() - View.indentation() / 2, T0.center().y());
  for (const bool Open : {true, false}) {
    Mouse(QEvent::MouseButtonPress, Branch);
    Mouse(QEvent::MouseMove, Branch + QPoint(1, T0.height() * 2));
    Mouse(QEvent::MouseButtonRelease, Branch + QPoint(1, T0.height() * 2));
    EXPECT_EQ(View.isExpanded(Named("T0")), Open);
    EXPECT_EQ(View.currentIndex(), Named("T9"));
  }
  Mouse(QEvent::MouseButtonPress, T0.center());
  Mouse(QEvent::MouseButtonRelease, T0.center());
  EXPECT_EQ(View.currentIndex(), Named("T0"));
  for (const QEvent::Type Type :
       {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease})
    Mouse(Type, Branch);
  EXPECT_TRUE(View.isExpanded(Named("T0")));
  View.collapse(Named("T0"));
  // A node closing over the current one becomes current.
  View.expand(Named("T0"));
  View.setCurrentIndex(Named("T0.2"));
  View.collapse(Named("T0"));
  EXPECT_EQ(View.currentIndex(), Named("T0"));
  Key(Qt::Key_Down);
  EXPECT_EQ(View.currentIndex(), Named("T1"));
}

TEST_F(LongTreeView, AppendedRowsAndScrollingToANodeKeepTheScrollBarInStep) {
  View.resize(300, 200);
  for (int Row = 10; Row < 1000; ++Row) AddTop(Model, Row, "T" + QString::number(Row));
  QApplication::processEvents();
  const QModelIndex Deep = Named("T700.1.1");
  View.scrollTo(Deep);
  EXPECT_TRUE(View.isExpanded(Named("T700")));
  EXPECT_TRUE(View.isExpanded(Named("T700.1")));
  // From far right, the node's cell comes back into view sideways too.
  View.header()->resizeSection(0, 2000);
  View.horizontalScrollBar()->setValue(View.horizontalScrollBar()->maximum());
  View.scrollTo(Deep);
  const QRect Shown = View.visualRect(Deep);
  EXPECT_TRUE(View.viewport()->rect().contains(Shown.topLeft()));
  EXPECT_EQ(View.indexAt(Shown.center()), Deep);
  // 1000 top-level rows and the 5 below T700 and T700.1.
  const int Page = View.viewport()->height() / Shown.height();
  EXPECT_EQ(View.verticalScrollBar()->maximum(), 1000 + 5 - Page);
}

}  // namespace
