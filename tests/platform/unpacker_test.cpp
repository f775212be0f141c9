#include <gtest/gtest.h>

#include <QByteArray>

#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <string>

#include "platform/unpacker.h"

namespace zelvane::platform {
namespace {

// The text packed whole, in the wrapping the window bits name: 15 + 16
// gzip, 15 zlib, -15 bare deflate.
QByteArray packed(const QByteArray& text, int windowBits)
{
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 9, Z_DEFAULT_STRATEGY);
    QByteArray out(static_cast<qsizetype>(deflateBound(&stream, static_cast<uLong>(text.size()))) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.constData()));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(out.size() - stream.avail_out);
    deflateEnd(&stream);
    return out;
}

QByteArray gzip(const QByteArray& text) { return packed(text, 15 + 16); }
QByteArray zlib(const QByteArray& text) { return packed(text, 15); }
QByteArray bare(const QByteArray& text) { return packed(text, -15); }

// Every case is fed as it comes (its start, then its piece again and
// again) and once more in bits of three bytes, so that no header, member
// or stream end depends on where the network happens to cut the bytes.
TEST(UnpackerTest, UnpacksWhatIsSoundAndStopsWhatIsNot)
{
    using Kind = Unpacker::Kind;
    using Status = Unpacker::Status;
    constexpr std::size_t bound = 64 * 1024;
    const QByteArray first("ISS (ZARYA)\n1 25544U 98067A   24001.50000000  .00016717  00000-0  10270-3 0  9005\n");
    const QByteArray second("NOAA 19\n1 33591U 09005A   24001.50000000  .00000180  00000-0  12345-3 0  9990\n");
    const QByteArray members = gzip(first) + gzip(second);
    const QByteArray emptyMembers = gzip({}).repeated(1000);
    const QByteArray within(static_cast<qsizetype>(bound), 'w');

    const struct {
        const char* what;
        Kind kind;
        QByteArray start;
        QByteArray piece; // fed `pieces` times after the start
        int pieces;
        Status status;
        QByteArray body; // checked when the status is fine
        bool complete;
    } cases[] = {
        {"two gzip members", Kind::gzip, members, {}, 0, Status::fine, first + second, true},
        {"the second member cut short", Kind::gzip, members.chopped(4), {}, 0, Status::fine, first + second, false},
        {"a gzip header cut short", Kind::gzip, gzip(first).left(6), {}, 0, Status::fine, {}, false},
        {"zlib-wrapped deflate", Kind::deflate, zlib(first), {}, 0, Status::fine, first, true},
        {"zlib-wrapped deflate cut short", Kind::deflate, zlib(first).chopped(2), {}, 0, Status::fine, first, false},
        {"bare deflate", Kind::deflate, bare(first), {}, 0, Status::fine, first, true},
        {"bare deflate cut after a byte", Kind::deflate, bare(first).left(1), {}, 0, Status::fine, {}, false},
        {"a body just within the bound", Kind::gzip, gzip(within), {}, 0, Status::fine, within, true},
        {"nothing at all", Kind::gzip, {}, {}, 0, Status::fine, {}, true},
        {"a byte after a wrapped deflate stream", Kind::deflate, zlib(first) + "x", {}, 0, Status::corrupt, {},
         false},
        {"bytes without end after a bare deflate stream", Kind::deflate, bare(first), QByteArray(4096, 'x'), 1000,
         Status::corrupt, {}, false},
        {"bytes after a gzip member that are none", Kind::gzip, gzip(first) + "not a member", {}, 0,
         Status::corrupt, {}, false},
        {"plain text called gzip", Kind::gzip, first, {}, 0, Status::corrupt, {}, false},
        {"empty gzip members without end", Kind::gzip, {}, emptyMembers, 1000, Status::tooLarge, {}, false},
        {"a gzip bomb", Kind::gzip, gzip(QByteArray(4 * bound, '\0')), {}, 0, Status::tooLargeUnpacked, {}, false},
        {"a deflate bomb", Kind::deflate, zlib(QByteArray(4 * bound, ' ')), {}, 0, Status::tooLargeUnpacked, {},
         false},
    };
    for (const auto& c : cases) {
        for (const qsizetype bit : {qsizetype{0}, qsizetype{3}}) {
            SCOPED_TRACE(std::string(c.what) + (bit == 0 ? ", as it comes" : ", in bits"));
            Unpacker unpacker(c.kind, bound);
            QByteArray body;
            Status status = Status::fine;
            std::size_t fed = 0;
            std::size_t lastFeed = 0;
            const auto feed = [&](const QByteArray& bytes) {
                const qsizetype step = bit == 0 ? std::max<qsizetype>(bytes.size(), 1) : bit;
                for (qsizetype at = 0; status == Status::fine && (at == 0 || at < bytes.size()); at += step) {
                    const QByteArray part = bytes.mid(at, step);
                    lastFeed = static_cast<std::size_t>(part.size());
                    fed += lastFeed;
                    status = unpacker.feed(part, body);
                }
            };
            feed(c.start);
            for (int i = 0; i < c.pieces && status == Status::fine; ++i) {
                feed(c.piece);
            }
            EXPECT_EQ(static_cast<int>(status), static_cast<int>(c.status));
            EXPECT_EQ(unpacker.complete(), c.complete);
            if (c.status == Status::fine) {
                EXPECT_TRUE(body == c.body) << body.size() << " bytes: " << body.left(200).toStdString();
            }
            EXPECT_LE(static_cast<std::size_t>(body.size()), 2 * bound) << "unpacking stops near the bound";
            if (status == Status::tooLarge) {
                EXPECT_LE(fed - lastFeed, bound) << "refused at the first bytes past the bound";
            }
        }
    }
}

} // namespace
} // namespace zelvane::platform
