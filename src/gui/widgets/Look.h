#pragma once
// Fonts and pictures the windows share.
#include <QFont>
#include <QIcon>
#include <QPixmap>

class QToolBar;
class QToolButton;

// Verdana where the machine has it, a close sans-serif otherwise.
QFont VerdanaFont(qreal PointSize = 8, bool Bold = false);
QFont VerdanaPixelFont(int PixelSize, bool Bold);

enum class TPicture {
  NewProject,
  OpenProject,
  SaveProjectAs,  // main window tool bar
  Load,
  Blank,
  Browser,
  AlarmsOn,
  AlarmsOff,
  SaveProject,  // project tool bar
  NotTracking,
  Tracking,  // project status
  Filter,
  Export,
  Search,
  Sort,  // browser tool bar
  Previous,
  Next,  // hex viewer
  ResetView,
  ScaleVertical,
  AddVariable,
  SavePicture  // plot tool bar
};

QIcon PictureIcon(TPicture Picture);
// A tool button raised on hover, with the picture and hint (none when Hint is null), added to ToolBar.
QToolButton* AddToolButton(QToolBar* ToolBar, TPicture Picture, const char* Hint);
QPixmap PicturePixmap(TPicture Picture, int Size = 16);
// The 400 x 200 splash picture.
QPixmap SplashPicture();
