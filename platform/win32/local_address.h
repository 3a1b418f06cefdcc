#pragma once
// The address the welcome line shows. A file of its own so that the start-up floor makes the very same lookup.
#include "platform/text.h"

namespace platform::win32 {

// The first IPv4 address of an adapter that is up and is not a loopback.
Text LocalIPv4();

}  // namespace platform::win32
