#include "browser/BrowserModel.h"

#include <QColor>

#include "browser/BrowserTexts.h"
#include "widgets/TextBridge.h"

namespace {

const TDecodedNode* ChildAt(const TDecodedNode* Node, int Row) {
  const TDecodedNode* Child = Node->Child;
  for (; Child && Row > 0; --Row) Child = Child->Next;
  return Row == 0 ? Child : nullptr;
}

int RowInList(const TDecodedNode* List, const TDecodedNode* Node) {
  int Row = 0;
  for (; List && List != Node; List = List->Next) ++Row;
  return List ? Row : -1;
}

}  // namespace

TBrowserModel::TBrowserModel(TBrowserTree& Tree, const TFramesDefinition& Definition,
                             const std::vector<std::string>& Messages, const double& StartTime, QObject* Parent)
    : QAbstractItemModel(Parent), Tree(Tree), Definition(Definition), Messages(Messages), StartTime(StartTime) {
  BoldFont.setBold(true);
}

TTreeHandle TBrowserModel::FrameTree(std::size_t Row) const {
  const auto Held = FrameRefs.find(Tree.FrameId(Row).Key());
  return Held != FrameRefs.end() ? Held->second->Tree : Tree.Frame(Row);
}

const TDecodedNode* TBrowserModel::NodeAt(const QModelIndex& Index) const {
  if (!Index.isValid()) return nullptr;
  const auto* Ref = static_cast<const TNodeRef*>(Index.internalPointer());
  if (!Ref)
    return Index.row() < static_cast<int>(Tree.FrameCount()) ? FrameTree(static_cast<std::size_t>(Index.row())).get()
                                                             : nullptr;
  return ChildAt(Ref->Node, Index.row());
}

std::string TBrowserModel::FileMarkOf(const QModelIndex& Index) const {
  if (Index.internalPointer()) return {};
  const auto Source = static_cast<std::size_t>(Tree.FrameSource(static_cast<std::size_t>(Index.row())));
  return Source < FileMarks.size() ? FileMarks[Source] : std::string();
}

TBrowserModel::TNodeRef* TBrowserModel::RefOf(const QModelIndex& Index) const {
  auto* Parent = static_cast<TNodeRef*>(Index.internalPointer());
  if (!Parent) {
    if (Index.row() < 0 || Index.row() >= static_cast<int>(Tree.FrameCount())) return nullptr;
    const auto Row = static_cast<std::size_t>(Index.row());
    const TFrameId Frame = Tree.FrameId(Row);
    std::unique_ptr<TNodeRef>& Ref = FrameRefs[Frame.Key()];
    if (!Ref) {
      TTreeHandle Root = Tree.Frame(Row);
      if (!Root) {
        FrameRefs.erase(Frame.Key());
        return nullptr;
      }
      Ref = std::make_unique<TNodeRef>(TNodeRef{Root.get(), nullptr, Frame, std::move(Root)});
    }
    return Ref.get();
  }
  const TDecodedNode* Node = ChildAt(Parent->Node, Index.row());
  if (!Node) return nullptr;
  std::unique_ptr<TNodeRef>& Ref = Refs[Node];
  if (!Ref) Ref = std::make_unique<TNodeRef>(TNodeRef{Node, Parent, Parent->Frame, nullptr});
  return Ref.get();
}

QModelIndex TBrowserModel::index(int Row, int Column, const QModelIndex& Parent) const {
  if (Row < 0 || Column < 0 || Column > 1 || Parent.column() > 0) return {};
  if (!Parent.isValid())
    return Row < static_cast<int>(Tree.FrameCount()) ? createIndex(Row, Column, nullptr) : QModelIndex();
  TNodeRef* Ref = RefOf(Parent);
  if (!Ref || !ChildAt(Ref->Node, Row)) return {};
  return createIndex(Row, Column, Ref);
}

QModelIndex TBrowserModel::parent(const QModelIndex& Index) const {
  if (!Index.isValid()) return {};
  const auto* Ref = static_cast<const TNodeRef*>(Index.internalPointer());
  if (!Ref) return {};
  const std::int64_t Row = Ref->Parent ? RowInList(Ref->Parent->Node->Child, Ref->Node) : Tree.RowOf(Ref->Frame);
  if (Row < 0) return {};
  return createIndex(static_cast<int>(Row), 0, Ref->Parent);
}

int TBrowserModel::rowCount(const QModelIndex& Parent) const {
  if (Parent.column() > 0) return 0;
  if (!Parent.isValid()) return static_cast<int>(Tree.FrameCount());
  const TDecodedNode* Node = NodeAt(Parent);
  int Count = 0;
  if (Node)
    for (const TDecodedNode* Child = Node->Child; Child; Child = Child->Next) ++Count;
  return Count;
}

int TBrowserModel::columnCount(const QModelIndex&) const { return 2; }

bool TBrowserModel::hasChildren(const QModelIndex& Parent) const {
  if (!Parent.isValid()) return Tree.FrameCount() > 0;
  if (Parent.column() != 0) return false;
  if (!Parent.internalPointer()) {
    const auto Row = static_cast<std::size_t>(Parent.row());
    return Row < Tree.FrameCount() && Tree.FrameHasChildren(Row);
  }
  const TDecodedNode* Node = NodeAt(Parent);
  return Node && Node->Child;
}

QVariant TBrowserModel::data(const QModelIndex& Index, int Role) const {
  const TDecodedNode* Node = NodeAt(Index);
  if (!Node) return {};
  switch (Role) {
    case Qt::DisplayRole:
      return FromBytes(Index.column() == 0 ? NodeNameText(Definition, *Node, StartTime, FileMarkOf(Index))
                                           : NodeValueText(Definition, *Node));
    case Qt::ToolTipRole: {
      const QString Hint = FromBytes(NodeHintText(Definition, *Node, Messages));
      return Hint.isEmpty() ? QVariant()
                            : QVariant(QString(Hint).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    }
    case Qt::FontRole: return NodeStyle(Definition, *Node) == TNodeStyle::Bold ? QVariant(BoldFont) : QVariant();
    case Qt::ForegroundRole:
      return NodeStyle(Definition, *Node) == TNodeStyle::Computed ? QVariant(QColor(34, 34, 153)) : QVariant();
    default: return {};
  }
}

QVariant TBrowserModel::headerData(int Section, Qt::Orientation Orientation, int Role) const {
  if (Orientation != Qt::Horizontal || Role != Qt::DisplayRole) return {};
  return Section == 0 ? QStringLiteral("Name") : QStringLiteral("Value");
}

void TBrowserModel::Append(int Source, const TBrowserTree::TNewFrames& New) {
  if (New.Records.empty()) return;
  const int First = static_cast<int>(Tree.FrameCount());
  beginInsertRows(QModelIndex(), First, First + static_cast<int>(New.Records.size()) - 1);
  Tree.Append(Source, New);
  endInsertRows();
}

void TBrowserModel::ChangeTopLevel(const std::function<void()>& Change) {
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const QModelIndexList From = persistentIndexList();
  // The BaseFrame each persistent index lies in.
  std::vector<TFrameId> Frames;
  Frames.reserve(static_cast<std::size_t>(From.size()));
  for (const QModelIndex& Index : From) {
    const auto* Ref = static_cast<const TNodeRef*>(Index.internalPointer());
    Frames.push_back(Ref ? Ref->Frame : Tree.FrameId(static_cast<std::size_t>(Index.row())));
  }
  Change();
  QModelIndexList To;
  To.reserve(From.size());
  for (qsizetype I = 0; I < From.size(); ++I) {
    const std::int64_t Row = Tree.RowOf(Frames[static_cast<std::size_t>(I)]);
    if (Row < 0) To.append(QModelIndex());
    else if (From[I].internalPointer()) To.append(From[I]);
    else To.append(createIndex(static_cast<int>(Row), From[I].column(), nullptr));
  }
  changePersistentIndexList(From, To);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TBrowserModel::Sort() {
  ChangeTopLevel([this] { Tree.Sort(); });
}

void TBrowserModel::ApplyFilters() {
  // Most passes remove nothing; the views hear only of real changes.
  const std::vector<std::size_t> Excluded = Tree.ExcludedRows();
  if (!Excluded.empty()) ChangeTopLevel([&] { Tree.RemoveRows(Excluded); });
}

void TBrowserModel::Clear() {
  beginResetModel();
  Tree.Clear();
  FrameRefs.clear();
  Refs.clear();
  endResetModel();
}

TNodePath TBrowserModel::PathOf(const QModelIndex& Index) const {
  const TDecodedNode* Node = NodeAt(Index);
  if (!Node) return {};
  const auto* Ref = static_cast<const TNodeRef*>(Index.internalPointer());
  if (!Ref) {
    const auto Row = static_cast<std::size_t>(Index.row());
    return {Tree.FrameId(Row), FrameTree(Row), {Node}};
  }
  TNodePath Path{Ref->Frame, nullptr, {Node}};
  for (; Ref; Ref = Ref->Parent) {
    Path.Nodes.insert(Path.Nodes.begin(), Ref->Node);
    if (!Ref->Parent) Path.Tree = Ref->Tree;
  }
  return Path;
}

QModelIndex TBrowserModel::IndexOf(const TNodePath& Path) const {
  if (Path.empty()) return {};
  const std::int64_t Row = Tree.RowOf(Path.Frame);
  if (Row < 0) return {};
  QModelIndex Index = index(static_cast<int>(Row), 0);
  for (std::size_t I = 1; I < Path.size() && Index.isValid(); ++I)
    Index = index(RowInList(Path[I - 1]->Child, Path[I]), 0, Index);
  return Index;
}
