/* The public header is valid C11: its records, constants and layout assertions compile as C. */
#include "quorven/native.h"

QUORVEN_NATIVE_STATIC_ASSERT(QUORVEN_SHORTCUT_REQUEST_V2_SIZE ==
                                 sizeof(quorven_shortcut_request_v2),
                             "size constant matches the record");

uint32_t quorven_native_header_c_probe(void);
uint32_t quorven_native_header_c_probe(void) {
    quorven_shortcut_request_v2 request = {0};
    request.size = QUORVEN_SHORTCUT_REQUEST_V2_SIZE;
    request.target.buffer.capacity = 1;
    request.link_path.pointer = QUORVEN_NATIVE_PTR_TO_U64(&request);
    return request.target.string.length + (uint32_t)QUORVEN_NATIVE_HR_PENDING;
}
