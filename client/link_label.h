// A link of the main window's bars: underlined blue text that runs a command when clicked. (Made
// here, apart from the windows that show grids: the markup label and the grid name their
// vertical alignments alike.)
#pragma once

#include <string>

#include "platform/ui/std_painted.h"

// A markup label named `Name` on `Parent` at the given place, showing `Text` as a link, vertically
// centred, with the hand cursor; its OnClick is the command.
TCustomLabel* MakeLinkLabel(TComponent* Owner, TWinControl* Parent, const std::string& Name, const std::string& Text,
                            int Left, int Top, int Width, int Height);
// The markup of a link label (its lines joined), for tests.
std::string LinkLabelMarkup(TCustomLabel* Label);
