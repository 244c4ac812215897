// CRC-32 (the zlib polynomial, zlib's crc32(0, data, size)) for the
// browser build, which has no zlib: the committed CRCs of every frame are
// taken with it. Eight bytes a step through eight tables.
#pragma once

#include <cstddef>
#include <cstdint>

uint32_t frame_crc32(const unsigned char* data, size_t size);
