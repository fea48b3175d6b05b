// Allocation that reports failure as an empty pointer, for the places where running out of
// memory is an expected, logged outcome rather than an exception.
#pragma once

#include <memory>
#include <new>

template <typename T, typename... Args>
std::unique_ptr<T> MakeUniqueNoThrow(Args&&... args) {
    try {
        return std::make_unique<T>(std::forward<Args>(args)...);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
