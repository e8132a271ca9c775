#pragma once
// Change notifications of tracked files from the file system, on the GUI's event loop.

// Quiet time after the last notification before the watch reports the change.
constexpr int FileWatchQuietMilliseconds = 200;

// Makes CreateFileWatch hand out watches built on the toolkit's file system watcher.
void InstallQtFileWatches();
