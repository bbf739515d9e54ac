#pragma once
// The "#H" frame text in which the analyser sends and receives its memories, and in which
// the data files keep them.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

class Operator;

// value in upper-case hex, zero-padded to width; a longer text is not shortened.
std::string HexPad(uint32_t value, int width);

// Zeroes every element but the last.
void ClearMem(std::span<uint8_t> image);

// Frames for image bytes Start .. Start + Total - 1, addressed from Base + Start. Returns
// the empty text when Total < 1, the range leaves the image or an address needs more than
// six hex digits.
std::string Mem2Hex(std::span<const uint8_t> image, int32_t Base, int16_t Start, int16_t Total);

// Decodes the frames of Text into the image (cleared first). Returns the number of bytes
// stored (at most the image size, even when frames overwrite one another), or -1 when the
// first frame is not at Base or a frame addresses a byte outside the image (the image is
// then left as cleared). Checksum errors are reported through op (when not null) and do not
// stop decoding; past op's checksumReportLimit() one last message counts the rest.
int16_t Hex2Mem(std::string_view Text, std::span<uint8_t> image, int32_t Base, Operator* op);
