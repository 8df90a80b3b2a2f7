// The date and time picker: a TDateTime shown in ShortDateFormat (dates) or LongTimeFormat
// (times). Left and Right pick a part of the shown text, Up and Down step it; the user's
// changes fire OnChange, code setting the value does not, as in the class library.
#pragma once

#include "platform/rtl/date_time.h"
#include "platform/ui/native_control.h"

enum TDateTimeKind { dtkDate, dtkTime };
enum TDTDateMode { dmComboBox, dmUpDown };

class TDateTimePicker : public TNativeControl {
public:
  explicit TDateTimePicker(TComponent* AOwner);
  ~TDateTimePicker() override;

  std::string WindowClass() const override { return "DATETIMEPICKER"; }

  TDateTimeKind Kind() const { return FKind; }
  void SetKind(TDateTimeKind value);
  TDTDateMode DateMode() const { return FDateMode; }
  void SetDateMode(TDTDateMode value);
  TDateTime DateTime() const { return FDateTime; }
  void SetDateTime(TDateTime value);
  TDateTime Date() const;
  void SetDate(TDateTime value);
  TDateTime Time() const;
  void SetTime(TDateTime value);
  bool ShowCheckbox() const { return FShowCheckbox; }
  void SetShowCheckbox(bool value);
  bool Checked() const { return FChecked; }
  void SetChecked(bool value);
  // The format the value shows in, and the shown text.
  std::string Format() const;
  std::string DisplayText() const;
  // The part Up and Down step: 0 is the first of the format.
  int Part() const { return FPart; }

  void WndProc(TMessage& message) override;

  TNotifyEvent OnChange;

  // Reports of a native peer.
  void PeerDateTimeChanged(TDateTime value);
  void PeerCheckedChanged(bool checked);

protected:
  virtual void Change();
  void PushState() override;

private:
  void StepPart(int delta);
  void UserSet(TDateTime value);
  std::string PartLetters() const;

  TDateTimeKind FKind = dtkDate;
  TDTDateMode FDateMode = dmComboBox;
  TDateTime FDateTime = 0;
  bool FShowCheckbox = false;
  bool FChecked = true;
  int FPart = 0;
};
