// CRC-32 of the zip format (reflected polynomial 0xEDB88320) over the running, pre-inverted
// value: start at 0xFFFFFFFF, complement at the end.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zip::codec {

// The 256-entry table (entry 1 is 0x77073096), computed on first use.
const uint32_t* Crc32Table();

// Fast path: carry-less multiplication when the processor has it, else slicing-by-16.
uint32_t Crc32Update(uint32_t crc, const uint8_t* p, size_t n);

// One table step per byte; the reference the fast paths are tested against.
uint32_t Crc32UpdateBytewise(uint32_t crc, const uint8_t* p, size_t n);

// Slicing-by-16 alone, whatever the processor offers (for tests and measurements).
uint32_t Crc32UpdateSliced(uint32_t crc, const uint8_t* p, size_t n);

// True when Crc32Update uses carry-less multiplication on this processor.
bool Crc32HasClmul();

}  // namespace zip::codec
