#pragma once

#include "posix/FileDescriptor.h"

// The platform layer's code says FileDescriptor; it is the shared one.
using FileDescriptor = posix::FileDescriptor;
