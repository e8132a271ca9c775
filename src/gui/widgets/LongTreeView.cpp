#include "LongTreeView.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <climits>

namespace {

int ClampToInt(std::int64_t Value) { return static_cast<int>(std::clamp<std::int64_t>(Value, INT_MIN, INT_MAX)); }

// The first of the open top-level rows (sorted by row) at Row or after it.
template <class TOpenTops>
auto OpenTopFrom(TOpenTops& Tops, int Row) {
  return std::lower_bound(Tops.begin(), Tops.end(), Row, [](const auto& Open, int At) { return Open.Row < At; });
}

}  // namespace

TLongTreeView::TLongTreeView(QWidget* Parent)
    : QAbstractItemView(Parent), Header(new QHeaderView(Qt::Horizontal, this)) {
  setSelectionBehavior(SelectRows);
  setVerticalScrollMode(ScrollPerItem);
  Header->setFirstSectionMovable(false);
  Header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  connect(Header, &QHeaderView::sectionHandleDoubleClicked, this,
          [this](int Column) { resizeColumnToContents(Column); });
  connect(Header, &QHeaderView::sectionResized, this, [this] { Changed(); });
  connect(Header, &QHeaderView::sectionMoved, this, [this] { viewport()->update(); });
  connect(Header, &QHeaderView::geometriesChanged, this, [this] { updateGeometries(); });
}

// The header and the model signal while the widgets below go; by then this view is gone.
TLongTreeView::~TLongTreeView() {
  disconnect(Header, nullptr, this, nullptr);
  for (const QMetaObject::Connection& Connection : ModelConnections) disconnect(Connection);
}

void TLongTreeView::setModel(QAbstractItemModel* Model) {
  for (const QMetaObject::Connection& Connection : ModelConnections) disconnect(Connection);
  ModelConnections.clear();
  QAbstractItemView::setModel(Model);
  Header->setModel(Model);
  reset();
  if (!Model) return;
  // Changes that move expanded nodes; appends are told by rowsInserted.
  const auto Relay = [this] { Relayout(); };
  ModelConnections = {connect(Model, &QAbstractItemModel::layoutChanged, this, Relay),
                      connect(Model, &QAbstractItemModel::rowsRemoved, this, Relay),
                      connect(Model, &QAbstractItemModel::rowsMoved, this, Relay),
                      connect(Model, &QAbstractItemModel::columnsInserted, this, Relay),
                      connect(Model, &QAbstractItemModel::columnsRemoved, this, Relay),
                      connect(Model, &QObject::destroyed, this, [this] { ForgetRows(); })};
}

void TLongTreeView::reset() {
  QAbstractItemView::reset();
  ForgetRows();
  CachedRowHeight = 0;
  Changed();
}

void TLongTreeView::ForgetRows() {
  Expanded.clear();
  ExpandedNow.clear();
  OpenTops.clear();
}

int TLongTreeView::indentation() const { return style()->pixelMetric(QStyle::PM_TreeViewIndentation, nullptr, this); }

int TLongTreeView::RowHeight() const {
  if (CachedRowHeight > 0) return CachedRowHeight;
  const int Height = fontMetrics().height() + 2;
  if (!model() || model()->rowCount(rootIndex()) == 0) return Height;
  // Every row is as high as the first.
  QStyleOptionViewItem Option;
  initViewItemOption(&Option);
  const QModelIndex First = model()->index(0, 0, rootIndex());
  CachedRowHeight = std::max(Height, itemDelegateForIndex(First)->sizeHint(Option, First).height());
  return CachedRowHeight;
}

std::int64_t TLongTreeView::TopCount() const { return model() ? model()->rowCount(rootIndex()) : 0; }

std::int64_t TLongTreeView::RowsBelowTops() const {
  return OpenTops.empty() ? 0 : OpenTops.back().RowsAbove + static_cast<std::int64_t>(OpenTops.back().Below.size());
}

std::int64_t TLongTreeView::VisibleCount() const { return TopCount() + RowsBelowTops(); }

std::int64_t TLongTreeView::RowsPerPage() const { return std::max(1, viewport()->height() / RowHeight()); }

std::int64_t TLongTreeView::FirstShownRow() const { return verticalScrollBar()->value(); }

std::int64_t TLongTreeView::RowAtY(int Y) const {
  if (Y < 0) return -1;
  const std::int64_t Row = FirstShownRow() + Y / RowHeight();
  return Row < VisibleCount() ? Row : -1;
}

TLongTreeView::TRow TLongTreeView::RowAt(std::int64_t Visible) const {
  // The last open top-level row at or above the row.
  auto After = std::upper_bound(OpenTops.begin(), OpenTops.end(), Visible,
                                [](std::int64_t Row, const TOpenTop& Top) { return Row < Top.Row + Top.RowsAbove; });
  std::int64_t TopRow = Visible;
  if (After != OpenTops.begin()) {
    const TOpenTop& Top = *std::prev(After);
    const std::int64_t Inside = Visible - (Top.Row + Top.RowsAbove);
    const auto Below = static_cast<std::int64_t>(Top.Below.size());
    if (Inside > 0 && Inside <= Below) return Top.Below[static_cast<std::size_t>(Inside - 1)];
    TopRow = Inside == 0 ? Top.Row : Visible - Top.RowsAbove - Below;
  }
  return {model()->index(ClampToInt(TopRow), 0, rootIndex()), 0};
}

QModelIndex TLongTreeView::TopOf(const QModelIndex& Index, int* Level) const {
  QModelIndex Top = Index.siblingAtColumn(0);
  int Depth = 0;
  for (QModelIndex Up = Top.parent(); Up.isValid() && Up != rootIndex(); Up = Up.parent()) {
    Top = Up;
    ++Depth;
  }
  if (Level) *Level = Depth;
  return Top;
}

std::int64_t TLongTreeView::VisibleRowOf(const QModelIndex& Index, int* Depth) const {
  if (!model() || !Index.isValid() || Index.model() != model()) return -1;
  int Level = 0;
  const int Row = TopOf(Index, &Level).row();
  if (Depth) *Depth = Level;
  const auto Top = OpenTopFrom(OpenTops, Row);
  const std::int64_t Above = Top == OpenTops.end() ? RowsBelowTops() : Top->RowsAbove;
  if (Level == 0) return Row + Above;
  if (Top == OpenTops.end() || Top->Row != Row) return -1;
  const QModelIndex Node = Index.siblingAtColumn(0);
  const auto Found =
      std::find_if(Top->Below.begin(), Top->Below.end(), [&](const TRow& Below) { return Below.Index == Node; });
  return Found == Top->Below.end() ? -1 : Row + Above + 1 + (Found - Top->Below.begin());
}

QRect TLongTreeView::BranchRect(const TRow& Row, int Y) const {
  const int Indent = indentation();
  return {Header->sectionViewportPosition(0) + Row.Level * Indent, Y, Indent, RowHeight()};
}

QModelIndex TLongTreeView::BranchAt(const QPoint& Point) const {
  const std::int64_t Visible = RowAtY(Point.y());
  if (Visible < 0) return {};
  const TRow Row = RowAt(Visible);
  const int Y = ClampToInt((Visible - FirstShownRow()) * RowHeight());
  return BranchRect(Row, Y).contains(Point) && model()->hasChildren(Row.Index) ? Row.Index : QModelIndex();
}

void TLongTreeView::ListBelow(const QModelIndex& Parent, int Level, std::vector<TRow>& Into) const {
  const int Count = model()->rowCount(Parent);
  for (int Row = 0; Row < Count; ++Row) {
    const QModelIndex Child = model()->index(Row, 0, Parent);
    Into.push_back({Child, Level});
    if (ExpandedNow.contains(Child)) ListBelow(Child, Level + 1, Into);
  }
}

void TLongTreeView::CountRowsAbove() {
  std::int64_t Above = 0;
  for (TOpenTop& Top : OpenTops) {
    Top.RowsAbove = Above;
    Above += static_cast<std::int64_t>(Top.Below.size());
  }
}

void TLongTreeView::ReopenTop(const QModelIndex& Top) {
  const auto At = OpenTopFrom(OpenTops, Top.row());
  const bool Listed = At != OpenTops.end() && At->Row == Top.row();
  if (!ExpandedNow.contains(Top)) {
    if (Listed) OpenTops.erase(At);
  } else {
    std::vector<TRow> Below;
    ListBelow(Top, 1, Below);
    if (Listed) At->Below = std::move(Below);
    else OpenTops.insert(At, TOpenTop{Top.row(), 0, std::move(Below)});
  }
  CountRowsAbove();
}

void TLongTreeView::Relayout() {
  // Nodes the model removed or merged go.
  ExpandedNow.clear();
  std::vector<QPersistentModelIndex> Kept;
  for (const QPersistentModelIndex& Node : Expanded)
    if (Node.isValid() && !ExpandedNow.contains(Node)) {
      ExpandedNow.insert(Node);
      Kept.push_back(Node);
    }
  Expanded = std::move(Kept);
  std::vector<int> Tops;
  for (const QPersistentModelIndex& Node : Expanded)
    if (Node.parent() == rootIndex()) Tops.push_back(Node.row());
  std::sort(Tops.begin(), Tops.end());
  OpenTops.clear();
  for (const int Row : Tops) {
    TOpenTop Top{Row, 0, {}};
    ListBelow(model()->index(Row, 0, rootIndex()), 1, Top.Below);
    OpenTops.push_back(std::move(Top));
  }
  CountRowsAbove();
  Changed();
}

void TLongTreeView::Changed() {
  updateGeometries();
  viewport()->update();
}

bool TLongTreeView::isExpanded(const QModelIndex& Index) const {
  return ExpandedNow.contains(Index.siblingAtColumn(0));
}

void TLongTreeView::SetExpanded(const QModelIndex& Index, bool Open) {
  const QModelIndex Node = Index.siblingAtColumn(0);
  if (!model() || !Node.isValid() || ExpandedNow.contains(Node) == Open) return;
  if (Open) {
    if (!model()->hasChildren(Node)) return;
    Expanded.emplace_back(Node);
    ExpandedNow.insert(Node);
  } else {
    ExpandedNow.remove(Node);
    std::erase(Expanded, Node);
  }
  ReopenTop(TopOf(Node));
  Changed();
  if (!Open) KeepCurrentShown();
}

QModelIndex TLongTreeView::ShownAncestor(const QModelIndex& Index) const {
  QModelIndex Shown = Index;
  while (Shown.isValid() && VisibleRowOf(Shown) < 0) Shown = Shown.parent();
  return Shown.isValid() ? Shown.siblingAtColumn(Index.column()) : Shown;
}

void TLongTreeView::KeepCurrentShown() {
  const QModelIndex Current = currentIndex();
  const QModelIndex Shown = ShownAncestor(Current);
  if (Shown != Current) setCurrentIndex(Shown);
}

void TLongTreeView::expand(const QModelIndex& Index) { SetExpanded(Index, true); }

void TLongTreeView::collapse(const QModelIndex& Index) { SetExpanded(Index, false); }

void TLongTreeView::expandRecursively(const QModelIndex& Index) {
  if (!model() || !Index.isValid()) return;
  MarkExpandedBelow(Index);
  ReopenTop(TopOf(Index));
  Changed();
}

void TLongTreeView::MarkExpandedBelow(const QModelIndex& Index) {
  std::vector<QModelIndex> Pending{Index.siblingAtColumn(0)};
  while (!Pending.empty()) {
    const QModelIndex Node = Pending.back();
    Pending.pop_back();
    if (!model()->hasChildren(Node)) continue;
    if (!ExpandedNow.contains(Node)) {
      Expanded.emplace_back(Node);
      ExpandedNow.insert(Node);
    }
    for (int Row = model()->rowCount(Node) - 1; Row >= 0; --Row) Pending.push_back(model()->index(Row, 0, Node));
  }
}

void TLongTreeView::expandAll() {
  if (!model()) return;
  const int Count = model()->rowCount(rootIndex());
  for (int Row = 0; Row < Count; ++Row) MarkExpandedBelow(model()->index(Row, 0, rootIndex()));
  Relayout();
}

void TLongTreeView::collapseAll() {
  ForgetRows();
  Changed();
  KeepCurrentShown();
}

int TLongTreeView::sizeHintForColumn(int Column) const {
  if (!model()) return -1;
  QStyleOptionViewItem Option;
  initViewItemOption(&Option);
  int Widest = -1;
  const std::int64_t First = FirstShownRow();
  const std::int64_t End = std::min(VisibleCount(), First + RowsPerPage() + 1);
  for (std::int64_t Visible = First; Visible < End; ++Visible) {
    const TRow Row = RowAt(Visible);
    const QModelIndex Cell = Row.Index.siblingAtColumn(Column);
    int Width = itemDelegateForIndex(Cell)->sizeHint(Option, Cell).width();
    if (Column == 0) Width += (Row.Level + 1) * indentation();
    Widest = std::max(Widest, Width);
  }
  return Widest;
}

void TLongTreeView::resizeColumnToContents(int Column) {
  Header->resizeSection(Column, std::max(sizeHintForColumn(Column), Header->sectionSizeHint(Column)));
}

QRect TLongTreeView::visualRect(const QModelIndex& Index) const {
  int Level = 0;
  const std::int64_t Visible = VisibleRowOf(Index, &Level);
  if (Visible < 0) return {};
  int X = Header->sectionViewportPosition(Index.column());
  int Width = Header->sectionSize(Index.column());
  if (Index.column() == 0) {
    const int Indent = (Level + 1) * indentation();
    X += Indent;
    Width = std::max(0, Width - Indent);
  }
  return {X, ClampToInt((Visible - FirstShownRow()) * RowHeight()), Width, RowHeight()};
}

QModelIndex TLongTreeView::indexAt(const QPoint& Point) const {
  const std::int64_t Visible = RowAtY(Point.y());
  const int Column = Header->logicalIndexAt(Point.x());
  if (Visible < 0 || Column < 0) return {};
  return RowAt(Visible).Index.siblingAtColumn(Column);
}

void TLongTreeView::keyboardSearch(const QString& Search) {
  // Among the top-level rows it would read the text of every one.
  if (currentIndex().parent() != rootIndex()) QAbstractItemView::keyboardSearch(Search);
}

void TLongTreeView::scrollTo(const QModelIndex& Index, ScrollHint Hint) {
  // A node inside collapsed ones is shown by opening them.
  if (state() == NoState)
    for (QModelIndex Up = Index.parent(); Up.isValid() && Up != rootIndex(); Up = Up.parent()) expand(Up);
  const std::int64_t Visible = VisibleRowOf(Index);
  if (Visible < 0) return;
  const std::int64_t Page = RowsPerPage(), First = FirstShownRow();
  std::int64_t Top = First;
  switch (Hint) {
    case EnsureVisible:
      if (Visible < First) Top = Visible;
      else if (Visible >= First + Page) Top = Visible - Page + 1;
      break;
    case PositionAtTop: Top = Visible; break;
    case PositionAtBottom: Top = Visible - Page + 1; break;
    case PositionAtCenter: Top = Visible - Page / 2; break;
  }
  verticalScrollBar()->setValue(ClampToInt(Top));
  // Sideways, the start of the cell comes into view.
  const QRect Cell = visualRect(Index);
  QScrollBar* Across = horizontalScrollBar();
  if (Cell.left() < 0) Across->setValue(Across->value() + Cell.left());
  else if (Cell.right() >= viewport()->width())
    Across->setValue(Across->value() + std::min(Cell.left(), Cell.right() + 1 - viewport()->width()));
}

QModelIndex TLongTreeView::moveCursor(CursorAction Action, Qt::KeyboardModifiers) {
  const std::int64_t Count = VisibleCount();
  if (Count == 0) return {};
  // From the current node, or from where it lies hidden.
  const QModelIndex Current = ShownAncestor(currentIndex());
  const std::int64_t Row = VisibleRowOf(Current);
  if (Row < 0) return RowAt(0).Index;
  const std::int64_t Page = RowsPerPage();
  std::int64_t To = Row;
  switch (Action) {
    case MoveUp: To = Row - 1; break;
    case MoveDown: To = Row + 1; break;
    case MovePageUp: To = Row - Page; break;
    case MovePageDown: To = Row + Page; break;
    case MoveHome: To = 0; break;
    case MoveEnd: To = Count - 1; break;
    case MoveLeft:
      // An open node closes; a closed one hands over to its parent.
      // A top-level one scrolls sideways.
      if (isExpanded(Current)) {
        collapse(Current);
        return Current;
      }
      if (Current.parent() != rootIndex()) return Current.parent().siblingAtColumn(Current.column());
      horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
      return Current;
    case MoveRight:
      // A closed node opens; an open one hands over to its first child; a
      // node without children scrolls sideways.
      if (!model()->hasChildren(Current.siblingAtColumn(0))) {
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        return Current;
      }
      if (!isExpanded(Current)) {
        expand(Current);
        return Current;
      }
      return model()->index(0, Current.column(), Current.siblingAtColumn(0));
    default: return Current;
  }
  return RowAt(std::clamp<std::int64_t>(To, 0, Count - 1)).Index.siblingAtColumn(Current.column());
}

int TLongTreeView::horizontalOffset() const { return horizontalScrollBar()->value(); }

int TLongTreeView::verticalOffset() const { return ClampToInt(FirstShownRow() * RowHeight()); }

void TLongTreeView::setSelection(const QRect& Rect, QItemSelectionModel::SelectionFlags Flags) {
  if (!model() || !selectionModel()) return;
  const QRect Area = Rect.normalized();
  const std::int64_t Count = VisibleCount();
  const std::int64_t First = RowAtY(std::max(0, Area.top()));
  QItemSelection Selection;
  if (First >= 0) {
    const std::int64_t Last = std::min(Count - 1, FirstShownRow() + std::max(0, Area.bottom()) / RowHeight());
    const int LastColumn = Header->count() - 1;
    for (std::int64_t Visible = First; Visible <= Last; ++Visible) {
      const QModelIndex Node = RowAt(Visible).Index;
      Selection.select(Node, Node.siblingAtColumn(LastColumn));
    }
  }
  selectionModel()->select(Selection, Flags);
}

QRegion TLongTreeView::visualRegionForSelection(const QItemSelection& Selection) const {
  QRegion Region;
  std::int64_t Rows = 0;
  for (const QItemSelectionRange& Range : Selection) {
    Rows += Range.height();
    // Larger selections than a few pages repaint the whole viewport.
    if (Rows > 4 * RowsPerPage()) return viewport()->rect();
    for (int Row = Range.top(); Row <= Range.bottom(); ++Row) {
      const QRect Cell = visualRect(model()->index(Row, 0, Range.parent()));
      if (Cell.isValid()) Region += QRect(0, Cell.top(), viewport()->width(), Cell.height());
    }
  }
  return Region;
}

void TLongTreeView::rowsInserted(const QModelIndex& Parent, int Start, int End) {
  QAbstractItemView::rowsInserted(Parent, Start, End);
  // Top-level rows after every open one move no expanded node.
  if (Parent != rootIndex() || (!OpenTops.empty() && Start <= OpenTops.back().Row)) {
    Relayout();
    return;
  }
  updateGeometries();
  if (Start + RowsBelowTops() <= FirstShownRow() + RowsPerPage()) viewport()->update();
}

void TLongTreeView::updateGeometries() {
  if (InUpdateGeometries) return;
  InUpdateGeometries = true;
  const int HeaderHeight = Header->isHidden() ? 0 : Header->sizeHint().height();
  setViewportMargins(0, HeaderHeight, 0, 0);
  const QRect Area = viewport()->geometry();
  Header->setGeometry(Area.left(), Area.top() - HeaderHeight, Area.width(), HeaderHeight);
  const std::int64_t Page = RowsPerPage();
  verticalScrollBar()->setSingleStep(1);
  verticalScrollBar()->setPageStep(ClampToInt(Page));
  verticalScrollBar()->setRange(0, ClampToInt(std::max<std::int64_t>(0, VisibleCount() - Page)));
  horizontalScrollBar()->setSingleStep(RowHeight());
  horizontalScrollBar()->setPageStep(Area.width());
  horizontalScrollBar()->setRange(0, std::max(0, Header->length() - Area.width()));
  Header->setOffset(horizontalScrollBar()->value());
  QAbstractItemView::updateGeometries();
  InUpdateGeometries = false;
}

void TLongTreeView::scrollContentsBy(int Dx, int) {
  if (Dx != 0) Header->setOffset(horizontalScrollBar()->value());
  viewport()->update();
}

void TLongTreeView::paintEvent(QPaintEvent* Event) {
  if (!model()) return;
  QPainter Painter(viewport());
  QStyleOptionViewItem Option;
  initViewItemOption(&Option);
  const QStyle::State Plain = Option.state;
  const int Height = RowHeight();
  const std::int64_t First = FirstShownRow();
  const QRect Dirty = Event->rect();
  const std::int64_t End = std::min(VisibleCount(), First + std::max(0, Dirty.bottom()) / Height + 1);
  const QModelIndex Current = currentIndex();
  for (std::int64_t Visible = First + std::max(0, Dirty.top()) / Height; Visible < End; ++Visible) {
    const TRow Row = RowAt(Visible);
    const int Y = ClampToInt((Visible - First) * Height);
    for (int Section = 0; Section < Header->count(); ++Section) {
      const int Column = Header->logicalIndex(Section);
      if (Header->isSectionHidden(Column)) continue;
      const QModelIndex Cell = Row.Index.siblingAtColumn(Column);
      Option.state = Plain;
      if (selectionModel() && selectionModel()->isSelected(Cell)) Option.state |= QStyle::State_Selected;
      if (Cell == Current && hasFocus()) Option.state |= QStyle::State_HasFocus;
      Option.rect = QRect(Header->sectionViewportPosition(Column), Y, Header->sectionSize(Column), Height);
      if (Column == 0) {
        const QRect Branch = BranchRect(Row, Y);
        if (Option.state & QStyle::State_Selected)
          Painter.fillRect(QRect(Option.rect.left(), Y, Branch.right() + 1 - Option.rect.left(), Height),
                           Option.palette.brush(QPalette::Highlight));
        if (model()->hasChildren(Row.Index)) {
          QStyleOption Indicator;
          Indicator.initFrom(this);
          Indicator.rect = Branch;
          Indicator.state = QStyle::State_Item | QStyle::State_Children;
          if (ExpandedNow.contains(Row.Index)) Indicator.state |= QStyle::State_Open;
          style()->drawPrimitive(QStyle::PE_IndicatorBranch, &Indicator, &Painter, this);
        }
        Option.rect.setLeft(Branch.right() + 1);
      }
      itemDelegateForIndex(Cell)->paint(&Painter, Option, Cell);
    }
  }
}

void TLongTreeView::mousePressEvent(QMouseEvent* Event) {
  const QModelIndex Branch = Event->button() == Qt::LeftButton ? BranchAt(Event->position().toPoint()) : QModelIndex();
  BranchPressed = Branch.isValid();
  if (!BranchPressed) {
    QAbstractItemView::mousePressEvent(Event);
    return;
  }
  SetExpanded(Branch, !ExpandedNow.contains(Branch));
  Event->accept();
}

// A press on a branch indicator chooses no row, and neither do the moves and the release after it.
void TLongTreeView::mouseMoveEvent(QMouseEvent* Event) {
  if (BranchPressed) Event->accept();
  else QAbstractItemView::mouseMoveEvent(Event);
}

void TLongTreeView::mouseReleaseEvent(QMouseEvent* Event) {
  if (!BranchPressed) {
    QAbstractItemView::mouseReleaseEvent(Event);
    return;
  }
  BranchPressed = false;
  Event->accept();
}

void TLongTreeView::mouseDoubleClickEvent(QMouseEvent* Event) {
  const QPoint Point = Event->position().toPoint();
  // The first press of a double click on a branch indicator toggled it.
  if (BranchAt(Point).isValid()) {
    BranchPressed = true;
    Event->accept();
    return;
  }
  QAbstractItemView::mouseDoubleClickEvent(Event);
  const QModelIndex Node = indexAt(Point).siblingAtColumn(0);
  if (Event->button() == Qt::LeftButton && Node.isValid()) SetExpanded(Node, !ExpandedNow.contains(Node));
}

void TLongTreeView::keyPressEvent(QKeyEvent* Event) {
  const QModelIndex Current = currentIndex();
  if (Current.isValid()) {
    switch (Event->key()) {
      case Qt::Key_Asterisk: expandRecursively(Current); return;
      case Qt::Key_Plus: expand(Current); return;
      case Qt::Key_Minus: collapse(Current); return;
      default: break;
    }
  }
  QAbstractItemView::keyPressEvent(Event);
}
