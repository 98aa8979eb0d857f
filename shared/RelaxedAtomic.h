// A value that host threads share without a lock: every read and write is a relaxed atomic access, so a
// single-threaded caller sees a plain variable and concurrent callers never race.
#pragma once

#include <atomic>

namespace orke {

template <typename T>
class RelaxedAtomic {
public:
    constexpr RelaxedAtomic() noexcept
        : m_value() {}
    constexpr RelaxedAtomic(T value) noexcept
        : m_value(value) {}

    RelaxedAtomic(const RelaxedAtomic& other) noexcept
        : m_value(other.load()) {}
    RelaxedAtomic& operator=(const RelaxedAtomic& other) noexcept {
        store(other.load());
        return *this;
    }
    RelaxedAtomic& operator=(T value) noexcept {
        store(value);
        return *this;
    }

    operator T() const noexcept { return load(); }
    T load() const noexcept { return m_value.load(std::memory_order_relaxed); }
    void store(T value) noexcept { m_value.store(value, std::memory_order_relaxed); }

private:
    std::atomic<T> m_value;
};

static_assert(sizeof(RelaxedAtomic<int>) == sizeof(int));
static_assert(sizeof(RelaxedAtomic<float>) == sizeof(float));

} // namespace orke
