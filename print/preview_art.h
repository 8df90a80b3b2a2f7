// The pictures of the preview and its companions (navigator glyphs, orientation and
// pages-per-sheet pictures, paper list icons) and the zoom cursors, drawn for this program.
#pragma once

// Registers them once as bitmap resources ("FIRST" ... "FITWHOLEPAGE", "Portrait", "Landscape",
// "OnePage", "TwoPage", "FourPage", "Envelope", "Paper", "Printer") and cursors 101 and 102.
void RegisterPreviewResources();
