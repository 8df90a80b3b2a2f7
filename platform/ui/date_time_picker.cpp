#include "platform/ui/date_time_picker.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "platform/rtl/format_settings.h"

TDateTimePicker::TDateTimePicker(TComponent* AOwner) : TNativeControl(AOwner) {
  SetBounds(0, 0, 186, 21);
  SetColor(clWindow);
  FDateTime = Now();
}

TDateTimePicker::~TDateTimePicker() { DestroyHandle(); }

std::string TDateTimePicker::Format() const {
  return FKind == dtkDate ? FormatSettings.ShortDateFormat : FormatSettings.LongTimeFormat;
}

std::string TDateTimePicker::DisplayText() const { return FormatDateTime(Format(), FDateTime); }

std::string TDateTimePicker::PartLetters() const {
  // The parts of the format in their order: d, m, y for dates; h, n, s for times.
  std::string parts;
  std::string f = Format();
  for (std::size_t i = 0; i < f.size(); ++i) {
    char c = static_cast<char>(std::tolower(static_cast<unsigned char>(f[i])));
    if (f.compare(i, 4, "AMPM") == 0 || f.compare(i, 5, "AM/PM") == 0) break;
    bool part = FKind == dtkDate ? (c == 'd' || c == 'm' || c == 'y') : (c == 'h' || c == 'n' || c == 's');
    if (part && parts.find(c) == std::string::npos) parts += c;
  }
  return parts;
}

TDateTime TDateTimePicker::Date() const { return DateOf(FDateTime); }
TDateTime TDateTimePicker::Time() const { return TimeOf(FDateTime); }

void TDateTimePicker::SetDateTime(TDateTime value) {
  FDateTime = value;
  if (auto* peer = NativePeer<TDatePickerPeer>()) peer->SetDateTime(value);
  Invalidate();
}

void TDateTimePicker::SetDate(TDateTime value) { SetDateTime(ComposeDateTime(DateOf(value), Time())); }
void TDateTimePicker::SetTime(TDateTime value) { SetDateTime(ComposeDateTime(Date(), TimeOf(value))); }

void TDateTimePicker::SetKind(TDateTimeKind value) {
  FKind = value;
  FPart = 0;
  PushState();
}

void TDateTimePicker::SetDateMode(TDTDateMode value) {
  FDateMode = value;
  PushState();
}

void TDateTimePicker::SetShowCheckbox(bool value) {
  FShowCheckbox = value;
  if (auto* peer = NativePeer<TDatePickerPeer>()) peer->SetShowCheckbox(value, FChecked);
}

void TDateTimePicker::SetChecked(bool value) {
  FChecked = value;
  if (auto* peer = NativePeer<TDatePickerPeer>()) peer->SetShowCheckbox(FShowCheckbox, value);
}

void TDateTimePicker::PushState() {
  auto* peer = NativePeer<TDatePickerPeer>();
  if (!peer) return;
  peer->SetKind(static_cast<int>(FKind), FKind == dtkDate && FDateMode == dmComboBox, Format());
  peer->SetDateTime(FDateTime);
  peer->SetShowCheckbox(FShowCheckbox, FChecked);
}

void TDateTimePicker::Change() {
  if (OnChange) OnChange(this);
}

void TDateTimePicker::UserSet(TDateTime value) {
  if (value == FDateTime) return;
  SetDateTime(value);
  Change();
}

void TDateTimePicker::StepPart(int delta) {
  std::string parts = PartLetters();
  if (parts.empty()) return;
  char part = parts[static_cast<std::size_t>(std::clamp(FPart, 0, static_cast<int>(parts.size()) - 1))];
  TDateTime v = FDateTime;
  switch (part) {
    case 'd': v += delta; break;
    case 'm': v = IncMonth(v, delta); break;
    case 'y': v = IncMonth(v, 12 * delta); break;
    default: {
      // Times wrap within the day.
      double step = part == 'h' ? 1.0 / HoursPerDay : part == 'n' ? 1.0 / MinsPerDay : 1.0 / SecsPerDay;
      double t = std::fmod(TimeOf(v) + delta * step, 1.0);
      if (t < 0) t += 1;
      if (t >= 1 - 0.5 / MSecsPerDay) t = 0;
      v = ComposeDateTime(DateOf(v), t);
      break;
    }
  }
  UserSet(v);
}

void TDateTimePicker::PeerDateTimeChanged(TDateTime value) { UserSet(value); }

void TDateTimePicker::PeerCheckedChanged(bool checked) {
  if (checked == FChecked) return;
  FChecked = checked;
  Change();
}

void TDateTimePicker::WndProc(TMessage& m) {
  if (m.Msg == WM_GETDLGCODE) {
    // The arrows pick and step the date's parts.
    m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
    return;
  }
  if (m.Msg != WM_KEYDOWN) return TNativeControl::WndProc(m);
  TNativeControl::WndProc(m);
  if (m.Result || !m.WParam) return;
  int parts = static_cast<int>(PartLetters().size());
  switch (m.WParam) {
    case VK_LEFT: FPart = std::max(FPart - 1, 0); break;
    case VK_RIGHT: FPart = std::min(FPart + 1, std::max(parts - 1, 0)); break;
    case VK_UP: StepPart(1); break;
    case VK_DOWN: StepPart(-1); break;
    case VK_SPACE:
      if (!FShowCheckbox) return;
      SetChecked(!FChecked);
      Change();
      break;
    default: return;
  }
  m.Result = 1;
}
