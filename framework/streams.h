#pragma once
// Byte streams: the abstract stream, a growable memory stream and a file stream. Exact reads
// and writes raise the system's stream errors.

#include "framework/object.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

enum class SeekOrigin { Beginning, Current, End };

class TStream : public TObject {
    PICTAVO_CLASS(TStream)
public:
    // Reads up to count bytes; returns how many were read (0 at the end).
    virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
    // Writes up to count bytes; returns how many were written.
    virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
    virtual std::int64_t Seek(std::int64_t offset, SeekOrigin origin) = 0;

    std::int64_t Position() { return Seek(0, SeekOrigin::Current); }
    void SetPosition(std::int64_t position) { Seek(position, SeekOrigin::Beginning); }
    virtual std::int64_t Size();
    virtual void SetSize(std::int64_t size);

    // Exactly count bytes, or "Stream read error".
    void ReadBuffer(void* buffer, std::int64_t count);
    // Exactly count bytes, or "Stream write error".
    void WriteBuffer(const void* buffer, std::int64_t count);
    // Copies count bytes from the source's position; count 0 copies the whole source from its
    // start. Returns the number of bytes copied.
    std::int64_t CopyFrom(TStream& source, std::int64_t count);

    // Little-endian helpers over ReadBuffer / WriteBuffer.
    std::uint8_t ReadU8();
    std::uint16_t ReadU16();
    std::uint32_t ReadU32();
    void WriteU8(std::uint8_t value);
    void WriteU16(std::uint16_t value);
    void WriteU32(std::uint32_t value);
};

// A stream over a growable block of memory.
class TMemoryStream : public TStream {
    PICTAVO_CLASS(TMemoryStream)
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<std::uint8_t> bytes) : m_data(std::move(bytes)) {}

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
    std::int64_t Size() override { return std::int64_t(m_data.size()); }
    void SetSize(std::int64_t size) override;

    std::uint8_t* Memory() { return m_data.data(); }
    const std::vector<std::uint8_t>& Bytes() const { return m_data; }
    void Clear();
    void LoadFromStream(TStream& source);
    void SaveToStream(TStream& destination);
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);

private:
    std::vector<std::uint8_t> m_data;
    std::int64_t m_position = 0;
};

// File open modes.
enum class FileMode { OpenRead, OpenWrite, OpenReadWrite, Create };

// A stream over a file named by its drive-letter path (or a relative name). Opening an existing
// file that cannot be opened raises "Cannot open file %s"; creating raises "Cannot create file %s".
class TFileStream : public TStream {
    PICTAVO_CLASS(TFileStream)
public:
    TFileStream(const std::string& fileName, FileMode mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
    void SetSize(std::int64_t size) override;
    const std::string& FileName() const { return m_fileName; }

private:
    std::string m_fileName;
    int m_fd = -1;
};
