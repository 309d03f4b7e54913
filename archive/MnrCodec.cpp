#include "MnrCodec.h"

#include "AtomicFile.h"

#include <algorithm>
#include <cstring>

std::string_view MnrErrorText(MnrError error) {
    switch (error) {
    case MnrError::ShortSignature:
        return "Can't read file signature";
    case MnrError::WrongSignature:
        return "Wrong file signature";
    case MnrError::ShortHeader:
        return "Can't read file header";
    case MnrError::None:
        break;
    }
    return {};
}

void MnrParser::Take(const uint8_t* raw, std::vector<ArchiveRecord>& out) {
    ++m_records;
    ArchiveRecord r;
    std::memcpy(r.raw, raw, 16);
    if (m_keepAll || (!r.IsErased() && r.IsValid()))
        out.push_back(r);
}

bool MnrParser::Feed(const void* data, size_t size, std::vector<ArchiveRecord>& out) {
    if (m_error != MnrError::None)
        return false;
    if (size == 0)
        return true;
    const uint8_t* p = static_cast<const uint8_t*>(data);
    const uint8_t* const end = p + size;
    if (!m_headDone) {
        const size_t n = std::min(kMnrHeadSize - m_pendingSize, size);
        std::memcpy(m_pending + m_pendingSize, p, n);
        m_pendingSize += n;
        p += n;
        if (m_pendingSize >= 16 && std::memcmp(m_pending, kMnrSignature, 16) != 0) {
            m_error = MnrError::WrongSignature;
            return false;
        }
        if (m_pendingSize < kMnrHeadSize)
            return true;
        m_headDone = true;
        m_pendingSize = 0;
        // A header has its marker and a non-zero origin. Without one, these
        // 16 bytes are the first record (a header of origin 0, from a text
        // import, is read so too and dropped as invalid).
        m_hasHeader = m_pending[16] == ArchiveHeader::kMarker && m_pending[17] != 0;
        if (m_hasHeader)
            std::memcpy(m_header.raw, m_pending + 16, 16);
        else
            Take(m_pending + 16, out);
    }
    if (m_pendingSize > 0) {
        const size_t n = std::min(16 - m_pendingSize, static_cast<size_t>(end - p));
        std::memcpy(m_pending + m_pendingSize, p, n);
        m_pendingSize += n;
        p += n;
        if (m_pendingSize < 16)
            return true;
        Take(m_pending, out);
        m_pendingSize = 0;
    }
    for (; end - p >= 16; p += 16)
        Take(p, out);
    m_pendingSize = static_cast<size_t>(end - p);
    std::memcpy(m_pending, p, m_pendingSize);
    return true;
}

MnrError MnrParser::Finish() {
    if (m_error == MnrError::None && !m_headDone)
        m_error = m_pendingSize < 16 ? MnrError::ShortSignature : MnrError::ShortHeader;
    return m_error;
}

MnrSink MnrFileSink(std::FILE* file) {
    return [file](const void* data, size_t size) { return std::fwrite(data, 1, size, file) == size; };
}

MnrSink MnrFileSink(AtomicFile& file) {
    return [&file](const void* data, size_t size) { return file.Write(data, size); };
}

std::array<uint8_t, kMnrHeadSize> EncodeMnrHead(const ArchiveHeader& header) {
    std::array<uint8_t, kMnrHeadSize> head;
    std::memcpy(head.data(), kMnrSignature, 16);
    std::memcpy(head.data() + 16, header.raw, 16);
    return head;
}

bool WriteMnrHead(const MnrSink& out, const ArchiveHeader& header) {
    const auto head = EncodeMnrHead(header);
    return out(head.data(), head.size());
}

bool WriteMnrRecords(const MnrSink& out, const ArchiveRecord* records, size_t count) {
    return count == 0 || out(records, 16 * count);
}

bool WriteMnr(const MnrSink& out, const ArchiveHeader& header, const ArchiveRecord* records, size_t count) {
    return WriteMnrHead(out, header) && WriteMnrRecords(out, records, count);
}
