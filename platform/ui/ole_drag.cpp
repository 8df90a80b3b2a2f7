#include "platform/ui/ole_drag.h"

#include <cstring>
#include <map>

#include "platform/ui/controls.h"
#include "platform/ui/rich_text_document.h"

void ReleaseStgMedium(STGMEDIUM& medium) {
  if (medium.tymed == TYMED_HGLOBAL) GlobalFree(medium.hGlobal);
  medium = STGMEDIUM{};
}

// ---- TFormatDataObject ------------------------------------------------------------------------

namespace {

bool ContentInGlobal(const FORMATETC& f) {
  return f.dwAspect == DVASPECT_CONTENT && (f.tymed & TYMED_HGLOBAL) != 0;
}

}  // namespace

HRESULT TFormatDataObject::QueryGetData(const FORMATETC& format) {
  if (!ContentInGlobal(format)) return DV_E_FORMATETC;
  return FFormats.count(CanonicalClipboardFormat(format.cfFormat)) ? S_OK : DV_E_FORMATETC;
}

HRESULT TFormatDataObject::GetData(const FORMATETC& format, STGMEDIUM& medium) {
  if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
  HGLOBAL block = GlobalAllocBytes(FFormats.at(CanonicalClipboardFormat(format.cfFormat)), false);
  if (!block) return E_OUTOFMEMORY;
  medium.tymed = TYMED_HGLOBAL;
  medium.hGlobal = block;
  return S_OK;
}

HRESULT TFormatDataObject::EnumFormatEtc(DWORD direction, std::vector<FORMATETC>& formats) {
  if (direction != DATADIR_GET) return E_NOTIMPL;
  formats.clear();
  for (const auto& [id, data] : FFormats) {
    FORMATETC f;
    f.cfFormat = id;
    formats.push_back(f);
    if (id == CF_TEXT) {
      f.cfFormat = CF_UNICODETEXT;
      formats.push_back(f);
    }
  }
  return S_OK;
}

void TFormatDataObject::SetFormat(UINT format, std::string data) {
  FFormats[CanonicalClipboardFormat(format)] = std::move(data);
}

bool GetDataObjectFormat(IDataObject& data, UINT format, std::string& bytes) {
  FORMATETC f;
  f.cfFormat = format;
  STGMEDIUM medium;
  if (data.GetData(f, medium) != S_OK) return false;
  bool ok = medium.tymed == TYMED_HGLOBAL && medium.hGlobal;
  if (ok) bytes = GlobalBytes(medium.hGlobal, false);
  ReleaseStgMedium(medium);
  return ok;
}

TClipboardFormats DataObjectFormats(IDataObject& data) {
  TClipboardFormats out;
  std::vector<FORMATETC> formats;
  if (data.EnumFormatEtc(DATADIR_GET, formats) != S_OK) return out;
  for (const FORMATETC& f : formats) {
    UINT id = CanonicalClipboardFormat(f.cfFormat);
    if (out.count(id)) continue;
    std::string bytes;
    if (GetDataObjectFormat(data, f.cfFormat, bytes)) out[id] = std::move(bytes);
  }
  return out;
}

// ---- Formats --------------------------------------------------------------------------------

UINT CF_RTF() {
  static const UINT id = RegisterClipboardFormat("Rich Text Format");
  return id;
}

UINT CF_GRIDCOLUMN() {
  static const UINT id = RegisterClipboardFormat("Grid Column");
  return id;
}

namespace {

void PutU32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::uint32_t GetU32(const std::string& s, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= std::uint32_t(static_cast<unsigned char>(s[at + i])) << (8 * i);
  return v;
}

constexpr std::size_t kDropFilesHeader = 20;  // offset, point (2 x 4), non-client flag, wide flag
constexpr std::size_t kDropFilesMaxNames = 100000;

}  // namespace

std::string GridColumnBytes(int column) {
  std::string out;
  PutU32(out, static_cast<std::uint32_t>(column));
  return out;
}

int GridColumnFromBytes(const std::string& bytes) {
  if (bytes.size() < 4) return -1;
  return static_cast<int>(GetU32(bytes, 0));
}

std::string DropFilesBytes(const std::vector<std::string>& files) {
  std::string out;
  PutU32(out, kDropFilesHeader);
  PutU32(out, 0);
  PutU32(out, 0);
  PutU32(out, 0);
  PutU32(out, 0);  // 8-bit names
  for (const std::string& f : files) {
    if (f.empty()) continue;  // an empty name would end the list
    out.append(f.c_str());
    out.push_back('\0');
  }
  out.push_back('\0');
  return out;
}

std::vector<std::string> DropFilesFromBytes(const std::string& bytes) {
  std::vector<std::string> names;
  if (bytes.size() < kDropFilesHeader) return names;
  std::size_t at = GetU32(bytes, 0);
  bool wide = GetU32(bytes, 16) != 0;
  if (at < kDropFilesHeader || at > bytes.size()) return names;
  while (at < bytes.size() && names.size() < kDropFilesMaxNames) {
    std::string name;
    if (wide) {
      std::uint32_t high = 0;
      while (at + 1 < bytes.size()) {
        std::uint32_t u = static_cast<unsigned char>(bytes[at]) |
                          (std::uint32_t(static_cast<unsigned char>(bytes[at + 1])) << 8);
        at += 2;
        if (u == 0) break;
        if (u >= 0xD800 && u < 0xDC00) { high = u; continue; }
        if (u >= 0xDC00 && u < 0xE000 && high) u = 0x10000 + ((high - 0xD800) << 10) + (u - 0xDC00);
        else if (u >= 0xD800 && u < 0xE000) u = 0xFFFD;
        high = 0;
        AppendUtf8(name, u);
      }
    } else {
      std::size_t end = bytes.find('\0', at);
      if (end == std::string::npos) end = bytes.size();
      name = bytes.substr(at, end - at);
      at = end + 1;
    }
    if (name.empty()) break;
    names.push_back(std::move(name));
  }
  return names;
}

UINT DragQueryFile(HDROP drop, UINT index, char* buffer, UINT size) {
  std::vector<std::string> names = DropFilesFromBytes(GlobalBytes(drop, false));
  if (index == 0xFFFFFFFFu) return static_cast<UINT>(names.size());
  if (index >= names.size()) return 0;
  const std::string& name = names[index];
  if (!buffer) return static_cast<UINT>(name.size());
  if (size == 0) return 0;
  UINT n = std::min<UINT>(static_cast<UINT>(name.size()), size - 1);
  std::memcpy(buffer, name.data(), n);
  buffer[n] = '\0';
  return n;
}

DWORD DropEffectFromKeyState(DWORD keyState, DWORD allowed) {
  DWORD wanted = (keyState & MK_SHIFT) ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
  if (allowed & wanted) return wanted;
  if (allowed & DROPEFFECT_COPY) return DROPEFFECT_COPY;
  if (allowed & DROPEFFECT_MOVE) return DROPEFFECT_MOVE;
  return DROPEFFECT_NONE;
}

// ---- Registered targets ---------------------------------------------------------------------

HRESULT OleInitialize(void*) { return S_OK; }
void OleUninitialize() {}

namespace {

// Forgets a control's target when the control is freed.
class TDropTargetRegistry : public TComponent {
public:
  TDropTargetRegistry() : TComponent(nullptr) {}
  std::map<TWinControl*, IDropTarget*> Targets;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    if (Operation == opRemove)
      for (auto it = Targets.begin(); it != Targets.end(); ++it)
        if (it->first == AComponent) {
          Targets.erase(it);
          break;
        }
    TComponent::Notification(AComponent, Operation);
  }
};

TDropTargetRegistry& Registry() {
  static TDropTargetRegistry* registry = new TDropTargetRegistry;  // lives as long as the process
  return *registry;
}

std::unique_ptr<TDragDropBackend>& DragBackend() {
  static std::unique_ptr<TDragDropBackend> backend;
  return backend;
}

std::function<void(TWinControl&, bool)>& TargetHook() {
  static std::function<void(TWinControl&, bool)> hook;
  return hook;
}

}  // namespace

void SetDropTargetHook(std::function<void(TWinControl& control, bool attached)> hook) {
  TargetHook() = std::move(hook);
}

HRESULT RegisterDragDrop(TWinControl* control, IDropTarget* target) {
  if (!control) return DRAGDROP_E_INVALIDHWND;
  if (!target) return E_INVALIDARG;
  auto& r = Registry();
  if (r.Targets.count(control)) return DRAGDROP_E_ALREADYREGISTERED;
  r.Targets[control] = target;
  control->FreeNotification(&r);
  if (TargetHook()) TargetHook()(*control, true);
  return S_OK;
}

HRESULT RevokeDragDrop(TWinControl* control) {
  auto& r = Registry();
  auto it = r.Targets.find(control);
  if (it == r.Targets.end()) return DRAGDROP_E_NOTREGISTERED;
  r.Targets.erase(it);
  control->RemoveFreeNotification(&r);
  if (TargetHook()) TargetHook()(*control, false);
  return S_OK;
}

IDropTarget* DropTargetOf(TWinControl* control) {
  auto& r = Registry();
  auto it = r.Targets.find(control);
  return it == r.Targets.end() ? nullptr : it->second;
}

void DropTargetWindowCreated(TWinControl& control) {
  if (DropTargetOf(&control) && TargetHook()) TargetHook()(control, true);
}

IDropTarget* DropTargetAt(TWinControl* control, TWinControl** found) {
  for (TWinControl* c = control; c; c = c->Parent())
    if (IDropTarget* t = DropTargetOf(c)) {
      if (found) *found = c;
      return t;
    }
  if (found) *found = nullptr;
  return nullptr;
}

HRESULT DoDragDrop(IDataObject* data, IDropSource* source, DWORD allowedEffects, DWORD* effect) {
  DWORD chosen = DROPEFFECT_NONE;
  HRESULT hr = DRAGDROP_S_CANCEL;
  if (!data || !source) hr = E_INVALIDARG;
  else if (DragBackend()) hr = DragBackend()->DoDragDrop(*data, *source, allowedEffects, chosen);
  if (hr != DRAGDROP_S_DROP) chosen = DROPEFFECT_NONE;
  if (effect) *effect = chosen & allowedEffects;
  return hr;
}

void SetDragDropBackend(std::unique_ptr<TDragDropBackend> backend) { DragBackend() = std::move(backend); }
