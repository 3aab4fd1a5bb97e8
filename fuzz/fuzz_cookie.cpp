#include "FuzzInput.h"

#include "client/SessionKeychain.h"

// Any paste: the token is a piece of it, never longer, and without surrounding blanks.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString pasted = FuzzInput::text(data, size);
    const QString token = SessionKeychain::normalize(pasted);
    FuzzInput::require(token.size() <= pasted.size());
    FuzzInput::require(token == token.trimmed());
    return 0;
}
