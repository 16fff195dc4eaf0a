#include "ui/inflate.h"

#include <array>

namespace kv::ui {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Bits of the stream, least significant first, as deflate packs them.
class BitReader {
public:
    explicit BitReader(std::span<const std::uint8_t> in) : in_(in) {}

    // `count` (at most 16) bits into out; false past the end of the input.
    bool Bits(int count, std::uint32_t& out) {
        while (have_ < count) {
            if (next_ >= in_.size()) {
                return false;
            }
            buffer_ |= static_cast<std::uint32_t>(in_[next_++]) << have_;
            have_ += 8;
        }
        out = buffer_ & ((1u << count) - 1);
        buffer_ >>= count;
        have_ -= count;
        return true;
    }

    // Drops the rest of the byte being read (what is left is always less than one byte).
    void AlignToByte() {
        buffer_ = 0;
        have_ = 0;
    }

    std::size_t BytePosition() const { return next_; }
    // The whole bytes not read yet (after AlignToByte), and skipping some of them.
    std::span<const std::uint8_t> Rest() const { return in_.subspan(next_); }
    void SkipBytes(std::size_t n) { next_ += n; }

private:
    std::span<const std::uint8_t> in_;
    std::size_t next_ = 0;
    std::uint32_t buffer_ = 0;
    int have_ = 0;
};

constexpr int kMaxCodeLength = 15;
constexpr int kLiteralCodes = 288;
constexpr int kDistanceCodes = 30;

// A canonical Huffman code: how many codes each length has, and the symbols in code order.
struct Huffman {
    std::array<std::uint16_t, kMaxCodeLength + 1> count{};
    std::array<std::uint16_t, kLiteralCodes> symbol{};

    // False when the lengths ask for more codes than there are.
    bool Build(std::span<const std::uint8_t> lengths) {
        count.fill(0);
        for (std::uint8_t length : lengths) {
            ++count[length];
        }
        int left = 1;
        for (int length = 1; length <= kMaxCodeLength; ++length) {
            left = (left << 1) - count[length];
            if (left < 0) {
                return false;
            }
        }
        std::array<std::uint16_t, kMaxCodeLength + 2> offset{};
        for (int length = 1; length <= kMaxCodeLength; ++length) {
            offset[length + 1] = static_cast<std::uint16_t>(offset[length] + count[length]);
        }
        for (std::size_t s = 0; s < lengths.size(); ++s) {
            if (lengths[s] != 0) {
                symbol[offset[lengths[s]]++] = static_cast<std::uint16_t>(s);
            }
        }
        return true;
    }

    // The next symbol, or -1 when the input ends or holds a code this table lacks.
    int Decode(BitReader& in) const {
        int code = 0, first = 0, index = 0;
        for (int length = 1; length <= kMaxCodeLength; ++length) {
            std::uint32_t bit = 0;
            if (!in.Bits(1, bit)) {
                return -1;
            }
            code |= static_cast<int>(bit);
            const int n = count[length];
            if (code - first < n) {
                return symbol[index + code - first];
            }
            index += n;
            first = (first + n) << 1;
            code <<= 1;
        }
        return -1;
    }
};

constexpr std::array<std::uint16_t, 29> kLengthBase{3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                    15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                    67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<std::uint8_t, 29> kLengthExtra{0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                    2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<std::uint16_t, kDistanceCodes> kDistanceBase{
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<std::uint8_t, kDistanceCodes> kDistanceExtra{
    0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

class Inflater {
public:
    Inflater(std::span<const std::uint8_t> deflate, std::size_t limit)
        : in_(deflate), limit_(limit) {}

    bool Run() {
        std::uint32_t last = 0, type = 0;
        do {
            if (!in_.Bits(1, last) || !in_.Bits(2, type)) {
                return false;
            }
            bool ok = false;
            switch (type) {
            case 0:
                ok = Stored();
                break;
            case 1:
                ok = Fixed();
                break;
            case 2:
                ok = Dynamic();
                break;
            default:
                return false;
            }
            if (!ok) {
                return false;
            }
        } while (!last);
        in_.AlignToByte();
        return true;
    }

    Bytes& Output() { return out_; }
    std::size_t Consumed() const { return in_.BytePosition(); }

private:
    bool Stored() {
        in_.AlignToByte();
        std::uint32_t length = 0, complement = 0;
        if (!in_.Bits(16, length) || !in_.Bits(16, complement) ||
            (length ^ 0xFFFFu) != complement) {
            return false;
        }
        const std::span<const std::uint8_t> all = in_.Rest();
        if (all.size() < length || out_.size() + length > limit_) {
            return false;
        }
        out_.insert(out_.end(), all.begin(), all.begin() + length);
        in_.SkipBytes(length);
        return true;
    }

    bool Fixed() {
        std::array<std::uint8_t, kLiteralCodes> literal{};
        std::fill(literal.begin(), literal.begin() + 144, 8);
        std::fill(literal.begin() + 144, literal.begin() + 256, 9);
        std::fill(literal.begin() + 256, literal.begin() + 280, 7);
        std::fill(literal.begin() + 280, literal.end(), 8);
        std::array<std::uint8_t, kDistanceCodes> distance{};
        distance.fill(5);
        Huffman lit, dist;
        return lit.Build(literal) && dist.Build(distance) && Codes(lit, dist);
    }

    bool Dynamic() {
        std::uint32_t literals = 0, distances = 0, lengthCodes = 0;
        if (!in_.Bits(5, literals) || !in_.Bits(5, distances) || !in_.Bits(4, lengthCodes)) {
            return false;
        }
        literals += 257;
        distances += 1;
        lengthCodes += 4;
        if (literals > 286 || distances > kDistanceCodes) {
            return false;
        }
        static constexpr std::array<std::uint8_t, 19> kOrder{16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                             11, 4,  12, 3, 13, 2, 14, 1, 15};
        std::array<std::uint8_t, 19> codeLengths{};
        for (std::uint32_t i = 0; i < lengthCodes; ++i) {
            std::uint32_t length = 0;
            if (!in_.Bits(3, length)) {
                return false;
            }
            codeLengths[kOrder[i]] = static_cast<std::uint8_t>(length);
        }
        Huffman lengthCode;
        if (!lengthCode.Build(codeLengths)) {
            return false;
        }
        // The literal and distance code lengths run on as one sequence.
        std::array<std::uint8_t, 286 + kDistanceCodes> lengths{};
        std::uint32_t filled = 0;
        while (filled < literals + distances) {
            const int symbol = lengthCode.Decode(in_);
            if (symbol < 0) {
                return false;
            }
            if (symbol < 16) {
                lengths[filled++] = static_cast<std::uint8_t>(symbol);
                continue;
            }
            std::uint8_t repeated = 0;
            std::uint32_t times = 0;
            if (symbol == 16) {
                if (filled == 0 || !in_.Bits(2, times)) {
                    return false;
                }
                repeated = lengths[filled - 1];
                times += 3;
            } else if (symbol == 17) {
                if (!in_.Bits(3, times)) {
                    return false;
                }
                times += 3;
            } else {
                if (!in_.Bits(7, times)) {
                    return false;
                }
                times += 11;
            }
            if (filled + times > literals + distances) {
                return false;
            }
            while (times-- > 0) {
                lengths[filled++] = repeated;
            }
        }
        if (lengths[256] == 0) {
            return false; // a block that could never end
        }
        Huffman lit, dist;
        return lit.Build(std::span(lengths).first(literals)) &&
               dist.Build(std::span(lengths).subspan(literals, distances)) && Codes(lit, dist);
    }

    bool Codes(const Huffman& lit, const Huffman& dist) {
        for (;;) {
            const int symbol = lit.Decode(in_);
            if (symbol < 0) {
                return false;
            }
            if (symbol < 256) {
                if (out_.size() >= limit_) {
                    return false;
                }
                out_.push_back(static_cast<std::uint8_t>(symbol));
                continue;
            }
            if (symbol == 256) {
                return true;
            }
            const int lengthIndex = symbol - 257;
            if (lengthIndex >= static_cast<int>(kLengthBase.size())) {
                return false;
            }
            std::uint32_t extra = 0;
            if (!in_.Bits(kLengthExtra[lengthIndex], extra)) {
                return false;
            }
            const std::size_t length = kLengthBase[lengthIndex] + extra;
            const int distanceIndex = dist.Decode(in_);
            if (distanceIndex < 0 || distanceIndex >= kDistanceCodes ||
                !in_.Bits(kDistanceExtra[distanceIndex], extra)) {
                return false;
            }
            const std::size_t distance = kDistanceBase[distanceIndex] + extra;
            if (distance > out_.size() || out_.size() + length > limit_) {
                return false;
            }
            // Byte by byte: a copy may overlap what it is writing (a run).
            std::size_t from = out_.size() - distance;
            for (std::size_t i = 0; i < length; ++i) {
                out_.push_back(out_[from++]);
            }
        }
    }

    BitReader in_;
    std::size_t limit_;
    Bytes out_;
};

std::uint32_t Adler32(const Bytes& data) {
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

} // namespace

std::optional<Bytes> Inflate(std::span<const std::uint8_t> zlib, std::size_t limit) {
    // Header: deflate (method 8) with a window of at most 32 KiB, no preset dictionary.
    if (zlib.size() < 6 || (zlib[0] & 0x0F) != 8 || (zlib[0] >> 4) > 7 || (zlib[1] & 0x20) ||
        ((zlib[0] << 8) | zlib[1]) % 31 != 0) {
        return std::nullopt;
    }
    Inflater inflater(zlib.subspan(2), limit);
    if (!inflater.Run()) {
        return std::nullopt;
    }
    const std::size_t end = 2 + inflater.Consumed();
    if (zlib.size() < end + 4) {
        return std::nullopt;
    }
    const std::uint32_t stored = (static_cast<std::uint32_t>(zlib[end]) << 24) |
                                 (static_cast<std::uint32_t>(zlib[end + 1]) << 16) |
                                 (static_cast<std::uint32_t>(zlib[end + 2]) << 8) | zlib[end + 3];
    if (stored != Adler32(inflater.Output())) {
        return std::nullopt;
    }
    return std::move(inflater.Output());
}

} // namespace kv::ui
