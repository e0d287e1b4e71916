#include "AbortError.h"

// Out of line so the class has one home for its type information across shared objects.
EAbort::~EAbort() = default;
