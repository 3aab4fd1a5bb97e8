#pragma once

#include <QString>

// The few texts that name the machine or its folders, in the platform's own words
// (PlatformTexts_unix.cpp, PlatformTexts_apple.cpp).
namespace PlatformTexts {

// The header's line while nothing was fetched yet: where the usage is kept.
QString keptOnThisMachine();

// The settings page's footer: where the usage cache lives.
QString cacheLocation();

} // namespace PlatformTexts
