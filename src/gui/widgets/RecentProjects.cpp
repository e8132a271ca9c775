#include "RecentProjects.h"

#include <QFileInfo>
#include <QSettings>

namespace {

const QString RecentKey = QStringLiteral("RecentProjects");

// The user's settings file of the program.
class TUserSettings : public QSettings {
 public:
  TUserSettings() : QSettings(QStringLiteral("Vorex"), QStringLiteral("vorex")) {}
};

void Store(const QStringList& Paths) { TUserSettings().setValue(RecentKey, Paths); }

}  // namespace

QStringList RecentProjects() { return TUserSettings().value(RecentKey).toStringList(); }

void AddRecentProject(const QString& Path) {
  const QString Absolute = QFileInfo(Path).absoluteFilePath();
  QStringList Paths = RecentProjects();
  Paths.removeAll(Absolute);
  Paths.prepend(Absolute);
  while (Paths.size() > MaxRecentProjects) Paths.removeLast();
  Store(Paths);
}

void RemoveRecentProject(const QString& Path) {
  QStringList Paths = RecentProjects();
  Paths.removeAll(Path);
  Store(Paths);
}
