#include "QtFileWatch.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QPointer>
#include <QTimer>

#include "common/FileWatch.h"

namespace {

class TQtFileWatch : public TFileWatch {
 public:
  TQtFileWatch(const QString& Path, std::function<void()> OnChange)
      : Owner(new QObject), OnChange(std::move(OnChange)) {
    auto* Watcher = new QFileSystemWatcher(Owner);
    auto* Quiet = new QTimer(Owner);
    Quiet->setSingleShot(true);
    Quiet->setInterval(FileWatchQuietMilliseconds);
    Watcher->addPath(Path);
    QObject::connect(Watcher, &QFileSystemWatcher::fileChanged, Owner, [Watcher, Quiet, Path] {
      // A file written anew by replacing it drops out of the watch.
      if (!Watcher->files().contains(Path) && QFileInfo::exists(Path)) Watcher->addPath(Path);
      Quiet->start();
    });
    QObject::connect(Quiet, &QTimer::timeout, Owner, [this] {
      // The call may end this watch: it runs on a copy.
      const std::function<void()> Call = this->OnChange;
      Call();
    });
  }
  ~TQtFileWatch() override {
    // The watch may end inside its own notification: its objects go when events next run.
    Owner->disconnect();
    for (QObject* Child : Owner->children()) Child->disconnect();
    Owner->deleteLater();
  }

 private:
  QObject* Owner;
  std::function<void()> OnChange;
};

}  // namespace

void InstallQtFileWatches() {
  SetFileWatchFactory([](const std::string& Path, std::function<void()> OnChange) -> std::unique_ptr<TFileWatch> {
    return std::make_unique<TQtFileWatch>(QString::fromStdString(Path), std::move(OnChange));
  });
}
