#pragma once

#include <functional>

namespace zelvane::platform {

// Runs the function on the main thread's event loop (later, never inline).
void postToMain(std::function<void()> work);

// Runs the function on the shared background pool (QThreadPool::globalInstance).
void runInBackground(std::function<void()> work);

// True on the thread that owns the QCoreApplication.
bool isMainThread();

} // namespace zelvane::platform
