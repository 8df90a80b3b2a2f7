// The rich edit control: formatted text in a document the backend supplies, with its selection,
// character and paragraph attributes, streaming as RTF or text, the clipboard, and formatting a
// range for a device (EM_FORMATRANGE). It works without a window; the Qt backend shows it in a
// native text editor over the same document.
//
// Positions count code points; a paragraph end counts 1.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/gfx/enum_set.h"
#include "platform/rtl/string_list.h"
#include "platform/ui/controls.h"
#include "platform/ui/rich_text_document.h"

class TCustomRichEdit;

// ---- Messages and their records ------------------------------------------------------------
enum : UINT {
  EM_EXGETSEL = WM_USER + 52, EM_EXLIMITTEXT = WM_USER + 53, EM_EXSETSEL = WM_USER + 55,
  EM_FORMATRANGE = WM_USER + 57, EM_GETCHARFORMAT = WM_USER + 58, EM_GETPARAFORMAT = WM_USER + 61,
  EM_SETBKGNDCOLOR = WM_USER + 67, EM_SETCHARFORMAT = WM_USER + 68, EM_SETPARAFORMAT = WM_USER + 71,
  EM_STREAMIN = WM_USER + 73, EM_STREAMOUT = WM_USER + 74, EM_GETTEXTLENGTHEX = WM_USER + 95
};

enum : UINT { SF_TEXT = 0x0001, SF_RTF = 0x0002, SFF_SELECTION = 0x8000 };
enum : UINT { SCF_DEFAULT = 0x0000, SCF_SELECTION = 0x0001, SCF_ALL = 0x0004 };
enum : DWORD { GTL_DEFAULT = 0, GTL_USECRLF = 1, GTL_PRECISE = 2, GTL_CLOSE = 4, GTL_NUMCHARS = 8, GTL_NUMBYTES = 16 };
enum : DWORD {
  CFM_BOLD = 0x00000001, CFM_ITALIC = 0x00000002, CFM_UNDERLINE = 0x00000004, CFM_STRIKEOUT = 0x00000008,
  CFM_PROTECTED = 0x00000010, CFM_SIZE = 0x80000000, CFM_COLOR = 0x40000000, CFM_FACE = 0x20000000,
  CFM_CHARSET = 0x08000000
};
enum : DWORD {
  CFE_BOLD = 0x0001, CFE_ITALIC = 0x0002, CFE_UNDERLINE = 0x0004, CFE_STRIKEOUT = 0x0008,
  CFE_PROTECTED = 0x0010, CFE_AUTOCOLOR = 0x40000000
};

struct CHARRANGE {
  LONG cpMin = 0;
  LONG cpMax = 0;  // -1: to the end
};

// Rectangles in twips; hdcTarget is the device the text is formatted for.
struct FORMATRANGE {
  HDC hdc = nullptr;
  HDC hdcTarget = nullptr;
  TRect rc;
  TRect rcPage;
  CHARRANGE chrg;
};

struct GETTEXTLENGTHEX {
  DWORD flags = GTL_DEFAULT;
  UINT codepage = 1200;
};

struct CHARFORMAT {
  UINT cbSize = 60;
  DWORD dwMask = 0;
  DWORD dwEffects = 0;
  LONG yHeight = 0;  // twips
  LONG yOffset = 0;
  TColor crTextColor = 0;
  BYTE bCharSet = 1;
  BYTE bPitchAndFamily = 0;
  std::string szFaceName;
};

// The callback of EM_STREAMIN (fill buffer, at most cb bytes; *pcb gets the count) and of
// EM_STREAMOUT (take cb bytes; *pcb gets how many were taken). Non-zero stops with that error.
using EDITSTREAMCALLBACK = std::function<DWORD(std::uintptr_t dwCookie, BYTE* pbBuff, LONG cb, LONG* pcb)>;
struct EDITSTREAM {
  std::uintptr_t dwCookie = 0;
  DWORD dwError = 0;
  EDITSTREAMCALLBACK pfnCallback;
};

// ---- Attributes -----------------------------------------------------------------------------
enum TConsistentAttribute { caBold, caColor, caFace, caItalic, caSize, caStrikeOut, caUnderline, caProtected };
using TConsistentAttributes = TSet<TConsistentAttribute>;
enum TAttributeType { atSelected, atDefaultText };
enum TNumberingStyle { nsNone, nsBullet };

// The character attributes of the selection (atSelected) or the control's default ones.
class TTextAttributes : public TPersistent {
public:
  TTextAttributes(TCustomRichEdit& edit, TAttributeType type) : FEdit(edit), FType(type) {}

  std::string Name() const { return Get().Name; }
  void SetName(const std::string& value);
  // Points.
  int Size() const { return Get().HalfPoints / 2; }
  void SetSize(int value);
  // Pixels at the screen's 96 dpi, negative like a font's height.
  int Height() const;
  void SetHeight(int value);
  TColor Color() const { return Get().Color; }
  void SetColor(TColor value);
  TFontStyles Style() const { return Get().Style; }
  void SetStyle(TFontStyles value);
  int Charset() const { return Get().Charset; }
  void SetCharset(int value);
  TFontPitch Pitch() const { return Get().Pitch; }
  void SetPitch(TFontPitch value);
  // The attributes that are the same over the whole selection (all of them for the default).
  TConsistentAttributes ConsistentAttributes() const;

  // From a TFont or another TTextAttributes.
  void Assign(const TPersistent* Source) override;
  void Assign(const TFont& font);
  using TPersistent::AssignTo;
  void AssignTo(TFont& font) const;

  TRichCharFormat Get() const;
  void Set(const TRichCharFormat& f, TCharFormatParts parts);

private:
  TCustomRichEdit& FEdit;
  TAttributeType FType;
};

// The paragraph attributes of the paragraphs the selection touches. Indents in points.
class TParaAttributes : public TPersistent {
public:
  explicit TParaAttributes(TCustomRichEdit& edit) : FEdit(edit) {}
  TAlignment Alignment() const;
  void SetAlignment(TAlignment value);
  TNumberingStyle Numbering() const { return Get().Bullet ? nsBullet : nsNone; }
  void SetNumbering(TNumberingStyle value);
  int FirstIndent() const { return Get().FirstIndent / 20; }
  void SetFirstIndent(int value);
  int LeftIndent() const { return Get().LeftIndent / 20; }
  void SetLeftIndent(int value);
  int RightIndent() const { return Get().RightIndent / 20; }
  void SetRightIndent(int value);
  void Assign(const TPersistent* Source) override;

  TRichParaFormat Get() const;
  void Set(const TRichParaFormat& f, TParaFormatParts parts);

private:
  TCustomRichEdit& FEdit;
};

// ---- The peer a backend shows the control in ---------------------------------------------------
class TRichEditPeer : public TWindowPeer {
public:
  virtual void SetSelection(int start, int length) = 0;
  virtual void SetReadOnly(bool) {}
  virtual void SetWordWrap(bool) {}
  virtual void SetBackground(TColor) {}
};

// ---- The control ------------------------------------------------------------------------------
class TCustomRichEdit : public TWinControl {
public:
  explicit TCustomRichEdit(TComponent* AOwner);
  ~TCustomRichEdit() override;

  std::string WindowClass() const override { return "RICHEDIT"; }

  // The paragraphs as lines; loading and saving streams RTF unless PlainText.
  TStrings& Lines();
  // The whole text, paragraphs ending CR LF (hides TControl::Text, which a rich edit does not
  // keep).
  std::string Text() const;
  void SetText(const std::string& value) override;
  int GetTextLen() const;

  bool PlainText() const { return FPlainText; }
  void SetPlainText(bool value) { FPlainText = value; }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool value);
  // 0: no limit. Longer text inserted is cut to fit.
  int MaxLength() const { return FMaxLength; }
  void SetMaxLength(int value) { FMaxLength = std::max(0, value); }
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool value) { FHideSelection = value; }
  bool Modified() const { return FModified; }
  void SetModified(bool value) { FModified = value; }

  int SelStart() const { return FSelStart; }
  void SetSelStart(int value);
  int SelLength() const { return FSelLength; }
  void SetSelLength(int value);
  std::string SelText() const;
  // Replaces the selection with plain text in the selection's format; the caret goes after it.
  void SetSelText(const std::string& value);
  void SelectAll();
  void ClearSelection();
  void Clear();

  TTextAttributes& SelAttributes() { return *FSelAttributes; }
  TTextAttributes& DefAttributes() { return *FDefAttributes; }
  // The format given to the empty selection (a style set with nothing selected) for the text
  // typed next there; none once the caret has moved.
  const std::optional<TRichCharFormat>& PendingInsertFormat() const { return FInsertFormat; }
  TParaAttributes& Paragraph() { return *FParagraph; }

  // RTF of the whole text or of the selection, and reading RTF into the whole text or over the
  // selection. A bad document raises ERtfError and changes nothing.
  std::string RichText(bool selectionOnly = false) const;
  void SetRichText(const std::string& rtf, bool selectionOnly = false);

  // The clipboard: text and "Rich Text Format".
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();

  // EM_FORMATRANGE: the first position that did not fit; with render, draws the range.
  int FormatRange(const FORMATRANGE* range, bool render);

  void WndProc(TMessage& message) override;

  TRichTextDocument& Document() { return *FDocument; }
  const TRichTextDocument& Document() const { return *FDocument; }
  // From the peer: the user moved the selection.
  void PeerSelectionChanged(int start, int length);
  // From a peer whose native editor edits: a key it is about to handle. The form's short
  // cuts and dialog keys and the control's key events run, but not the control's own editing;
  // true when they used the key up, so the editor must leave it. A character that OnKeyPress
  // replaced comes back in Key.
  bool PeerKeyDown(WORD Key);
  bool PeerKeyUp(WORD Key);
  bool PeerChar(char32_t& Key);

  TNotifyEvent OnChange;
  TNotifyEvent OnSelectionChange;

protected:
  void CreateWnd() override;
  // The peer's background follows the control's colour.
  void ColorChanged() override;
  virtual void Change();
  virtual void SelectionChange();
  void KeyPress(char32_t& Key) override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void FontChanged() override;

private:
  friend class TTextAttributes;
  friend class TParaAttributes;
  friend class TRichEditStrings;

  void SetSelection(int start, int length, bool tellPeer = true);
  void ReplaceRange(int start, int length, const TRichContent& content);
  void InsertTyped(const std::string& text);
  LRESULT StreamIn(UINT format, EDITSTREAM& stream);
  LRESULT StreamOut(UINT format, EDITSTREAM& stream);
  TRichCharFormat FormatForInsert() const;
  TRichEditPeer* Peer();
  void DocumentChanged();

  std::unique_ptr<TRichTextDocument> FDocument;
  std::unique_ptr<TStrings> FLines;
  std::unique_ptr<TTextAttributes> FSelAttributes;
  std::unique_ptr<TTextAttributes> FDefAttributes;
  std::unique_ptr<TParaAttributes> FParagraph;
  TRichCharFormat FDefault;
  std::optional<TRichCharFormat> FInsertFormat;  // set on an empty selection, for typed text
  int FSelStart = 0;
  int FSelLength = 0;
  bool FPlainText = false;
  bool FReadOnly = false;
  bool FPeerTyping = false;  // a native editor does the editing of the key being dispatched
  bool FWordWrap = true;
  bool FHideSelection = true;
  bool FModified = false;
  int FMaxLength = 0;
  int FChanging = 0;  // inside our own change: one OnChange at its end
  bool FChangedInside = false;
};

class TRichEdit : public TCustomRichEdit {
public:
  using TCustomRichEdit::TCustomRichEdit;
};
