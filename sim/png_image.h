#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumo::sim {

// An 8-bit RGB image encoded as a PNG file (one IDAT chunk, zlib level 6).
// rgb holds width × height pixels, row by row, three bytes each; an empty
// string comes back when the sizes do not fit.
std::string EncodePng(int width, int height, const std::vector<uint8_t>& rgb);

// A poster-like picture: a vertical gradient between two colours with a
// lighter frame and a few bands, so every film gets a picture of its own.
std::string PosterPng(int width, int height, uint64_t seed);

}  // namespace lumo::sim
