// The CRC-32 of zip and PNG (the reflected polynomial 0xEDB88320), the one checksum of the
// program: the journal's batches and tables, the backup's manifest and copies, the workbook's
// zip entries.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korvel::db {

// The CRC-32 of `size` bytes continued from `crc`, the CRC-32 of the bytes before them (0 to
// start).
uint32_t crc32(uint32_t crc, const void* bytes, size_t size);

}  // namespace korvel::db
