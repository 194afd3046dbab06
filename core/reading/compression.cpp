#include "compression.h"

#include <bzlib.h>
#include <lzma.h>
#include <zlib.h>
#include <zstd.h>
#include <zstd_errors.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>
#include <new>
#include <unistd.h>

namespace varnotile {
namespace {

// The libraries count in 32 bits: steps of at most this much.
constexpr std::size_t kStepLimit = std::size_t{1} << 30;

std::size_t limited(std::size_t n) { return std::min(n, kStepLimit); }

std::string damaged(Compression format, std::string_view detail) {
    std::string text = "the " + std::string(compressionName(format)) + " data are damaged";
    if (!detail.empty()) text += " (" + std::string(detail) + ")";
    return text;
}

std::string cutShort(Compression format) {
    return "the " + std::string(compressionName(format)) + " data end too early: the file is cut short";
}

std::string followedByOtherBytes(Compression format) {
    return "the " + std::string(compressionName(format)) + " data are followed by bytes that are no " +
           std::string(compressionName(format)) + " data";
}

// A decoder of a format whose files may hold several streams one after the other (as
// concatenated files and parallel compressors make them): each next one must start with the
// format's magic, and input that stops inside a stream is a file cut short.
class Decoder : public StreamCodec {
public:
    explicit Decoder(Compression format) : format_(format) {}

    Step step(std::string_view in, char* out, std::size_t room, bool last) final {
        Step s;
        if (streamEnded_) {
            if (in.empty()) {
                s.ended = last;
                return s;
            }
            const std::string_view magic = magicOf();
            if (in.size() < magic.size() && !last && in == magic.substr(0, in.size()))
                return s; // the next stream's start is still to come
            if (in.substr(0, magic.size()) != magic) {
                s.error = followedByOtherBytes(format_);
                return s;
            }
            if (std::string error = restart(); !error.empty()) {
                s.error = std::move(error);
                return s;
            }
            streamEnded_ = false;
        }
        s = decode(in, out, room, last, streamEnded_);
        if (!s.error.empty()) return s;
        if (streamEnded_ && last && s.taken == in.size()) s.ended = true;
        if (!s.ended && last && s.taken == in.size() && s.made == 0 && room > 0 && !streamEnded_)
            s.error = cutShort(format_);
        return s;
    }

protected:
    // Decodes one step of the current stream; `streamEnded` once it is complete.
    virtual Step decode(std::string_view in, char* out, std::size_t room, bool last, bool& streamEnded) = 0;
    // Makes ready for the next stream.
    virtual std::string restart() = 0;
    virtual std::string_view magicOf() const = 0;

    const Compression format_;

private:
    bool streamEnded_ = false;
};

class GzipDecoder final : public Decoder {
public:
    GzipDecoder() : Decoder(Compression::Gzip) {
        if (inflateInit2(&z_, 15 + 16) != Z_OK) throw std::bad_alloc();
    }
    ~GzipDecoder() override { inflateEnd(&z_); }

private:
    Step decode(std::string_view in, char* out, std::size_t room, bool, bool& streamEnded) override {
        z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
        z_.avail_in = static_cast<uInt>(limited(in.size()));
        z_.next_out = reinterpret_cast<Bytef*>(out);
        z_.avail_out = static_cast<uInt>(limited(room));
        const uInt inBefore = z_.avail_in, outBefore = z_.avail_out;
        const int rc = inflate(&z_, Z_NO_FLUSH);
        Step s;
        s.taken = inBefore - z_.avail_in;
        s.made = outBefore - z_.avail_out;
        if (rc == Z_STREAM_END)
            streamEnded = true;
        else if (rc == Z_MEM_ERROR)
            throw std::bad_alloc();
        else if (rc != Z_OK && rc != Z_BUF_ERROR)
            s.error = damaged(format_, z_.msg ? z_.msg : "");
        return s;
    }
    std::string restart() override { return inflateReset(&z_) == Z_OK ? std::string() : damaged(format_, {}); }
    std::string_view magicOf() const override { return {"\x1f\x8b", 2}; }

    z_stream z_{};
};

class Bzip2Decoder final : public Decoder {
public:
    Bzip2Decoder() : Decoder(Compression::Bzip2) { start(); }
    ~Bzip2Decoder() override { BZ2_bzDecompressEnd(&b_); }

private:
    void start() {
        b_ = bz_stream{};
        if (BZ2_bzDecompressInit(&b_, 0, 0) != BZ_OK) throw std::bad_alloc();
    }
    Step decode(std::string_view in, char* out, std::size_t room, bool, bool& streamEnded) override {
        b_.next_in = const_cast<char*>(in.data());
        b_.avail_in = static_cast<unsigned>(limited(in.size()));
        b_.next_out = out;
        b_.avail_out = static_cast<unsigned>(limited(room));
        const unsigned inBefore = b_.avail_in, outBefore = b_.avail_out;
        const int rc = BZ2_bzDecompress(&b_);
        Step s;
        s.taken = inBefore - b_.avail_in;
        s.made = outBefore - b_.avail_out;
        if (rc == BZ_STREAM_END)
            streamEnded = true;
        else if (rc == BZ_MEM_ERROR)
            throw std::bad_alloc();
        else if (rc != BZ_OK)
            s.error = damaged(format_, rc == BZ_DATA_ERROR_MAGIC ? "no bzip2 stream start" : "a block fails its check");
        return s;
    }
    std::string restart() override {
        BZ2_bzDecompressEnd(&b_);
        start();
        return {};
    }
    std::string_view magicOf() const override { return "BZh"; }

    bz_stream b_{};
};

// One lzma_code call over `in` into out[0, room): fills what it took and made, returns its code.
lzma_ret lzmaStep(lzma_stream& x, std::string_view in, char* out, std::size_t room, bool last, StreamCodec::Step& s) {
    x.next_in = reinterpret_cast<const uint8_t*>(in.data());
    x.avail_in = in.size();
    x.next_out = reinterpret_cast<uint8_t*>(out);
    x.avail_out = room;
    const lzma_ret rc = lzma_code(&x, last ? LZMA_FINISH : LZMA_RUN);
    s.taken = in.size() - x.avail_in;
    s.made = room - x.avail_out;
    return rc;
}

// liblzma reads streams one after the other itself (and the padding between them).
class XzDecoder final : public StreamCodec {
public:
    XzDecoder() {
        if (lzma_stream_decoder(&x_, UINT64_MAX, LZMA_CONCATENATED) != LZMA_OK) throw std::bad_alloc();
    }
    ~XzDecoder() override { lzma_end(&x_); }

    Step step(std::string_view in, char* out, std::size_t room, bool last) override {
        Step s;
        const lzma_ret rc = lzmaStep(x_, in, out, room, last, s);
        switch (rc) {
        case LZMA_OK: break;
        case LZMA_STREAM_END: s.ended = true; break;
        case LZMA_MEM_ERROR: throw std::bad_alloc();
        // liblzma says this after two calls in a row that could do nothing: with more input
        // still to come that only means it waits for it (an encoder may hold back its output
        // for a long stretch of compressible text).
        case LZMA_BUF_ERROR:
            if (last) s.error = cutShort(Compression::Xz);
            break;
        case LZMA_FORMAT_ERROR: s.error = damaged(Compression::Xz, "no xz stream start"); break;
        case LZMA_OPTIONS_ERROR: s.error = damaged(Compression::Xz, "options this library does not know"); break;
        case LZMA_DATA_ERROR: s.error = damaged(Compression::Xz, "the data fail their check"); break;
        default: s.error = damaged(Compression::Xz, {}); break;
        }
        if (s.error.empty() && !s.ended && last && s.taken == in.size() && s.made == 0 && room > 0)
            s.error = cutShort(Compression::Xz);
        return s;
    }

private:
    lzma_stream x_ = LZMA_STREAM_INIT;
};

// libzstd reads frames one after the other itself.
class ZstdDecoder final : public StreamCodec {
public:
    ZstdDecoder() : d_(ZSTD_createDStream()) {
        if (!d_) throw std::bad_alloc();
    }
    ~ZstdDecoder() override { ZSTD_freeDStream(d_); }

    Step step(std::string_view in, char* out, std::size_t room, bool last) override {
        Step s;
        if (in.empty() && frameEnded_) {
            s.ended = last;
            return s;
        }
        ZSTD_inBuffer input{in.data(), in.size(), 0};
        ZSTD_outBuffer output{out, room, 0};
        const std::size_t rc = ZSTD_decompressStream(d_, &output, &input);
        s.taken = input.pos;
        s.made = output.pos;
        if (ZSTD_isError(rc)) {
            if (ZSTD_getErrorCode(rc) == ZSTD_error_memory_allocation) throw std::bad_alloc();
            s.error = damaged(Compression::Zstd, ZSTD_getErrorName(rc));
            return s;
        }
        frameEnded_ = rc == 0;
        if (frameEnded_ && last && s.taken == in.size()) s.ended = true;
        if (!s.ended && last && s.taken == in.size() && s.made == 0 && room > 0) s.error = cutShort(Compression::Zstd);
        return s;
    }

private:
    ZSTD_DStream* d_;
    bool frameEnded_ = false;
};

class GzipEncoder final : public StreamCodec {
public:
    GzipEncoder() {
        if (deflateInit2(&z_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            throw std::bad_alloc();
    }
    ~GzipEncoder() override { deflateEnd(&z_); }

    Step step(std::string_view in, char* out, std::size_t room, bool last) override {
        z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
        z_.avail_in = static_cast<uInt>(limited(in.size()));
        z_.next_out = reinterpret_cast<Bytef*>(out);
        z_.avail_out = static_cast<uInt>(limited(room));
        const uInt inBefore = z_.avail_in, outBefore = z_.avail_out;
        const bool whole = last && in.size() <= kStepLimit;
        const int rc = deflate(&z_, whole ? Z_FINISH : Z_NO_FLUSH);
        Step s;
        s.taken = inBefore - z_.avail_in;
        s.made = outBefore - z_.avail_out;
        s.ended = rc == Z_STREAM_END;
        if (rc == Z_MEM_ERROR) throw std::bad_alloc();
        if (rc == Z_STREAM_ERROR) s.error = "the gzip encoder failed";
        return s;
    }

private:
    z_stream z_{};
};

class Bzip2Encoder final : public StreamCodec {
public:
    Bzip2Encoder() {
        if (BZ2_bzCompressInit(&b_, 9, 0, 0) != BZ_OK) throw std::bad_alloc();
    }
    ~Bzip2Encoder() override { BZ2_bzCompressEnd(&b_); }

    Step step(std::string_view in, char* out, std::size_t room, bool last) override {
        b_.next_in = const_cast<char*>(in.data());
        b_.avail_in = static_cast<unsigned>(limited(in.size()));
        b_.next_out = out;
        b_.avail_out = static_cast<unsigned>(limited(room));
        const unsigned inBefore = b_.avail_in, outBefore = b_.avail_out;
        // Once finishing, bzip2 wants the same input to the end: it is all of it by then.
        const bool whole = last && in.size() <= kStepLimit;
        const int rc = BZ2_bzCompress(&b_, whole ? BZ_FINISH : BZ_RUN);
        Step s;
        s.taken = inBefore - b_.avail_in;
        s.made = outBefore - b_.avail_out;
        s.ended = rc == BZ_STREAM_END;
        if (rc == BZ_MEM_ERROR) throw std::bad_alloc();
        if (rc < 0) s.error = "the bzip2 encoder failed";
        return s;
    }

private:
    bz_stream b_{};
};

class XzEncoder final : public StreamCodec {
public:
    XzEncoder() {
        if (lzma_easy_encoder(&x_, LZMA_PRESET_DEFAULT, LZMA_CHECK_CRC64) != LZMA_OK) throw std::bad_alloc();
    }
    ~XzEncoder() override { lzma_end(&x_); }

    Step step(std::string_view in, char* out, std::size_t room, bool last) override {
        Step s;
        const lzma_ret rc = lzmaStep(x_, in, out, room, last, s);
        s.ended = rc == LZMA_STREAM_END;
        if (rc == LZMA_MEM_ERROR) throw std::bad_alloc();
        // No progress possible until more input comes (see the decoder).
        const bool waits = rc == LZMA_BUF_ERROR && !last;
        if (rc != LZMA_OK && rc != LZMA_STREAM_END && !waits) s.error = "the xz encoder failed";
        return s;
    }

private:
    lzma_stream x_ = LZMA_STREAM_INIT;
};

class ZstdEncoder final : public StreamCodec {
public:
    ZstdEncoder() : c_(ZSTD_createCCtx()) {
        if (!c_) throw std::bad_alloc();
        ZSTD_CCtx_setParameter(c_, ZSTD_c_compressionLevel, ZSTD_CLEVEL_DEFAULT);
        ZSTD_CCtx_setParameter(c_, ZSTD_c_checksumFlag, 1); // as the command-line tool writes them
    }
    ~ZstdEncoder() override { ZSTD_freeCCtx(c_); }

    Step step(std::string_view in, char* out, std::size_t room, bool last) override {
        ZSTD_inBuffer input{in.data(), in.size(), 0};
        ZSTD_outBuffer output{out, room, 0};
        const std::size_t rc = ZSTD_compressStream2(c_, &output, &input, last ? ZSTD_e_end : ZSTD_e_continue);
        Step s;
        s.taken = input.pos;
        s.made = output.pos;
        if (ZSTD_isError(rc)) {
            if (ZSTD_getErrorCode(rc) == ZSTD_error_memory_allocation) throw std::bad_alloc();
            s.error = std::string("the zstd encoder failed: ") + ZSTD_getErrorName(rc);
        } else {
            s.ended = last && rc == 0;
        }
        return s;
    }

private:
    ZSTD_CCtx* c_;
};

} // namespace

Compression compressionOfBytes(std::string_view head) {
    if (head.size() >= 3 && head.substr(0, 3) == std::string_view("\x1f\x8b\x08", 3)) return Compression::Gzip;
    if (head.size() >= 6 && head.substr(0, 6) == std::string_view("\xfd" "7zXZ\0", 6)) return Compression::Xz;
    // "BZh", the block size digit, then the magic of the first block or of the stream's end:
    // plain text that happens to start with "BZh" is no bzip2 file.
    if (head.size() >= 10 && head.substr(0, 3) == "BZh" && head[3] >= '1' && head[3] <= '9' &&
        (head.substr(4, 6) == "\x31\x41\x59\x26\x53\x59" || head.substr(4, 6) == "\x17\x72\x45\x38\x50\x90"))
        return Compression::Bzip2;
    if (head.size() >= 4 && head.substr(0, 4) == "\x28\xb5\x2f\xfd") return Compression::Zstd;
    return Compression::None;
}

Compression compressionOfName(std::string_view name) {
    auto endsWith = [&](std::string_view ext) {
        return name.size() > ext.size() && name.substr(name.size() - ext.size()) == ext;
    };
    if (endsWith(".gz")) return Compression::Gzip;
    if (endsWith(".xz")) return Compression::Xz;
    if (endsWith(".bz2")) return Compression::Bzip2;
    if (endsWith(".zst")) return Compression::Zstd;
    return Compression::None;
}

std::string_view compressionName(Compression format) {
    switch (format) {
    case Compression::Gzip: return "gzip";
    case Compression::Xz: return "xz";
    case Compression::Bzip2: return "bzip2";
    case Compression::Zstd: return "zstd";
    case Compression::None: break;
    }
    return {};
}

std::unique_ptr<StreamCodec> makeDecoder(Compression format) {
    switch (format) {
    case Compression::Gzip: return std::make_unique<GzipDecoder>();
    case Compression::Xz: return std::make_unique<XzDecoder>();
    case Compression::Bzip2: return std::make_unique<Bzip2Decoder>();
    case Compression::Zstd: return std::make_unique<ZstdDecoder>();
    case Compression::None: break;
    }
    return nullptr;
}

std::unique_ptr<StreamCodec> makeEncoder(Compression format) {
    switch (format) {
    case Compression::Gzip: return std::make_unique<GzipEncoder>();
    case Compression::Xz: return std::make_unique<XzEncoder>();
    case Compression::Bzip2: return std::make_unique<Bzip2Encoder>();
    case Compression::Zstd: return std::make_unique<ZstdEncoder>();
    case Compression::None: break;
    }
    return nullptr;
}

namespace {
std::atomic<uint64_t> chosenDecompressedLimit{0};
} // namespace

uint64_t decompressedLimit() {
    if (const uint64_t chosen = chosenDecompressedLimit.load()) return chosen;
    const long pages = ::sysconf(_SC_PHYS_PAGES), pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return UINT64_MAX;
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize) / 4;
}

void setDecompressedLimit(uint64_t bytes) { chosenDecompressedLimit = bytes; }

std::string decompressedTooLarge(uint64_t limit) {
    char size[32];
    if (limit >= (uint64_t{1} << 30))
        std::snprintf(size, sizeof size, "%.1f GB", static_cast<double>(limit) / 1e9);
    else
        std::snprintf(size, sizeof size, "%.1f MB", static_cast<double>(limit) / 1e6);
    return std::string("the decompressed data pass ") + size +
           ", a quarter of this machine's memory: too large to read here";
}

std::string runCodec(StreamCodec& codec, std::string_view in, bool last, std::string& out) {
    constexpr std::size_t kRoom = std::size_t{1} << 16;
    std::size_t used = out.size();
    for (;;) {
        if (out.size() - used < kRoom) out.resize(std::max(used + kRoom, out.size() * 2));
        const std::size_t room = out.size() - used;
        const StreamCodec::Step s = codec.step(in, out.data() + used, room, last);
        used += s.made;
        in.remove_prefix(s.taken);
        if (!s.error.empty()) {
            out.resize(used);
            return s.error;
        }
        // Done when the stream ended, or when all input is in and nothing waits to come out.
        if (s.ended || (!last && in.empty() && s.made < room) || (s.taken == 0 && s.made == 0)) break;
    }
    out.resize(used);
    return {};
}

} // namespace varnotile
