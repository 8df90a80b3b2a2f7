// The Qt mapping of clipboard formats to mime data, shared by the clipboard, drags and drops.
#pragma once

#include <QMimeData>
#include <QWidget>

#include "platform/ui/clipboard.h"
#include "platform/ui/ole_drag.h"

// text/plain (UTF-8) for CF_TEXT, text/uri-list for CF_HDROP, text/rtf for "Rich Text Format"
// (application/rtf also read), application/x-qn-<name> for other registered names
// ("Grid Column" -> application/x-qn-grid-column).
QMimeData* MimeDataFromFormats(const TClipboardFormats& formats);
TClipboardFormats FormatsFromMimeData(const QMimeData* mime);

// A native peer tells which widget shows a control, so drop targets can be attached to it.
void SetNativeWidget(TWinControl& control, QWidget* widget);
QWidget* DropWidgetOf(TWinControl& control);
