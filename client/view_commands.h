// The main window's report, mail, summary, barcode and print commands, bound to its menus and
// buttons.
#pragma once

class TView;

void WireMainCommands(TView& View);
