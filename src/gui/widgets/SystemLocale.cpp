#include "SystemLocale.h"

#include <QDateTime>
#include <QLocale>

#include "common/DateTime.h"
#include "common/FormatSettings.h"

double NowInDays() {
  const QDateTime Now = QDateTime::currentDateTime();
  const QDate Date = Now.date();
  const QTime Time = Now.time();
  return EncodeDateTime(
      {Date.year(), Date.month(), Date.day(), Time.hour(), Time.minute(), Time.second(), Time.msec()});
}

void ApplySystemLocale() {
  const QLocale Locale = QLocale::system();
  // Without a configured locale the built-in numeric formats stay.
  if (Locale.language() == QLocale::C) return;
  TFormatSettings& Settings = FormatSettings();
  const QString Separator = Locale.decimalPoint();
  if (Separator.size() == 1 && Separator[0].unicode() < 0x80) Settings.DecimalSeparator = Separator[0].toLatin1();
  // Dates are written and read back with numbers only; month and day names are not.
  const QString Date = Locale.dateFormat(QLocale::ShortFormat);
  if (!Date.contains(QLatin1String("MMM")) && !Date.contains(QLatin1String("ddd")))
    Settings.ShortDateFormat = Date.toStdString();
  // The zone name some locales add to their long time format is no part of a time of the data.
  QString Time = Locale.timeFormat(QLocale::LongFormat);
  Time.remove(QLatin1String(" t")).remove(QLatin1Char('t'));
  Settings.LongTimeFormat = Time.trimmed().toStdString();
}
