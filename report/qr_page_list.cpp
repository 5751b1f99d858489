#include "framework/exceptions.h"
#include "picture/byte_reader.h"
#include "picture/picture.h"
#include "report/page_store.h"

#include <QDateTime>

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace {

constexpr auto streamReadError = "Stream read error";
constexpr auto streamWriteError = "Stream write error";
// A store made without a stream keeps this much in memory, as a report printer's does.
constexpr std::int64_t defaultMemoryLimit = 100000;
constexpr std::int64_t saveChunk = 10240;
// Page number, next, and back: the fixed part of a record.
constexpr std::int64_t recordOverhead = 12;

[[noreturn]] void brokenStore()
{
    throw EReadError(streamReadError);
}

// Days since 30 December 1899, the time of day as the fraction, local time.
double storeTimeNow()
{
    const QDateTime now = QDateTime::currentDateTime();
    return double(QDate(1899, 12, 30).daysTo(now.date())) + now.time().msecsSinceStartOfDay() / 86400000.0;
}

} // namespace

TQRPageList::TQRPageList(const TMetaClass* pageClass) : m_pageClass(pageClass) {}

TQRPageList::~TQRPageList() = default;

void TQRPageList::SetStream(std::unique_ptr<TQRStream> stream)
{
    std::lock_guard lock(m_lock);
    m_stream = std::move(stream);
    m_cursor = headerSize;
}

void TQRPageList::Reset()
{
    std::lock_guard lock(m_lock);
    m_pageCount = 0;
    m_cursor = headerSize;
}

void TQRPageList::WriteFileHeader()
{
    std::lock_guard lock(m_lock);
    if (!m_stream)
        return;
    std::uint8_t header[headerSize] = {};
    bytes::storeU16(header, 3);
    bytes::storeU16(header + 2, 203);
    bytes::storeU32(header + 8, std::uint32_t(m_pageCount));
    const auto time = std::bit_cast<std::uint64_t>(storeTimeNow());
    bytes::storeU32(header + 12, std::uint32_t(time));
    bytes::storeU32(header + 16, std::uint32_t(time >> 32));
    header[21] = m_compression ? 1 : 0;
    m_stream->SetPosition(0);
    m_stream->WriteBuffer(header, headerSize);
}

void TQRPageList::AddPage(TGraphic& page)
{
    std::lock_guard lock(m_lock);
    if (!m_stream)
        m_stream = std::make_unique<TQRStream>(defaultMemoryLimit);
    ++m_pageCount;
    if (m_pageCount == 1)
        WriteFileHeader();
    TQRStream& stream = *m_stream;
    const std::int64_t start = stream.Seek(0, SeekOrigin::End);
    stream.WriteU32(std::uint32_t(m_pageCount));
    const std::int64_t nextField = stream.Position();
    stream.WriteU32(0);
    if (!m_compression) {
        page.SaveStream(stream);
    } else {
        TMemoryStream plain;
        page.SaveStream(plain);
        stream.WriteU32(std::uint32_t(plain.Size()));
        TQRCompress coder(stream);
        for (std::uint8_t value : plain.Bytes())
            coder.Encode(value);
        coder.Finish();
    }
    stream.WriteU32(std::uint32_t(start));
    const std::int64_t end = stream.Position();
    // Record positions are 32-bit numbers.
    if (end > std::int64_t(std::numeric_limits<std::uint32_t>::max()))
        throw EWriteError(streamWriteError);
    stream.SetPosition(nextField);
    stream.WriteU32(std::uint32_t(end));
    stream.SetPosition(end);
    m_cursor = end;
}

std::uint32_t TQRPageList::readU32At(std::int64_t position)
{
    if (position < 0 || position + 4 > m_stream->Size())
        brokenStore();
    m_stream->SetPosition(position);
    return m_stream->ReadU32();
}

std::int64_t TQRPageList::findPage(int n)
{
    const std::int64_t size = m_stream->Size();
    const auto isRecordStart = [&](std::int64_t position) {
        return position >= headerSize && position + recordOverhead <= size;
    };
    const auto lastRecord = [&] { return std::int64_t(readU32At(size - 4)); };
    std::int64_t position;
    if (n == 1)
        position = headerSize;
    else if (n == m_pageCount)
        position = lastRecord();
    else
        position = m_cursor < size ? m_cursor : lastRecord();
    if (!isRecordStart(position))
        brokenStore();

    // The walk keeps its direction: each step must move on, so it ends at the page or at a
    // broken link, whatever the records say.
    std::int64_t m = readU32At(position);
    const bool forward = m < n;
    while (m != n) {
        if (forward ? m > n : m < n)
            brokenStore();
        const std::int64_t to = forward ? readU32At(position + 4) : readU32At(position - 4);
        if ((forward ? to <= position : to >= position) || !isRecordStart(to))
            brokenStore();
        position = to;
        m = readU32At(position);
    }
    return position;
}

std::unique_ptr<TGraphic> TQRPageList::GetPage(int n)
{
    std::lock_guard lock(m_lock);
    if (n < 1 || n > m_pageCount || !m_stream)
        return nullptr;
    const std::int64_t start = findPage(n);
    const std::int64_t next = readU32At(start + 4);
    if (next < start + recordOverhead || next > m_stream->Size())
        brokenStore();
    // The page is read from its own record's bytes, never past them.
    std::vector<std::uint8_t> payload(std::size_t(next - start - recordOverhead));
    m_stream->SetPosition(start + 8);
    m_stream->ReadBuffer(payload.data(), std::int64_t(payload.size()));
    std::unique_ptr<TGraphic> page = CreateGraphic(m_pageClass);
    if (!m_compression) {
        TMemoryStream in(std::move(payload));
        page->LoadStream(in);
    } else {
        if (payload.size() < 4)
            brokenStore();
        const std::uint32_t length = bytes::loadU32(payload.data());
        const auto coded = std::span<const std::uint8_t>(payload).subspan(4);
        // Every byte takes at least one bit of code.
        if (length / 8 > coded.size())
            brokenStore();
        std::vector<std::uint8_t> plain(length);
        TQRCompress coder(coded);
        for (std::uint8_t& value : plain)
            value = coder.Decode();
        TMemoryStream in(std::move(plain));
        page->LoadStream(in);
    }
    m_stream->SetPosition(next);
    m_cursor = next;
    return page;
}

void TQRPageList::OpenStoreFile(const std::string& fileName)
{
    std::lock_guard lock(m_lock);
    m_stream.reset();
    m_pageCount = 0;
    auto stream = std::make_unique<TQRStream>(fileName);
    std::uint8_t header[headerSize];
    stream->ReadBuffer(header, headerSize);
    // A count below zero can only come from a damaged file: such a store holds no pages.
    m_pageCount = std::max(std::int32_t(bytes::loadU32(header + 8)), std::int32_t(0));
    m_compression = header[21] != 0;
    m_stream = std::move(stream);
    m_cursor = headerSize;
}

void TQRPageList::SaveStoreFile(const std::string& fileName)
{
    std::lock_guard lock(m_lock);
    if (!m_stream)
        return;
    TFileStream out(fileName, FileMode::Create);
    std::lock_guard streamLock(m_stream->Lock());
    const std::int64_t size = m_stream->Size();
    m_stream->SetPosition(0);
    std::vector<std::uint8_t> chunk(saveChunk);
    for (std::int64_t done = 0; done < size;) {
        const std::int64_t count = std::min(saveChunk, size - done);
        m_stream->ReadBuffer(chunk.data(), count);
        out.WriteBuffer(chunk.data(), count);
        done += count;
    }
}
