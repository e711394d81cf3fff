#pragma once

#include "XattrRequest.h"

#include <ostream>

namespace xattr {

// Carries out a request on every file (and, with -r, everything below it). Linux keeps the
// attributes of ordinary programs in the "user." namespace, so NAME is stored as user.NAME.
// Returns the exit status: 0, or 1 if anything failed (each failure is reported on `err`).
int perform(const XattrRequest &request, std::ostream &out, std::ostream &err);

} // namespace xattr
