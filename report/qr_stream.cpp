#include "framework/exceptions.h"
#include "report/page_store.h"

#include <cerrno>
#include <filesystem>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr auto cannotCreate = "Cannot create file %s";

// Moves up to `count` bytes with `call` (a read or a write), going on after interruptions and
// short transfers; returns how many moved.
template <class Byte, class Call>
std::int64_t transfer(Byte* buffer, std::int64_t count, Call call)
{
    std::int64_t done = 0;
    while (done < count) {
        const ssize_t n = call(buffer + done, std::size_t(count - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

// A temporary file of this system, read and written through its descriptor; removed when the
// stream goes.
class TemporaryFileStream : public TStream {
public:
    // Makes a new file with a unique name starting with the prefix in the system's temporary
    // directory; raises "Cannot create file %s" when it cannot.
    explicit TemporaryFileStream(const std::string& prefix)
    {
        std::error_code error;
        std::filesystem::path folder = std::filesystem::temp_directory_path(error);
        if (error)
            folder = "/tmp";
        std::string pattern = (folder / (prefix + "XXXXXX")).string();
        m_fd = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (m_fd < 0)
            throw EFCreateError(cannotCreate, {pattern});
        m_name = pattern;
    }
    ~TemporaryFileStream() override
    {
        ::close(m_fd);
        ::unlink(m_name.c_str());
    }
    TemporaryFileStream(const TemporaryFileStream&) = delete;
    TemporaryFileStream& operator=(const TemporaryFileStream&) = delete;

    const std::string& Name() const { return m_name; }

    std::int64_t Read(void* buffer, std::int64_t count) override
    {
        return transfer(static_cast<char*>(buffer), count, [this](char* p, std::size_t n) { return ::read(m_fd, p, n); });
    }
    std::int64_t Write(const void* buffer, std::int64_t count) override
    {
        return transfer(static_cast<const char*>(buffer), count,
                        [this](const char* p, std::size_t n) { return ::write(m_fd, p, n); });
    }
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override
    {
        const int whence = origin == SeekOrigin::Beginning ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
        const off_t position = ::lseek(m_fd, off_t(offset), whence);
        return position < 0 ? -1 : std::int64_t(position);
    }

private:
    int m_fd = -1;
    std::string m_name;
};

} // namespace

PICTAVO_DEFINE_CLASS(TQRStream, TStream, nullptr, nullptr)

TQRStream::TQRStream(std::int64_t memoryLimit) : m_limit(memoryLimit), m_memory(std::make_unique<TMemoryStream>()) {}

TQRStream::TQRStream(const std::string& fileName)
    : m_inMemory(false), m_file(std::make_unique<TFileStream>(fileName, FileMode::OpenRead))
{
}

TQRStream::~TQRStream() = default;

std::int64_t TQRStream::Read(void* buffer, std::int64_t count)
{
    std::lock_guard lock(m_lock);
    return m_inMemory ? m_memory->Read(buffer, count) : m_file->Read(buffer, count);
}

std::int64_t TQRStream::Write(const void* buffer, std::int64_t count)
{
    std::lock_guard lock(m_lock);
    if (!m_inMemory)
        return m_file->Write(buffer, count);
    const std::int64_t written = m_memory->Write(buffer, count);
    if (m_memory->Size() > m_limit)
        spill();
    return written;
}

std::int64_t TQRStream::Seek(std::int64_t offset, SeekOrigin origin)
{
    std::lock_guard lock(m_lock);
    return m_inMemory ? m_memory->Seek(offset, origin) : m_file->Seek(offset, origin);
}

std::int64_t TQRStream::Size()
{
    std::lock_guard lock(m_lock);
    return m_inMemory ? m_memory->Size() : m_file->Size();
}

void TQRStream::spill()
{
    auto file = std::make_unique<TemporaryFileStream>("QRP");
    const std::int64_t position = m_memory->Position();
    file->WriteBuffer(m_memory->Memory(), m_memory->Size());
    file->SetPosition(position);
    m_temporaryName = file->Name();
    m_file = std::move(file);
    m_inMemory = false;
    m_memory.reset();
}
