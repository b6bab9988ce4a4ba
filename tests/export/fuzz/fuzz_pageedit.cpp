// Any bytes as a page: the edit never crashes, and the invariants of pageinvariants.h hold.

#include "tests/export/fuzz/pageinvariants.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const QByteArray page(reinterpret_cast<const char*>(data), qsizetype(size));
    if (!pageinvariants::insertionHolds(page) ||
        !pageinvariants::onloadHolds(page, QStringLiteral("onload=\"go()\"")) ||
        !pageinvariants::onloadHolds(page, QStringLiteral("onload=go() data-u=1")))
        std::abort();
    return 0;
}
