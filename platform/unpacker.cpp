#include "platform/unpacker.h"

#include <utility>

namespace zelvane::platform {

Unpacker::Unpacker(Kind kind, std::size_t bound) : kind_(kind), bound_(bound) {}

Unpacker::~Unpacker()
{
    if (started_) {
        inflateEnd(&stream_);
    }
}

Unpacker::Status Unpacker::feed(const QByteArray& bytes, QByteArray& body)
{
    if (status_ != Status::fine) {
        return status_;
    }
    // Counted before anything is unpacked: a compressed answer that is
    // sound never takes more bytes than it unpacks to, give or take its
    // wrapping, so the body's bound holds for what comes as well.
    taken_ += static_cast<std::size_t>(bytes.size());
    if (taken_ > bound_) {
        status_ = Status::tooLarge;
        return status_;
    }
    head_ += bytes;
    status_ = unpack(body);
    return status_;
}

bool Unpacker::complete() const
{
    return status_ == Status::fine && (ended_ || (!started_ && head_.isEmpty()));
}

Unpacker::Status Unpacker::unpack(QByteArray& body)
{
    if (head_.isEmpty()) {
        return Status::fine;
    }
    if (!started_) {
        // "deflate" comes with the zlib wrapper or, from some servers,
        // bare: the first two bytes tell which.
        if (kind_ == Kind::deflate && head_.size() < 2) {
            return Status::fine;
        }
        if (!begin()) {
            return Status::corrupt;
        }
    }
    const QByteArray input = std::exchange(head_, QByteArray());
    stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.constData()));
    stream_.avail_in = static_cast<uInt>(input.size());
    constexpr std::size_t kPiece = 64 * 1024;
    unsigned char piece[kPiece];
    for (;;) {
        if (ended_) {
            if (stream_.avail_in == 0) {
                return Status::fine;
            }
            // A gzip answer may hold several members, one after another;
            // a deflate stream is one, and nothing may follow it.
            if (kind_ == Kind::deflate || inflateReset(&stream_) != Z_OK) {
                return Status::corrupt;
            }
            ended_ = false;
        }
        const uInt before = stream_.avail_in;
        stream_.next_out = piece;
        stream_.avail_out = kPiece;
        const int result = inflate(&stream_, Z_NO_FLUSH);
        if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) {
            return Status::corrupt;
        }
        const std::size_t produced = kPiece - stream_.avail_out;
        body.append(reinterpret_cast<const char*>(piece), static_cast<qsizetype>(produced));
        if (static_cast<std::size_t>(body.size()) > bound_) {
            return Status::tooLargeUnpacked;
        }
        if (result == Z_STREAM_END) {
            ended_ = true;
            continue;
        }
        if (stream_.avail_in == 0 && stream_.avail_out != 0) {
            return Status::fine; // all taken; more will come
        }
        if (produced == 0 && stream_.avail_in == before) {
            return Status::corrupt; // no progress: not a stream zlib can read
        }
    }
}

bool Unpacker::begin()
{
    int windowBits = 15 + 16; // gzip wrapper
    if (kind_ == Kind::deflate) {
        const auto first = static_cast<unsigned char>(head_[0]);
        const auto second = static_cast<unsigned char>(head_[1]);
        const bool wrapped = (first & 0x0f) == Z_DEFLATED && ((first << 8) | second) % 31 == 0;
        windowBits = wrapped ? 15 : -15;
    }
    if (inflateInit2(&stream_, windowBits) != Z_OK) {
        return false;
    }
    started_ = true;
    return true;
}

} // namespace zelvane::platform
