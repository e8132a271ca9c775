#pragma once
// The data holders' tracking timers on the GUI's event loop.

// Makes CreateTimer hand out timers that fire from the Qt event loop.
void InstallQtTimers();
