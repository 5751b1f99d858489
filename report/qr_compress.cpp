#include "framework/exceptions.h"
#include "report/page_store.h"

namespace {

constexpr auto streamReadError = "Stream read error";
constexpr std::size_t pendingChunk = 4096;
// Codes up to this length go out as one word.
constexpr unsigned maxWordCode = 56;

} // namespace

TQRCompress::TQRCompress(TStream& output) : m_output(&output)
{
    startTree();
    m_pending.reserve(pendingChunk);
}

TQRCompress::TQRCompress(std::span<const std::uint8_t> input) : m_input(input)
{
    startTree();
}

void TQRCompress::startTree()
{
    // The complete tree: node i's children are 2i + 1 and 2i + 2.
    m_up[0] = 0;
    for (unsigned i = 1; i <= 512; ++i)
        m_up[i] = std::uint16_t((i - 1) / 2);
    for (unsigned j = 0; j < 256; ++j) {
        m_child[0][j] = std::uint16_t(2 * j + 1);
        m_child[1][j] = std::uint16_t(2 * j + 2);
    }
}

void TQRCompress::splay(unsigned leaf)
{
    // Each step puts the node where its grandparent's other child was and hangs that child where
    // the node was; then the grandparent goes on up.
    unsigned a = leaf;
    while (true) {
        const unsigned c = m_up[a];
        if (c == 0)
            break;
        const unsigned d = m_up[c];
        const unsigned other = m_child[1][d] == c ? 0 : 1;
        const unsigned s = m_child[other][d];
        m_child[other][d] = std::uint16_t(a);
        m_child[m_child[1][c] == a ? 1 : 0][c] = std::uint16_t(s);
        m_up[a] = std::uint16_t(d);
        m_up[s] = std::uint16_t(c);
        a = d;
    }
}

unsigned TQRCompress::CodeLength(std::uint8_t value) const
{
    unsigned length = 0;
    for (unsigned node = value + 256u; node != 0; node = m_up[node])
        ++length;
    return length;
}

void TQRCompress::putBits(std::uint64_t bits, unsigned count)
{
    m_bits |= bits << m_bitCount;
    m_bitCount += count;
    while (m_bitCount >= 8) {
        m_pending.push_back(std::uint8_t(m_bits));
        m_bits >>= 8;
        m_bitCount -= 8;
    }
}

void TQRCompress::Encode(std::uint8_t value)
{
    // The path is walked from the leaf up: each bit goes in front of those below it, so the
    // root's bit comes out first.
    std::uint64_t code = 0;
    unsigned length = 0;
    unsigned node = value + 256u;
    while (node != 0 && length < maxWordCode) {
        const unsigned parent = m_up[node];
        code = (code << 1) | (m_child[1][parent] == node ? 1u : 0u);
        ++length;
        node = parent;
    }
    if (node == 0) {
        putBits(code, length);
    } else {
        // A path longer than a word (the tree has 256 inner nodes, so at most 256 steps).
        std::array<std::uint8_t, 256> path;
        length = 0;
        for (node = value + 256u; node != 0; node = m_up[node])
            path[length++] = m_child[1][m_up[node]] == node ? 1 : 0;
        while (length > 0)
            putBits(path[--length], 1);
    }
    if (m_pending.size() >= pendingChunk) {
        m_output->WriteBuffer(m_pending.data(), std::int64_t(m_pending.size()));
        m_pending.clear();
    }
    splay(value + 256u);
}

std::uint8_t TQRCompress::Decode()
{
    unsigned node = 0;
    while (node < 256) {
        if (m_bitCount == 0) {
            // The bits of each byte are taken from the least significant up.
            while (m_bitCount <= 56 && m_inputPosition < m_input.size()) {
                m_bits |= std::uint64_t(m_input[m_inputPosition++]) << m_bitCount;
                m_bitCount += 8;
            }
            if (m_bitCount == 0)
                throw EReadError(streamReadError);
        }
        node = m_child[m_bits & 1][node];
        m_bits >>= 1;
        --m_bitCount;
    }
    // The last leaf stands for no byte: no coder ever writes its path.
    if (node == 512)
        throw EReadError(streamReadError);
    const auto value = std::uint8_t(node - 256);
    splay(node);
    return value;
}

void TQRCompress::Finish()
{
    if (!m_output)
        return;
    // The last partial byte, its missing high bits zero.
    if (m_bitCount > 0)
        putBits(0, 8 - m_bitCount);
    m_output->WriteBuffer(m_pending.data(), std::int64_t(m_pending.size()));
    m_pending.clear();
}
