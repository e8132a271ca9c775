#include "project/AlarmNotices.h"

#include "project/AlarmCheck.h"
#include "widgets/TextBridge.h"

void TAlarmNotices::Show(QWidget* Parent, const TAlarmEntry& Alarm, double Value, std::int64_t MoreHits) {
  TOpenNotice& Open = Notices[AlarmCaption(Alarm)];
  if (Open.Notice && Open.Notice->IsOpen()) {
    Open.LaterHits += MoreHits + 1;
    Open.Notice->SetText(FromBytes(AlarmNoticeText(Alarm, Open.Value, Open.MoreHits, Open.LaterHits)));
    return;
  }
  Open = {Dialogs().ShowNotice(Parent, FromBytes(AlarmNoticeText(Alarm, Value, MoreHits)), TDlgType::Warning), Value,
          MoreHits, 0};
}
