#pragma once

#include "Timestamp.h"

#include <functional>

// The one place the program reads the current time, so that tests can pin it.
namespace Clock {

Timestamp now();

using Source = std::function<Timestamp()>;

// Replaces the time source; an empty source restores the system clock.
void setSource(Source source);

} // namespace Clock
