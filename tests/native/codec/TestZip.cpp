// Test scaffolding: archive walk, manifest, SHA-256 (FIPS 180-4), sources and sinks.
#include "tests/native/codec/TestZip.h"
#include "zip/codec/WorkArea.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

namespace zip::codec::test {

Bytes ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) throw std::runtime_error("cannot open " + path);
    return Bytes(std::istreambuf_iterator<char>(f), {});
}

std::string TestDataPath(const std::string& name) { return std::string(ZORVIK_TESTDATA_DIR) + "/" + name; }

namespace {

uint32_t Le(const Bytes& b, size_t at, int n) {
    if (at + n > b.size()) throw std::runtime_error("record past the end");
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = v << 8 | b[at + i];
    return v;
}

std::string Escape(const uint8_t* p, size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        if (p[i] >= 0x20 && p[i] <= 0x7E && p[i] != '\\') {
            s += static_cast<char>(p[i]);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", p[i]);
            s += hex;
        }
    }
    return s;
}


}  // namespace

std::vector<RawEntry> ReadArchive(const Bytes& zip) {
    if (zip.size() < 22) throw std::runtime_error("too short");
    size_t eocd = zip.size() - 22;
    while (Le(zip, eocd, 4) != 0x06054b50) {
        if (eocd == 0) throw std::runtime_error("no end record");
        --eocd;
    }
    uint32_t count = Le(zip, eocd + 10, 2);
    size_t at = Le(zip, eocd + 16, 4);
    std::vector<RawEntry> entries;
    for (uint32_t i = 0; i < count; ++i) {
        if (Le(zip, at, 4) != 0x02014b50) throw std::runtime_error("bad central header");
        RawEntry e;
        e.flags = static_cast<uint16_t>(Le(zip, at + 8, 2));
        e.method = static_cast<uint16_t>(Le(zip, at + 10, 2));
        e.dosTime = static_cast<uint16_t>(Le(zip, at + 12, 2));
        e.crc = Le(zip, at + 16, 4);
        e.compressedSize = Le(zip, at + 20, 4);
        e.uncompressedSize = Le(zip, at + 24, 4);
        size_t nameLen = Le(zip, at + 28, 2), extraLen = Le(zip, at + 30, 2), commentLen = Le(zip, at + 32, 2);
        size_t local = Le(zip, at + 42, 4);
        if (at + 46 + nameLen > zip.size()) throw std::runtime_error("name past the end");
        e.name = Escape(zip.data() + at + 46, nameLen);
        size_t data = local + 30 + Le(zip, local + 26, 2) + Le(zip, local + 28, 2);
        if (data + e.compressedSize > zip.size()) throw std::runtime_error("data past the end");
        e.data.assign(zip.begin() + data, zip.begin() + data + e.compressedSize);
        entries.push_back(std::move(e));
        at += 46 + nameLen + extraLen + commentLen;
    }
    return entries;
}

std::string Unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x') {
            out += static_cast<char>(std::stoi(s.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            out += s[i];
        }
    }
    return out;
}

std::vector<ManifestLine> ReadManifestLines() {
    std::ifstream f(TestDataPath("MANIFEST.tsv"));
    if (!f) throw std::runtime_error("cannot read test data file " + TestDataPath("MANIFEST.tsv"));
    std::vector<ManifestLine> lines;
    std::string line;
    std::getline(f, line);  // header
    while (std::getline(f, line)) {
        std::vector<std::string> cols;
        std::stringstream ss(line);
        std::string col;
        while (std::getline(ss, col, '\t')) cols.push_back(col);
        if (cols.size() < 8) continue;
        ManifestLine r;
        r.archive = cols[0];
        r.entry = cols[1];
        if (!cols[2].empty()) r.method = std::stoi(cols[2]);
        if (!cols[3].empty()) r.flags = static_cast<uint32_t>(std::stoul(cols[3], nullptr, 16));
        r.password = Unescape(cols[4]);
        if (!cols[5].empty()) r.usize = std::stoll(cols[5]);
        if (!cols[6].empty()) r.crc = static_cast<uint32_t>(std::stoul(cols[6], nullptr, 16));
        r.sha256 = cols[7];
        lines.push_back(std::move(r));
    }
    return lines;
}

std::map<std::string, ManifestRow> ReadManifest() {
    std::map<std::string, ManifestRow> rows;
    for (const ManifestLine& l : ReadManifestLines()) rows[l.archive + "\t" + l.entry] = ManifestRow{l.password, l.sha256};
    return rows;
}

namespace {

uint32_t Rotr(uint32_t x, int n) { return x >> n | x << (32 - n); }

// FIPS 180-4 4.2.2 and 5.3.3: the constants are the first 32 bits of the fractional parts
// of the cube and square roots of the first primes.
struct ShaConstants {
    uint32_t k[64], h[8];
    ShaConstants() {
        int found = 0;
        for (int n = 2; found < 64; ++n) {
            bool prime = true;
            for (int d = 2; d * d <= n; ++d) prime = prime && n % d != 0;
            if (!prime) continue;
            auto frac = [](long double x) { return static_cast<uint32_t>((x - std::floor(x)) * 4294967296.0L); };
            if (found < 8) h[found] = frac(std::sqrt(static_cast<long double>(n)));
            k[found++] = frac(std::cbrt(static_cast<long double>(n)));
        }
    }
};

}  // namespace

std::string Sha256Hex(const Bytes& data) {
    static const ShaConstants c;
    uint32_t h[8];
    for (int i = 0; i < 8; ++i) h[i] = c.h[i];
    Bytes m = data;
    uint64_t bitLen = static_cast<uint64_t>(data.size()) * 8;
    m.push_back(0x80);
    while (m.size() % 64 != 56) m.push_back(0);
    for (int i = 7; i >= 0; --i) m.push_back(static_cast<uint8_t>(bitLen >> (8 * i)));
    for (size_t blk = 0; blk < m.size(); blk += 64) {
        uint32_t w[64];
        for (int t = 0; t < 16; ++t)
            w[t] = uint32_t{m[blk + 4 * t]} << 24 | uint32_t{m[blk + 4 * t + 1]} << 16 | uint32_t{m[blk + 4 * t + 2]} << 8 |
                   m[blk + 4 * t + 3];
        for (int t = 16; t < 64; ++t) {
            uint32_t s0 = Rotr(w[t - 15], 7) ^ Rotr(w[t - 15], 18) ^ (w[t - 15] >> 3);
            uint32_t s1 = Rotr(w[t - 2], 17) ^ Rotr(w[t - 2], 19) ^ (w[t - 2] >> 10);
            w[t] = w[t - 16] + s0 + w[t - 7] + s1;
        }
        uint32_t a = h[0], b = h[1], cc = h[2], d = h[3], e = h[4], f = h[5], g = h[6], hh = h[7];
        for (int t = 0; t < 64; ++t) {
            uint32_t t1 = hh + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + ((e & f) ^ (~e & g)) + c.k[t] + w[t];
            uint32_t t2 = (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & cc) ^ (b & cc));
            hh = g;
            g = f;
            f = e;
            e = d + t1;
            d = cc;
            cc = b;
            b = a;
            a = t1 + t2;
        }
        h[0] += a, h[1] += b, h[2] += cc, h[3] += d, h[4] += e, h[5] += f, h[6] += g, h[7] += hh;
    }
    std::string hex;
    for (uint32_t v : h) {
        char buf[9];
        std::snprintf(buf, sizeof buf, "%08x", v);
        hex += buf;
    }
    return hex;
}

size_t MemorySource::Refill(const uint8_t*& p) {
    size_t want = pattern_[calls_++ % pattern_.size()];
    size_t n = std::min(want, data_.size() - pos_);
    p = data_.data() + pos_;
    pos_ += n;
    return n;
}

namespace {

// Decrypts each chunk into its own buffer, as the component decrypts its input buffer.
class DecryptingSource : public Source {
public:
    DecryptingSource(Source& inner, CryptKeys keys) : inner_(inner), keys_(keys) {}
    size_t Refill(const uint8_t*& p) override {
        const uint8_t* raw;
        size_t n = inner_.Refill(raw);
        buf_.assign(raw, raw + n);
        CryptDecrypt(keys_, buf_.data(), n);
        p = buf_.data();
        return n;
    }

private:
    Source& inner_;
    CryptKeys keys_;
    Bytes buf_;
};

}  // namespace

bool DecodeEntry(const RawEntry& e, const std::string& password, Result& result, Bytes& out,
                 std::vector<size_t> pattern, WorkArea* work) {
    WorkArea own;
    WorkArea& area = work ? *work : own;
    Bytes data = e.data;
    CryptKeys keys;
    bool encrypted = e.flags & 1;
    if (encrypted) {
        if (data.size() < kCryptHeaderSize) throw std::runtime_error("short encryption header");
        keys = CryptInit(reinterpret_cast<const uint8_t*>(password.data()), password.size());
        uint8_t check = CryptCheckHeader(keys, data.data());
        uint8_t expected = (e.flags & 8) ? static_cast<uint8_t>(e.dosTime >> 8) : static_cast<uint8_t>(e.crc >> 24);
        if (check != expected) throw std::runtime_error("password check failed for " + e.name);
        data.erase(data.begin(), data.begin() + kCryptHeaderSize);
    }
    MemorySource raw(data, std::move(pattern));
    DecryptingSource decrypting(raw, keys);
    Source& in = encrypted ? static_cast<Source&>(decrypting) : raw;
    VectorSink sink;
    switch (e.method) {
    case 0: {
        const uint8_t* p;
        while (size_t n = in.Refill(p)) sink.Put(p, n);
        result = Result::ok;
        break;
    }
    case 1: result = Unshrink(in, sink, area); break;
    case 2: case 3: case 4: case 5: result = Expand(in, sink, e.uncompressedSize, e.method - 1, area); break;
    case 6: result = Explode(in, sink, e.uncompressedSize, e.flags & 2, e.flags & 4, data.size(), area); break;
    case 8: result = Inflate(in, sink, area); break;
    default: return false;
    }
    out = std::move(sink.data);
    return true;
}

}  // namespace zip::codec::test
