// "CD Player": the media player's buttons over the audio CD device, the track and position,
// and the continuous play and repeat options.  Not modal; one at a time.
#pragma once

#include <memory>

#include "client/core/cd_player.h"
#include "platform/ui/forms.h"
#include "platform/ui/media_player.h"
#include "platform/ui/std_buttons.h"
#include "platform/ui/std_painted.h"
#include "platform/ui/timer.h"

class TCDForm : public TForm {
public:
  explicit TCDForm(TComponent* AOwner);
  ~TCDForm() override;

  // The window shown now (null when none is).
  static TCDForm* Current();
  // "Display CD Player": shows the window, creating it when there is none.
  static TCDForm* Display(TComponent* AOwner);

  TMediaPlayer* CD = nullptr;
  TLabel* lblTrack = nullptr;
  TLabel* lblTime = nullptr;
  TLabel* CDStatus = nullptr;
  TLabel* TrackTitle = nullptr;
  TLabel* TimeTitle = nullptr;
  TCheckBox* ContinuousPlay = nullptr;
  TCheckBox* RepeatSong = nullptr;
  TTimer* Timer1 = nullptr;
  std::unique_ptr<TCdPlayerPort> Port;
  std::unique_ptr<TCDPlayerLogic> Logic;

  // The labels take the logic's texts and colour.
  void ShowState();
};
