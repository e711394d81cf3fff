#include "CodesignCommands.h"

#include "Failure.h"
#include "Identity.h"
#include "SealSigner.h"

#include <iostream>

namespace codesign {

int sign(const Request &request)
{
    try {
        const vtools::Identity identity = vtools::Identity::load(request.identity);
        vtools::SealSigner(identity, {.force = request.force, .deep = request.deep})
            .sign(request.bundle);
    } catch (const vtools::Failure &failure) {
        std::cerr << failure.what() << "\n";
        return 1;
    }
    if (request.verbose > 0)
        std::cerr << request.bundle << ": signed app bundle\n";
    return 0;
}

} // namespace codesign
