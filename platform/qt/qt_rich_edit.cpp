// Qt backend: the rich-text document over QTextDocument and the rich edit's QTextEdit peer.
//
// Our positions count code points; Qt's count UTF-16 units (a block end counts 1 in both), so
// positions are converted wherever the text holds characters beyond the BMP.
#include <QAbstractTextDocumentLayout>
#include <QKeyEvent>
#include <QPointer>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextList>
#include <memory>

#include "platform/qt/qt_backend_parts.h"
#include "platform/qt/qt_clipboard.h"
#include "platform/qt/qt_input.h"
#include "platform/qt/qt_window_peer.h"
#include "platform/ui/application.h"
#include "platform/ui/rich_edit.h"

namespace {

// Our values Qt has no place for, kept on the formats.
enum : int {
  kCharsetProperty = QTextFormat::UserProperty + 1,
  kPitchProperty,
  kLeftTwips,
  kRightTwips,
  kFirstTwips,
  kAutoColor
};
constexpr double kTwipsPerPixel = 15.0;  // margins shown at 96 dpi

QTextCharFormat QtCharFormat(const TRichCharFormat& f, TCharFormatParts parts) {
  QTextCharFormat q;
  if (parts.Contains(cfpName)) q.setFontFamilies({QString::fromStdString(f.Name)});
  if (parts.Contains(cfpSize)) q.setFontPointSize(f.HalfPoints / 2.0);
  if (parts.Contains(cfpColor)) {
    if (f.Color == clWindowText) {
      q.setForeground(QBrush(Qt::black));
      q.setProperty(kAutoColor, true);
    } else {
      COLORREF c = ColorToRGB(f.Color);
      q.setForeground(QBrush(QColor(GetRValue(c), GetGValue(c), GetBValue(c))));
      q.setProperty(kAutoColor, false);
    }
  }
  if (parts.Contains(cfpBold)) q.setFontWeight(f.Style.Contains(fsBold) ? QFont::Bold : QFont::Normal);
  if (parts.Contains(cfpItalic)) q.setFontItalic(f.Style.Contains(fsItalic));
  if (parts.Contains(cfpUnderline)) q.setFontUnderline(f.Style.Contains(fsUnderline));
  if (parts.Contains(cfpStrikeOut)) q.setFontStrikeOut(f.Style.Contains(fsStrikeOut));
  if (parts.Contains(cfpCharset)) q.setProperty(kCharsetProperty, f.Charset);
  if (parts.Contains(cfpPitch)) q.setProperty(kPitchProperty, static_cast<int>(f.Pitch));
  return q;
}

TRichCharFormat OurCharFormat(const QTextCharFormat& q) {
  TRichCharFormat f;
  QStringList families = q.fontFamilies().toStringList();
  if (!families.isEmpty()) f.Name = families.front().toStdString();
  if (q.hasProperty(QTextFormat::FontPointSize)) f.HalfPoints = static_cast<int>(q.fontPointSize() * 2 + 0.5);
  if (q.hasProperty(QTextFormat::ForegroundBrush) && !q.boolProperty(kAutoColor)) {
    QColor c = q.foreground().color();
    f.Color = static_cast<TColor>(RGB(c.red(), c.green(), c.blue()));
  }
  if (q.fontWeight() >= QFont::Bold) f.Style.Include(fsBold);
  if (q.fontItalic()) f.Style.Include(fsItalic);
  if (q.fontUnderline()) f.Style.Include(fsUnderline);
  if (q.fontStrikeOut()) f.Style.Include(fsStrikeOut);
  if (q.hasProperty(kCharsetProperty)) f.Charset = q.intProperty(kCharsetProperty);
  if (q.hasProperty(kPitchProperty)) f.Pitch = static_cast<TFontPitch>(q.intProperty(kPitchProperty));
  return f;
}

Qt::Alignment QtAlignment(TRichAlignment a) {
  switch (a) {
    case raRight: return Qt::AlignRight | Qt::AlignAbsolute;
    case raCenter: return Qt::AlignHCenter;
    case raJustify: return Qt::AlignJustify;
    default: return Qt::AlignLeft | Qt::AlignAbsolute;
  }
}

TRichAlignment OurAlignment(Qt::Alignment a) {
  if (a & Qt::AlignRight) return raRight;
  if (a & Qt::AlignHCenter) return raCenter;
  if (a & Qt::AlignJustify) return raJustify;
  return raLeft;
}

TRichParaFormat OurParaFormat(const QTextBlock& block) {
  QTextBlockFormat q = block.blockFormat();
  TRichParaFormat f;
  f.Alignment = OurAlignment(q.alignment());
  f.LeftIndent = q.hasProperty(kLeftTwips) ? q.intProperty(kLeftTwips) : static_cast<int>(q.leftMargin() * kTwipsPerPixel);
  f.RightIndent = q.hasProperty(kRightTwips) ? q.intProperty(kRightTwips) : static_cast<int>(q.rightMargin() * kTwipsPerPixel);
  f.FirstIndent = q.hasProperty(kFirstTwips) ? q.intProperty(kFirstTwips) : static_cast<int>(q.textIndent() * kTwipsPerPixel);
  f.Bullet = block.textList() && block.textList()->format().style() == QTextListFormat::ListDisc;
  return f;
}

void MergeParaFormat(QTextCursor& c, const TRichParaFormat& f, TParaFormatParts parts) {
  QTextBlockFormat q;
  if (parts.Contains(pfpAlignment)) q.setAlignment(QtAlignment(f.Alignment));
  if (parts.Contains(pfpLeftIndent)) {
    q.setLeftMargin(f.LeftIndent / kTwipsPerPixel);
    q.setProperty(kLeftTwips, f.LeftIndent);
  }
  if (parts.Contains(pfpRightIndent)) {
    q.setRightMargin(f.RightIndent / kTwipsPerPixel);
    q.setProperty(kRightTwips, f.RightIndent);
  }
  if (parts.Contains(pfpFirstIndent)) {
    q.setTextIndent(f.FirstIndent / kTwipsPerPixel);
    q.setProperty(kFirstTwips, f.FirstIndent);
  }
  c.mergeBlockFormat(q);
  if (!parts.Contains(pfpBullet)) return;
  QTextBlock block = c.block();
  QTextList* list = block.textList();
  if (f.Bullet && !list) {
    QTextBlock previous = block.previous();
    QTextList* before = previous.isValid() ? previous.textList() : nullptr;
    if (before && before->format().style() == QTextListFormat::ListDisc) before->add(block);
    else c.createList(QTextListFormat::ListDisc);
  } else if (!f.Bullet && list) {
    list->remove(block);
    QTextBlockFormat plain = c.blockFormat();
    plain.setIndent(0);
    c.setBlockFormat(plain);
  }
}

class TQtRichTextDocument : public TRichTextDocument {
public:
  TQtRichTextDocument() {
    FDoc.setUndoRedoEnabled(false);
    QObject::connect(&FDoc, &QTextDocument::contentsChanged, [this] {
      FLayoutCache.reset();
      FSurrogates = -1;
      if (FBusy == 0) Changed();
    });
  }

  QTextDocument& Doc() { return FDoc; }
  // Inside our own change (the editor's cursor follows it; that is no move of the user's).
  bool Busy() const { return FBusy > 0; }

  int Length() const override { return FromQt(FDoc.characterCount() - 1); }

  TRichContent Extract(int start, int length) const override {
    int total = Length();
    start = std::clamp(start, 0, total);
    length = length < 0 ? total - start : std::clamp(length, 0, total - start);
    int qs = ToQt(start), qe = ToQt(start + length);
    TRichContent out;
    out.Paragraphs.clear();
    QTextBlock block = FDoc.findBlock(qs);
    while (block.isValid()) {
      TRichParagraph p;
      p.Format = OurParaFormat(block);
      p.EndFormat = OurCharFormat(block.charFormat());
      int bs = block.position(), be = bs + block.length() - 1;
      for (auto it = block.begin(); !it.atEnd(); ++it) {
        QTextFragment frag = it.fragment();
        int fs = frag.position(), fe = fs + frag.length();
        int a = std::max(fs, qs), b = std::min(fe, qe);
        if (a >= b) continue;
        QString text = frag.text().mid(a - fs, b - a);
        text.replace(QChar::LineSeparator, QChar(0x0B));
        p.Runs.push_back({text.toStdString(), OurCharFormat(frag.charFormat())});
      }
      out.Paragraphs.push_back(std::move(p));
      if (be >= qe) break;
      block = block.next();
    }
    if (out.Paragraphs.empty()) out.Paragraphs.emplace_back();
    NormalizeContent(out);
    return out;
  }

  void Replace(int start, int length, const TRichContent& content) override {
    int total = Length();
    start = std::clamp(start, 0, total);
    length = length < 0 ? total - start : std::clamp(length, 0, total - start);
    // The paragraphs the range touches are edited as values and written back whole, so the
    // rules of which paragraph keeps which format are those of the run list.
    int qs = ToQt(start), qe = ToQt(start + length);
    QTextBlock first = FDoc.findBlock(qs), last = FDoc.findBlock(qe);
    int ps = FromQt(first.position()), pe = FromQt(last.position() + last.length() - 1);
    TRichContent local = Extract(ps, pe - ps);
    ReplaceContent(local, start - ps, length, content);
    ++FBusy;
    Write(ps, pe, local);
    --FBusy;
    Changed();
  }

  void SetCharFormat(int start, int length, const TRichCharFormat& f, TCharFormatParts parts) override {
    QTextCursor c(&FDoc);
    c.setPosition(ToQt(start));
    c.setPosition(ToQt(std::min(start + std::max(length, 0), Length())), QTextCursor::KeepAnchor);
    ++FBusy;
    c.mergeCharFormat(QtCharFormat(f, parts));
    --FBusy;
    Changed();
  }

  void SetParaFormat(int start, int length, const TRichParaFormat& f, TParaFormatParts parts) override {
    QTextBlock block = FDoc.findBlock(ToQt(start));
    QTextBlock last = FDoc.findBlock(ToQt(std::min(start + std::max(length, 0), Length())));
    ++FBusy;
    while (block.isValid()) {
      QTextCursor c(block);
      MergeParaFormat(c, f, parts);
      if (block == last) break;
      block = block.next();
    }
    --FBusy;
    Changed();
  }

  int FormatRange(const TFormatRange& range, bool render) override {
    // The lines are laid out with the reference device's metrics (Qt's on this backend), by
    // the same layout as the run list.
    if (!FLayoutCache) {
      FLayoutCache = std::make_unique<TRunListDocument>();
      FLayoutCache->Replace(0, 0, Content());
    }
    return FLayoutCache->FormatRange(range, render);
  }
  void ClearFormatCache() override { FLayoutCache.reset(); }

  int ParagraphCount() const override { return FDoc.blockCount(); }
  int ParagraphStart(int index) const override {
    QTextBlock b = FDoc.findBlockByNumber(std::clamp(index, 0, FDoc.blockCount() - 1));
    return FromQt(b.position());
  }
  std::string ParagraphText(int index) const override {
    QTextBlock b = FDoc.findBlockByNumber(index);
    if (!b.isValid()) return {};
    QString t = b.text();
    t.replace(QChar::LineSeparator, QChar(0x0B));
    return t.toStdString();
  }

  // Position conversions; the identity while no character needs two UTF-16 units.
  int ToQt(int cp) const {
    if (!Surrogates()) return cp;
    QString raw = FDoc.toRawText();
    int q = 0;
    for (int n = 0; n < cp && q < raw.size(); ++n) q += raw[q].isHighSurrogate() && q + 1 < raw.size() ? 2 : 1;
    return q;
  }
  int FromQt(int q) const {
    if (!Surrogates()) return q;
    QString raw = FDoc.toRawText();
    int cp = 0;
    for (int i = 0; i < q && i < raw.size(); ++i)
      if (!raw[i].isLowSurrogate()) ++cp;
    return cp;
  }

private:
  // Whether a character of the text takes two UTF-16 units: looked at once for each text, so
  // that converting a position costs nothing while none does.
  bool Surrogates() const {
    if (FSurrogates < 0) {
      FSurrogates = 0;
      for (QChar c : FDoc.toRawText())
        if (c.isSurrogate()) {
          FSurrogates = 1;
          break;
        }
    }
    return FSurrogates == 1;
  }

  // Replaces our positions [ps, pe) (whole paragraphs) with `content`.
  void Write(int ps, int pe, const TRichContent& content) {
    QTextCursor c(&FDoc);
    c.beginEditBlock();
    c.setPosition(ToQt(ps));
    c.setPosition(ToQt(pe), QTextCursor::KeepAnchor);
    c.removeSelectedText();
    const TParaFormatParts allPara{pfpAlignment, pfpBullet, pfpFirstIndent, pfpLeftIndent, pfpRightIndent};
    for (std::size_t i = 0; i < content.Paragraphs.size(); ++i) {
      const TRichParagraph& p = content.Paragraphs[i];
      QTextCharFormat end = QtCharFormat(p.EndFormat, AllCharFormatParts());
      if (i > 0) c.insertBlock(QTextBlockFormat(), end);
      else c.setBlockCharFormat(end);
      MergeParaFormat(c, p.Format, allPara);
      for (const TRichRun& r : p.Runs) {
        QString text = QString::fromStdString(r.Text);
        text.replace(QChar(0x0B), QChar::LineSeparator);
        c.insertText(text, QtCharFormat(r.Format, AllCharFormatParts()));
      }
    }
    c.endEditBlock();
  }

  QTextDocument FDoc;
  int FBusy = 0;
  mutable int FSurrogates = -1;  // unknown until asked for
  std::unique_ptr<TRunListDocument> FLayoutCache;
};

// ---- The peer ---------------------------------------------------------------------------------

// Keys typed into the editor reach the control first (OnKeyDown, OnKeyPress, the form's short
// cuts and dialog keys); what they leave alone the editor edits. A character that OnKeyPress
// replaced is typed in its place.
class TRichKeyFilter : public QObject {
public:
  TRichKeyFilter(TCustomRichEdit& control, QTextEdit& edit) : FControl(control), FEdit(edit) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != &FEdit || (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)) return false;
    auto* e = static_cast<QKeyEvent*>(event);
    UpdateModifiers(e->modifiers());
    WORD vk = VirtualKeyFromQt(e->key());
    try {
      if (event->type() == QEvent::KeyRelease) return vk && FControl.PeerKeyUp(vk);
      if (vk && FControl.PeerKeyDown(vk)) return true;
      // A style set with nothing selected applies to what is typed next.
      if (const auto& next = FControl.PendingInsertFormat(); next && !e->text().isEmpty() && !FEdit.textCursor().hasSelection())
        FEdit.setCurrentCharFormat(QtCharFormat(*next, AllCharFormatParts()));
      QString typed;
      bool changed = false;
      for (char32_t cp : e->text().toUcs4()) {
        if (cp == 0x7F) continue;
        char32_t key = cp;
        bool used = FControl.PeerChar(key);
        changed = changed || used || key != cp;
        if (!used && (key >= 0x20 || key == '\t')) typed += QString::fromUcs4(&key, 1);
      }
      if (!changed) return false;
      if (!typed.isEmpty() && !FEdit.isReadOnly()) FEdit.insertPlainText(typed);
      return true;
    } catch (...) {
      GetApplication().HandleException(&FControl);
      return true;
    }
  }

private:
  TCustomRichEdit& FControl;
  QTextEdit& FEdit;
};

class TQtRichEditPeer : public TRichEditPeer {
public:
  explicit TQtRichEditPeer(TCustomRichEdit& control) : FControl(control), FEdit(new QTextEdit) {
    auto* doc = dynamic_cast<TQtRichTextDocument*>(&control.Document());
    FDoc = doc;
    if (doc) FEdit->setDocument(&doc->Doc());
    FEdit->setAcceptRichText(true);
    FEdit->setTabChangesFocus(false);
    SetNativeWidget(control, FEdit.data());
    QObject::connect(FEdit.data(), &QTextEdit::cursorPositionChanged, FEdit.data(), [this] { Report(); });
    QObject::connect(FEdit.data(), &QTextEdit::selectionChanged, FEdit.data(), [this] { Report(); });
    FKeys = std::make_unique<TRichKeyFilter>(control, *FEdit);
    FEdit->installEventFilter(FKeys.get());
  }
  ~TQtRichEditPeer() override {
    SetNativeWidget(FControl, nullptr);
    if (FEdit) {
      FEdit->removeEventFilter(FKeys.get());
      // The document belongs to the control; the editor lets go of it first.
      QSignalBlocker block(FEdit.data());
      FEdit->setDocument(new QTextDocument(FEdit.data()));
      delete FEdit.data();
    }
  }

  void SetBounds(const TRect& b) override {
    FEdit->setGeometry(b.Left, b.Top, std::max(b.Width(), 0), std::max(b.Height(), 0));
  }
  void SetVisible(bool visible) override { FEdit->setVisible(visible); }
  void SetEnabled(bool enabled) override { FEdit->setEnabled(enabled); }
  void SetParent(TWinControl* parent) override {
    QWidget* w = parent ? DropWidgetOf(*parent) : nullptr;
    if (parent && !w)
      if (auto* peer = dynamic_cast<TQtWindowPeer*>(parent->Handle())) w = peer->Widget();
    if (FEdit->parentWidget() != w) FEdit->setParent(w);
  }
  void Invalidate(const TRect*) override { FEdit->viewport()->update(); }
  void Update() override { FEdit->viewport()->repaint(); }
  void SetFocus() override { FEdit->setFocus(); }
  bool Focused() const override { return FEdit->hasFocus(); }
  void SetCapture(bool) override {}
  bool HasCapture() const override { return false; }
  bool SetTimer(UINT, UINT) override { return false; }
  bool KillTimer(UINT) override { return false; }
  TPoint ClientOrigin() const override {
    QPoint p = FEdit->viewport()->mapToGlobal(QPoint(0, 0));
    return {p.x(), p.y()};
  }

  void SetSelection(int start, int length) override {
    if (!FDoc) return;
    QSignalBlocker block(FEdit.data());
    QTextCursor c = FEdit->textCursor();
    c.setPosition(FDoc->ToQt(start));
    c.setPosition(FDoc->ToQt(start + length), QTextCursor::KeepAnchor);
    FEdit->setTextCursor(c);
  }
  void SetReadOnly(bool value) override { FEdit->setReadOnly(value); }
  void SetWordWrap(bool value) override {
    FEdit->setLineWrapMode(value ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
  }
  void SetBackground(TColor color) override {
    COLORREF c = ColorToRGB(color);
    QPalette p = FEdit->palette();
    p.setColor(QPalette::Base, QColor(GetRValue(c), GetGValue(c), GetBValue(c)));
    FEdit->setPalette(p);
  }

private:
  void Report() {
    if (!FDoc || FDoc->Busy()) return;
    QTextCursor c = FEdit->textCursor();
    int a = FDoc->FromQt(c.selectionStart()), b = FDoc->FromQt(c.selectionEnd());
    try {
      FControl.PeerSelectionChanged(a, b - a);
    } catch (...) {
      GetApplication().HandleException(&FControl);
    }
  }

  TCustomRichEdit& FControl;
  QPointer<QTextEdit> FEdit;
  TQtRichTextDocument* FDoc = nullptr;
  std::unique_ptr<TRichKeyFilter> FKeys;
};

}  // namespace

void InstallQtRichEdit() {
  SetRichTextDocumentFactory([] { return std::make_unique<TQtRichTextDocument>(); });
  RegisterWindowClass("RICHEDIT", [](TWinControl& control) -> std::unique_ptr<TWindowPeer> {
    auto* edit = dynamic_cast<TCustomRichEdit*>(&control);
    if (!edit) return nullptr;
    return std::make_unique<TQtRichEditPeer>(*edit);
  });
}
