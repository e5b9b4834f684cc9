// A request or result record as a host starts it: every byte zero, then its size and version 1.
// Without GoogleTest, so that the fuzz targets share it with the tests.
#pragma once

#include <cstring>

namespace test {

template <typename Record>
Record blank_record() {
    Record r;
    std::memset(&r, 0, sizeof r);
    r.size = sizeof r;
    r.version = 1;
    return r;
}

}  // namespace test
