#include "FuzzInput.h"

#include "model/PricingCatalog.h"

// The stored pricing file: decodes or is refused, and a decoded catalog survives a save and load.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto catalog = PricingCatalog::decode(FuzzInput::bytes(data, size));
    if (!catalog)
        return 0;
    if (const auto encoded = catalog->encode())
        FuzzInput::require(PricingCatalog::decode(*encoded) == catalog);
    return 0;
}
