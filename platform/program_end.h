#pragma once

namespace zelvane::platform {

// Ends the process with the status once the program's own work is over:
// the HTTP client is shut down (its transfers told, its network thread
// joined), every background job has run out, and the output is flushed.
// The application object is not destroyed: its end waits for what Qt still
// runs of its own, and a host-name lookup in Qt's pool holds that for as
// long as the name server takes. Called with the program's own objects gone
// and the application object still standing; never returns.
[[noreturn]] void endProgram(int status);

} // namespace zelvane::platform
