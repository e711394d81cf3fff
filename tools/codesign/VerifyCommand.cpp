#include "CodesignCommands.h"

#include "SealVerifier.h"
#include "Text.h"

#include <iostream>

namespace codesign {

int verify(const Request &request)
{
    const auto result = vtools::SealVerifier({.deep = request.deep, .strict = request.strict})
                            .verify(request.bundle);
    if (!result.ok()) {
        std::cerr << result.report.render(request.bundle);
        return 1;
    }
    if (request.verbose > 0) {
        const std::string shown = vtools::text::escaped(request.bundle);
        std::cerr << shown << ": valid on disk\n" << shown << ": satisfies its Designated Requirement\n";
    }
    return 0;
}

} // namespace codesign
