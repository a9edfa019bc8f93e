#include "sim/png_image.h"

#include <zlib.h>

#include "sim/random.h"

namespace lumo::sim {
namespace {

void AppendBigEndian(std::string& out, uint32_t value) {
    out += static_cast<char>(value >> 24);
    out += static_cast<char>(value >> 16);
    out += static_cast<char>(value >> 8);
    out += static_cast<char>(value);
}

void AppendChunk(std::string& out, const char* type, const std::string& data) {
    AppendBigEndian(out, static_cast<uint32_t>(data.size()));
    const std::string typed = std::string(type, 4) + data;
    out += typed;
    const uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size()));
    AppendBigEndian(out, static_cast<uint32_t>(crc));
}

}  // namespace

std::string EncodePng(int width, int height, const std::vector<uint8_t>& rgb) {
    if (width <= 0 || height <= 0 || rgb.size() != static_cast<size_t>(width) * height * 3) return {};
    // Each row starts with its filter byte (0, none).
    std::string raw;
    raw.reserve(static_cast<size_t>(height) * (width * 3 + 1));
    for (int y = 0; y < height; ++y) {
        raw += '\0';
        raw.append(reinterpret_cast<const char*>(rgb.data()) + static_cast<size_t>(y) * width * 3, width * 3);
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(packedSize, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(raw.data()),
                  static_cast<uLong>(raw.size()), 6) != Z_OK) {
        return {};
    }
    packed.resize(packedSize);

    std::string header;
    AppendBigEndian(header, static_cast<uint32_t>(width));
    AppendBigEndian(header, static_cast<uint32_t>(height));
    header += static_cast<char>(8);  // bit depth
    header += static_cast<char>(2);  // colour type: RGB
    header += std::string(3, '\0');  // compression, filter, interlace

    std::string png = "\x89PNG\r\n\x1a\n";
    AppendChunk(png, "IHDR", header);
    AppendChunk(png, "IDAT", packed);
    AppendChunk(png, "IEND", {});
    return png;
}

std::string PosterPng(int width, int height, uint64_t seed) {
    SplitMix64 rng(seed);
    uint8_t top[3], bottom[3];
    for (int c = 0; c < 3; ++c) {
        top[c] = static_cast<uint8_t>(rng.Between(20, 235));
        bottom[c] = static_cast<uint8_t>(rng.Between(0, 120));
    }
    const int bands = static_cast<int>(rng.Between(2, 5));
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* px = &rgb[(static_cast<size_t>(y) * width + x) * 3];
            const bool frame = x < 4 || y < 4 || x >= width - 4 || y >= height - 4;
            const bool band = (y * bands / height) % 2 == 1 && x > width / 6 && x < width - width / 6;
            for (int c = 0; c < 3; ++c) {
                int v = top[c] + (bottom[c] - top[c]) * y / (height > 1 ? height - 1 : 1);
                if (band) v = v * 3 / 4;
                if (frame) v = 230;
                px[c] = static_cast<uint8_t>(v);
            }
        }
    }
    return EncodePng(width, height, rgb);
}

}  // namespace lumo::sim
