// The one exception barrier every exported function of both libraries runs its body through.
// A C++ exception never reaches a caller: the export returns its documented failure value
// instead, and the error state records why (memory for an allocation failure, an internal
// error for anything else). Local objects of the body are destroyed on the way out, so what a
// body acquires with an owner is released on that path too.
#pragma once
#include <cstdint>
#include <new>
#include <type_traits>

#include "VORPEXUSB.h"

namespace vorpex {

// Runs `body` and returns its result, or `failure` (of the body's result type) when it throws.
// `record(code)` sets the library's error state (its own, or the chip library's through its
// export).
template <class Record, class Body, class Result = std::invoke_result_t<Body&>>
requires(!std::is_void_v<Result>) Result
    RunExport(Record record, std::type_identity_t<Result> failure, Body&& body)
noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    record(VORPEX_ERR_MEMORY_ALLOC);
  } catch (...) {
    record(VORPEX_ERR_INTERNAL);
  }
  return failure;
}

// The same for an export that returns nothing.
template <class Record, class Body>
requires std::is_void_v<std::invoke_result_t<Body&>>
void RunExport(Record record, Body&& body) noexcept {
  try {
    body();
  } catch (const std::bad_alloc&) {
    record(VORPEX_ERR_MEMORY_ALLOC);
  } catch (...) {
    record(VORPEX_ERR_INTERNAL);
  }
}

}  // namespace vorpex
