// The clipboard, OLE drag and drop between controls, and shell open, on the headless backend.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/headless/headless_backend_parts.h"
#include "platform/headless/headless_clipboard.h"
#include "platform/headless/headless_peer.h"
#include "platform/ui/controls.h"

namespace {

class ClipboardTest : public ::testing::Test {
protected:
  void SetUp() override { InstallHeadlessClipboard(); }
};

TEST_F(ClipboardTest, TextStopsAtTheFirstNulAndTextFormatsAreOne) {
  Clipboard().SetAsText("first line\r\nsecond");
  EXPECT_TRUE(Clipboard().HasFormat(CF_TEXT));
  EXPECT_TRUE(Clipboard().HasFormat(CF_UNICODETEXT));
  EXPECT_EQ(Clipboard().AsText(), "first line\r\nsecond");

  Clipboard().SetBuffer(CF_UNICODETEXT, std::string("ab\0cd", 5));
  EXPECT_EQ(Clipboard().AsText(), "ab");
  char buf[4];
  Clipboard().SetTextBuf("abcdef");
  EXPECT_EQ(Clipboard().GetTextBuf(buf, sizeof buf), 3);
  EXPECT_STREQ(buf, "abc");

  Clipboard().Clear();
  EXPECT_FALSE(Clipboard().HasFormat(CF_TEXT));
  EXPECT_EQ(Clipboard().AsText(), "");
}

TEST_F(ClipboardTest, RegisteredFormatsHaveOneIdPerName) {
  UINT rtf = RegisterClipboardFormat("Rich Text Format");
  EXPECT_GE(rtf, 0xC000u);
  EXPECT_EQ(RegisterClipboardFormat("rich text format"), rtf);
  EXPECT_EQ(CF_RTF(), rtf);
  UINT other = RegisterClipboardFormat("Some Other Format");
  EXPECT_NE(other, rtf);
  EXPECT_EQ(GetClipboardFormatName(other), "Some Other Format");
  EXPECT_EQ(RegisterClipboardFormat(""), 0u);
}

TEST_F(ClipboardTest, NestedOpenKeepsEveryFormatOfOneCopy) {
  Clipboard().SetAsText("old");
  Clipboard().Open();
  Clipboard().Open();
  Clipboard().SetAsText("plain");
  Clipboard().SetAsHandle(CF_RTF(), GlobalAllocBytes("{\\rtf1 x}", true));
  Clipboard().Close();
  // Still open: nothing else may write, and both formats are there.
  EXPECT_TRUE(ClipboardBackend().HasFormat(CF_RTF()));
  Clipboard().Close();
  EXPECT_EQ(Clipboard().AsText(), "plain");
  HGLOBAL h = Clipboard().GetAsHandle(CF_RTF());
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GlobalSize(h), 10u);
  const char* p = static_cast<const char*>(GlobalLock(h));
  EXPECT_STREQ(p, "{\\rtf1 x}");
  EXPECT_FALSE(GlobalUnlock(h));
  // A later single write replaces the whole content.
  Clipboard().SetAsText("new");
  EXPECT_FALSE(Clipboard().HasFormat(CF_RTF()));
  EXPECT_EQ(Clipboard().GetAsHandle(CF_RTF()), nullptr);
}

TEST_F(ClipboardTest, ClipboardHeldElsewhereRaisesAndLeavesTheContent) {
  Clipboard().SetAsText("kept");
  HeadlessClipboardTable().Held = true;
  try {
    Clipboard().SetAsText("lost");
    FAIL() << "no exception";
  } catch (const EClipboardException& e) {
    EXPECT_STREQ(e.what(), "Cannot open clipboard");
  }
  EXPECT_THROW(Clipboard().AsText(), EClipboardException);
  HeadlessClipboardTable().Held = false;
  EXPECT_EQ(Clipboard().AsText(), "kept");
  // The failed Open left no count behind: a write now empties and writes.
  Clipboard().SetAsText("next");
  EXPECT_EQ(Clipboard().AsText(), "next");
}

TEST(GlobalMemory, BlocksAndLocks) {
  HGLOBAL h = GlobalAlloc(GHND, 8);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GlobalSize(h), 8u);
  auto* p = static_cast<unsigned char*>(GlobalLock(h));
  EXPECT_EQ(p[7], 0);
  EXPECT_EQ(GlobalLock(h), p);
  EXPECT_TRUE(GlobalUnlock(h));
  EXPECT_FALSE(GlobalUnlock(h));
  EXPECT_FALSE(GlobalUnlock(h));
  GlobalFree(h);
  EXPECT_EQ(GlobalAlloc(GHND, kGlobalBlockLimit + 1), nullptr);
}

TEST(DropFiles, BlocksOfBothWidthsAndBadOnes) {
  HGLOBAL h = GlobalAllocBytes(DropFilesBytes({"/tmp/a.csv", "/tmp/b c.xls"}), false);
  EXPECT_EQ(DragQueryFile(h, 0xFFFFFFFF, nullptr, 0), 2u);
  char name[8];
  EXPECT_EQ(DragQueryFile(h, 1, nullptr, 0), 12u);
  EXPECT_EQ(DragQueryFile(h, 1, name, sizeof name), 7u);
  EXPECT_STREQ(name, "/tmp/b ");
  EXPECT_EQ(DragQueryFile(h, 2, name, sizeof name), 0u);
  GlobalFree(h);

  // Wide names from another program: header, then UTF-16 with an empty name at the end.
  std::string wide(20, '\0');
  wide[0] = 20;
  wide[16] = 1;
  for (char16_t c : std::u16string(u"\u00e9t\u00e9")) {
    wide.push_back(static_cast<char>(c & 0xFF));
    wide.push_back(static_cast<char>(c >> 8));
  }
  wide.append(4, '\0');
  EXPECT_EQ(DropFilesFromBytes(wide), std::vector<std::string>{"\xC3\xA9t\xC3\xA9"});

  // An offset past the end, a short header and an unterminated name give what is safe.
  std::string bad = DropFilesBytes({"x"});
  bad[0] = 100;
  EXPECT_TRUE(DropFilesFromBytes(bad).empty());
  EXPECT_TRUE(DropFilesFromBytes("abc").empty());
  std::string open = DropFilesBytes({"name"});
  open.resize(open.size() - 2);
  EXPECT_EQ(DropFilesFromBytes(open), std::vector<std::string>{"name"});

  EXPECT_EQ(GridColumnFromBytes(GridColumnBytes(7)), 7);
  EXPECT_EQ(GridColumnFromBytes("\x01\x02"), -1);
}

// ---- Drag and drop between two controls --------------------------------------------------

class TRecordingTarget : public IDropTarget {
public:
  std::vector<std::string> Log;
  std::string Text;
  DWORD Keys = 0;
  bool Accept = false;

  HRESULT DragEnter(IDataObject* data, DWORD keys, TPoint p, DWORD* effect) override {
    Log.push_back("enter " + std::to_string(p.X) + "," + std::to_string(p.Y));
    FORMATETC f;
    f.cfFormat = CF_TEXT;
    Accept = data->QueryGetData(f) == S_OK;
    *effect = Accept ? DropEffectFromKeyState(keys, *effect) : DROPEFFECT_NONE;
    return S_OK;
  }
  HRESULT DragOver(DWORD keys, TPoint, DWORD* effect) override {
    *effect = Accept ? DropEffectFromKeyState(keys, *effect) : DROPEFFECT_NONE;
    return S_OK;
  }
  HRESULT DragLeave() override {
    Log.push_back("leave");
    return S_OK;
  }
  HRESULT Drop(IDataObject* data, DWORD keys, TPoint, DWORD* effect) override {
    Log.push_back("drop");
    Keys = keys;
    GetDataObjectFormat(*data, CF_UNICODETEXT, Text);
    *effect = DropEffectFromKeyState(keys, *effect);
    return S_OK;
  }
};

class TButtonSource : public IDropSource {
public:
  int Feedback = 0;
  HRESULT QueryContinueDrag(BOOL escape, DWORD keys) override {
    if (escape) return DRAGDROP_S_CANCEL;
    return (keys & MK_LBUTTON) ? S_OK : DRAGDROP_S_DROP;
  }
  HRESULT GiveFeedback(DWORD) override {
    ++Feedback;
    return DRAGDROP_S_USEDEFAULTCURSORS;
  }
};

class DragDropTest : public ::testing::Test {
protected:
  void SetUp() override {
    InstallHeadlessBackend();
    Form.SetBounds(100, 50, 400, 300);
    Source.SetParent(&Form);
    Target.SetParent(&Form);
    Target.SetBounds(200, 0, 100, 100);
    Data.SetFormat(CF_TEXT, std::string("dragged text\0", 13));
  }
  void TearDown() override { RevokeDragDrop(&Target); }

  TCustomControl Form{nullptr};
  TCustomControl Source{nullptr};
  TCustomControl Target{nullptr};
  TFormatDataObject Data;
  TButtonSource DropSource;
  TRecordingTarget Dropped;
};

TEST_F(DragDropTest, ShiftCopiesAndPlainDragMoves) {
  ASSERT_EQ(RegisterDragDrop(&Target, &Dropped), S_OK);
  EXPECT_EQ(RegisterDragDrop(&Target, &Dropped), DRAGDROP_E_ALREADYREGISTERED);

  ScriptDragDrop({&Target, Point(5, 6), MK_SHIFT});
  DWORD effect = 99;
  EXPECT_EQ(DoDragDrop(&Data, &DropSource, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect), DRAGDROP_S_DROP);
  EXPECT_EQ(effect, DROPEFFECT_COPY);
  EXPECT_EQ(Dropped.Text, std::string("dragged text\0", 13));
  EXPECT_TRUE(Dropped.Keys & MK_SHIFT);
  ASSERT_EQ(Dropped.Log.size(), 2u);
  // The point reaches the target on the screen: form 100,50 + control 200,0 + 5,6.
  EXPECT_EQ(Dropped.Log[0], "enter 305,56");
  EXPECT_GT(DropSource.Feedback, 0);

  ScriptDragDrop({&Target, Point(1, 1), 0});
  EXPECT_EQ(DoDragDrop(&Data, &DropSource, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect), DRAGDROP_S_DROP);
  EXPECT_EQ(effect, DROPEFFECT_MOVE);

  // Move is not allowed: the target falls back to copy.
  ScriptDragDrop({&Target, Point(1, 1), 0});
  EXPECT_EQ(DoDragDrop(&Data, &DropSource, DROPEFFECT_COPY, &effect), DRAGDROP_S_DROP);
  EXPECT_EQ(effect, DROPEFFECT_COPY);
}

TEST_F(DragDropTest, EscapeRefusalAndRevokedTargetsCancel) {
  ASSERT_EQ(RegisterDragDrop(&Target, &Dropped), S_OK);
  DWORD effect = 99;
  ScriptDragDrop({&Target, Point(1, 1), 0, true});
  EXPECT_EQ(DoDragDrop(&Data, &DropSource, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect), DRAGDROP_S_CANCEL);
  EXPECT_EQ(DRAGDROP_S_CANCEL, 0x40101);
  EXPECT_EQ(effect, DROPEFFECT_NONE);
  EXPECT_EQ(Dropped.Log.back(), "leave");
  EXPECT_TRUE(Dropped.Text.empty());

  // Data without text: the target refuses, nothing is dropped.
  TFormatDataObject column;
  column.SetFormat(CF_GRIDCOLUMN(), GridColumnBytes(3));
  ScriptDragDrop({&Target, Point(1, 1), 0});
  EXPECT_EQ(DoDragDrop(&column, &DropSource, DROPEFFECT_MOVE, &effect), DRAGDROP_S_CANCEL);
  EXPECT_EQ(Dropped.Log.back(), "leave");

  // Unscripted, or over a control with no target: cancelled.
  EXPECT_EQ(DoDragDrop(&Data, &DropSource, DROPEFFECT_MOVE, &effect), DRAGDROP_S_CANCEL);
  EXPECT_EQ(RevokeDragDrop(&Target), S_OK);
  EXPECT_EQ(RevokeDragDrop(&Target), DRAGDROP_E_NOTREGISTERED);
  ScriptDragDrop({&Target, Point(1, 1), 0});
  EXPECT_EQ(DoDragDrop(&Data, &DropSource, DROPEFFECT_MOVE, &effect), DRAGDROP_S_CANCEL);
}

TEST_F(DragDropTest, FreedControlForgetsItsTargetAndDataObjectsRefuseOtherFormats) {
  auto* child = new TCustomControl(nullptr);
  ASSERT_EQ(RegisterDragDrop(child, &Dropped), S_OK);
  EXPECT_EQ(DropTargetOf(child), &Dropped);
  delete child;
  EXPECT_EQ(DropTargetOf(child), nullptr);

  FORMATETC f;
  f.cfFormat = CF_HDROP;
  STGMEDIUM m;
  EXPECT_EQ(Data.GetData(f, m), DV_E_FORMATETC);
  f.cfFormat = CF_TEXT;
  f.tymed = 0;
  EXPECT_EQ(Data.QueryGetData(f), DV_E_FORMATETC);
  std::vector<FORMATETC> list;
  EXPECT_EQ(Data.EnumFormatEtc(DATADIR_SET, list), E_NOTIMPL);
  TClipboardFormats all = DataObjectFormats(Data);
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all.begin()->first, static_cast<UINT>(CF_TEXT));
}

TEST(Shell, RequestsAreRecordedWithTheirArguments) {
  InstallHeadlessClipboard();
  EXPECT_EQ(ShellExecute(nullptr, "open", "mailto:a@b.example", "", "", SW_SHOWNORMAL), 42);
  EXPECT_EQ(ShellExecute(nullptr, "open", "", "", "", SW_SHOWNORMAL), SE_ERR_FNF);
  ASSERT_EQ(HeadlessShellRequests().size(), 1u);
  EXPECT_EQ(HeadlessShellRequests()[0].File, "mailto:a@b.example");
  EXPECT_EQ(HeadlessShellRequests()[0].Verb, "open");

  SHELLEXECUTEINFO info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpFile = "/bin/sh";
  info.lpParameters = "-c \"exit 3\"";
  ASSERT_TRUE(ShellExecuteEx(info));
  ASSERT_TRUE(info.hProcess);
  EXPECT_TRUE(info.hProcess->WaitFor(5000));
  EXPECT_EQ(info.hProcess->ExitCode(), 3);
}

}  // namespace
