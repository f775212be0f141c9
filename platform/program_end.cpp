#include "platform/program_end.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "platform/dispatch.h"
#include "platform/http.h"

namespace zelvane::platform {

void endProgram(int status)
{
    // The network first: the transfers it cuts off tell their completions
    // through the pools, which then run out.
    Http::shutDown();
    waitForBackgroundWork();
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    std::_Exit(status);
}

} // namespace zelvane::platform
