#pragma once

// Writing a compound file: lays out a tree of storages and streams as a version-3 file (512-byte
// sectors) in memory. Every storage's elements become a balanced red-black tree in name order;
// streams under the mini-stream cutoff go to the mini stream. Nothing here touches a file.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orq::xls::cfb {

// The writer's refusal of a file the format cannot hold (streams of 2 GB and more).
inline constexpr const char* kMsgTooLarge = "The compound file would be too large";

// Version-3 streams stay under 2 GB.
inline constexpr std::uint64_t kMaxStreamSize = 0x80000000u;

// One element of the tree to write: a storage (its children) or a stream (its bytes).
struct Node {
    std::string name;
    std::u16string name16;
    bool storage = false;
    std::vector<std::uint8_t> bytes;
    std::vector<std::unique_ptr<Node>> children;
};

// The bytes of a compound file holding the tree under `root` (the root storage, whose name is
// not written). Fails with kMsgTooLarge when a stream or the file exceeds the format's limits.
std::vector<std::uint8_t> BuildCompoundFile(const Node& root);

} // namespace orq::xls::cfb
