#include "platform/ui/clipboard.h"

#include <algorithm>
#include <cstring>

#include "platform/rtl/sysutils.h"

// ---- Global memory blocks --------------------------------------------------------------------

HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes) {
  if (bytes > kGlobalBlockLimit) return nullptr;
  auto* block = new TGlobalBlock;
  block->Bytes.assign(bytes, 0);
  block->Flags = flags;
  return block;
}

HGLOBAL GlobalFree(HGLOBAL block) {
  delete block;
  return nullptr;
}

void* GlobalLock(HGLOBAL block) {
  if (!block || block->Bytes.empty()) return nullptr;
  ++block->LockCount;
  return block->Bytes.data();
}

bool GlobalUnlock(HGLOBAL block) {
  if (!block || block->LockCount == 0) return false;
  return --block->LockCount > 0;
}

std::size_t GlobalSize(HGLOBAL block) { return block ? block->Bytes.size() : 0; }

HGLOBAL GlobalAllocBytes(const std::string& data, bool terminate) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, data.size() + (terminate ? 1 : 0));
  if (block && !data.empty()) std::memcpy(block->Bytes.data(), data.data(), data.size());
  return block;
}

std::string GlobalBytes(HGLOBAL block, bool toFirstNul) {
  if (!block) return {};
  const auto* p = reinterpret_cast<const char*>(block->Bytes.data());
  std::size_t n = block->Bytes.size();
  if (toFirstNul) {
    const void* nul = std::memchr(p, 0, n);
    if (nul) n = static_cast<std::size_t>(static_cast<const char*>(nul) - p);
  }
  return std::string(p, n);
}

// ---- Formats -----------------------------------------------------------------------------------

namespace {

std::vector<std::string>& RegisteredNames() {
  static std::vector<std::string> names;
  return names;
}

}  // namespace

UINT RegisterClipboardFormat(const std::string& name) {
  if (name.empty()) return 0;
  auto& names = RegisteredNames();
  for (std::size_t i = 0; i < names.size(); ++i)
    if (SameText(names[i], name)) return kFirstRegisteredFormat + static_cast<UINT>(i);
  if (names.size() >= 0x3FFF) return 0;  // the id range is used up
  names.push_back(name);
  return kFirstRegisteredFormat + static_cast<UINT>(names.size() - 1);
}

std::string GetClipboardFormatName(UINT format) {
  const auto& names = RegisteredNames();
  if (format < kFirstRegisteredFormat || format - kFirstRegisteredFormat >= names.size()) return {};
  return names[format - kFirstRegisteredFormat];
}

UINT CanonicalClipboardFormat(UINT format) {
  return format == CF_UNICODETEXT || format == CF_OEMTEXT ? CF_TEXT : format;
}

bool TClipboardTable::GetFormat(UINT format, std::string& data) {
  auto it = FContent.find(format);
  if (it == FContent.end()) return false;
  data = it->second;
  return true;
}

std::vector<UINT> TClipboardTable::Formats() {
  std::vector<UINT> out;
  for (const auto& [format, data] : FContent) out.push_back(format);
  return out;
}

// ---- The clipboard's state -------------------------------------------------------------------

namespace {

struct TClipboardState {
  std::unique_ptr<TClipboardBackend> Backend = std::make_unique<TClipboardTable>();
  bool IsOpen = false;
  bool Owner = false;              // emptied or written since it was opened
  TClipboardFormats Written;       // what this process put there since
  std::map<UINT, std::unique_ptr<TGlobalBlock>> HandedOut;  // blocks GetClipboardData gave
};

TClipboardState& State() {
  static TClipboardState state;
  return state;
}

}  // namespace

void SetClipboardBackend(std::unique_ptr<TClipboardBackend> backend) {
  auto& s = State();
  if (s.IsOpen) s.Backend->Close();
  s.Backend = backend ? std::move(backend) : std::make_unique<TClipboardTable>();
  s.IsOpen = false;
  s.Owner = false;
  s.Written.clear();
  s.HandedOut.clear();
}

TClipboardBackend& ClipboardBackend() { return *State().Backend; }

bool OpenClipboard(TWinControl*) {
  auto& s = State();
  if (s.IsOpen) return true;
  if (!s.Backend->Open()) return false;
  s.IsOpen = true;
  s.Owner = false;
  s.Written.clear();
  s.HandedOut.clear();
  return true;
}

bool CloseClipboard() {
  auto& s = State();
  if (!s.IsOpen) return false;
  s.Backend->Close();
  s.IsOpen = false;
  return true;
}

bool EmptyClipboard() {
  auto& s = State();
  if (!s.IsOpen) return false;
  s.Written.clear();
  s.Owner = true;
  s.HandedOut.clear();
  s.Backend->SetContent(s.Written);
  return true;
}

HGLOBAL SetClipboardData(UINT format, HGLOBAL block) {
  auto& s = State();
  std::unique_ptr<TGlobalBlock> owned(block);
  if (!s.IsOpen || !block || format == 0) return nullptr;
  if (!s.Owner) {
    // Writing without emptying first keeps what is there.
    for (UINT f : s.Backend->Formats()) {
      std::string data;
      if (s.Backend->GetFormat(f, data)) s.Written[f] = std::move(data);
    }
    s.Owner = true;
  }
  format = CanonicalClipboardFormat(format);
  s.Written[format] = GlobalBytes(block, false);
  s.HandedOut.erase(format);
  s.Backend->SetContent(s.Written);
  // The clipboard holds the block now.
  s.HandedOut[format] = std::move(owned);
  return block;
}

HGLOBAL GetClipboardData(UINT format) {
  auto& s = State();
  if (!s.IsOpen) return nullptr;
  format = CanonicalClipboardFormat(format);
  auto it = s.HandedOut.find(format);
  if (it != s.HandedOut.end()) return it->second.get();
  std::string data;
  if (!s.Backend->GetFormat(format, data)) return nullptr;
  HGLOBAL block = GlobalAllocBytes(data, false);
  if (!block) return nullptr;
  s.HandedOut[format].reset(block);
  return block;
}

bool IsClipboardFormatAvailable(UINT format) {
  return State().Backend->HasFormat(CanonicalClipboardFormat(format));
}

int CountClipboardFormats() { return static_cast<int>(State().Backend->Formats().size()); }

// ---- TClipboard --------------------------------------------------------------------------------

TClipboard::TClipboard() = default;
TClipboard::~TClipboard() = default;

void TClipboard::Open() {
  if (FOpenCount == 0) {
    if (!OpenClipboard(nullptr)) throw EClipboardException();
    FEmptied = false;
  }
  ++FOpenCount;
}

void TClipboard::Close() {
  if (FOpenCount == 0) return;
  if (--FOpenCount == 0) CloseClipboard();
}

void TClipboard::Clear() {
  Open();
  try {
    EmptyClipboard();
  } catch (...) {
    Close();
    throw;
  }
  Close();
}

// The first write of an Open ... Close empties the clipboard; later ones add formats.
void TClipboard::Adding() {
  if (FOpenCount != 0 && !FEmptied) {
    EmptyClipboard();
    FEmptied = true;
  }
}

bool TClipboard::HasFormat(UINT format) { return IsClipboardFormatAvailable(format); }

int TClipboard::FormatCount() { return CountClipboardFormats(); }

UINT TClipboard::Formats(int index) {
  std::vector<UINT> formats = ClipboardBackend().Formats();
  if (index < 0 || index >= static_cast<int>(formats.size())) throw EListError::OutOfBounds(index);
  return formats[static_cast<std::size_t>(index)];
}

void TClipboard::SetBuffer(UINT format, const std::string& data) {
  Open();
  try {
    Adding();
    HGLOBAL block = GlobalAllocBytes(data, false);
    if (!block) throw Exception("Out of memory");
    SetClipboardData(format, block);
  } catch (...) {
    Close();
    throw;
  }
  Close();
}

bool TClipboard::GetBuffer(UINT format, std::string& data) {
  Open();
  HGLOBAL block = GetClipboardData(format);
  if (block) data = GlobalBytes(block, false);
  Close();
  return block != nullptr;
}

std::string TClipboard::AsText() {
  std::string data;
  if (!GetBuffer(CF_TEXT, data)) return {};
  std::size_t nul = data.find('\0');
  if (nul != std::string::npos) data.resize(nul);
  return data;
}

void TClipboard::SetAsText(const std::string& value) {
  std::string data = value;
  std::size_t nul = data.find('\0');
  if (nul != std::string::npos) data.resize(nul);
  data.push_back('\0');
  SetBuffer(CF_TEXT, data);
}

int TClipboard::GetTextBuf(char* buffer, int bufSize) {
  if (!buffer || bufSize <= 0) return 0;
  std::string text = AsText();
  int n = std::min(static_cast<int>(text.size()), bufSize - 1);
  std::memcpy(buffer, text.data(), static_cast<std::size_t>(n));
  buffer[n] = '\0';
  return n;
}

void TClipboard::SetTextBuf(const char* buffer) { SetAsText(buffer ? std::string(buffer) : std::string()); }

void TClipboard::SetAsHandle(UINT format, HGLOBAL block) {
  std::unique_ptr<TGlobalBlock> owned(block);
  Open();
  try {
    Adding();
    SetClipboardData(format, owned.release());
  } catch (...) {
    Close();
    throw;
  }
  Close();
}

HGLOBAL TClipboard::GetAsHandle(UINT format) {
  Open();
  HGLOBAL block = GetClipboardData(format);
  Close();
  return block;
}

TClipboard& Clipboard() {
  static TClipboard clipboard;
  return clipboard;
}
