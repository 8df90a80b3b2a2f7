// OLE drag and drop with plain C++ interfaces of our own: data objects, drop sources, drop
// targets attached to controls, and the drag loop that a backend runs.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/win_types.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/messages.h"

// HRESULT and the common codes (S_OK, E_FAIL, ...) are in win_types.h.
inline constexpr HRESULT
    DV_E_FORMATETC = static_cast<HRESULT>(0x80040064),
    DV_E_TYMED = static_cast<HRESULT>(0x80040069),
    DV_E_DVASPECT = static_cast<HRESULT>(0x8004006B),
    DRAGDROP_S_DROP = 0x00040100,
    DRAGDROP_S_CANCEL = 0x00040101,
    DRAGDROP_S_USEDEFAULTCURSORS = 0x00040102,
    DRAGDROP_E_NOTREGISTERED = static_cast<HRESULT>(0x80040100),
    DRAGDROP_E_ALREADYREGISTERED = static_cast<HRESULT>(0x80040101),
    DRAGDROP_E_INVALIDHWND = static_cast<HRESULT>(0x80040102);

enum : DWORD {
  DROPEFFECT_NONE = 0, DROPEFFECT_COPY = 1, DROPEFFECT_MOVE = 2, DROPEFFECT_LINK = 4,
  DROPEFFECT_SCROLL = 0x80000000u
};
enum : DWORD { DVASPECT_CONTENT = 1 };
enum : DWORD { TYMED_NULL = 0, TYMED_HGLOBAL = 1 };
enum : DWORD { DATADIR_GET = 1, DATADIR_SET = 2 };

struct FORMATETC {
  UINT cfFormat = 0;
  void* ptd = nullptr;
  DWORD dwAspect = DVASPECT_CONTENT;
  LONG lindex = -1;
  DWORD tymed = TYMED_HGLOBAL;
};

// A medium handed out by GetData; the receiver frees it with ReleaseStgMedium.
struct STGMEDIUM {
  DWORD tymed = TYMED_NULL;
  HGLOBAL hGlobal = nullptr;
};
void ReleaseStgMedium(STGMEDIUM& medium);

// ---- Interfaces ----------------------------------------------------------------------------
class IDataObject {
public:
  virtual ~IDataObject() = default;
  virtual HRESULT GetData(const FORMATETC& format, STGMEDIUM& medium) = 0;
  virtual HRESULT QueryGetData(const FORMATETC& format) = 0;
  // The formats offered for reading (DATADIR_GET); E_NOTIMPL for other directions.
  virtual HRESULT EnumFormatEtc(DWORD direction, std::vector<FORMATETC>& formats) = 0;
  virtual HRESULT SetData(const FORMATETC&, STGMEDIUM&, bool /*release*/) { return E_NOTIMPL; }
};

class IDropSource {
public:
  virtual ~IDropSource() = default;
  // S_OK to go on, DRAGDROP_S_DROP or DRAGDROP_S_CANCEL to end the drag.
  virtual HRESULT QueryContinueDrag(BOOL escapePressed, DWORD keyState) = 0;
  virtual HRESULT GiveFeedback(DWORD effect) = 0;
};

class IDropTarget {
public:
  virtual ~IDropTarget() = default;
  // `effect` comes in as the effects the source allows and goes out as the one chosen.
  virtual HRESULT DragEnter(IDataObject* data, DWORD keyState, TPoint screenPoint, DWORD* effect) = 0;
  virtual HRESULT DragOver(DWORD keyState, TPoint screenPoint, DWORD* effect) = 0;
  virtual HRESULT DragLeave() = 0;
  virtual HRESULT Drop(IDataObject* data, DWORD keyState, TPoint screenPoint, DWORD* effect) = 0;
};

// A data object over a table of formats (what a drag offers, what a drop from outside brings).
class TFormatDataObject : public IDataObject {
public:
  TFormatDataObject() = default;
  explicit TFormatDataObject(TClipboardFormats formats) : FFormats(std::move(formats)) {}
  HRESULT GetData(const FORMATETC& format, STGMEDIUM& medium) override;
  HRESULT QueryGetData(const FORMATETC& format) override;
  HRESULT EnumFormatEtc(DWORD direction, std::vector<FORMATETC>& formats) override;
  void SetFormat(UINT format, std::string data);
  const TClipboardFormats& Formats() const { return FFormats; }

private:
  TClipboardFormats FFormats;
};

// Every format a data object offers, with its bytes (formats it refuses to give are left out).
TClipboardFormats DataObjectFormats(IDataObject& data);
// The bytes of one format; false when the object does not give it.
bool GetDataObjectFormat(IDataObject& data, UINT format, std::string& bytes);

// ---- The data formats ------------------------------------------------------------------------
// "Rich Text Format" and "Grid Column", registered on first use.
UINT CF_RTF();
UINT CF_GRIDCOLUMN();
// A "Grid Column" block: one 32-bit little-endian integer.
std::string GridColumnBytes(int column);
// The column of a "Grid Column" block; -1 when it is shorter than 4 bytes.
int GridColumnFromBytes(const std::string& bytes);

// CF_HDROP blocks: the file-drop structure (offset of the names, point, non-client flag, wide
// flag) followed by NUL-terminated names and an empty name. We write 8-bit (UTF-8) names and
// read both kinds.
std::string DropFilesBytes(const std::vector<std::string>& files);
std::vector<std::string> DropFilesFromBytes(const std::string& bytes);
using HDROP = HGLOBAL;
// index 0xFFFFFFFF: the number of names; otherwise copies name `index` into buffer (at most
// size - 1 bytes and a NUL) and returns its length; with a null buffer only the length.
UINT DragQueryFile(HDROP drop, UINT index, char* buffer, UINT size);

// The drop effect the system picks from the key state: copy with Shift held, else move; limited
// to what is allowed.
DWORD DropEffectFromKeyState(DWORD keyState, DWORD allowed);

// ---- OLE calls --------------------------------------------------------------------------------
HRESULT OleInitialize(void* reserved);
void OleUninitialize();
// Attaches a drop target to a control (the target is not owned; revoke it before freeing it).
// Freeing the control revokes it too.
HRESULT RegisterDragDrop(TWinControl* control, IDropTarget* target);
HRESULT RevokeDragDrop(TWinControl* control);
// The target registered on a control, or nullptr.
IDropTarget* DropTargetOf(TWinControl* control);
// The control got a new window (RecreateWnd): a registered target is attached to it again.
void DropTargetWindowCreated(TWinControl& control);
// The registered target under a control or its nearest parent that has one.
IDropTarget* DropTargetAt(TWinControl* control, TWinControl** found = nullptr);

// Runs the modal drag loop of the backend: returns DRAGDROP_S_DROP or DRAGDROP_S_CANCEL and
// sets *effect to what the target chose (DROPEFFECT_NONE on a cancel).
HRESULT DoDragDrop(IDataObject* data, IDropSource* source, DWORD allowedEffects, DWORD* effect);

class TDragDropBackend {
public:
  virtual ~TDragDropBackend() = default;
  virtual HRESULT DoDragDrop(IDataObject& data, IDropSource& source, DWORD allowedEffects,
                             DWORD& effect) = 0;
};
// Installs the backend's drag loop; without one a drag is cancelled at once.
void SetDragDropBackend(std::unique_ptr<TDragDropBackend> backend);
// Told when a target is attached to a control or revoked, so the backend routes the window's
// drag events to it.
void SetDropTargetHook(std::function<void(TWinControl& control, bool attached)> hook);
