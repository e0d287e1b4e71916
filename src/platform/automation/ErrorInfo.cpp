#include "ErrorInfo.h"

#include <utility>

namespace platform {

namespace {
thread_local std::string t_description;
}  // namespace

void SetErrorDescription(std::string text) {
    t_description = std::move(text);
}

std::string TakeErrorDescription() {
    return std::exchange(t_description, std::string());
}

}  // namespace platform
