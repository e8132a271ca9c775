#pragma once
// The item model of a browser's tree: the browser's top-level order over the
// BaseFrames, whose trees it asks the browser tree for when a cell is drawn
// or a BaseFrame expanded. The trees of expanded BaseFrames are held while
// the model lives. Texts, hints and styles are computed when a cell is drawn.
#include <QAbstractItemModel>
#include <QFont>
#include <functional>
#include <memory>
#include <unordered_map>

#include "browser/BrowserTree.h"

class TBrowserModel : public QAbstractItemModel {
 public:
  TBrowserModel(TBrowserTree& Tree, const TFramesDefinition& Definition, const std::vector<std::string>& Messages,
                const double& StartTime, QObject* Parent);

  QModelIndex index(int Row, int Column, const QModelIndex& Parent = QModelIndex()) const override;
  QModelIndex parent(const QModelIndex& Index) const override;
  int rowCount(const QModelIndex& Parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& Parent = QModelIndex()) const override;
  bool hasChildren(const QModelIndex& Parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
  QVariant headerData(int Section, Qt::Orientation Orientation, int Role = Qt::DisplayRole) const override;

  // The changes of the tree, each announced to the views.
  void Append(int Source, const TBrowserTree::TNewFrames& New);
  void Sort();
  void ApplyFilters();
  void Clear();

  // The node of the index; a BaseFrame's tree not held by the model lives at
  // least until 1024 more trees were asked for.
  const TDecodedNode* NodeAt(const QModelIndex& Index) const;
  TNodePath PathOf(const QModelIndex& Index) const;
  QModelIndex IndexOf(const TNodePath& Path) const;

  // The font of bold cells.
  QFont BoldFont;
  // Per source, the mark of its BaseFrames' captions; none with one packet file.
  std::vector<std::string> FileMarks;

 private:
  // A node whose children the views have asked for, and the one above it
  // (none for a BaseFrame, which holds its tree). Child indexes carry their
  // parent's reference.
  struct TNodeRef {
    const TDecodedNode* Node;
    TNodeRef* Parent;
    TFrameId Frame;    // of the BaseFrame the node lies in
    TTreeHandle Tree;  // a BaseFrame's
  };
  TNodeRef* RefOf(const QModelIndex& Index) const;
  // The mark of a top-level index's packet file; empty below the top level.
  std::string FileMarkOf(const QModelIndex& Index) const;
  // Re-points the views' persistent top-level indexes after the top level changed.
  void ChangeTopLevel(const std::function<void()>& Change);

  TBrowserTree& Tree;
  const TFramesDefinition& Definition;
  const std::vector<std::string>& Messages;
  const double& StartTime;
  // Of BaseFrames by TFrameId::Key, of the nodes below by node.
  mutable std::unordered_map<std::uint64_t, std::unique_ptr<TNodeRef>> FrameRefs;
  mutable std::unordered_map<const TDecodedNode*, std::unique_ptr<TNodeRef>> Refs;
  // The BaseFrame of a top-level index: the one its reference holds, or else
  // the one the tree gives.
  TTreeHandle FrameTree(std::size_t Row) const;
};
