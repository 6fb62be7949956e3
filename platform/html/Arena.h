#pragma once

// A bump allocator that owns every node and string of one document. Memory is handed out
// in blocks and given back only when the arena dies, so views into it stay readable for
// the document's whole life and destruction is a walk over blocks, never over the tree.

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

    size_t BytesReserved() const { return reserved_; }

private:
    void Grow(size_t atLeast) {
        size_t size = atLeast > kBlock / 4 ? atLeast : kBlock;
        blocks_.emplace_back(new char[size]);
        current_ = blocks_.back().get();
        capacity_ = size;
        used_ = 0;
        reserved_ += size;
    }

    static constexpr size_t kBlock = 64 * 1024;
    std::vector<std::unique_ptr<char[]>> blocks_;
    char* current_ = nullptr;
    size_t capacity_ = 0;
    size_t used_ = 0;
    size_t reserved_ = 0;
};

}  // namespace pelmor::html::detail
