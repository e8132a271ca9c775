#include "Look.h"

#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <cmath>
#include <functional>

QFont VerdanaFont(qreal PointSize, bool Bold) {
  QFont Font;
  Font.setFamilies({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
  Font.setStyleHint(QFont::SansSerif);
  Font.setPointSizeF(PointSize);
  Font.setBold(Bold);
  return Font;
}

QFont VerdanaPixelFont(int PixelSize, bool Bold) {
  QFont Font = VerdanaFont(8, Bold);
  Font.setPixelSize(PixelSize);
  return Font;
}

namespace {

QPixmap Drawn(int Size, const std::function<void(QPainter&, qreal)>& Draw) {
  QPixmap Pixmap(Size, Size);
  Pixmap.fill(Qt::transparent);
  QPainter Painter(&Pixmap);
  Painter.setRenderHint(QPainter::Antialiasing);
  Draw(Painter, Size / 16.0);
  return Pixmap;
}

QPixmap Standard(QStyle::StandardPixmap Which, int Size) {
  return QApplication::style()->standardIcon(Which).pixmap(Size, Size);
}

QPixmap Bell(int Size, const QColor& Colour, bool Struck) {
  return Drawn(Size, [&](QPainter& P, qreal U) {
    P.setPen(QPen(Colour.darker(150), U));
    P.setBrush(Colour);
    QPainterPath Path;
    Path.moveTo(3 * U, 12 * U);
    Path.cubicTo(5 * U, 10 * U, 4 * U, 2 * U, 8 * U, 2 * U);
    Path.cubicTo(12 * U, 2 * U, 11 * U, 10 * U, 13 * U, 12 * U);
    Path.closeSubpath();
    P.drawPath(Path);
    P.drawEllipse(QPointF(8 * U, 13.5 * U), 1.5 * U, 1.5 * U);
    if (Struck) {
      P.setPen(QPen(QColor(200, 0, 0), 1.8 * U));
      P.drawLine(QPointF(2 * U, 2 * U), QPointF(14 * U, 14 * U));
    }
  });
}

QPixmap Dot(int Size, const QColor& Colour, bool Arrows) {
  return Drawn(Size, [&](QPainter& P, qreal U) {
    P.setPen(QPen(Colour.darker(160), U));
    P.setBrush(Colour);
    P.drawEllipse(QPointF(8 * U, 8 * U), 6.5 * U, 6.5 * U);
    P.setPen(QPen(Qt::white, 1.6 * U));
    P.setBrush(Qt::NoBrush);
    if (Arrows) {
      P.drawArc(QRectF(4 * U, 4 * U, 8 * U, 8 * U), 30 * 16, 280 * 16);
      P.setBrush(Qt::white);
      P.drawPolygon(QPolygonF({QPointF(11.5 * U, 3.5 * U), QPointF(13 * U, 7.5 * U), QPointF(9 * U, 6.5 * U)}));
    } else {
      P.drawLine(QPointF(6.5 * U, 5 * U), QPointF(6.5 * U, 11 * U));
      P.drawLine(QPointF(9.5 * U, 5 * U), QPointF(9.5 * U, 11 * U));
    }
  });
}

QPixmap Funnel(int Size) {
  return Drawn(Size, [](QPainter& P, qreal U) {
    P.setPen(QPen(QColor(30, 70, 140), U));
    P.setBrush(QColor(90, 150, 230));
    P.drawPolygon(QPolygonF({QPointF(2 * U, 2.5 * U), QPointF(14 * U, 2.5 * U), QPointF(9.5 * U, 8.5 * U),
                             QPointF(9.5 * U, 14 * U), QPointF(6.5 * U, 12.5 * U), QPointF(6.5 * U, 8.5 * U)}));
  });
}

}  // namespace

QPixmap PicturePixmap(TPicture Picture, int Size) {
  switch (Picture) {
    case TPicture::NewProject: return Standard(QStyle::SP_FileIcon, Size);
    case TPicture::OpenProject: return Standard(QStyle::SP_DialogOpenButton, Size);
    case TPicture::SaveProjectAs: return Standard(QStyle::SP_DialogSaveButton, Size);
    case TPicture::Load: return Standard(QStyle::SP_MediaPlay, Size);
    case TPicture::Blank: return Standard(QStyle::SP_MediaStop, Size);
    case TPicture::Browser: return Standard(QStyle::SP_FileDialogDetailedView, Size);
    case TPicture::AlarmsOn: return Bell(Size, QColor(240, 190, 0), false);
    case TPicture::AlarmsOff: return Bell(Size, QColor(170, 170, 170), true);
    case TPicture::SaveProject: return Standard(QStyle::SP_DialogSaveButton, Size);
    case TPicture::NotTracking: return Dot(Size, QColor(150, 150, 150), false);
    case TPicture::Tracking: return Dot(Size, QColor(0, 150, 0), true);
    case TPicture::Filter: return Funnel(Size);
    case TPicture::Export: return Standard(QStyle::SP_DialogSaveButton, Size);
    case TPicture::Search: return Standard(QStyle::SP_FileDialogContentsView, Size);
    case TPicture::Sort: return Standard(QStyle::SP_ArrowDown, Size);
    case TPicture::Previous: return Standard(QStyle::SP_ArrowLeft, Size);
    case TPicture::Next: return Standard(QStyle::SP_ArrowRight, Size);
    case TPicture::ResetView: return Standard(QStyle::SP_BrowserReload, Size);
    case TPicture::ScaleVertical: return Standard(QStyle::SP_TitleBarShadeButton, Size);
    case TPicture::AddVariable: return Standard(QStyle::SP_FileDialogNewFolder, Size);
    case TPicture::SavePicture: return Standard(QStyle::SP_DesktopIcon, Size);
  }
  return {};
}

QIcon PictureIcon(TPicture Picture) { return QIcon(PicturePixmap(Picture, 32)); }

QToolButton* AddToolButton(QToolBar* ToolBar, TPicture Picture, const char* Hint) {
  auto* Button = new QToolButton(ToolBar);
  Button->setIcon(PictureIcon(Picture));
  if (Hint) Button->setToolTip(QString::fromLatin1(Hint));
  Button->setAutoRaise(true);
  ToolBar->addWidget(Button);
  return Button;
}

QPixmap SplashPicture() {
  QPixmap Pixmap(400, 200);
  QPainter P(&Pixmap);
  P.setRenderHint(QPainter::Antialiasing);
  QLinearGradient Sky(0, 0, 0, 200);
  Sky.setColorAt(0, QColor(8, 20, 60));
  Sky.setColorAt(1, QColor(30, 70, 140));
  P.fillRect(Pixmap.rect(), Sky);
  // A telemetry trace across the picture.
  P.setPen(QPen(QColor(120, 220, 120), 2));
  QPolygonF Trace;
  for (int X = 0; X <= 400; X += 8) Trace << QPointF(X, 120 + 18 * std::sin(X / 23.0) * std::cos(X / 71.0));
  P.drawPolyline(Trace);
  P.setPen(Qt::white);
  P.setFont(VerdanaPixelFont(44, true));
  P.drawText(QRect(0, 24, 400, 60), Qt::AlignHCenter, QStringLiteral("Vorex"));
  P.setFont(VerdanaPixelFont(13, false));
  P.drawText(QRect(0, 80, 400, 24), Qt::AlignHCenter, QStringLiteral("Data Tracker and Browser"));
  P.fillRect(QRect(0, 178, 400, 22), Qt::white);
  return Pixmap;
}
