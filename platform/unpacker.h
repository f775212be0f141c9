#pragma once

#include <QByteArray>

#include <cstddef>

#include <zlib.h>

namespace zelvane::platform {

// Unpacks a gzip or deflate body as it arrives, one bounded piece at a
// time, so that both sizes are known at every step: what has come and what
// it unpacked to. An answer of a few megabytes that unpacks to gigabytes
// is stopped at the bound instead of first filling the memory, and one
// that never grows (empty gzip members without end) is stopped once the
// bytes taken pass the same bound, instead of running for as long as the
// peer keeps sending.
class Unpacker {
public:
    enum class Kind { gzip, deflate };

    enum class Status {
        fine,             // all taken so far is sound; more may come
        corrupt,          // the bytes are not what the encoding says
        tooLarge,         // the bytes taken passed the bound
        tooLargeUnpacked, // what they unpack to passed the bound
    };

    Unpacker(Kind kind, std::size_t bound);
    ~Unpacker();
    Unpacker(const Unpacker&) = delete;
    Unpacker& operator=(const Unpacker&) = delete;

    // Unpacks the bytes onto the end of the body. Once it has said anything
    // but fine, the unpacker takes nothing more and keeps saying so.
    Status feed(const QByteArray& bytes, QByteArray& body);

    // True when the stream ended properly, or no byte of it came at all.
    bool complete() const;

private:
    Status unpack(QByteArray& body);
    bool begin();

    Kind kind_;
    std::size_t bound_;
    std::size_t taken_ = 0;
    Status status_ = Status::fine;
    z_stream stream_{};
    bool started_ = false;
    bool ended_ = false;
    QByteArray head_;
};

} // namespace zelvane::platform
