#pragma once
// Little-endian readers and writers for fixed-width records.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

namespace tessarin {

inline void StoreLe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void StoreLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void StoreLe64(std::uint8_t* p, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline std::uint16_t LoadLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t LoadLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint64_t LoadLe64(const std::uint8_t* p) {
    return static_cast<std::uint64_t>(LoadLe32(p)) | (static_cast<std::uint64_t>(LoadLe32(p + 4)) << 32);
}
inline std::int32_t LoadLeI32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(LoadLe32(p));
}

// Appends fixed-width little-endian fields to a growing byte vector.
class ByteWriter {
public:
    explicit ByteWriter(std::vector<std::uint8_t>& out) : m_out(out) {}
    ByteWriter& U8(std::uint8_t v) {
        m_out.push_back(v);
        return *this;
    }
    ByteWriter& U16(std::uint16_t v) { return Le(v, 2); }
    ByteWriter& U32(std::uint32_t v) { return Le(v, 4); }
    ByteWriter& I32(std::int32_t v) { return Le(static_cast<std::uint32_t>(v), 4); }
    ByteWriter& U64(std::uint64_t v) { return Le(v, 8); }
    ByteWriter& Bytes(std::span<const std::uint8_t> b) {
        m_out.insert(m_out.end(), b.begin(), b.end());
        return *this;
    }
    ByteWriter& Zeros(std::size_t n) {
        m_out.insert(m_out.end(), n, 0);
        return *this;
    }
    // Text copied into a zero-padded field of width bytes, cut when longer.
    ByteWriter& Text(std::string_view s, std::size_t width) {
        const std::size_t n = s.size() < width ? s.size() : width;
        m_out.insert(m_out.end(), s.begin(), s.begin() + static_cast<std::ptrdiff_t>(n));
        return Zeros(width - n);
    }
    std::size_t Size() const { return m_out.size(); }

private:
    ByteWriter& Le(std::uint64_t v, int width) {
        for (int i = 0; i < width; ++i) m_out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        return *this;
    }
    std::vector<std::uint8_t>& m_out;
};

// Reads fixed-width little-endian fields with bounds checks. A read past the
// end sets the failed flag and yields zeros; callers check Ok() once.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> in) : m_in(in) {}
    std::uint8_t U8() {
        const std::uint8_t* p = Take(1);
        return p ? *p : 0;
    }
    std::uint16_t U16() {
        const std::uint8_t* p = Take(2);
        return p ? LoadLe16(p) : 0;
    }
    std::uint32_t U32() {
        const std::uint8_t* p = Take(4);
        return p ? LoadLe32(p) : 0;
    }
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
    std::uint64_t U64() {
        const std::uint8_t* p = Take(8);
        return p ? LoadLe64(p) : 0;
    }
    std::span<const std::uint8_t> Bytes(std::size_t n) {
        const std::uint8_t* p = Take(n);
        return p ? std::span<const std::uint8_t>(p, n) : std::span<const std::uint8_t>();
    }
    // A zero-padded text field: the bytes before the first zero.
    std::string_view Text(std::size_t width) {
        auto b = Bytes(width);
        std::size_t n = 0;
        while (n < b.size() && b[n] != 0) ++n;
        return {reinterpret_cast<const char*>(b.data()), n};
    }
    void Skip(std::size_t n) { Take(n); }
    std::size_t Position() const { return m_pos; }
    std::size_t Remaining() const { return m_in.size() - m_pos; }
    bool Ok() const { return !m_failed; }

private:
    const std::uint8_t* Take(std::size_t n) {
        if (m_failed || n > m_in.size() - m_pos) {
            m_failed = true;
            return nullptr;
        }
        const std::uint8_t* p = m_in.data() + m_pos;
        m_pos += n;
        return p;
    }
    std::span<const std::uint8_t> m_in;
    std::size_t m_pos = 0;
    bool m_failed = false;
};

}  // namespace tessarin
