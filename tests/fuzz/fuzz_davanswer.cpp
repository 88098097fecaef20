// A CardDAV server's answer (WebDAV multistatus or error XML), as any server may send it:
// no crash, no leak, and what is read keeps within the limits or is refused whole.
#include "carddav/davanswer.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const DavLimits limits{64, 4096, 16};
    const DavAnswer answer =
        readDavAnswer(QByteArray(reinterpret_cast<const char *>(data), int(size)), limits);
    bool kept = answer.resources.size() <= limits.mostResources;
    for (const DavResource &resource : answer.resources)
        kept = kept && !resource.href.isEmpty() &&
               resource.addressData.size() <= 4 * limits.largestCard &&
               (!resource.cardTooLarge || resource.addressData.isEmpty());
    if (!kept || (!answer.error.isEmpty() && !answer.resources.isEmpty())) {
        std::fprintf(stderr, "an answer read beyond its limits, or in part\n");
        std::abort();
    }
    return 0;
}
