#include "picture/byte_reader.h"

namespace bytes {
namespace {

constexpr auto streamReadError = "Stream read error";
// Large blocks are read in pieces of this size.
constexpr std::int64_t readChunk = std::int64_t(1) << 20;

} // namespace

BudgetReader::BudgetReader(TStream& stream, std::int64_t budget)
    : m_stream(stream), m_budget(std::max<std::int64_t>(budget, 0))
{
}

void BudgetReader::read(void* buffer, std::int64_t count)
{
    if (count < 0 || count > m_budget)
        throw EReadError(streamReadError);
    m_stream.ReadBuffer(buffer, count);
    m_budget -= count;
}

std::uint8_t BudgetReader::u8()
{
    std::uint8_t b;
    read(&b, 1);
    return b;
}

std::uint16_t BudgetReader::u16()
{
    std::uint8_t b[2];
    read(b, 2);
    return loadU16(b);
}

std::uint32_t BudgetReader::u32()
{
    std::uint8_t b[4];
    read(b, 4);
    return loadU32(b);
}

void BudgetReader::skip(std::int64_t count)
{
    if (count < 0 || count > m_budget)
        throw EReadError(streamReadError);
    std::uint8_t buffer[4096];
    while (count > 0) {
        const std::int64_t chunk = std::min<std::int64_t>(count, sizeof buffer);
        read(buffer, chunk);
        count -= chunk;
    }
}

std::vector<std::uint8_t> BudgetReader::bytes(std::int64_t count)
{
    if (count < 0 || count > m_budget)
        throw EReadError(streamReadError);
    std::vector<std::uint8_t> data;
    data.reserve(std::size_t(std::clamp<std::int64_t>(m_stream.Size() - m_stream.Position(), 0, count)));
    while (std::int64_t(data.size()) < count) {
        const std::int64_t chunk = std::min<std::int64_t>(count - std::int64_t(data.size()), readChunk);
        const std::size_t at = data.size();
        data.resize(at + std::size_t(chunk));
        read(data.data() + at, chunk);
    }
    return data;
}

} // namespace bytes
