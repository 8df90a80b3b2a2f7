// Headless backend: the clipboard table, drag source and shell record.
#include "platform/headless/headless_clipboard.h"

#include <deque>

#include "platform/headless/headless_backend_parts.h"
#include "platform/ui/controls.h"

namespace {

std::deque<THeadlessDrag>& Script() {
  static std::deque<THeadlessDrag> script;
  return script;
}

TClipboardTable*& Table() {
  static TClipboardTable* table = nullptr;
  return table;
}

class THeadlessDragLoop : public TDragDropBackend {
public:
  HRESULT DoDragDrop(IDataObject& data, IDropSource& source, DWORD allowed, DWORD& effect) override {
    effect = DROPEFFECT_NONE;
    if (Script().empty()) return DRAGDROP_S_CANCEL;
    THeadlessDrag drag = Script().front();
    Script().pop_front();
    DWORD keys = drag.KeyState | MK_LBUTTON;
    TWinControl* found = nullptr;
    IDropTarget* target = drag.Target ? DropTargetAt(drag.Target, &found) : nullptr;
    TPoint screen = drag.Target ? drag.Target->ClientToScreen(drag.Point) : drag.Point;
    if (!target) {
      if (source.QueryContinueDrag(drag.Escape, keys) == DRAGDROP_S_CANCEL || drag.Escape)
        return DRAGDROP_S_CANCEL;
      effect = drag.Effect & allowed;
      return effect == DROPEFFECT_NONE ? DRAGDROP_S_CANCEL : DRAGDROP_S_DROP;
    }
    DWORD over = allowed;
    target->DragEnter(&data, keys, screen, &over);
    source.GiveFeedback(over);
    over = allowed;
    target->DragOver(keys, screen, &over);
    source.GiveFeedback(over);
    // The button goes up (or Escape comes): the source decides.
    HRESULT next = source.QueryContinueDrag(drag.Escape, keys & ~DWORD(MK_LBUTTON));
    if (next != DRAGDROP_S_DROP || over == DROPEFFECT_NONE) {
      target->DragLeave();
      return DRAGDROP_S_CANCEL;
    }
    DWORD dropped = allowed;
    target->Drop(&data, keys & ~DWORD(MK_LBUTTON), screen, &dropped);
    effect = dropped & allowed;
    return DRAGDROP_S_DROP;
  }
};

}  // namespace

void ScriptDragDrop(const THeadlessDrag& drag) { Script().push_back(drag); }
int PendingDragDrops() { return static_cast<int>(Script().size()); }

TClipboardTable& HeadlessClipboardTable() {
  if (!Table()) InstallHeadlessClipboard();
  return *Table();
}

std::vector<TShellRequest>& HeadlessShellRequests() {
  static std::vector<TShellRequest> requests;
  return requests;
}

void InstallHeadlessClipboard() {
  auto table = std::make_unique<TClipboardTable>();
  Table() = table.get();
  SetClipboardBackend(std::move(table));
  SetDragDropBackend(std::make_unique<THeadlessDragLoop>());
  Script().clear();
  HeadlessShellRequests().clear();
  SetShellHandler([](const TShellRequest& r) -> std::intptr_t {
    HeadlessShellRequests().push_back(r);
    return 42;
  });
}
