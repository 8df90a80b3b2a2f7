// The status line of the main window (apart from the grids: the progress bar's header and
// the grid's share enumerator names).
#include "client/view.h"
#include "client/view_layout.h"
#include "platform/ui/small_controls.h"

#include <algorithm>

using namespace view_layout;

void TView::BuildStatusLine() {
  StatusPanel = MakePanel(this, this, "StatusPanel", alBottom, 24);
  StatusPanel->SetBevelOuter(bvLowered);
  Status = MakeCaptioned<TLabel>(this, StatusPanel, "Status", "Ready", 8, 4, 50, 15);
  Status->Font().SetColor(clGreen);
  Status->Font().SetStyle({fsBold});
  Progress = Make<TProgressBar>(this, StatusPanel, "Progress", 64, 5, 150, 14);
  Progress->SetMax(100000);
  DatabaseLabel = MakeCaptioned<TLabel>(this, StatusPanel, "DatabaseLabel", "", 226, 4, 380, 15);
}


void TView::ResetProgress() { Progress->SetPosition(0); }

void TView::WebTransferProgress(int ByteCount) { Progress->SetPosition(std::clamp(ByteCount, 0, Progress->Max())); }
