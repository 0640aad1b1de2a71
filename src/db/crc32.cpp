#include "db/crc32.h"

#include <libdeflate.h>

namespace korvel::db {

uint32_t crc32(uint32_t crc, const void* bytes, size_t size) { return libdeflate_crc32(crc, bytes, size); }

}  // namespace korvel::db
