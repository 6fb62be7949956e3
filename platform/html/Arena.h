// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A bump allocator that owns every node and string of one document. Memory is handed out
// in blocks and given back only when the arena dies, so views into it stay readable for
// the document's whole life and destruction is a walk over blocks, never over the tree.
// Past the first megabyte the blocks are mapped straight from the system, so a big
// document that dies gives its memory back to the system rather than to one thread's heap.

#include <sys/mman.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

namespace pelmor::html::detail {

class Arena {
public:
    Arena() = default;
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;
    ~Arena() {
        for (const Block& b : blocks_) {
            if (b.mapped) munmap(b.data, b.size);
            else delete[] b.data;
        }
    }

    void* Allocate(size_t size, size_t align = alignof(std::max_align_t)) {
        size_t at = (used_ + align - 1) & ~(align - 1);
        if (at + size > capacity_) {
            Grow(size + align);
            at = (used_ + align - 1) & ~(align - 1);
        }
        used_ = at + size;
        return current_ + at;
    }

    template <typename T, typename... Args>
    T* New(Args&&... args) {
        static_assert(std::is_trivially_destructible_v<T>, "arena objects are never destroyed");
        return new (Allocate(sizeof(T), alignof(T))) T(std::forward<Args>(args)...);
    }

    // Copy of a text, kept for the arena's life.
    std::string_view Copy(std::string_view text) {
        if (text.empty()) return {};
        char* p = static_cast<char*>(Allocate(text.size(), 1));
        std::memcpy(p, text.data(), text.size());
        return {p, text.size()};
    }

private:
    struct Block {
        char* data;
        size_t size;
        bool mapped;
    };

    void Grow(size_t atLeast) {
        size_t size = atLeast > kBlock / 4 ? atLeast : kBlock;
        Block block{nullptr, size, false};
        if (reserved_ >= kMappedFrom) {
            block.size = (std::max(size, kMappedBlock) + 4095) & ~size_t{4095};
            void* p = mmap(nullptr, block.size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (p == MAP_FAILED) throw std::bad_alloc();
            block.data = static_cast<char*>(p);
            block.mapped = true;
        } else {
            block.data = new char[size];
        }
        blocks_.push_back(block);
        current_ = block.data;
        capacity_ = block.size;
        used_ = 0;
        reserved_ += block.size;
    }

    static constexpr size_t kBlock = 64 * 1024;
    static constexpr size_t kMappedFrom = 1024 * 1024;
    static constexpr size_t kMappedBlock = 1024 * 1024;
    std::vector<Block> blocks_;
    char* current_ = nullptr;
    size_t capacity_ = 0;
    size_t used_ = 0;
    size_t reserved_ = 0;
};

}  // namespace pelmor::html::detail
