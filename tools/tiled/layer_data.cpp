#include "tools/tiled/layer_data.h"

#include "mapdata/bytes.h"

#include <zlib.h>

#include <limits>

namespace {

using ByteVector = std::vector<unsigned char>;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::size_t SkipSpace(std::string_view text, std::size_t at) {
    while (at < text.size() && IsSpace(text[at])) {
        ++at;
    }
    return at;
}

std::string Shown(char c) {
    return c >= ' ' && c <= '~' ? "'" + std::string(1, c) + "'"
                                : "byte " + std::to_string(static_cast<unsigned char>(c));
}

std::string CountText(std::size_t got, std::size_t needed, const char *unit) {
    return std::string(got < needed ? "short" : "long") + ": " + std::to_string(got) + " " + unit +
           ", not " + std::to_string(needed);
}

// One number at text[at] onward; at moves past it.
bool ReadCsvNumber(std::string_view text, std::size_t &at, std::uint32_t &value,
                   std::string &error) {
    std::uint64_t number = 0;
    const std::size_t start = at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        number = number * 10 + static_cast<unsigned>(text[at] - '0');
        if (number > std::numeric_limits<std::uint32_t>::max()) {
            error = "CSV data: a number past 4294967295";
            return false;
        }
        ++at;
    }
    if (at == start) {
        error = "CSV data: " + (at < text.size() ? Shown(text[at]) : std::string("the end")) +
                " where a number should be";
        return false;
    }
    value = static_cast<std::uint32_t>(number);
    return true;
}

bool DecodeCsv(std::string_view text, std::size_t count, std::vector<std::uint32_t> &ids,
               std::string &error) {
    std::size_t at = SkipSpace(text, 0);
    while (at < text.size()) {
        std::uint32_t value = 0;
        if (!ReadCsvNumber(text, at, value, error)) {
            return false;
        }
        ids.push_back(value);
        at = SkipSpace(text, at);
        if (at < text.size() && text[at] != ',') {
            error = "CSV data: " + Shown(text[at]) + " after a number";
            return false;
        }
        at = SkipSpace(text, at + 1);
    }
    if (ids.size() != count) {
        error = "CSV data " + CountText(ids.size(), count, "ids");
        return false;
    }
    return true;
}

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    return c == '+' ? 62 : c == '/' ? 63 : -1;
}

bool DecodeBase64(std::string_view text, ByteVector &bytes, std::string &error) {
    std::uint32_t bits = 0;
    int held = 0;
    int padding = 0;
    for (const char c : text) {
        if (IsSpace(c)) {
            continue;
        }
        const int value = Base64Value(c);
        if (c == '=' && held > 0) {
            ++padding;
            continue;
        }
        if (value < 0 || padding > 0) {
            error = "base64 data: " + Shown(c) +
                    (value < 0 ? " is no base64 character" : " after the closing '='");
            return false;
        }
        bits = bits << 6 | static_cast<std::uint32_t>(value);
        held += 6;
        if (held >= 8) {
            held -= 8;
            bytes.push_back(static_cast<unsigned char>(bits >> held));
        }
    }
    if (held >= 6 || padding > 2) {
        error = "base64 data: it ends part way through a byte";
        return false;
    }
    return true;
}

// Inflates a zlib (windowBits 15) or gzip (31) stream that must give exactly size bytes.
bool Inflate(const ByteVector &packed, int windowBits, std::size_t size, ByteVector &bytes,
             std::string &error) {
    z_stream stream{};
    if (inflateInit2(&stream, windowBits) != Z_OK) {
        error = "the decompressor cannot start";
        return false;
    }
    bytes.assign(size + 1, 0); // one byte more shows a stream that is too long
    stream.next_in = const_cast<Bytef *>(packed.data());
    stream.avail_in = static_cast<uInt>(packed.size());
    stream.next_out = bytes.data();
    stream.avail_out = static_cast<uInt>(bytes.size());
    const int result = inflate(&stream, Z_FINISH);
    const std::size_t produced = stream.total_out;
    const std::string message = stream.msg != nullptr ? stream.msg : "";
    const bool leftOver = stream.avail_in != 0;
    inflateEnd(&stream);
    if (result != Z_STREAM_END) {
        error = produced > size
                    ? "compressed data: long: it holds more than " + std::to_string(size) + " bytes"
                : result == Z_BUF_ERROR ? "compressed data: the stream is cut short"
                                        : "compressed data: broken stream (" + message + ")";
        return false;
    }
    if (leftOver) {
        error = "compressed data: bytes after the end of the stream";
        return false;
    }
    bytes.resize(produced);
    return true;
}

bool Unpack(std::string_view compression, const ByteVector &packed, std::size_t size,
            ByteVector &bytes, std::string &error) {
    if (compression.empty()) {
        bytes = packed;
        return true;
    }
    if (compression == "zlib" || compression == "gzip") {
        constexpr int ZLIB_WINDOW = 15;
        constexpr int GZIP_WINDOW = 31;
        return Inflate(packed, compression == "zlib" ? ZLIB_WINDOW : GZIP_WINDOW, size, bytes,
                       error);
    }
    error = "compression '" + std::string(compression) +
            "' is not read here: save the map with CSV, base64, zlib or gzip layer data";
    return false;
}

bool DecodeBinary(std::string_view compression, std::string_view text, std::size_t count,
                  std::vector<std::uint32_t> &ids, std::string &error) {
    ByteVector packed;
    ByteVector bytes;
    if (!DecodeBase64(text, packed, error) ||
        !Unpack(compression, packed, count * 4, bytes, error)) {
        return false;
    }
    if (bytes.size() != count * 4) {
        error = "binary data " + CountText(bytes.size(), count * 4, "bytes");
        return false;
    }
    ids.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        ids[i] = ReadU32LE(bytes.data() + 4 * i);
    }
    return true;
}

} // namespace

bool DecodeLayerData(std::string_view encoding, std::string_view compression, std::string_view text,
                     std::size_t count, std::vector<std::uint32_t> &ids, std::string &error) {
    ids.clear();
    if (encoding == "csv" && compression.empty()) {
        return DecodeCsv(text, count, ids, error);
    }
    if (encoding == "base64") {
        return DecodeBinary(compression, text, count, ids, error);
    }
    error = encoding.empty() ? "data as XML elements is not read here"
                             : "encoding '" + std::string(encoding) + "' is not read here";
    error += ": save the map with CSV, base64, zlib or gzip layer data";
    return false;
}
