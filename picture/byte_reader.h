#pragma once
// Bounded reading of untrusted bytes, shared by the format readers. Every size, count and
// offset a file gives is checked against what is really there before anything is read or
// allocated.

#include "framework/exceptions.h"
#include "framework/streams.h"
#include "platform/byte_cursor.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace bytes {

// Reads from a stream within a byte budget; a read the budget cannot cover fails with
// "Stream read error", as a read past the end of the data would.
class BudgetReader {
public:
    BudgetReader(TStream& stream, std::int64_t budget);

    std::int64_t remaining() const { return m_budget; }

    void read(void* buffer, std::int64_t count);
    std::uint8_t u8();
    std::uint16_t u16();
    std::uint32_t u32();
    void skip(std::int64_t count);
    // Exactly `count` bytes. Memory is taken for no more than the stream still holds, and
    // past that only as data arrives, so a length field alone never decides how much is taken.
    std::vector<std::uint8_t> bytes(std::int64_t count);

private:
    TStream& m_stream;
    std::int64_t m_budget;
};

} // namespace bytes
