// The tree view's "Items.Data" stream: a 32-bit count of top-level nodes, then each node depth
// first as a record size (the text's length + 25), the image, selected image, state and overlay
// indexes, the 32-bit data, the child count, a length byte and the text, followed by its
// children. Plain C++ without a window: the tree view and the server's description trees both
// read and write it here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/exceptions.h"

struct TTreeNodeRecord {
  std::string Text;
  std::int32_t ImageIndex = 0;
  std::int32_t SelectedIndex = 0;
  std::int32_t StateIndex = -1;
  std::int32_t OverlayIndex = -1;
  std::int32_t Data = 0;
  std::vector<TTreeNodeRecord> Children;
};

namespace tree_node_data {

inline constexpr std::size_t kFixedBytes = 4 + 6 * 4 + 1;
inline constexpr std::int32_t kRecordBase = 25;
inline constexpr std::size_t kMaxText = 255;
// Nesting deeper than this is refused (a lying child count would recurse without end).
inline constexpr int kMaxDepth = 256;

inline void Put32(std::string& out, std::int32_t v) {
  auto u = static_cast<std::uint32_t>(v);
  for (int i = 0; i < 4; ++i) out += static_cast<char>((u >> (8 * i)) & 0xFF);
}

// The text cut to what a record holds, never inside a UTF-8 sequence.
inline std::string RecordText(const std::string& text) {
  if (text.size() <= kMaxText) return text;
  std::size_t n = kMaxText;
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  return text.substr(0, n);
}

inline void PutNodes(std::string& out, const std::vector<TTreeNodeRecord>& nodes) {
  for (const TTreeNodeRecord& n : nodes) {
    const std::string text = RecordText(n.Text);
    Put32(out, kRecordBase + static_cast<std::int32_t>(text.size()));
    Put32(out, n.ImageIndex);
    Put32(out, n.SelectedIndex);
    Put32(out, n.StateIndex);
    Put32(out, n.OverlayIndex);
    Put32(out, n.Data);
    Put32(out, static_cast<std::int32_t>(n.Children.size()));
    out += static_cast<char>(text.size());
    out += text;
    PutNodes(out, n.Children);
  }
}

class TReader {
public:
  TReader(const char* data, std::size_t size) : FData(data), FSize(size) {}
  std::size_t Left() const { return FSize - FPos; }
  std::int32_t Get32() {
    if (Left() < 4) throw EReadError();
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= std::uint32_t{static_cast<unsigned char>(FData[FPos + i])} << (8 * i);
    FPos += 4;
    return static_cast<std::int32_t>(v);
  }
  void Nodes(std::int32_t count, int depth, std::vector<TTreeNodeRecord>& out) {
    if (depth > kMaxDepth) throw EReadError("Invalid property value");
    if (count < 0 || static_cast<std::size_t>(count) > Left() / kFixedBytes) throw EReadError();
    out.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
      TTreeNodeRecord r;
      const std::int32_t size = Get32();
      if (size < kRecordBase || size > kRecordBase + static_cast<std::int32_t>(kMaxText)) throw EReadError();
      r.ImageIndex = Get32();
      r.SelectedIndex = Get32();
      r.StateIndex = Get32();
      r.OverlayIndex = Get32();
      r.Data = Get32();
      const std::int32_t children = Get32();
      if (Left() < 1) throw EReadError();
      const std::size_t length = static_cast<unsigned char>(FData[FPos++]);
      if (kRecordBase + static_cast<std::int32_t>(length) != size || Left() < length) throw EReadError();
      r.Text.assign(FData + FPos, length);
      FPos += length;
      Nodes(children, depth + 1, r.Children);
      out.push_back(std::move(r));
    }
  }

private:
  const char* FData;
  std::size_t FSize;
  std::size_t FPos = 0;
};

}  // namespace tree_node_data

// The stream of these top-level nodes; texts longer than 255 bytes are cut (at a character).
inline std::string EncodeTreeNodeData(const std::vector<TTreeNodeRecord>& nodes) {
  std::string out;
  tree_node_data::Put32(out, static_cast<std::int32_t>(nodes.size()));
  tree_node_data::PutNodes(out, nodes);
  return out;
}

// The top-level nodes of a stream (empty data: none). Counts are checked against the bytes
// left, sizes against the texts, and the nesting is bounded: bad data raises EReadError.
// Bytes after the nodes are left to the caller (Used tells how many were read).
inline std::vector<TTreeNodeRecord> DecodeTreeNodeData(const char* data, std::size_t size, std::size_t* used = nullptr) {
  std::vector<TTreeNodeRecord> nodes;
  if (size == 0) {
    if (used) *used = 0;
    return nodes;
  }
  tree_node_data::TReader r(data, size);
  r.Nodes(r.Get32(), 0, nodes);
  if (used) *used = size - r.Left();
  return nodes;
}
