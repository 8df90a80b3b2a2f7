// Small helpers that build the controls of the client's windows in code.
#pragma once

#include <string>

#include "platform/ui/forms.h"
#include "platform/ui/menus.h"
#include "platform/ui/screen.h"
#include "platform/ui/std_painted.h"

namespace view_layout {

inline constexpr int kRow = 23;        // the height of one field row on the record page
inline constexpr int kEditHeight = 21;

// Creates a control owned by the form, named, placed on its parent.
template <typename T>
inline T* Make(TComponent* owner, TWinControl* parent, const std::string& name, int left, int top,
        int width, int height) {
  auto* c = new T(owner);
  if (!name.empty()) c->SetName(name);
  c->SetParent(parent);
  c->SetBounds(left, top, width, height);
  return c;
}

template <typename T>
inline T* MakeCaptioned(TComponent* owner, TWinControl* parent, const std::string& name,
                 const std::string& caption, int left, int top, int width, int height) {
  T* c = Make<T>(owner, parent, name, left, top, width, height);
  c->SetCaption(caption);
  return c;
}

inline TPanel* MakePanel(TComponent* owner, TWinControl* parent, const std::string& name, TAlign align,
                  int size) {
  auto* p = new TPanel(owner);
  if (!name.empty()) p->SetName(name);
  p->SetParent(parent);
  p->SetBevelOuter(bvNone);
  p->SetCaption("");
  if (align == alTop || align == alBottom) p->SetHeight(size);
  if (align == alLeft || align == alRight) p->SetWidth(size);
  p->SetAlign(align);
  return p;
}

inline TMenuItem* AddItem(TComponent* owner, TMenuItem* parent, const std::string& name,
                   const std::string& caption, int tag = 0) {
  auto* item = new TMenuItem(owner);
  if (!name.empty()) item->SetName(name);
  item->SetCaption(caption);
  item->SetTag(tag);
  parent->Add(item);
  return item;
}

inline void AddLine(TComponent* owner, TMenuItem* parent) { AddItem(owner, parent, "", "-"); }

// Forms do not erase their own background: this paints it in the form's colour before the
// labels on it are drawn.
inline void PaintFormBackground(TForm* form) {
  form->OnPaint = [form](TObject*) {
    form->Canvas().Brush().SetColor(form->Color());
    form->Canvas().FillRect(form->ClientRect());
  };
}

// Where the mouse is, in screen co-ordinates (pop-up menus show there).
inline TPoint MousePoint() {
  TPoint P;
  GetCursorPos(&P);
  return P;
}

}  // namespace view_layout
