// Members of the classes that exist for other platforms only (key chains, the registry,
// inter-application events, resource forks, speech): declared so that compiled code that names
// them links and runs, each answering its type's neutral value and doing nothing else.
#pragma once

#include <type_traits>

#include "core/Export.h"

// 0, false, nil or 0.0; nothing for no result.
template <typename Result>
Result NeutralResult() {
  if constexpr (!std::is_void_v<Result>) return Result{};
}

// Defines and exports `extern "C" result function(parameter types...)`, which answers
// NeutralResult<result>() and ignores its arguments.
#define QV_INERT_EXPORT(result, function, ...)                                 \
  extern "C" result function(__VA_ARGS__) { return NeutralResult<result>(); } \
  QV_EXPORT(function)
