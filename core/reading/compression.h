#pragma once
// Compressed data files (gzip, xz, bzip2, zstd): recognised by their first bytes or their name,
// decoded and encoded as streams through the system's libraries for each format.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace varnotile {

enum class Compression { None, Gzip, Xz, Bzip2, Zstd };

// How many first bytes compressionOfBytes() looks at.
constexpr std::size_t kCompressionMagicBytes = 10;

// The format whose magic bytes `head` starts with (None for anything else).
Compression compressionOfBytes(std::string_view head);
// The format a name's last extension stands for: ".gz", ".xz", ".bz2", ".zst" (None else).
Compression compressionOfName(std::string_view name);
// "gzip", "xz", "bzip2", "zstd" (empty for None).
std::string_view compressionName(Compression format);

// One direction of one format's stream, step by step.
class StreamCodec {
public:
    struct Step {
        std::size_t taken = 0; // bytes of `in` used up
        std::size_t made = 0;  // bytes put into `out`
        bool ended = false;    // the stream is complete: nothing more will come out
        std::string error;     // why the stream cannot go on (then nothing else counts)
    };
    virtual ~StreamCodec() = default;
    // Takes bytes from `in` and puts bytes into out[0, room). `last`: `in` holds all input
    // that is still to come. A decoder ends once the input ended with a complete stream (or
    // several one after the other); an encoder once `last` and everything is out. A step that
    // takes and makes nothing while not ended needs more input.
    virtual Step step(std::string_view in, char* out, std::size_t room, bool last) = 0;
};

std::unique_ptr<StreamCodec> makeDecoder(Compression format);

// The most decompressed bytes a file read takes: a quarter of the machine's physical memory,
// since the table needs room for its numbers besides the text (8 bytes each, often more than
// the text itself). A file that expands past it is refused before it fills the memory.
// setDecompressedLimit() replaces it (0 goes back to the machine's).
uint64_t decompressedLimit();
void setDecompressedLimit(uint64_t bytes);
// The reason a read stops there: "the decompressed data pass 6.2 GB, a quarter of this machine's
// memory: too large to read here".
std::string decompressedTooLarge(uint64_t limit);
// Encodes at the format's usual level (that of its command-line tool).
std::unique_ptr<StreamCodec> makeEncoder(Compression format);

// Runs `codec` over all of `in`, appending what comes out to `out`. With `last` the stream must
// end there. Returns an empty string, else the reason the data cannot be decoded.
std::string runCodec(StreamCodec& codec, std::string_view in, bool last, std::string& out);

} // namespace varnotile
