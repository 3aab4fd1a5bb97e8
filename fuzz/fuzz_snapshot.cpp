#include "FuzzInput.h"

#include "model/UsageSnapshot.h"

// The shared snapshot file: whatever is on disk decodes or is refused, a decoded snapshot encodes
// back to the same value, and the figures the views derive from it stay defined.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto snapshot = UsageSnapshot::decode(FuzzInput::bytes(data, size));
    if (!snapshot)
        return 0;
    const Timestamp now{1'780'000'000};
    snapshot->cursorModels();
    snapshot->otherModels();
    snapshot->remainingPercent();
    snapshot->daysRemaining(now);
    snapshot->grokDaysRemaining(now);
    snapshot->grokFootnote(now);
    for (TokenSource source : {TokenSource::cursor, TokenSource::other, TokenSource::grokBot})
        snapshot->sourceTokens(source);
    if (const auto encoded = snapshot->encode())
        FuzzInput::require(UsageSnapshot::decode(*encoded) == snapshot);
    return 0;
}
