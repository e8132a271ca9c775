#pragma once
// The project files opened or saved last, newest first, kept in the user's
// settings between runs.
#include <QStringList>

constexpr int MaxRecentProjects = 8;

// The list as the settings hold it.
QStringList RecentProjects();
// Puts Path at the head of the list (once; the oldest beyond the limit fall off).
void AddRecentProject(const QString& Path);
void RemoveRecentProject(const QString& Path);
