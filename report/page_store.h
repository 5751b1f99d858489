#pragma once
// The page store: a report's pages, one picture each, in one byte stream that stays in memory
// while it is small and moves to a temporary file when it grows. The same bytes are a report file
// that can be saved and opened again.
//
// Layout (little-endian; positions are byte offsets from the start of the stream):
//   header, 124 bytes: u16 3, u16 203, 4 reserved, i32 page count, f64 creation time (days since
//   30 December 1899, local time), 1 reserved, u8 compressed (1) or not (0), 102 reserved;
//   then one record per page, page 1 first: u32 page number, u32 position just past the record,
//   the page (as the picture writes itself; compressed: u32 length L, then the L bytes coded with
//   the splay-tree prefix code), u32 position of the record's first byte.
// A record is walked forward through its "next" field and backward through the last field of the
// record before it.

#include "framework/streams.h"

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

class TGraphic;
struct TMetaClass;

// A seekable byte stream in memory until a write leaves more than its limit in the buffer; then
// everything moves to a temporary file whose name begins with "QRP", deleted when the stream
// goes. Reads, writes and seeks each hold the stream's lock.
class TQRStream : public TStream {
    PICTAVO_CLASS(TQRStream)
public:
    explicit TQRStream(std::int64_t memoryLimit);
    // On an existing file (drive-letter path), for reading: file-backed from the start, without
    // a limit, and the file stays. Raises "Cannot open file %s".
    explicit TQRStream(const std::string& fileName);
    ~TQRStream() override;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
    std::int64_t Size() override;

    bool InMemory() const { return m_inMemory; }
    // The temporary file's path on this system; empty while in memory or for a loaded file.
    const std::string& TemporaryFileName() const { return m_temporaryName; }
    // The lock each access holds; a copy of the whole stream holds it throughout.
    std::recursive_mutex& Lock() { return m_lock; }

private:
    void spill();

    std::recursive_mutex m_lock;
    bool m_inMemory = true;
    std::int64_t m_limit = 0;
    std::unique_ptr<TMemoryStream> m_memory;
    std::unique_ptr<TStream> m_file;
    std::string m_temporaryName;
};

// The splay-tree prefix code. Every byte value is a leaf of a binary tree of 256 inner nodes
// (node 0 the root, the byte b the leaf b + 256); a byte is coded as the path from the root to
// its leaf (1 for a right child, 0 for a left one), and after each byte its leaf moves up towards
// the root, so that frequent bytes get short codes. Bits fill bytes from the least significant
// bit up.
class TQRCompress {
public:
    // A coder writing to the stream. Finish writes what is pending, with the last partial byte.
    explicit TQRCompress(TStream& output);
    // A coder reading coded bytes; running out of them, or a path to no byte, raises "Stream
    // read error".
    explicit TQRCompress(std::span<const std::uint8_t> input);
    TQRCompress(const TQRCompress&) = delete;
    TQRCompress& operator=(const TQRCompress&) = delete;

    void Encode(std::uint8_t value);
    std::uint8_t Decode();
    // How many bits the value's code has now.
    unsigned CodeLength(std::uint8_t value) const;
    // Writes the coded bytes still held and the partial byte (its missing high bits zero).
    void Finish();

private:
    void startTree();
    void splay(unsigned leaf);
    // Appends bits, the first in the lowest position; whole bytes go to the pending output.
    void putBits(std::uint64_t bits, unsigned count);

    // Each node's parent, and the left (0) and right (1) children of the inner nodes.
    std::array<std::uint16_t, 513> m_up;
    std::array<std::array<std::uint16_t, 256>, 2> m_child;
    TStream* m_output = nullptr;
    std::vector<std::uint8_t> m_pending;
    std::span<const std::uint8_t> m_input;
    std::size_t m_inputPosition = 0;
    // Bits not yet written (or not yet used), the next one lowest.
    std::uint64_t m_bits = 0;
    unsigned m_bitCount = 0;
};

// The pages of a report in a page store. Pages are pictures of one class (the report printer's
// metafiles), written and read through the picture's own stream form. The list holds its lock
// around adding and reading a page.
class TQRPageList {
public:
    static constexpr std::int64_t headerSize = 124;

    // `pageClass` is the class of the pictures GetPage makes.
    explicit TQRPageList(const TMetaClass* pageClass);
    ~TQRPageList();
    TQRPageList(const TQRPageList&) = delete;
    TQRPageList& operator=(const TQRPageList&) = delete;

    // The stream the pages go to (owned); null releases it.
    void SetStream(std::unique_ptr<TQRStream> stream);
    TQRStream* Stream() const { return m_stream.get(); }
    int PageCount() const { return m_pageCount; }
    bool Compression() const { return m_compression; }
    void SetCompression(bool compression) { m_compression = compression; }

    // Appends the page; the header is written with the first one.
    void AddPage(TGraphic& page);
    // A new picture of page n that the caller owns; null for n outside 1..PageCount. A store
    // whose records do not lead to the page raises "Stream read error".
    std::unique_ptr<TGraphic> GetPage(int n);
    // Writes the header with the current page count, time and compression flag.
    void WriteFileHeader();
    // Opens a saved store (drive-letter path): PageCount and Compression from its header.
    void OpenStoreFile(const std::string& fileName);
    // Copies the whole store into a new file.
    void SaveStoreFile(const std::string& fileName);
    // No pages (the stream stays).
    void Reset();

private:
    // The start of page n's record.
    std::int64_t findPage(int n);
    std::uint32_t readU32At(std::int64_t position);

    const TMetaClass* m_pageClass;
    std::recursive_mutex m_lock;
    std::unique_ptr<TQRStream> m_stream;
    int m_pageCount = 0;
    bool m_compression = false;
    // Where the walk starts: the record after the last one read, or the end after adding.
    std::int64_t m_cursor = headerSize;
};
