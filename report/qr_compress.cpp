#include "framework/exceptions.h"
#include "report/page_store.h"

namespace {

constexpr auto streamReadError = "Stream read error";
constexpr std::size_t pendingChunk = 4096;

} // namespace

TQRCompress::TQRCompress(TStream& output) : m_output(&output)
{
    startTree();
    m_pending.reserve(pendingChunk);
}

TQRCompress::TQRCompress(std::span<const std::uint8_t> input) : m_input(input)
{
    startTree();
    // A reader's first bit reads the first byte.
    m_bit = 7;
}

void TQRCompress::startTree()
{
    // The complete tree: node i's children are 2i + 1 and 2i + 2.
    m_up[0] = 0;
    for (unsigned i = 1; i <= 512; ++i)
        m_up[i] = std::uint16_t((i - 1) / 2);
    for (unsigned j = 0; j < 256; ++j) {
        m_left[j] = std::uint16_t(2 * j + 1);
        m_right[j] = std::uint16_t(2 * j + 2);
    }
}

void TQRCompress::splay(unsigned leaf)
{
    // Each step puts the node where its grandparent was and hangs the grandparent's other
    // subtree where the node was.
    unsigned a = leaf;
    while (true) {
        const unsigned c = m_up[a];
        if (c == 0)
            break;
        const unsigned d = m_up[c];
        unsigned s;
        if (m_left[d] == c) {
            s = m_right[d];
            m_right[d] = std::uint16_t(a);
        } else {
            s = m_left[d];
            m_left[d] = std::uint16_t(a);
        }
        if (m_left[c] == a)
            m_left[c] = std::uint16_t(s);
        else
            m_right[c] = std::uint16_t(s);
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

void TQRCompress::Encode(std::uint8_t value)
{
    // The path is walked from the leaf up and sent from the root down. The tree has 256 inner
    // nodes, so no path is longer than 256 steps.
    std::array<std::uint8_t, 257> path;
    unsigned length = 0;
    unsigned node = value + 256u;
    while (node != 0) {
        const unsigned parent = m_up[node];
        path[length++] = m_right[parent] == node ? 1 : 0;
        node = parent;
    }
    while (length > 0) {
        if (path[--length])
            m_byte = std::uint8_t(m_byte | (1u << m_bit));
        if (++m_bit == 8) {
            m_pending.push_back(m_byte);
            m_byte = 0;
            m_bit = 0;
        }
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
        if (m_bit == 7) {
            if (m_inputPosition >= m_input.size())
                throw EReadError(streamReadError);
            m_byte = m_input[m_inputPosition++];
            m_bit = 0;
        } else {
            ++m_bit;
        }
        node = (m_byte >> m_bit) & 1 ? m_right[node] : m_left[node];
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
    if (m_bit != 0) {
        m_pending.push_back(m_byte);
        m_byte = 0;
        m_bit = 0;
    }
    m_output->WriteBuffer(m_pending.data(), std::int64_t(m_pending.size()));
    m_pending.clear();
}
