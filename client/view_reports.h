// The main window's way into the search and report windows: the search window and the search
// results window (created at the first use and kept), the graph window, the quick report setup
// and the grid printing through the quick report window.
#pragma once

class TView;
class TQnStringGrid;
class TSearchList;
class TReportWindows;

// Binds the tool buttons and menu items of the main window that open these windows.
void WireReportWindows(TView& View);
// Saves the shown record and shows the search window.
void OpenSearchWindow(TView& View);
void OpenSearchResults(TView& View);
void OpenGraphWindow(TView& View);
// Saves the shown record and opens the quick report setup.
void OpenQuickReportSetup(TView& View);
// The image report of the shown record (the quick print button and menu entry).
void OpenImageReport(TView& View);
// The quick report window over the grid's header and data rows (its empty last row left out).
void PrintGridReport(TView& View, TQnStringGrid& Grid);
// The search list the main window walks through.
TSearchList& ViewSearchList(TView& View);
// The report windows of the main window (created at the first use).
TReportWindows& ReportWindowsOf(TView& View);
