// The clipboard: global memory blocks, registered formats, the Win32 clipboard calls and the
// class library's TClipboard over them. A backend supplies where the formats really live (an
// in-process table, or the desktop's clipboard).
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/classes.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/win_types.h"

class TWinControl;

// ---- Global memory blocks --------------------------------------------------------------------
// A block of bytes with a lock count; HGLOBAL points at it.
struct TGlobalBlock {
  std::vector<unsigned char> Bytes;
  int LockCount = 0;
  UINT Flags = 0;
};
using HGLOBAL = TGlobalBlock*;

enum : UINT {
  GMEM_FIXED = 0x0000, GMEM_MOVEABLE = 0x0002, GMEM_ZEROINIT = 0x0040, GMEM_DDESHARE = 0x2000,
  GHND = GMEM_MOVEABLE | GMEM_ZEROINIT, GPTR = GMEM_FIXED | GMEM_ZEROINIT
};
// The largest block GlobalAlloc hands out (nullptr above it, as for an exhausted heap).
inline constexpr std::size_t kGlobalBlockLimit = std::size_t(1) << 30;

// A zero-filled block of `bytes` bytes; nullptr when too large.
HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes);
// Frees the block; returns nullptr (the class library's success value).
HGLOBAL GlobalFree(HGLOBAL block);
// The block's bytes (nullptr for a null block or an empty one); raises the lock count.
void* GlobalLock(HGLOBAL block);
// Lowers the lock count; true while the block stays locked.
bool GlobalUnlock(HGLOBAL block);
std::size_t GlobalSize(HGLOBAL block);
// A new block holding `data` (and, with `terminate`, one NUL after it).
HGLOBAL GlobalAllocBytes(const std::string& data, bool terminate);
// The bytes of a block, all of them or up to the first NUL.
std::string GlobalBytes(HGLOBAL block, bool toFirstNul);

// ---- Formats -----------------------------------------------------------------------------------
enum : UINT { CF_TEXT = 1, CF_BITMAP = 2, CF_OEMTEXT = 7, CF_DIB = 8, CF_UNICODETEXT = 13, CF_HDROP = 15 };
inline constexpr UINT kFirstRegisteredFormat = 0xC000;

// The id of a named format: one id per name (names compare without ASCII case), from 0xC000 up;
// 0 for an empty name.
UINT RegisterClipboardFormat(const std::string& name);
// The name of a registered format; empty for the standard ones and unknown ids.
std::string GetClipboardFormatName(UINT format);
// CF_UNICODETEXT and CF_OEMTEXT carry the same UTF-8 text as CF_TEXT here, so they are kept
// under CF_TEXT.
UINT CanonicalClipboardFormat(UINT format);

// The formats of one clipboard content (or one data object): format -> bytes.
using TClipboardFormats = std::map<UINT, std::string>;

// What a backend supplies. Open may refuse (another program holds the clipboard, no display).
class TClipboardBackend {
public:
  virtual ~TClipboardBackend() = default;
  virtual bool Open() { return true; }
  virtual void Close() {}
  // Replaces the whole content.
  virtual void SetContent(const TClipboardFormats& formats) = 0;
  virtual bool HasFormat(UINT format) = 0;
  virtual bool GetFormat(UINT format, std::string& data) = 0;
  virtual std::vector<UINT> Formats() = 0;
};

// The in-process clipboard: a table of formats. `Held` makes Open fail, as when another program
// has the clipboard open.
class TClipboardTable : public TClipboardBackend {
public:
  bool Open() override { return !Held; }
  void SetContent(const TClipboardFormats& formats) override { FContent = formats; }
  bool HasFormat(UINT format) override { return FContent.count(format) != 0; }
  bool GetFormat(UINT format, std::string& data) override;
  std::vector<UINT> Formats() override;
  const TClipboardFormats& Content() const { return FContent; }
  bool Held = false;

private:
  TClipboardFormats FContent;
};

// Installs the backend (the in-process table until one is installed).
void SetClipboardBackend(std::unique_ptr<TClipboardBackend> backend);
TClipboardBackend& ClipboardBackend();

// ---- Win32 clipboard calls ------------------------------------------------------------------
bool OpenClipboard(TWinControl* owner);
bool CloseClipboard();
bool EmptyClipboard();
// The clipboard takes the block (and frees it); returns it, or nullptr when not open.
HGLOBAL SetClipboardData(UINT format, HGLOBAL block);
// A block owned by the clipboard, valid until the content changes or the clipboard is opened
// again; nullptr when the format is absent or the clipboard is not open.
HGLOBAL GetClipboardData(UINT format);
bool IsClipboardFormatAvailable(UINT format);
int CountClipboardFormats();

// ---- TClipboard --------------------------------------------------------------------------------
class TClipboard : public TPersistent {
public:
  TClipboard();
  ~TClipboard() override;

  // Nested: only the first Open opens and the last Close closes. Raises EClipboardException
  // "Cannot open clipboard" when the clipboard cannot be opened.
  void Open();
  void Close();
  void Clear();
  bool HasFormat(UINT format);
  int FormatCount();
  UINT Formats(int index);

  // The text: CF_TEXT's bytes up to the first NUL; empty when there is none.
  std::string AsText();
  void SetAsText(const std::string& value);
  // Copies at most bufSize - 1 bytes and a NUL into buffer; returns the count copied.
  int GetTextBuf(char* buffer, int bufSize);
  void SetTextBuf(const char* buffer);

  // A global block for a format; the clipboard takes it.
  void SetAsHandle(UINT format, HGLOBAL block);
  // The clipboard's block for a format (it stays the clipboard's); nullptr when absent.
  HGLOBAL GetAsHandle(UINT format);

  // Helpers over bytes: SetBuffer puts `data` (no NUL added) under `format`.
  void SetBuffer(UINT format, const std::string& data);
  bool GetBuffer(UINT format, std::string& data);

private:
  void Adding();

  int FOpenCount = 0;
  bool FEmptied = false;
};

// The process's clipboard object.
TClipboard& Clipboard();
