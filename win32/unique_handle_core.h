#pragma once
// Move-only owner of one handle. The traits name the invalid value and how the handle is
// released, so each kind of handle is its own type. No Windows header: portable code (the
// registry module over its layer) holds its handles with the same template.

#include <utility>

namespace kv::win32 {

template <typename Traits> class UniqueHandle {
public:
    using pointer = typename Traits::pointer;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(pointer value) noexcept : value_(value) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    ~UniqueHandle() { reset(); }

    explicit operator bool() const noexcept { return value_ != Traits::invalid(); }
    pointer get() const noexcept { return value_; }
    pointer release() noexcept { return std::exchange(value_, Traits::invalid()); }
    void reset(pointer value = Traits::invalid()) noexcept {
        pointer old = std::exchange(value_, value);
        if (old != Traits::invalid()) {
            Traits::close(old);
        }
    }
    // For out-parameters: releases what is held and hands out the slot.
    pointer* put() noexcept {
        reset();
        return &value_;
    }

private:
    pointer value_ = Traits::invalid();
};

template <typename T, auto Close> struct NullTraits {
    using pointer = T;
    static constexpr pointer invalid() noexcept { return nullptr; }
    static void close(pointer value) noexcept { Close(value); }
};

} // namespace kv::win32
