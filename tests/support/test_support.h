#pragma once

#include <QString>
#include <chrono>
#include <functional>

namespace zelvane::test {

// Points HOME and the XDG folders at a fresh temporary folder for the whole
// test program, so that nothing touches the user's real files.
void isolateHome();

// Sends every request for a host other than this machine to a closed local
// port, so that a test that forgets to point a client at its local server
// fails at once instead of reaching for the internet (or waiting on a name
// lookup that outlives the test).
void isolateNetwork();

// A fresh, empty temporary folder, removed when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const QString& path() const { return path_; }
    std::string str() const { return path_.toStdString(); }

private:
    QString path_;
};

// Runs the Qt event loop until the predicate holds or the time runs out.
// Returns the predicate's final value.
bool waitUntil(const std::function<bool()>& predicate,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));

// Runs the Qt event loop for the given time.
void spinFor(std::chrono::milliseconds duration);

} // namespace zelvane::test
