#pragma once
// A TMX tile layer's data as Tiled writes it (CSV, or base64 of little-endian 32-bit global ids,
// raw or compressed with zlib or gzip) turned back into its global ids.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The ids of text in the data element's encoding and compression (each as its attribute says,
// empty when absent), exactly count of them, row by row. Whitespace may stand anywhere between
// numbers and between base64 characters. Answers false with the reason in error.
bool DecodeLayerData(std::string_view encoding, std::string_view compression, std::string_view text,
                     std::size_t count, std::vector<std::uint32_t> &ids, std::string &error);
