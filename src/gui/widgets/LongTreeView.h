#pragma once
// A tree view for models with millions of top-level rows of which few are
// expanded. Rows share one height. The rows below an expanded top-level row
// are listed when it opens, so that appending top-level rows, expanding one
// and painting cost no walk over the top level.
#include <QAbstractItemView>
#include <QPersistentModelIndex>
#include <QSet>
#include <cstdint>
#include <vector>

class QHeaderView;

class TLongTreeView : public QAbstractItemView {
 public:
  explicit TLongTreeView(QWidget* Parent = nullptr);
  ~TLongTreeView() override;

  void setModel(QAbstractItemModel* Model) override;
  QHeaderView* header() const { return Header; }
  bool isExpanded(const QModelIndex& Index) const;
  void expand(const QModelIndex& Index);
  void collapse(const QModelIndex& Index);
  // Index and every node below it.
  void expandRecursively(const QModelIndex& Index);
  void expandAll();
  void collapseAll();
  // Fits the column to the rows on screen.
  void resizeColumnToContents(int Column);
  int indentation() const;

  QRect visualRect(const QModelIndex& Index) const override;
  void scrollTo(const QModelIndex& Index, ScrollHint Hint = EnsureVisible) override;
  QModelIndex indexAt(const QPoint& Point) const override;
  void reset() override;
  // Type-ahead among the siblings of a node below the top level only.
  void keyboardSearch(const QString& Search) override;

 protected:
  QModelIndex moveCursor(CursorAction Action, Qt::KeyboardModifiers Modifiers) override;
  int horizontalOffset() const override;
  int verticalOffset() const override;
  bool isIndexHidden(const QModelIndex&) const override { return false; }
  void setSelection(const QRect& Rect, QItemSelectionModel::SelectionFlags Flags) override;
  QRegion visualRegionForSelection(const QItemSelection& Selection) const override;
  int sizeHintForColumn(int Column) const override;
  void rowsInserted(const QModelIndex& Parent, int Start, int End) override;
  void updateGeometries() override;
  void scrollContentsBy(int Dx, int Dy) override;
  void paintEvent(QPaintEvent* Event) override;
  void mousePressEvent(QMouseEvent* Event) override;
  void mouseMoveEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;
  void mouseDoubleClickEvent(QMouseEvent* Event) override;
  void keyPressEvent(QKeyEvent* Event) override;

 private:
  // A row on screen: its index in column 0 and its depth below the top level.
  struct TRow {
    QModelIndex Index;
    int Level = 0;
  };
  // An expanded top-level row and the rows shown below it.
  struct TOpenTop {
    int Row = 0;
    // The rows below the open top-level rows above this one.
    std::int64_t RowsAbove = 0;
    std::vector<TRow> Below;
  };

  QHeaderView* Header;
  std::vector<QMetaObject::Connection> ModelConnections;
  // The expanded nodes, kept across the model's layout changes, and the
  // same as plain indexes for lookups until the next change.
  std::vector<QPersistentModelIndex> Expanded;
  QSet<QModelIndex> ExpandedNow;
  // By row.
  std::vector<TOpenTop> OpenTops;
  mutable int CachedRowHeight = 0;
  bool InUpdateGeometries = false;
  // The left button went down on a branch indicator and is still down.
  bool BranchPressed = false;

  int RowHeight() const;
  std::int64_t TopCount() const;
  std::int64_t RowsBelowTops() const;
  std::int64_t VisibleCount() const;
  std::int64_t RowsPerPage() const;
  std::int64_t FirstShownRow() const;
  TRow RowAt(std::int64_t Visible) const;
  // The row of a shown index (and its depth); -1 for one inside a collapsed node.
  std::int64_t VisibleRowOf(const QModelIndex& Index, int* Depth = nullptr) const;
  // The top-level ancestor of an index (itself at the top level) and the index's depth.
  QModelIndex TopOf(const QModelIndex& Index, int* Level = nullptr) const;
  std::int64_t RowAtY(int Y) const;
  // The branch indicator's place in a row's first column.
  QRect BranchRect(const TRow& Row, int Y) const;
  // The node whose branch indicator is at the point; none where no node with children has it.
  QModelIndex BranchAt(const QPoint& Point) const;
  void ListBelow(const QModelIndex& Parent, int Level, std::vector<TRow>& Into) const;
  // Lists the rows below a top-level row again, after a node inside it opened or closed.
  void ReopenTop(const QModelIndex& Top);
  void CountRowsAbove();
  // Rebuilds every open top-level row from the expanded nodes after the model changed.
  void Relayout();
  void SetExpanded(const QModelIndex& Index, bool Open);
  // Marks the index and every node below it expanded, leaving the rows as they are.
  void MarkExpandedBelow(const QModelIndex& Index);
  void ForgetRows();
  // The index, or the nearest of its ancestors that is shown; none when no row shows.
  QModelIndex ShownAncestor(const QModelIndex& Index) const;
  // After a collapse, a current node hidden inside hands over to the node shown.
  void KeepCurrentShown();
  void Changed();
};
