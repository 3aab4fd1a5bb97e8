#include "FuzzInput.h"

#include "model/PricingCatalog.h"
#include "pricing/PricingParser.h"

// The downloaded pricing document in any shape: a parsed catalog is one the app can store and read
// back unchanged.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto catalog = PricingParser::parse(FuzzInput::text(data, size), Timestamp{1'780'000'000});
    if (!catalog)
        return 0;
    FuzzInput::require(!catalog->entries.isEmpty());
    if (const auto encoded = catalog->encode())
        FuzzInput::require(PricingCatalog::decode(*encoded) == catalog);
    return 0;
}
