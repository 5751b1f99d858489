#include "framework/streams.h"

#include "framework/exceptions.h"
#include "platform/paths.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr auto streamReadError = "Stream read error";
constexpr auto streamWriteError = "Stream write error";
constexpr auto cannotOpen = "Cannot open file %s";
constexpr auto cannotCreate = "Cannot create file %s";
constexpr auto memoryStreamTooLarge = "Out of memory while expanding memory stream";
// Largest memory stream we agree to grow to.
constexpr std::int64_t maxMemoryStream = std::int64_t(1) << 32;
} // namespace

PICTAVO_DEFINE_CLASS(TStream, TObject, nullptr, nullptr)
PICTAVO_DEFINE_CLASS(TMemoryStream, TStream, createObjectOf<TMemoryStream>, nullptr)
PICTAVO_DEFINE_CLASS(TFileStream, TStream, nullptr, nullptr)

std::int64_t TStream::Size()
{
    std::int64_t position = Seek(0, SeekOrigin::Current);
    std::int64_t size = Seek(0, SeekOrigin::End);
    Seek(position, SeekOrigin::Beginning);
    return size;
}

void TStream::SetSize(std::int64_t) {}

void TStream::ReadBuffer(void* buffer, std::int64_t count)
{
    if (count != 0 && Read(buffer, count) != count)
        throw EReadError(streamReadError);
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count)
{
    if (count != 0 && Write(buffer, count) != count)
        throw EWriteError(streamWriteError);
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count)
{
    if (count < 0)
        return 0;
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    std::vector<std::uint8_t> buffer(std::size_t(std::min<std::int64_t>(count, 1 << 16)));
    std::int64_t left = count;
    while (left > 0) {
        std::int64_t chunk = std::min<std::int64_t>(left, std::int64_t(buffer.size()));
        source.ReadBuffer(buffer.data(), chunk);
        WriteBuffer(buffer.data(), chunk);
        left -= chunk;
    }
    return count;
}

std::uint8_t TStream::ReadU8()
{
    std::uint8_t value;
    ReadBuffer(&value, 1);
    return value;
}

std::uint16_t TStream::ReadU16()
{
    std::uint8_t b[2];
    ReadBuffer(b, 2);
    return std::uint16_t(b[0] | (b[1] << 8));
}

std::uint32_t TStream::ReadU32()
{
    std::uint8_t b[4];
    ReadBuffer(b, 4);
    return std::uint32_t(b[0]) | (std::uint32_t(b[1]) << 8) | (std::uint32_t(b[2]) << 16) |
           (std::uint32_t(b[3]) << 24);
}

void TStream::WriteU8(std::uint8_t value)
{
    WriteBuffer(&value, 1);
}

void TStream::WriteU16(std::uint16_t value)
{
    std::uint8_t b[2] = {std::uint8_t(value), std::uint8_t(value >> 8)};
    WriteBuffer(b, 2);
}

void TStream::WriteU32(std::uint32_t value)
{
    std::uint8_t b[4] = {std::uint8_t(value), std::uint8_t(value >> 8), std::uint8_t(value >> 16),
                         std::uint8_t(value >> 24)};
    WriteBuffer(b, 4);
}

// --- memory stream ---

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count)
{
    if (count <= 0 || m_position >= Size())
        return 0;
    std::int64_t n = std::min(count, Size() - m_position);
    std::memcpy(buffer, m_data.data() + m_position, std::size_t(n));
    m_position += n;
    return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count)
{
    if (count <= 0)
        return 0;
    // Checked before adding: a far position or count must not wrap around.
    if (m_position > maxMemoryStream - count)
        throw EStreamError(memoryStreamTooLarge);
    std::int64_t end = m_position + count;
    if (end > Size())
        SetSize(end);
    std::memcpy(m_data.data() + m_position, buffer, std::size_t(count));
    m_position = end;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, SeekOrigin origin)
{
    std::int64_t base = 0;
    switch (origin) {
    case SeekOrigin::Beginning: base = 0; break;
    case SeekOrigin::Current: base = m_position; break;
    case SeekOrigin::End: base = Size(); break;
    }
    // The base is never negative, so only an offset past the largest position can overflow;
    // the position then stops there.
    std::int64_t position;
    if (__builtin_add_overflow(base, offset, &position))
        position = std::numeric_limits<std::int64_t>::max();
    m_position = std::max<std::int64_t>(position, 0);
    return m_position;
}

void TMemoryStream::SetSize(std::int64_t size)
{
    if (size < 0 || size > maxMemoryStream)
        throw EStreamError(memoryStreamTooLarge);
    m_data.resize(std::size_t(size));
    if (m_position > size)
        m_position = size;
}

void TMemoryStream::Clear()
{
    m_data.clear();
    m_position = 0;
}

void TMemoryStream::LoadFromStream(TStream& source)
{
    source.SetPosition(0);
    std::int64_t size = source.Size();
    SetSize(size);
    m_position = 0;
    if (size != 0)
        source.ReadBuffer(m_data.data(), size);
}

void TMemoryStream::SaveToStream(TStream& destination)
{
    destination.WriteBuffer(m_data.data(), Size());
}

void TMemoryStream::LoadFromFile(const std::string& fileName)
{
    TFileStream file(fileName, FileMode::OpenRead);
    LoadFromStream(file);
}

void TMemoryStream::SaveToFile(const std::string& fileName)
{
    TFileStream file(fileName, FileMode::Create);
    SaveToStream(file);
}

// --- file stream ---

TFileStream::TFileStream(const std::string& fileName, FileMode mode) : m_fileName(fileName)
{
    const std::string native = platform::nativePath(fileName);
    int flags = O_CLOEXEC;
    switch (mode) {
    case FileMode::OpenRead: flags |= O_RDONLY; break;
    case FileMode::OpenWrite: flags |= O_WRONLY; break;
    case FileMode::OpenReadWrite: flags |= O_RDWR; break;
    case FileMode::Create: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    }
    m_fd = ::open(native.c_str(), flags, 0666);
    struct stat info;
    if (m_fd >= 0 && (::fstat(m_fd, &info) != 0 || S_ISDIR(info.st_mode))) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (m_fd < 0) {
        if (mode == FileMode::Create)
            throw EFCreateError(cannotCreate, {fileName});
        throw EFOpenError(cannotOpen, {fileName});
    }
}

TFileStream::~TFileStream()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::int64_t TFileStream::Read(void* buffer, std::int64_t count)
{
    std::int64_t total = 0;
    auto* out = static_cast<std::uint8_t*>(buffer);
    while (total < count) {
        ssize_t n = ::read(m_fd, out + total, std::size_t(count - total));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        total += n;
    }
    return total;
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count)
{
    std::int64_t total = 0;
    auto* in = static_cast<const std::uint8_t*>(buffer);
    while (total < count) {
        ssize_t n = ::write(m_fd, in + total, std::size_t(count - total));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        total += n;
    }
    return total;
}

std::int64_t TFileStream::Seek(std::int64_t offset, SeekOrigin origin)
{
    int whence = origin == SeekOrigin::Beginning ? SEEK_SET
                 : origin == SeekOrigin::Current ? SEEK_CUR
                                                 : SEEK_END;
    off_t position = ::lseek(m_fd, off_t(offset), whence);
    if (position < 0)
        position = ::lseek(m_fd, 0, SEEK_CUR);
    return std::int64_t(position);
}

void TFileStream::SetSize(std::int64_t size)
{
    if (::ftruncate(m_fd, off_t(size)) != 0)
        throw EWriteError(streamWriteError);
}
