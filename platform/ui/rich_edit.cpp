#include "platform/ui/rich_edit.h"

#include <algorithm>

#include "platform/rtl/streams.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/ole_drag.h"
#include "platform/ui/rtf_charset.h"
#include "platform/ui/rtf_reader.h"
#include "platform/ui/rtf_writer.h"

namespace {

constexpr std::size_t kStreamChunk = 4096;
constexpr std::size_t kMaxStreamBytes = std::size_t(256) << 20;

// Text from outside: valid UTF-8 stays, a byte that is not is taken as Windows-1252.
std::string CleanText(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size());
  std::size_t at = 0;
  while (at < bytes.size()) {
    unsigned char b = static_cast<unsigned char>(bytes[at]);
    if (b < 0x80) {
      if (b != 0) out.push_back(static_cast<char>(b));
      ++at;
      continue;
    }
    std::size_t next = at;
    char32_t cp = NextCodePoint(bytes, next);
    if (cp == 0xFFFD && !(next - at == 3 && bytes.compare(at, 3, "\xEF\xBF\xBD") == 0)) {
      AppendUtf8(out, Windows1252ToUnicode(b));
      ++at;
    } else {
      out.append(bytes, at, next - at);
      at = next;
    }
  }
  return out;
}

// Keeps the paragraph format of the paragraph text goes into.
TRichContent PlainContent(const std::string& text, const TRichCharFormat& f, const TRichParaFormat& para) {
  return ContentFromText(CleanText(text), f, para);
}

TRichCharFormat CharFormatOfFont(const TFont& font) {
  TRichCharFormat f;
  f.Name = font.Name();
  f.HalfPoints = std::clamp(font.Size(), 1, 1638) * 2;
  f.Color = font.Color();
  f.Style = font.Style();
  f.Charset = font.Charset();
  f.Pitch = font.Pitch();
  return f;
}

TConsistentAttributes AllConsistent() {
  return {caBold, caColor, caFace, caItalic, caSize, caStrikeOut, caUnderline, caProtected};
}

}  // namespace

// ---- Lines ---------------------------------------------------------------------------------

class TRichEditStrings : public TStrings {
public:
  explicit TRichEditStrings(TCustomRichEdit& edit) : FEdit(edit) {}

  std::string Get(int index) const override {
    if (index < 0 || index >= GetCount()) throw EListError::OutOfBounds(index);
    return Doc().ParagraphText(index);
  }
  int GetCount() const override {
    int n = Doc().ParagraphCount();
    if (n > 0 && Doc().ParagraphText(n - 1).empty()) --n;  // a last empty paragraph is no line
    return n;
  }
  void Put(int index, const std::string& s) override {
    if (index < 0 || index >= GetCount()) throw EListError::OutOfBounds(index);
    int start = Doc().ParagraphStart(index);
    int length = CodePointCount(Doc().ParagraphText(index));
    FEdit.ReplaceRange(start, length, LineContent(s, start));
  }
  void Insert(int index, const std::string& s) override {
    int count = GetCount();
    if (index < 0 || index > count) throw EListError::OutOfBounds(index);
    int paragraphs = Doc().ParagraphCount();
    if (Doc().Length() == 0) {
      FEdit.ReplaceRange(0, 0, LineContent(s, 0));
    } else if (index < count || count < paragraphs) {
      int start = Doc().ParagraphStart(index);
      FEdit.ReplaceRange(start, 0, LineContent(s + "\r", start));
    } else {
      int end = Doc().Length();
      FEdit.ReplaceRange(end, 0, LineContent("\r" + s, end));
    }
  }
  void Delete(int index) override {
    if (index < 0 || index >= GetCount()) throw EListError::OutOfBounds(index);
    int start = Doc().ParagraphStart(index);
    int length = CodePointCount(Doc().ParagraphText(index));
    if (index + 1 < Doc().ParagraphCount()) FEdit.ReplaceRange(start, length + 1, TRichContent{});
    else if (start > 0) FEdit.ReplaceRange(start - 1, length + 1, TRichContent{});
    else FEdit.ReplaceRange(0, length, TRichContent{});
  }
  void Clear() override { FEdit.Clear(); }
  void SetText(const std::string& value) override { FEdit.SetText(value); }

  void LoadFromStream(TStream& stream) override {
    std::string bytes;
    std::int64_t left = stream.Size() - stream.Position();
    if (left > static_cast<std::int64_t>(kMaxStreamBytes)) throw EReadError();
    bytes.resize(static_cast<std::size_t>(std::max<std::int64_t>(left, 0)));
    if (!bytes.empty()) stream.ReadBuffer(bytes.data(), static_cast<long>(bytes.size()));
    if (!FEdit.PlainText() && IsRtfText(bytes)) FEdit.SetRichText(bytes);
    else FEdit.SetText(bytes);
  }
  void SaveToStream(TStream& stream) const override {
    std::string bytes = FEdit.PlainText() ? FEdit.Text() : FEdit.RichText();
    if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<long>(bytes.size()));
  }

private:
  const TRichTextDocument& Doc() const { return FEdit.Document(); }
  TRichContent LineContent(const std::string& s, int at) const {
    TRichContent here = Doc().Extract(at, 0);
    return PlainContent(s, FEdit.FDefault, here.Paragraphs.front().Format);
  }

  TCustomRichEdit& FEdit;
};

// ---- Attributes ------------------------------------------------------------------------------

TRichCharFormat TTextAttributes::Get() const {
  if (FType == atDefaultText) return FEdit.FDefault;
  if (FEdit.FSelLength == 0) return FEdit.FormatForInsert();
  TRichContent c = FEdit.Document().Extract(FEdit.FSelStart, FEdit.FSelLength);
  for (const TRichParagraph& p : c.Paragraphs)
    if (!p.Runs.empty()) return p.Runs.front().Format;
  return c.Paragraphs.front().EndFormat;
}

void TTextAttributes::Set(const TRichCharFormat& f, TCharFormatParts parts) {
  if (FType == atDefaultText) {
    SetCharFormatParts(FEdit.FDefault, f, parts);
    // A plain-text control has one format: the default.
    if (FEdit.PlainText()) FEdit.FDocument->SetCharFormat(0, FEdit.Document().Length(), f, parts);
    return;
  }
  if (FEdit.FSelLength == 0) {
    TRichCharFormat next = FEdit.FormatForInsert();
    SetCharFormatParts(next, f, parts);
    FEdit.FInsertFormat = next;
    return;
  }
  FEdit.FDocument->SetCharFormat(FEdit.FSelStart, FEdit.FSelLength, f, parts);
}

void TTextAttributes::SetName(const std::string& value) {
  TRichCharFormat f;
  f.Name = value;
  Set(f, {cfpName});
}

void TTextAttributes::SetSize(int value) {
  TRichCharFormat f;
  f.HalfPoints = std::clamp(value, 1, 1638) * 2;
  Set(f, {cfpSize});
}

int TTextAttributes::Height() const { return -MulDiv(Get().HalfPoints, 96, 144); }
void TTextAttributes::SetHeight(int value) {
  TRichCharFormat f;
  f.HalfPoints = std::clamp(MulDiv(std::abs(value), 144, 96), 2, 3276);
  Set(f, {cfpSize});
}

void TTextAttributes::SetColor(TColor value) {
  TRichCharFormat f;
  f.Color = value == clDefault ? clWindowText : value;
  Set(f, {cfpColor});
}

void TTextAttributes::SetStyle(TFontStyles value) {
  TRichCharFormat f;
  f.Style = value;
  Set(f, {cfpBold, cfpItalic, cfpUnderline, cfpStrikeOut});
}

void TTextAttributes::SetCharset(int value) {
  TRichCharFormat f;
  f.Charset = value;
  Set(f, {cfpCharset});
}

void TTextAttributes::SetPitch(TFontPitch value) {
  TRichCharFormat f;
  f.Pitch = value;
  Set(f, {cfpPitch});
}

TConsistentAttributes TTextAttributes::ConsistentAttributes() const {
  TConsistentAttributes out = AllConsistent();
  if (FType == atDefaultText || FEdit.FSelLength == 0) return out;
  TRichContent c = FEdit.Document().Extract(FEdit.FSelStart, FEdit.FSelLength);
  const TRichCharFormat* first = nullptr;
  for (const TRichParagraph& p : c.Paragraphs)
    for (const TRichRun& r : p.Runs) {
      if (!first) {
        first = &r.Format;
        continue;
      }
      const TRichCharFormat& f = r.Format;
      if (f.Name != first->Name) out.Exclude(caFace);
      if (f.HalfPoints != first->HalfPoints) out.Exclude(caSize);
      if (f.Color != first->Color) out.Exclude(caColor);
      const std::pair<TFontStyle, TConsistentAttribute> styles[] = {
          {fsBold, caBold}, {fsItalic, caItalic}, {fsUnderline, caUnderline}, {fsStrikeOut, caStrikeOut}};
      for (auto [s, a] : styles)
        if (f.Style.Contains(s) != first->Style.Contains(s)) out.Exclude(a);
    }
  return out;
}

void TTextAttributes::Assign(const TFont& font) { Set(CharFormatOfFont(font), AllCharFormatParts()); }

void TTextAttributes::Assign(const TPersistent* Source) {
  if (auto* other = dynamic_cast<const TTextAttributes*>(Source)) {
    Set(other->Get(), AllCharFormatParts());
    return;
  }
  TPersistent::Assign(Source);
}

void TTextAttributes::AssignTo(TFont& font) const {
  TRichCharFormat f = Get();
  font.SetName(f.Name);
  font.SetSize(f.HalfPoints / 2);
  font.SetColor(f.Color);
  font.SetStyle(f.Style);
  font.SetCharset(f.Charset);
  font.SetPitch(f.Pitch);
}

TRichParaFormat TParaAttributes::Get() const {
  return FEdit.Document().Extract(FEdit.FSelStart, 0).Paragraphs.front().Format;
}

void TParaAttributes::Set(const TRichParaFormat& f, TParaFormatParts parts) {
  FEdit.FDocument->SetParaFormat(FEdit.FSelStart, FEdit.FSelLength, f, parts);
}

TAlignment TParaAttributes::Alignment() const {
  switch (Get().Alignment) {
    case raRight: return taRightJustify;
    case raCenter: return taCenter;
    default: return taLeftJustify;
  }
}

void TParaAttributes::SetAlignment(TAlignment value) {
  TRichParaFormat f;
  f.Alignment = value == taRightJustify ? raRight : value == taCenter ? raCenter : raLeft;
  Set(f, {pfpAlignment});
}

void TParaAttributes::SetNumbering(TNumberingStyle value) {
  TRichParaFormat f;
  f.Bullet = value == nsBullet;
  Set(f, {pfpBullet});
}

void TParaAttributes::SetFirstIndent(int value) {
  TRichParaFormat f;
  f.FirstIndent = std::clamp(value, -1584, 1584) * 20;
  Set(f, {pfpFirstIndent});
}

void TParaAttributes::SetLeftIndent(int value) {
  TRichParaFormat f;
  f.LeftIndent = std::clamp(value, 0, 1584) * 20;
  Set(f, {pfpLeftIndent});
}

void TParaAttributes::SetRightIndent(int value) {
  TRichParaFormat f;
  f.RightIndent = std::clamp(value, 0, 1584) * 20;
  Set(f, {pfpRightIndent});
}

void TParaAttributes::Assign(const TPersistent* Source) {
  if (auto* other = dynamic_cast<const TParaAttributes*>(Source)) {
    Set(other->Get(), {pfpAlignment, pfpBullet, pfpFirstIndent, pfpLeftIndent, pfpRightIndent});
    return;
  }
  TPersistent::Assign(Source);
}

// ---- The control ----------------------------------------------------------------------------

TCustomRichEdit::TCustomRichEdit(TComponent* AOwner) : TWinControl(AOwner) {
  SetTabStop(true);
  FDocument = NewRichTextDocument();
  FLines = std::make_unique<TRichEditStrings>(*this);
  FSelAttributes = std::make_unique<TTextAttributes>(*this, atSelected);
  FDefAttributes = std::make_unique<TTextAttributes>(*this, atDefaultText);
  FParagraph = std::make_unique<TParaAttributes>(*this);
  FontChanged();
  FDocument->Replace(0, 0, ContentFromText("", FDefault));
  FDocument->OnChange = [this] { DocumentChanged(); };
}

TCustomRichEdit::~TCustomRichEdit() {
  FDocument->OnChange = nullptr;
  // The peer shows the document: it goes first.
  DestroyHandle();
}

void TCustomRichEdit::FontChanged() {
  TWinControl::FontChanged();
  FDefault = CharFormatOfFont(Font());
}

TStrings& TCustomRichEdit::Lines() { return *FLines; }

std::string TCustomRichEdit::Text() const { return ContentText(FDocument->Content(), "\r\n"); }

int TCustomRichEdit::GetTextLen() const { return FDocument->Length(); }

void TCustomRichEdit::SetText(const std::string& value) {
  TRichParaFormat para = FDocument->Extract(0, 0).Paragraphs.front().Format;
  FInsertFormat.reset();
  ReplaceRange(0, FDocument->Length(), PlainContent(value, FDefault, para));
  SetSelection(0, 0);
}

void TCustomRichEdit::SetReadOnly(bool value) {
  FReadOnly = value;
  if (TRichEditPeer* p = Peer()) p->SetReadOnly(value);
}

void TCustomRichEdit::SetWordWrap(bool value) {
  FWordWrap = value;
  if (TRichEditPeer* p = Peer()) p->SetWordWrap(value);
}

TRichEditPeer* TCustomRichEdit::Peer() {
  return HandleAllocated() ? dynamic_cast<TRichEditPeer*>(Handle()) : nullptr;
}

void TCustomRichEdit::CreateWnd() {
  TWinControl::CreateWnd();
  if (TRichEditPeer* p = Peer()) {
    p->SetReadOnly(FReadOnly);
    p->SetWordWrap(FWordWrap);
    p->SetSelection(FSelStart, FSelLength);
    if (Color() != clWindow) p->SetBackground(Color());
  }
}

void TCustomRichEdit::ColorChanged() {
  TWinControl::ColorChanged();
  if (TRichEditPeer* p = Peer()) p->SetBackground(Color());
}

void TCustomRichEdit::SetSelection(int start, int length, bool tellPeer) {
  int total = FDocument->Length();
  // A negative length selects backwards from start.
  if (length < 0) {
    start += length;
    length = -length;
  }
  start = std::clamp(start, 0, total);
  length = std::clamp(length, 0, total - start);
  if (tellPeer)
    if (TRichEditPeer* p = Peer()) p->SetSelection(start, length);
  if (start == FSelStart && length == FSelLength) return;
  FSelStart = start;
  FSelLength = length;
  FInsertFormat.reset();
  SelectionChange();
}

void TCustomRichEdit::PeerSelectionChanged(int start, int length) { SetSelection(start, length, false); }

namespace {

// Dispatches a key message with the control's own editing switched off.
TMessage PeerKey(TCustomRichEdit& edit, bool& typing, UINT msg, WPARAM key) {
  TMessage m{msg, key, 0, 0};
  typing = true;
  try {
    edit.WndProc(m);
  } catch (...) {
    typing = false;
    throw;
  }
  typing = false;
  return m;
}

}  // namespace

bool TCustomRichEdit::PeerKeyDown(WORD Key) {
  TMessage m = PeerKey(*this, FPeerTyping, WM_KEYDOWN, Key);
  return m.Result != 0 || m.WParam == 0;
}

bool TCustomRichEdit::PeerKeyUp(WORD Key) {
  TMessage m = PeerKey(*this, FPeerTyping, WM_KEYUP, Key);
  return m.Result != 0 || m.WParam == 0;
}

bool TCustomRichEdit::PeerChar(char32_t& Key) {
  TMessage m = PeerKey(*this, FPeerTyping, WM_CHAR, Key);
  Key = static_cast<char32_t>(m.WParam);
  return m.Result != 0 || Key == 0;
}

void TCustomRichEdit::SetSelStart(int value) { SetSelection(value, 0); }
void TCustomRichEdit::SetSelLength(int value) { SetSelection(FSelStart, value); }
void TCustomRichEdit::SelectAll() { SetSelection(0, FDocument->Length()); }

std::string TCustomRichEdit::SelText() const {
  return ContentText(FDocument->Extract(FSelStart, FSelLength), "\r\n");
}

TRichCharFormat TCustomRichEdit::FormatForInsert() const {
  if (FInsertFormat) return *FInsertFormat;
  int pos = FSelStart;
  TRichContent around = FDocument->Extract(std::max(0, pos - 1), pos > 0 ? 1 : 0);
  if (pos == 0) {
    TRichContent first = FDocument->Extract(0, 1);
    const TRichParagraph& p = first.Paragraphs.front();
    return p.Runs.empty() ? p.EndFormat : p.Runs.front().Format;
  }
  return CharFormatAt(around, 1);
}

void TCustomRichEdit::SetSelText(const std::string& value) {
  TRichParaFormat para = FDocument->Extract(FSelStart, 0).Paragraphs.front().Format;
  TRichContent content = PlainContent(value, FormatForInsert(), para);
  int start = FSelStart;
  ReplaceRange(start, FSelLength, content);
  SetSelection(start + ContentLength(content), 0);
}

void TCustomRichEdit::ClearSelection() {
  if (FSelLength == 0) return;
  int start = FSelStart;
  ReplaceRange(start, FSelLength, TRichContent{});
  SetSelection(start, 0);
}

void TCustomRichEdit::Clear() { SetText(""); }

void TCustomRichEdit::ReplaceRange(int start, int length, const TRichContent& content) {
  const TRichContent* insert = &content;
  TRichContent cut;
  if (FMaxLength > 0) {
    int room = FMaxLength - (FDocument->Length() - length);
    if (ContentLength(content) > room) {
      cut = ExtractContent(content, 0, std::max(room, 0));
      insert = &cut;
    }
  }
  ++FChanging;
  try {
    FDocument->Replace(start, length, *insert);
  } catch (...) {
    --FChanging;
    throw;
  }
  --FChanging;
  DocumentChanged();
}

void TCustomRichEdit::DocumentChanged() {
  if (FChanging > 0) return;
  int total = FDocument->Length();
  if (FSelStart > total || FSelStart + FSelLength > total)
    SetSelection(std::min(FSelStart, total), 0, false);
  Change();
}

void TCustomRichEdit::Change() {
  FModified = true;
  if (OnChange) OnChange(this);
}

void TCustomRichEdit::SelectionChange() {
  if (OnSelectionChange) OnSelectionChange(this);
}

std::string TCustomRichEdit::RichText(bool selectionOnly) const {
  return WriteRtf(selectionOnly ? FDocument->Extract(FSelStart, FSelLength) : FDocument->Content());
}

void TCustomRichEdit::SetRichText(const std::string& rtf, bool selectionOnly) {
  TRichContent content = ReadRtf(rtf);  // a bad document stops here, before any change
  FInsertFormat.reset();
  if (selectionOnly) {
    int start = FSelStart;
    ReplaceRange(start, FSelLength, content);
    SetSelection(start + ContentLength(content), 0);
  } else {
    ReplaceRange(0, FDocument->Length(), content);
    SetSelection(0, 0);
  }
}

// ---- Clipboard ------------------------------------------------------------------------------

void TCustomRichEdit::CopyToClipboard() {
  if (FSelLength == 0) return;
  std::string text = SelText();
  std::string rtf = RichText(true);
  TClipboard& c = Clipboard();
  c.Open();
  try {
    c.SetAsText(text);
    if (!FPlainText) c.SetAsHandle(CF_RTF(), GlobalAllocBytes(rtf, true));
  } catch (...) {
    c.Close();
    throw;
  }
  c.Close();
}

void TCustomRichEdit::CutToClipboard() {
  if (FReadOnly || FSelLength == 0) return;
  CopyToClipboard();
  ClearSelection();
}

void TCustomRichEdit::PasteFromClipboard() {
  if (FReadOnly) return;
  TClipboard& c = Clipboard();
  std::string rtf;
  if (!FPlainText && c.HasFormat(CF_RTF()) && c.GetBuffer(CF_RTF(), rtf)) {
    rtf.resize(std::min(rtf.size(), rtf.find('\0')));
    try {
      SetRichText(rtf, true);
      return;
    } catch (const ERtfError&) {
      // Not readable as rich text: the plain text below is pasted instead.
    }
  }
  if (c.HasFormat(CF_TEXT)) SetSelText(c.AsText());
}

// ---- Formatting for a device ----------------------------------------------------------------

int TCustomRichEdit::FormatRange(const FORMATRANGE* range, bool render) {
  if (!range) {
    FDocument->ClearFormatCache();
    return 0;
  }
  TFormatRange r;
  r.hdc = range->hdc;
  r.hdcTarget = range->hdcTarget;
  r.rc = range->rc;
  r.rcPage = range->rcPage;
  r.cpMin = range->chrg.cpMin;
  r.cpMax = range->chrg.cpMax;
  return FDocument->FormatRange(r, render && range->hdc);
}

// ---- Messages -----------------------------------------------------------------------------------

LRESULT TCustomRichEdit::StreamIn(UINT format, EDITSTREAM& stream) {
  stream.dwError = 0;
  if (!stream.pfnCallback) return 0;
  std::string bytes;
  std::vector<BYTE> buffer(kStreamChunk);
  while (true) {
    LONG got = 0;
    DWORD error = stream.pfnCallback(stream.dwCookie, buffer.data(), static_cast<LONG>(buffer.size()), &got);
    got = std::clamp<LONG>(got, 0, static_cast<LONG>(buffer.size()));
    bytes.append(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(got));
    if (error != 0) {
      // What came before the failure is still read.
      stream.dwError = error;
      break;
    }
    if (got == 0) break;
    if (bytes.size() > kMaxStreamBytes) {
      stream.dwError = static_cast<DWORD>(E_OUTOFMEMORY);
      return 0;
    }
  }
  bool selection = (format & SFF_SELECTION) != 0;
  int before = FDocument->Length();
  try {
    if ((format & SF_RTF) && !FPlainText && IsRtfText(bytes)) {
      SetRichText(bytes, selection);
    } else if (selection) {
      SetSelText(bytes);
    } else {
      SetText(bytes);
    }
  } catch (const ERtfError&) {
    stream.dwError = static_cast<DWORD>(E_FAIL);
    return 0;
  }
  return std::max(0, FDocument->Length() - (selection ? before - FSelLength : 0));
}

LRESULT TCustomRichEdit::StreamOut(UINT format, EDITSTREAM& stream) {
  stream.dwError = 0;
  if (!stream.pfnCallback) return 0;
  bool selection = (format & SFF_SELECTION) != 0;
  std::string bytes;
  if ((format & SF_RTF) && !FPlainText) bytes = RichText(selection);
  else bytes = selection ? SelText() : Text();
  std::size_t at = 0;
  while (at < bytes.size()) {
    LONG n = static_cast<LONG>(std::min(kStreamChunk, bytes.size() - at));
    LONG taken = 0;
    DWORD error = stream.pfnCallback(stream.dwCookie, reinterpret_cast<BYTE*>(bytes.data() + at), n, &taken);
    if (error != 0) {
      stream.dwError = error;
      break;
    }
    if (taken <= 0) break;
    at += static_cast<std::size_t>(std::min(taken, n));
  }
  return static_cast<LRESULT>(at);
}

void TCustomRichEdit::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_GETDLGCODE:
      // A multi-line editor: the arrows move the caret and Return breaks the paragraph.
      m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTALLKEYS;
      return;
    case EM_STREAMIN:
      m.Result = m.LParam ? StreamIn(static_cast<UINT>(m.WParam), *reinterpret_cast<EDITSTREAM*>(m.LParam)) : 0;
      return;
    case EM_STREAMOUT:
      m.Result = m.LParam ? StreamOut(static_cast<UINT>(m.WParam), *reinterpret_cast<EDITSTREAM*>(m.LParam)) : 0;
      return;
    case EM_EXGETSEL:
      if (auto* r = reinterpret_cast<CHARRANGE*>(m.LParam)) {
        r->cpMin = FSelStart;
        r->cpMax = FSelStart + FSelLength;
      }
      m.Result = 0;
      return;
    case EM_EXSETSEL:
      if (auto* r = reinterpret_cast<const CHARRANGE*>(m.LParam)) {
        int total = FDocument->Length();
        if (r->cpMin == 0 && r->cpMax == -1) SetSelection(0, total);
        else if (r->cpMin < 0) SetSelection(FSelStart + FSelLength, 0);
        else {
          int end = r->cpMax < 0 ? total : r->cpMax;
          SetSelection(std::min<int>(r->cpMin, end), std::abs(end - r->cpMin));
        }
      }
      m.Result = FSelStart + FSelLength;
      return;
    case EM_GETTEXTLENGTHEX: {
      DWORD flags = m.WParam ? reinterpret_cast<const GETTEXTLENGTHEX*>(m.WParam)->flags : GTL_DEFAULT;
      if (flags & GTL_NUMBYTES) m.Result = static_cast<LRESULT>(((flags & GTL_USECRLF) ? Text() : ContentText(FDocument->Content(), "\r")).size());
      else if (flags & GTL_USECRLF) m.Result = FDocument->Length() + std::max(0, FDocument->ParagraphCount() - 1);
      else m.Result = FDocument->Length();
      return;
    }
    case EM_FORMATRANGE:
      m.Result = FormatRange(reinterpret_cast<const FORMATRANGE*>(m.LParam), m.WParam != 0);
      return;
    case EM_EXLIMITTEXT:
      SetMaxLength(static_cast<int>(m.LParam));
      m.Result = 0;
      return;
    case EM_SETBKGNDCOLOR: {
      TColor old = Color();
      SetColor(m.WParam ? clWindow : static_cast<TColor>(m.LParam));
      m.Result = static_cast<LRESULT>(old);
      return;
    }
    case EM_SETCHARFORMAT:
    case EM_GETCHARFORMAT: {
      auto* cf = reinterpret_cast<CHARFORMAT*>(m.LParam);
      if (!cf) {
        m.Result = 0;
        return;
      }
      TTextAttributes& attrs = m.WParam == SCF_DEFAULT ? DefAttributes() : SelAttributes();
      if (m.Msg == EM_GETCHARFORMAT) {
        TRichCharFormat f = attrs.Get();
        TConsistentAttributes same = attrs.ConsistentAttributes();
        auto bit = [](bool on, DWORD value) -> DWORD { return on ? value : 0; };
        cf->dwMask = bit(same.Contains(caBold), CFM_BOLD) | bit(same.Contains(caItalic), CFM_ITALIC) |
                     bit(same.Contains(caUnderline), CFM_UNDERLINE) | bit(same.Contains(caStrikeOut), CFM_STRIKEOUT) |
                     bit(same.Contains(caSize), CFM_SIZE) | bit(same.Contains(caColor), CFM_COLOR) |
                     bit(same.Contains(caFace), CFM_FACE) | CFM_CHARSET;
        cf->dwEffects = bit(f.Style.Contains(fsBold), CFE_BOLD) | bit(f.Style.Contains(fsItalic), CFE_ITALIC) |
                        bit(f.Style.Contains(fsUnderline), CFE_UNDERLINE) |
                        bit(f.Style.Contains(fsStrikeOut), CFE_STRIKEOUT) | bit(f.Color == clWindowText, CFE_AUTOCOLOR);
        cf->yHeight = f.HalfPoints * 10;
        cf->crTextColor = f.Color == clWindowText ? static_cast<TColor>(ColorToRGB(clWindowText)) : f.Color;
        cf->bCharSet = static_cast<BYTE>(f.Charset);
        cf->szFaceName = f.Name;
        m.Result = static_cast<LRESULT>(cf->dwMask);
        return;
      }
      TRichCharFormat f;
      TCharFormatParts parts;
      const std::tuple<DWORD, DWORD, TCharFormatPart, TFontStyle> styles[] = {
          {CFM_BOLD, CFE_BOLD, cfpBold, fsBold}, {CFM_ITALIC, CFE_ITALIC, cfpItalic, fsItalic},
          {CFM_UNDERLINE, CFE_UNDERLINE, cfpUnderline, fsUnderline}, {CFM_STRIKEOUT, CFE_STRIKEOUT, cfpStrikeOut, fsStrikeOut}};
      for (auto [mask, effect, part, style] : styles)
        if (cf->dwMask & mask) {
          parts.Include(part);
          if (cf->dwEffects & effect) f.Style.Include(style);
        }
      if (cf->dwMask & CFM_SIZE) {
        parts.Include(cfpSize);
        f.HalfPoints = std::clamp<int>(cf->yHeight / 10, 2, 3276);
      }
      if (cf->dwMask & CFM_COLOR) {
        parts.Include(cfpColor);
        f.Color = (cf->dwEffects & CFE_AUTOCOLOR) ? clWindowText : cf->crTextColor;
      }
      if ((cf->dwMask & CFM_FACE) && !cf->szFaceName.empty()) {
        parts.Include(cfpName);
        f.Name = cf->szFaceName.substr(0, 31);
      }
      if (cf->dwMask & CFM_CHARSET) {
        parts.Include(cfpCharset);
        f.Charset = cf->bCharSet;
      }
      if (m.WParam & SCF_ALL) FDocument->SetCharFormat(0, FDocument->Length(), f, parts);
      else attrs.Set(f, parts);
      m.Result = 1;
      return;
    }
    case WM_COPY: CopyToClipboard(); m.Result = 0; return;
    case WM_CUT: CutToClipboard(); m.Result = 0; return;
    case WM_PASTE: PasteFromClipboard(); m.Result = 0; return;
    case WM_CLEAR:
      if (!FReadOnly) ClearSelection();
      m.Result = 0;
      return;
    default: break;
  }
  TWinControl::WndProc(m);
}

// ---- Typing (a backend without a native editor sends the keys here) -------------------------

void TCustomRichEdit::InsertTyped(const std::string& text) {
  if (FReadOnly) return;
  TRichCharFormat f = FormatForInsert();
  TRichParaFormat para = FDocument->Extract(FSelStart, 0).Paragraphs.front().Format;
  TRichContent content = ContentFromText(text, f, para);
  int start = FSelStart;
  ReplaceRange(start, FSelLength, content);
  SetSelection(start + ContentLength(content), 0);
  FInsertFormat = f;  // typing goes on in the same format
}

void TCustomRichEdit::KeyPress(char32_t& Key) {
  TWinControl::KeyPress(Key);
  if (Key == 0 || FReadOnly || FPeerTyping) return;
  if (Key == '\b') {
    if (FSelLength == 0 && FSelStart > 0) SetSelection(FSelStart - 1, 1);
    ClearSelection();
  } else if (Key == '\r') {
    InsertTyped("\r");
  } else if (Key == '\t' || Key >= 0x20) {
    std::string s;
    AppendUtf8(s, Key);
    InsertTyped(s);
  }
}

void TCustomRichEdit::KeyDown(WORD& Key, TShiftState Shift) {
  TWinControl::KeyDown(Key, Shift);
  if (FPeerTyping) return;
  bool ctrl = Shift.Contains(ssCtrl);
  int caret = FSelStart + FSelLength;
  switch (Key) {
    case VK_DELETE:
      if (FReadOnly) break;
      if (Shift.Contains(ssShift)) CutToClipboard();
      else {
        if (FSelLength == 0) SetSelection(FSelStart, 1);
        ClearSelection();
      }
      break;
    case VK_INSERT:
      if (ctrl) CopyToClipboard();
      else if (Shift.Contains(ssShift)) PasteFromClipboard();
      break;
    case VK_LEFT: SetSelection(std::max(0, (FSelLength ? FSelStart : FSelStart - 1)), 0); break;
    case VK_RIGHT: SetSelection(FSelLength ? caret : caret + 1, 0); break;
    case VK_HOME: SetSelection(0, 0); break;
    case VK_END: SetSelection(FDocument->Length(), 0); break;
    case 'A': if (ctrl) SelectAll(); break;
    case 'C': if (ctrl) CopyToClipboard(); break;
    case 'X': if (ctrl) CutToClipboard(); break;
    case 'V': if (ctrl) PasteFromClipboard(); break;
    default: break;
  }
}
