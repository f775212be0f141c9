#pragma once

// Compressed answers a hostile server sends.

#include <QByteArray>

#include <zlib.h>

#include <cstdint>

#include "tests/platform/endless_http_server.h"

namespace zelvane::test {

// A gzip answer of many zeros that is small on the wire: one compressed
// mebibyte of zeros, repeated. Each piece ends in a full flush, which leaves
// the compressor as it started, so the same bytes stand for every mebibyte
// and the stream stays valid however many are sent.
inline EndlessHttpServer::Body gzipBomb(std::int64_t mebibytes)
{
    const QByteArray zeros(1 << 20, '\0');
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    QByteArray piece(static_cast<qsizetype>(deflateBound(&stream, zeros.size())) + 64, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.constData()));
    stream.avail_in = static_cast<uInt>(zeros.size());
    stream.next_out = reinterpret_cast<Bytef*>(piece.data());
    stream.avail_out = static_cast<uInt>(piece.size());
    deflate(&stream, Z_FULL_FLUSH);
    piece.resize(piece.size() - stream.avail_out);
    QByteArray finish(64, '\0');
    stream.next_out = reinterpret_cast<Bytef*>(finish.data());
    stream.avail_out = static_cast<uInt>(finish.size());
    deflate(&stream, Z_FINISH);
    finish.resize(finish.size() - stream.avail_out);
    deflateEnd(&stream);

    const uLong pieceCrc = crc32(0, reinterpret_cast<const Bytef*>(zeros.constData()), static_cast<uInt>(zeros.size()));
    uLong crc = crc32(0, nullptr, 0);
    for (std::int64_t i = 0; i < mebibytes; ++i) {
        crc = crc32_combine(crc, pieceCrc, zeros.size());
    }
    const auto size = static_cast<std::uint32_t>(mebibytes << 20);
    for (const std::uint32_t word : {static_cast<std::uint32_t>(crc), size}) {
        for (int shift = 0; shift < 32; shift += 8) {
            finish.append(static_cast<char>((word >> shift) & 0xff));
        }
    }
    const QByteArray header("\x1f\x8b\x08\x00\x00\x00\x00\x00\x02\x03", 10);
    return EndlessHttpServer::Body{"Content-Encoding: gzip\r\n", header, piece, mebibytes, finish};
}

// A gzip answer that never grows: empty members, one after another,
// without end. Each is sound, and unpacks to nothing.
inline EndlessHttpServer::Body endlessEmptyGzipMembers()
{
    // Header, an empty final block, then the check value and size of nothing.
    const QByteArray member("\x1f\x8b\x08\x00\x00\x00\x00\x00\x02\x03\x03\x00"
                            "\x00\x00\x00\x00\x00\x00\x00\x00",
                            20);
    return EndlessHttpServer::Body{"Content-Encoding: gzip\r\n", {}, member.repeated(3200), -1, {}};
}

// A sound deflate answer, then bytes without end after its stream has
// ended.
inline EndlessHttpServer::Body deflateThenEndlessBytes(const QByteArray& text)
{
    return EndlessHttpServer::Body{"Content-Encoding: deflate\r\n", qCompress(text).mid(4),
                                   QByteArray(64 * 1024, 'x'), -1, {}};
}

} // namespace zelvane::test
